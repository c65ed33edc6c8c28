#include "render/cover_art.h"
#include "audio/audio_fixtures.h"
#include "render/image_loader.h"
#include "support/qt_printers.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <functional>

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
    const QDir folder = QFileInfo(jpeg).dir();
    for (const char* version : {"3", "4"}) {
        for (const auto& [picture, size, colour] :
             {std::tuple{jpeg, QSize(40, 30), 0xC04020u}, {png, QSize(24, 32), 0x2080F0u}}) {
            const QString name = QStringLiteral("apic2%1_%2.mp3")
                                     .arg(QLatin1String(version), QFileInfo(picture).suffix());
            SCOPED_TRACE(name.toStdString());
            const QString song = FfmpegMp3(
                name, Words("-i") << picture
                                  << Words("-map 0:a -map 1:v -c:a libmp3lame -c:v copy "
                                           "-disposition:v attached_pic -metadata title=Song "
                                           "-metadata artist=Singer -id3v2_version")
                                  << QString::fromLatin1(version));
            ASSERT_FALSE(song.isEmpty());
            const QStringList before = folder.entryList(QDir::Files);
            const QStringList workingBefore = QDir::current().entryList(QDir::Files);
            ExpectPicture(ReadCoverArt(song), size, colour);
            EXPECT_EQ(folder.entryList(QDir::Files), before) << "no temporary file";
            EXPECT_EQ(QDir::current().entryList(QDir::Files), workingBefore);
        }
    }
    SCOPED_TRACE("a tag without a picture, and no ID3v2 tag at all");
    EXPECT_FALSE(ReadCoverArt(CbrMp3()).has_value());
    EXPECT_FALSE(ReadCoverArt(FfmpegMp3(QStringLiteral("no_id3v2.mp3"),
                                        Words("-c:a libmp3lame -id3v2_version 0 -write_id3v1 1")))
                     .has_value());
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
        {"image/png", Filler(500), {}, 0},  // bytes no loader accepts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mime);
        const QByteArray data = QByteArray(1, '\0') + c.mime + '\0' + '\x03' + '\0' + c.bytes;
        const auto picture = ReadCoverArt(WriteTempFile(QStringLiteral("cover_picture.mp3"),
                                                        Id3v2Tag(3, 0, Id3Frame(3, "APIC", data))));
        if (c.size.isEmpty()) {
            EXPECT_FALSE(picture.has_value());
        } else {
            ExpectPicture(picture, c.size, c.colour);
        }
    }
}

// The address sanitizer keeps freed memory in quarantine: resident memory says little there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasured = false;
#else
constexpr bool kMemoryMeasured = true;
#endif

// A value of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMegabytes(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(key)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(status.readAll())).captured(1).toDouble() / 1024;
}

// How far the resident memory rose above its level before the work while it ran, MB. Negative
// where the peak can't be reset (writing 5 to clear_refs resets it to the current level).
double PeakRiseDuring(const std::function<void()>& work) {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) {
        return -1;
    }
    clear.close();
    const double before = StatusMegabytes("VmRSS");
    work();
    return StatusMegabytes("VmHWM") - before;
}

// A few hundred kilobytes of JPEG that decode to 8000 x 8000 pixels (256 MB at 4 bytes each):
// in a tag or as a chosen picture, it costs only the size it is drawn at.
TEST(CoverArt, PictureBombsDecodeAtTheDrawnSize) {
    if (PeakRiseDuring([] {}) < 0) {
        GTEST_SKIP() << "the peak of resident memory can't be reset here";
    }
    QByteArray jpeg;
    {
        QImage image(8000, 8000, QImage::Format_RGB32);
        image.fill(0xFF2080F0u);
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "JPG"));
    }
    const QString file = WriteTempFile(QStringLiteral("bomb.jpg"), jpeg);
    const QString song = WriteTempFile(
        QStringLiteral("bomb.mp3"),
        Id3v2Tag(3, 0, Id3Frame(3, "APIC", QByteArray("\0image/jpeg\0\x03\0", 14) + jpeg)));
    // The same picture claiming 9000 x 9000 in its frame header, over the cap.
    QByteArray huge = jpeg;
    const qsizetype frame = huge.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    huge.replace(frame + 5, 4, QByteArray::fromHex("23282328"));
    const QString hugeFile = WriteTempFile(QStringLiteral("huge.jpg"), huge);

    const struct {
        const char* name;
        std::function<std::optional<QImage>(QString*)> load;
        QSize size;
        QString problem;
    } cases[] = {
        {"the song's cover in a 200 x 150 box",
         [&](QString* problem) {
             return ReadCoverArt(song, {200, 150}, problem);
         },
         {200, 200},
         {}},
        {"a chosen picture held for the canvas",
         [&](QString* problem) { return LoadPictureCovering(file, kHeldPictureBox, problem); },
         kHeldPictureBox,
         {}},
        {"a picture drawn at 320 x 240",
         [&](QString* problem) {
             return LoadPicture(file, {320, 240}, 0, true, problem);
         },
         {320, 240},
         {}},
        {"over the cap",
         [&](QString* problem) {
             return LoadPicture(hugeFile, {320, 240}, 0, false, problem);
         },
         {},
         "그림이 너무 큽니다: 9000 x 9000 픽셀 (최대 64 메가픽셀)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<QImage> picture;
        QString problem;
        const double rise = PeakRiseDuring([&] { picture = c.load(&problem); });
        if (kMemoryMeasured) {
            EXPECT_LT(rise, 100) << "MB";
        }
        EXPECT_EQ(problem, c.problem);
        if (c.size.isEmpty()) {
            EXPECT_FALSE(picture.has_value());
            continue;
        }
        ExpectPicture(picture, c.size, 0x2080F0);
    }
}

}  // namespace
}  // namespace lumek
