#include "render/cover_art.h"
#include "audio/audio_fixtures.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace lumek {
namespace {

using namespace lumek::testing;

void ExpectPicture(const std::optional<QImage>& picture, QSize size, QRgb colour) {
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->size(), size);
    const QRgb centre = picture->pixel(size.width() / 2, size.height() / 2);
    // JPEG is lossy: a small tolerance per channel.
    EXPECT_NEAR(qRed(centre), qRed(colour), 6);
    EXPECT_NEAR(qGreen(centre), qGreen(colour), 6);
    EXPECT_NEAR(qBlue(centre), qBlue(colour), 6);
}

TEST(CoverArt, EncodedTags) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const QString jpeg =
        WriteTempFile(QStringLiteral("cover.jpg"), PictureBytes("JPG", 40, 30, 0xC04020));
    const QString png =
        WriteTempFile(QStringLiteral("cover.png"), PictureBytes("PNG", 24, 32, 0x2080F0));
    const struct {
        const char* name;
        QString picture;
        const char* version;
        QSize size;
        QRgb colour;
    } cases[] = {
        {"apic23_jpeg.mp3", jpeg, "3", {40, 30}, 0xC04020},
        {"apic24_jpeg.mp3", jpeg, "4", {40, 30}, 0xC04020},
        {"apic23_png.mp3", png, "3", {24, 32}, 0x2080F0},
        {"apic24_png.mp3", png, "4", {24, 32}, 0x2080F0},
    };
    const QDir folder = QFileInfo(jpeg).dir();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString song = FfmpegMp3(
            QString::fromLatin1(c.name),
            {QStringLiteral("-i"), c.picture, QStringLiteral("-map"), QStringLiteral("0:a"),
             QStringLiteral("-map"), QStringLiteral("1:v"), QStringLiteral("-c:a"),
             QStringLiteral("libmp3lame"), QStringLiteral("-c:v"), QStringLiteral("copy"),
             QStringLiteral("-disposition:v"), QStringLiteral("attached_pic"),
             QStringLiteral("-metadata"), QStringLiteral("title=Song"), QStringLiteral("-metadata"),
             QStringLiteral("artist=Singer"), QStringLiteral("-id3v2_version"),
             QString::fromLatin1(c.version)});
        ASSERT_FALSE(song.isEmpty());
        const QStringList before = folder.entryList(QDir::Files);
        const QStringList workingBefore = QDir::current().entryList(QDir::Files);
        ExpectPicture(ReadCoverArt(song), c.size, c.colour);
        EXPECT_EQ(folder.entryList(QDir::Files), before) << "no temporary file";
        EXPECT_EQ(QDir::current().entryList(QDir::Files), workingBefore);
    }
    SCOPED_TRACE("a song without an ID3v2 tag has no cover");
    EXPECT_FALSE(ReadCoverArt(CbrMp3()).has_value()) << "a tag without a picture";
    const QString plain = FfmpegMp3(
        QStringLiteral("no_id3v2.mp3"),
        {QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), QStringLiteral("-id3v2_version"),
         QStringLiteral("0"), QStringLiteral("-write_id3v1"), QStringLiteral("1")});
    EXPECT_FALSE(ReadCoverArt(plain).has_value());
}

TEST(CoverArt, PictureFormats) {
    // Qt writes no GIF: a 1 x 1 red one by hand.
    const QByteArray gif = QByteArray::fromHex(
        "47494638396101000100800000ff000000000021f90400000000002c00000000010001000002024401003b");
    const struct {
        const char* mime;
        QByteArray bytes;
        QSize size;
        QRgb colour;
    } cases[] = {
        {"image/gif", gif, {1, 1}, 0xFF0000},
        {"image/bmp", PictureBytes("BMP", 9, 7, 0x10E060), {9, 7}, 0x10E060},
        {"image/png", PictureBytes("PNG", 9, 7, 0x10E060), {9, 7}, 0x10E060},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mime);
        const QByteArray data = QByteArray(1, '\0') + c.mime + '\0' + '\x03' + '\0' + c.bytes;
        const QString song = WriteTempFile(QStringLiteral("cover_picture.mp3"),
                                           Id3v2Tag(3, 0, Id3Frame(3, "APIC", data)));
        ExpectPicture(ReadCoverArt(song), c.size, c.colour);
    }
    SCOPED_TRACE("bytes no loader accepts");
    const QByteArray junk = QByteArray("\0image/png\0\x03\0", 13) + Filler(500);
    EXPECT_FALSE(ReadCoverArt(WriteTempFile(QStringLiteral("cover_junk.mp3"),
                                            Id3v2Tag(3, 0, Id3Frame(3, "APIC", junk))))
                     .has_value());
}

}  // namespace
}  // namespace lumek
