#include "audio/id3_tags.h"
#include "audio/audio_fixtures.h"
#include "audio/id3_picture.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>

namespace lumek {
namespace {

using namespace lumek::testing;

TEST(Id3Tags, SizesAndKinds) {
    EXPECT_EQ(ReadBigEndian32(QByteArray::fromHex("00010000"), true), 16384u);
    EXPECT_EQ(ReadBigEndian32(QByteArray::fromHex("7f7f7f7f"), true), 0x0FFFFFFFu);
    EXPECT_EQ(ReadBigEndian32(QByteArray::fromHex("00010000"), false), 65536u);
    {
        SCOPED_TRACE("a top bit set makes the bytes a plain number; missing bytes read as zero");
        EXPECT_EQ(ReadBigEndian32(QByteArray::fromHex("00008000"), true), 0x8000u);
        EXPECT_EQ(ReadBigEndian32(QByteArray::fromHex("80000001"), true), 0x80000001u);
        EXPECT_EQ(ReadBigEndian32(QByteArray::fromHex("0102"), false), 0x01020000u);
    }
    const QByteArray body(4096, '\0');
    EXPECT_EQ(Id3v2Size(Id3v2Tag(3, 0x00, body)), 4106);
    EXPECT_EQ(Id3v2Size(Id3v2Tag(4, 0x10, body)), 4116) << "the footer counts from version 4 on";
    EXPECT_EQ(Id3v2Size(Id3v2Tag(3, 0x10, body)), 4106);
    EXPECT_EQ(Id3v2Size(QByteArray::fromHex("4944330300000000ff00")), 0xFF00 + 10);
    EXPECT_EQ(Id3v2Size(QByteArray("ID3\x03\x00")), 0);
    EXPECT_EQ(Id3v2Size(QByteArray("TAG-not-a-tag")), 0);
    QFile file(WriteTempFile(QStringLiteral("offset_tag.bin"),
                             QByteArray(100, 'x') + Id3v2Tag(4, 0x10, body)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(Id3v2Size(file, 100), 4116);
    EXPECT_EQ(Id3v2Size(file, 0), 0);
    EXPECT_EQ(Id3v2Size(file, 1 << 20), 0);

    EXPECT_EQ(Id3v1Kind(Id3v1Tag('\0', '\x07')), 1);
    EXPECT_EQ(Id3v1Kind(Id3v1Tag('\0', '\0')), 0);
    EXPECT_EQ(Id3v1Kind(Id3v1Tag('x', '\x07')), 0);
    EXPECT_EQ(Id3v1Kind(QByteArray(128, 'T')), -1);
    EXPECT_TRUE(HasId3v1(WriteTempFile(QStringLiteral("v1.bin"), Filler(10) + Id3v1Tag(0, 7))));
    EXPECT_FALSE(
        HasId3v1(WriteTempFile(QStringLiteral("short.bin"), QByteArray("TAG") + Filler(100))))
        << "a file shorter than 128 bytes never has one";
    EXPECT_FALSE(HasId3v1(TempPath(QStringLiteral("missing.bin"))));
    EXPECT_FALSE(HasId3v1(QDir::tempPath()));
}

TEST(Id3Tags, BytesToText) {
    EXPECT_EQ(BytesToText(QByteArray("ab\r\ncd\0ef", 9), 9, 0, true), QStringLiteral("ab\r\ncd"));
    EXPECT_EQ(BytesToText("a\nb", 3, 3, false), QStringLiteral("a\r\nb"));
    EXPECT_EQ(BytesToText("abcdef", 3, 0, false), QStringLiteral("abc"));
    EXPECT_EQ(BytesToText("abc", 100, 0, true), QStringLiteral("abc"));
    SCOPED_TRACE("UTF-16: low bytes after the byte-order mark, or from the start");
    EXPECT_EQ(BytesToText(QByteArray::fromHex("fffe4100420000004300"), 10, 1, true),
              QStringLiteral("AB"));
    EXPECT_EQ(BytesToText(QByteArray::fromHex("410042004300"), 6, 2, false), QStringLiteral("ABC"));
    SCOPED_TRACE("code page and UTF-8 bytes");
    EXPECT_EQ(BytesToText(QByteArray::fromHex("c7d1b1db00"), 5, 0, true), QStringLiteral("한글"));
    EXPECT_EQ(BytesToText(QStringLiteral("한글").toUtf8(), 6, 3, true), QStringLiteral("한글"));
}

QByteArray ApicData(char encoding, const QByteArray& mime, const QByteArray& description,
                    const QByteArray& image) {
    return QByteArray(1, encoding) + mime + '\0' + '\x03' + description + image;
}

TEST(CoverArtExtraction, EncodingsAndDescriptions) {
    const QByteArray image = PictureBytes("PNG", 8, 8, 0x336699);
    const QByteArray textFrames = Id3Frame(3, "TIT2", QByteArray("\0Song", 5)) +
                                  Id3Frame(3, "TPE1", QByteArray("\0Singer", 7));
    const std::pair<const char*, QByteArray> cases[] = {
        {"code page, empty", QByteArray(2, '\0')},
        {"code page", QByteArray("\0front\0", 7)},
        {"UTF-16 with BOM, one character", QByteArray::fromHex("01fffe41000000")},
        {"UTF-16 without BOM", QByteArray::fromHex("02004100420000")},
        {"UTF-8", '\x03' + QStringLiteral("표지").toUtf8() + '\0'},
    };
    for (const auto& [name, description] : cases) {
        SCOPED_TRACE(name);
        const QByteArray apic =
            Id3Frame(3, "APIC", ApicData(description[0], "image/png", description.mid(1), image));
        EXPECT_EQ(
            ExtractCoverArtFromBytes(Id3v2Tag(3, 0, textFrames + apic + QByteArray(64, '\0'))),
            image);
    }
}

TEST(CoverArtExtraction, VersionsAndLayouts) {
    const QByteArray image =
        PictureBytes("JPG", 16, 16, 0xFF0000) + QByteArray::fromHex("ff00ffe1ff");
    const QByteArray pic = QByteArray("\0JPG\x03\0", 6) + image;
    const QByteArray apicData = ApicData(0, "image/jpeg", QByteArray(1, '\0'), image);
    const QByteArray apic = Id3Frame(3, "APIC", apicData);
    const QByteArray unsynced = Unsynchronise(apicData);
    const QByteArray padding(16384 - apicData.size(), 'z');
    const std::pair<const char*, QByteArray> pictures[] = {
        {"version 2.2 PIC",
         Id3v2Tag(2, 0,
                  QByteArray("TT2") + BigEndian(5, 3) + QByteArray("\0Song", 5) + "PIC" +
                      BigEndian(static_cast<uint32_t>(pic.size()), 3) + pic)},
        {"version 2.4 unsynchronised frame", Id3v2Tag(4, 0, Id3Frame(4, "APIC", unsynced, 2))},
        {"version 2.4 unsynchronised frame with a data length",
         Id3v2Tag(
             4, 0,
             Id3Frame(4, "APIC", Syncsafe(static_cast<uint32_t>(apicData.size())) + unsynced, 3))},
        {"version 2.4 unsynchronised tag with a footer",
         Id3v2Tag(4, 0x90, Id3Frame(4, "APIC", unsynced)) + "3DI" + QByteArray(7, '\0')},
        {"version 2.3 extended header",
         Id3v2Tag(3, 0x40, BigEndian(6) + QByteArray(6, '\0') + apic)},
        {"version 2.4 extended header",
         Id3v2Tag(4, 0x40, Syncsafe(6) + QByteArray("\x01\0", 2) + Id3Frame(4, "APIC", apicData))},
    };
    for (const auto& [name, tag] : pictures) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ExtractCoverArtFromBytes(tag), image);
    }
    {
        SCOPED_TRACE("version 2.4: a syncsafe size 00 01 00 00 is 16384 bytes");
        const QByteArray frame =
            QByteArray("APIC") + QByteArray::fromHex("000100000000") + apicData + padding;
        EXPECT_EQ(ExtractCoverArtFromBytes(
                      Id3v2Tag(4, 0, frame + Id3Frame(4, "TIT2", QByteArray("\0x", 2)))),
                  image + padding);
    }
    const std::pair<const char*, QByteArray> noPicture[] = {
        {"empty", QByteArray()},
        {"ID3v1 only", Filler(1000) + Id3v1Tag(0, 1)},
        {"tag without picture",
         Id3v2Tag(3, 0, Id3Frame(3, "TIT2", QByteArray("\0abc", 4)) + QByteArray(40, '\0'))},
        {"frame running past the tag", Id3v2Tag(3, 0, apic).chopped(10)},
        {"tag size larger than the data", Id3v2Tag(3, 0, apic + QByteArray(100, '\0')).left(60)},
        {"MIME type without terminator",
         Id3v2Tag(3, 0, Id3Frame(3, "APIC", QByteArray("\0image/png", 10)))},
        {"description without terminator",
         Id3v2Tag(3, 0, Id3Frame(3, "APIC", QByteArray("\x01image/png\0\x03\xff\xfe\x41", 15)))},
        {"no image bytes",
         Id3v2Tag(3, 0, Id3Frame(3, "APIC", QByteArray("\0image/png\0\x03\0", 13)))},
        {"compressed frame", Id3v2Tag(4, 0, Id3Frame(4, "APIC", apicData, 0x0008))},
        {"absurd frame size", Id3v2Tag(3, 0, QByteArray("TIT2\xff\xff\xff\xff\0\0", 10) + apic)},
        {"unknown major version", Id3v2Tag(5, 0, apic)},
    };
    for (const auto& [name, bytes] : noPicture) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ExtractCoverArtFromBytes(bytes).has_value());
    }
    EXPECT_FALSE(ExtractCoverArt(TempPath(QStringLiteral("missing.mp3"))).has_value());
    EXPECT_FALSE(ExtractCoverArt(QDir::tempPath()).has_value());
}

