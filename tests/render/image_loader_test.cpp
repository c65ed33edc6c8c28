#include "render/image_loader.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
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

// Rows [first, last] of column x all hold the colour.
void ExpectRows(const QImage& image, int x, int first, int last, QRgb colour) {
    for (int y = first; y <= last; ++y) {
        ASSERT_EQ(image.pixel(x, y), colour) << "x " << x << " y " << y;
    }
}

TEST(ImageLoader, PngAtItsOwnSizeShowsWhiteWhereTransparent) {
    QImage image = Solid(300, 300, kRed);
    for (int y = 0; y < 300; ++y) {
        for (int x = 150; x < 300; ++x) {
            image.setPixel(x, y, 0x00000000u);
        }
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cover.png"));
    ASSERT_TRUE(image.save(path, "PNG"));

    const std::optional<QImage> picture = LoadPictureGDIPlus(path);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->size(), QSize(300, 300));
    EXPECT_EQ(picture->format(), QImage::Format_RGB32);
    EXPECT_EQ(picture->pixel(10, 10), kRed);
    EXPECT_EQ(picture->pixel(290, 290), kWhite);
    EXPECT_FALSE(LoadPictureGDIPlus(folder.filePath(QStringLiteral("missing.png"))));
}

TEST(ImageLoader, KeepAspectCentresWithHalvesToEven) {
    const QByteArray wide = Encode(Solid(600, 300, kBlue), "PNG");
    {
        SCOPED_TRACE("600 x 300 into 140 x 140: 140 x 70 at row 35");
        const auto picture = LoadPictureFromMemory(wide, {140, 140}, kRedColour, true);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->size(), QSize(140, 140));
        for (int x : {0, 70, 139}) {
            ExpectRows(*picture, x, 0, 34, kRed);
            ExpectRows(*picture, x, 35, 104, kBlue);
            ExpectRows(*picture, x, 105, 139, kRed);
        }
    }
    {
        SCOPED_TRACE("300 x 600 into 140 x 140: 70 x 140 at column 35");
        const auto picture = LoadPictureFromMemory(Encode(Solid(300, 600, kBlue), "PNG"),
                                                   {140, 140}, kRedColour, true);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->pixel(34, 70), kRed);
        EXPECT_EQ(picture->pixel(35, 70), kBlue);
        EXPECT_EQ(picture->pixel(104, 0), kBlue);
        EXPECT_EQ(picture->pixel(105, 139), kRed);
    }
    {
        SCOPED_TRACE("spare 33 rows: offset 16.5 rounds down to 16");
        const auto picture =
            LoadPictureFromMemory(Encode(Solid(100, 34, kBlue), "PNG"), {50, 50}, kRedColour, true);
        ASSERT_TRUE(picture);
        ExpectRows(*picture, 25, 0, 15, kRed);
        ExpectRows(*picture, 25, 16, 32, kBlue);
        ExpectRows(*picture, 25, 33, 49, kRed);
    }
    {
        SCOPED_TRACE("spare 35 rows: offset 17.5 rounds up to 18");
        const auto picture =
            LoadPictureFromMemory(Encode(Solid(100, 30, kBlue), "PNG"), {50, 50}, kRedColour, true);
        ASSERT_TRUE(picture);
        ExpectRows(*picture, 25, 0, 17, kRed);
        ExpectRows(*picture, 25, 18, 32, kBlue);
        ExpectRows(*picture, 25, 33, 49, kRed);
    }
    {
        SCOPED_TRACE("without keep-aspect the image covers the whole picture");
        const auto picture = LoadPictureFromMemory(wide, {140, 140}, kRedColour, false);
        ASSERT_TRUE(picture);
        ExpectRows(*picture, 0, 0, 139, kBlue);
        ExpectRows(*picture, 139, 0, 139, kBlue);
    }
    {
        SCOPED_TRACE("-1 in either dimension means the image's own size");
        const auto picture = LoadPictureFromMemory(wide, {-1, 20});
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->size(), QSize(600, 300));
        EXPECT_FALSE(LoadPictureFromMemory(wide, {0, 20}));
    }
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
        SCOPED_TRACE(data.name);
        EXPECT_FALSE(LoadPictureFromMemory(data.data));
    }
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
