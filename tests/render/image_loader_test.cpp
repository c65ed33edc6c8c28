#include "render/image_loader.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumek {
namespace {

constexpr QRgb kRed = 0xFFFF0000u;
constexpr QRgb kBlue = 0xFF0000FFu;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr int32_t kRedColour = 0x0000FF;  // 0x00BBGGRR

QByteArray Encode(const QImage& image, const char* format, bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image)) << format;
    return bytes;
}

QImage Solid(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QImage Noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, 0xFF000000u | (random.generate() & 0xFFFFFFu));
        }
    }
    return image;
}

TEST(ImageLoader, PngAtItsOwnSizeShowsWhiteWhereTransparent) {
    QImage image = Solid(300, 300, 0x00000000u);  // the right half stays transparent
    QPainter(&image).fillRect(0, 0, 150, 300, QColor(kRed));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cover.png"));
    ASSERT_TRUE(image.save(path, "PNG"));
    const std::optional<QImage> picture = LoadPicture(path);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), QSize(300, 300));
    EXPECT_EQ(picture->format(), QImage::Format_RGB32);
    EXPECT_EQ(picture->pixel(10, 10), kRed);
    EXPECT_EQ(picture->pixel(290, 290), kWhite);
    EXPECT_FALSE(LoadPicture(folder.filePath(QStringLiteral("missing.png"))));
}

TEST(ImageLoader, KeepAspectCentresWithHalvesToEven) {
    // A blue image on red: along the middle row (or column), blue covers [first, last].
    const struct {
        const char* name;
        QSize source;
        int side;
        bool keepAspect, alongRow;
        int first, last;
    } cases[] = {
        {"600 x 300 into 140 x 140: 140 x 70 at row 35", {600, 300}, 140, true, false, 35, 104},
        {"300 x 600 into 140 x 140: 70 x 140 at column 35", {300, 600}, 140, true, true, 35, 104},
        {"spare 33 rows: offset 16.5 rounds down to 16", {100, 34}, 50, true, false, 16, 32},
        {"spare 35 rows: offset 17.5 rounds up to 18", {100, 30}, 50, true, false, 18, 32},
        {"without keep-aspect the image covers the picture", {600, 300}, 140, false, false, 0, 139},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray png = Encode(Solid(c.source.width(), c.source.height(), kBlue), "PNG");
        const auto picture = LoadPictureFromMemory(png, {c.side, c.side}, kRedColour, c.keepAspect);
        ASSERT_TRUE(picture);
        ASSERT_EQ(picture->size(), QSize(c.side, c.side));
        for (int i = 0; i < c.side; ++i) {
            for (int across : {0, c.side / 2, c.side - 1}) {
                const QRgb pixel =
                    c.alongRow ? picture->pixel(i, across) : picture->pixel(across, i);
                ASSERT_EQ(pixel, i >= c.first && i <= c.last ? kBlue : kRed) << i << " " << across;
            }
        }
    }
    // -1 in either dimension means the image's own size.
    const QByteArray wide = Encode(Solid(600, 300, kBlue), "PNG");
    EXPECT_EQ(LoadPictureFromMemory(wide, {-1, 20})->size(), QSize(600, 300));
    EXPECT_FALSE(LoadPictureFromMemory(wide, {0, 20}));
}