// Random and mutated tags: every answer is "no picture" or bytes, never a crash or an over-read
// (the sanitizer build checks the reads).
TEST(CoverArtExtraction, RandomInput) {
    std::mt19937 random(7);
    const QByteArray image = PictureBytes("PNG", 4, 4, 0x123456);
    const QByteArray valid[] = {
        Id3v2Tag(
            3, 0,
            Id3Frame(3, "TIT2", QByteArray("\0abc", 4)) +
                Id3Frame(3, "APIC",
                         ApicData(1, "image/png", QByteArray::fromHex("fffe00000000"), image))),
        Id3v2Tag(4, 0x80,
                 Id3Frame(4, "APIC",
                          Unsynchronise(ApicData(0, "image/png", QByteArray(1, '\0'), image)), 2)),
        Id3v2Tag(2, 0,
                 QByteArray("PIC") + BigEndian(static_cast<uint32_t>(image.size() + 6), 3) +
                     QByteArray("\0PNG\x03\0", 6) + image),
    };
    int pictures = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = valid[round % 3];
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const auto at = static_cast<qsizetype>(random() % static_cast<uint32_t>(bytes.size()));
            const auto kind = random() % 3;
            if (kind == 0) {
                bytes[at] = static_cast<char>(random());
            } else if (kind == 1) {
                bytes.truncate(std::max<qsizetype>(at, 3));
            } else {  // the tag header
                bytes[std::min<qsizetype>(at, 9)] = static_cast<char>(random() % 2 ? 0xFF : 0x7F);
            }
        }
        if (round % 50 == 0) {
            bytes = QByteArray("ID3") + Filler(static_cast<qsizetype>(random() % 300), round);
        }
        const auto found = ExtractCoverArtFromBytes(bytes);
        if (found) {
            ++pictures;
            EXPECT_LE(found->size(), bytes.size());
        }
        EXPECT_LE(BytesToText(bytes, bytes.size(), round % 4, round % 2 == 0).size(),
                  2 * bytes.size());
    }
    EXPECT_GT(pictures, 100) << "mild edits often leave the picture frame whole";
}

}  // namespace
}  // namespace lumek