TEST(ImageLoader, GifAndIcoDecodeWithTransparency) {
    // 2 x 1 GIF: pixel 0 is palette entry 0 (red), pixel 1 entry 1, marked transparent.
    const QByteArray gif = QByteArray::fromHex(
        "47494638396102000100800000"  // GIF89a, 2 x 1, two-entry colour table
        "ff0000000000"                // red, black
        "21f90401000001"              // transparent index 1
        "00"                          //
        "2c000000000200010000"        // image descriptor
        "0202440a00"                  // LZW: codes clear, 0, 1, end
        "3b");
    const auto fromGif = LoadPictureFromMemory(gif, {-1, -1}, 0x00FF00);
    ASSERT_TRUE(fromGif);
    EXPECT_EQ(fromGif->size(), QSize(2, 1));
    EXPECT_EQ(fromGif->pixel(0, 0), kRed);
    EXPECT_EQ(fromGif->pixel(1, 0), 0xFF00FF00u);

    QImage icon = Solid(16, 16, kBlue);
    icon.setPixel(0, 0, 0x00000000u);
    const auto fromIco = LoadPictureFromMemory(Encode(icon, "ICO"));
    ASSERT_TRUE(fromIco);
    EXPECT_EQ(fromIco->size(), QSize(16, 16));
    EXPECT_EQ(fromIco->pixel(0, 0), kWhite);
    EXPECT_EQ(fromIco->pixel(8, 8), kBlue);
}

TEST(ImageLoader, RefusesTruncatedAndForeignData) {
    const QByteArray png = Encode(Noise(64, 64), "PNG");
    const QByteArray jpeg = Encode(Noise(64, 64), "JPG");
    const QByteArray progressive = Encode(Noise(64, 64), "JPG", true);
    ASSERT_TRUE(LoadPictureFromMemory(png));
    ASSERT_TRUE(LoadPictureFromMemory(jpeg));
    ASSERT_TRUE(LoadPictureFromMemory(progressive));
    EXPECT_TRUE(LoadPictureFromMemory(jpeg + QByteArray(16, '\0'))) << "padding after the end";

    const struct {
        const char* name;
        QByteArray data;
    } refused[] = {
        {"truncated png", png.left(png.size() * 6 / 10)},
        {"truncated jpeg", jpeg.left(jpeg.size() * 6 / 10)},
        {"truncated progressive jpeg", progressive.left(progressive.size() * 8 / 10)},
        {"jpeg without its end marker", jpeg.left(jpeg.size() - 2)},
        {"text", QByteArray("Just some words,\nnot a picture.\n")},
        {"empty", QByteArray()},
        // A bitmap header claiming 100000 x 100000 pixels, with no pixels behind it.
        {"gigantic bmp", QByteArray::fromHex("424d360000000000000036000000"
                                             "28000000a0860100a086010001001800") +
                             QByteArray(24, '\0')},
    };
    for (const auto& data : refused) {
        EXPECT_FALSE(LoadPictureFromMemory(data.data)) << data.name;
    }

    // A bitmap is decoded whole, so it may hold fewer pixels than a picture decoded smaller:
    // 6000 x 6000 is refused by its header, before any pixel is read.
    QString problem;
    EXPECT_FALSE(LoadPictureFromMemory(
        QByteArray::fromHex("424d36000000000000003600000028000000701700007017000001001800") +
            QByteArray(24, '\0'),
        {320, 240}, 0, false, &problem));
    EXPECT_EQ(problem, QStringLiteral("그림이 너무 큽니다: 6000 x 6000 픽셀 (최대 25 메가픽셀)"));
}

TEST(ImageLoader, DamagedFilesNeverCrash) {
    const QByteArray sources[] = {Encode(Noise(24, 16), "PNG"), Encode(Noise(24, 16), "JPG"),
                                  Encode(Noise(24, 16), "BMP"), Encode(Solid(8, 8, kBlue), "ICO")};
    QRandomGenerator random(11);
    int decoded = 0;
    for (const QByteArray& source : sources) {
        for (int round = 0; round < 60; ++round) {
            QByteArray damaged = source;
            for (int hits = 0; hits < 4; ++hits) {
                const auto at = static_cast<qsizetype>(random.bounded(damaged.size()));
                damaged[at] = static_cast<char>(random.bounded(256));
            }
            if (round % 3 == 0) {
                damaged.truncate(static_cast<qsizetype>(random.bounded(damaged.size())));
            }
            const auto picture = LoadPictureFromMemory(damaged, {40, 30}, 0, round % 2 == 0);
            if (picture) {
                EXPECT_EQ(picture->size(), QSize(40, 30));
                ++decoded;
            }
        }
    }
    EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace lumek
