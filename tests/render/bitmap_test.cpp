#include "render/bitmap.h"

#include "support/recording_host.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <vector>

namespace lumek {
namespace {

using testing::RecordingHost;

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Span(const uint8_t* data, int size) {
    return QByteArray(reinterpret_cast<const char*>(data), size);
}

// A 3 x 2 picture: top row red, green, blue; bottom row white, black, 0x123456.
Picture SixPixels() {
    Picture picture(3, 2);
    const uint32_t pixels[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                               0xFFFFFFFFu, 0xFF000000u, 0xFF123456u};
    for (int i = 0; i < 6; ++i) {
        picture.view().at(i % 3, i / 3) = pixels[i];
    }
    return picture;
}

TEST(Bitmap, EncodesA24BitFileWithBottomUpPaddedRows) {
    const QByteArray file = EncodeBitmap(Picture(480, 320, 0xFFFFFF));
    ASSERT_EQ(file.size(), 460854);
    // "BM", file size, reserved, pixel offset 54; info header 40, 480 x 320, 1 plane, 24 bits,
    // uncompressed, 460800 pixel bytes, the rest 0.
    EXPECT_EQ(file.left(54).toHex(),
              "424d36080700000000003600000028000000e00100004001000001001800000000000008070000000000"
              "000000000000000000000000");
    EXPECT_EQ(static_cast<uint8_t>(file[460853]), 0xFF);
    EXPECT_TRUE(EncodeBitmap(Picture()).isEmpty());

    const QByteArray six = EncodeBitmap(SixPixels());
    ASSERT_EQ(six.size(), 54 + 2 * 12);
    EXPECT_EQ(qFromLittleEndian<quint32>(six.constData() + 34), 24u);
    // Bottom row first, BGR, 3 bytes of padding per row.
    EXPECT_EQ(six.mid(54).toHex(),
              "ffffff000000563412000000"
              "0000ff00ff00ff0000000000");
}

TEST(Bitmap, FileRoundTripAndPictureGiveTheSameBytes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Lumek_Temp.bmp"));
    Picture canvas(480, 320, 0x336699);
    canvas.fillRect({10, 20, 30, 40}, 0x0000FF);
    ASSERT_TRUE(SaveBitmap(canvas, path));
    const QByteArray saved = EncodeBitmap(canvas);

    RecordingHost host;
    BitmapData fromFile;
    ASSERT_TRUE(fromFile.CreateFromFile(path, host));
    EXPECT_TRUE(host.messages.empty());
    const BitmapData& f = fromFile;
    EXPECT_EQ((std::vector<int32_t>{f.Width(), f.Height(), f.BitCount(), f.Planes(),
                                    f.Compression(), f.SizeImage(), f.SizeInfoHeader(),
                                    f.XPixelsPerMeter(), f.YPixelsPerMeter(), f.ClrUsed(),
                                    f.ClrImportant(), f.SizeBitmapInfo()}),
              (std::vector<int32_t>{480, 320, 24, 1, 0, 460800, 40, 0, 0, 0, 0, 40}));
    EXPECT_EQ(Span(f.PointerToBitmapInfo(), 40), saved.mid(14, 40));
    EXPECT_EQ(Span(f.PointerToBits(), 460800), saved.mid(54));

    BitmapData fromPicture;
    EXPECT_EQ(fromPicture.PointerToBits(), nullptr);
    ASSERT_TRUE(fromPicture.CreateFromPicture(canvas));
    EXPECT_EQ(Span(fromPicture.PointerToBitmapInfo(), fromPicture.SizeBitmapInfo()),
              saved.mid(14, 40));
    EXPECT_EQ(Span(fromPicture.PointerToBits(), fromPicture.SizeImage()), saved.mid(54));
    EXPECT_FALSE(fromPicture.CreateFromPicture(Picture()));

    SCOPED_TRACE("a colour table after the info header belongs to the bitmap info");
    QByteArray withTable = saved.left(54) + QByteArray("\x01\x02\x03\x04", 4) + saved.mid(54);
    qToLittleEndian<quint32>(58, withTable.data() + 10);
    ASSERT_TRUE(WriteFile(path, withTable));
    ASSERT_TRUE(fromFile.CreateFromFile(path, host));
    EXPECT_EQ(fromFile.SizeBitmapInfo(), 44);
    EXPECT_EQ(fromFile.PointerToBitmapInfo()[43], 4);
    EXPECT_EQ(Span(fromFile.PointerToBits(), 460800), saved.mid(54));
}

// Reading the file fails with one message of that text (empty: any text without the path).
void ExpectReport(BitmapData& dib, const QString& path, const QString& text, MessageIcon icon) {
    RecordingHost host;
    EXPECT_FALSE(dib.CreateFromFile(path, host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, kAppTitle);
    EXPECT_EQ(host.messages[0].icon, icon);
    if (text.isEmpty()) {
        EXPECT_FALSE(host.messages[0].text.isEmpty());
        EXPECT_FALSE(host.messages[0].text.contains(path));
    } else {
        EXPECT_EQ(host.messages[0].text, text);
    }
}

TEST(Bitmap, ReportsMissingFoldersAndForeignFiles) {
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("missing.bmp"));
    const QString foreign = folder.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(WriteFile(foreign, QByteArray("\x89PNG\r\n\x1a\n and more than fifty-four bytes "
                                              "of something that is not a bitmap")));
    BitmapData dib;
    ExpectReport(dib, missing, "File does not exist:\r\n" + missing, MessageIcon::Critical);
    ExpectReport(dib, foreign, "File is not a supported bitmap format:\r\n" + foreign,
                 MessageIcon::Information);
    // Another open error (a folder) shows its own description.
    ExpectReport(dib, folder.path(), QString(), MessageIcon::Information);
}

TEST(Bitmap, ReportsLockedFile) {
    QTemporaryDir folder;
    const QString locked = folder.filePath(QStringLiteral("locked.bmp"));
    ASSERT_TRUE(SaveBitmap(SixPixels(), locked));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (QFile(locked).open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "file permissions don't restrict this user (root)";
    }
    BitmapData dib;
    ExpectReport(dib, locked, "File is locked - cannot access:\r\n" + locked,
                 MessageIcon::Critical);
}

TEST(Bitmap, RefusesHeadersThatDontFitTheFile) {
    const QByteArray good = EncodeBitmap(SixPixels());  // 54 + 24 bytes
    const struct {
        const char* name;
        int offset;  // -1: cut the file to `value` bytes instead
        uint32_t value;
        uint32_t height = 0;  // also written to the height field when not 0
    } cases[] = {
        {"shorter than the file header", -1, 10},
        {"only the file header", -1, 14},
        {"truncated pixels", -1, 70},
        {"pixels start inside the headers", 10, 40},
        {"pixels start after the end", 10, 1000},
        {"image size 0", 34, 0},
        {"image size beyond the end", 34, 25},
        {"image size negative", 34, 0xFFFFFFF0u},
        {"image size too small for the rows", 34, 20},
        {"info header of 12 bytes", 14, 12},
        {"info header longer than the gap", 14, 44},
        {"negative width", 18, static_cast<uint32_t>(-3)},
        {"negative height", 22, static_cast<uint32_t>(-2)},
        {"zero height", 22, 0},
        {"absurd width", 18, 0x7FFFFFFFu},
        {"rows x height beyond 64 bits", 18, 0x7FFFFFFFu, 0x7FFFFFFFu},
        {"odd bit count", 28, 7},
    };
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bad.bmp"));
    BitmapData dib;
    ASSERT_TRUE(dib.CreateFromPicture(SixPixels()));
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.name);
        QByteArray bytes = good;
        if (bad.offset < 0) {
            bytes.truncate(bad.value);
        } else if (bad.offset == 28) {
            bytes[28] = static_cast<char>(bad.value);
        } else {
            qToLittleEndian<quint32>(bad.value, bytes.data() + bad.offset);
        }
        if (bad.height != 0) {
            qToLittleEndian<quint32>(bad.height, bytes.data() + 22);
        }
        ASSERT_TRUE(WriteFile(path, bytes));
        ExpectReport(dib, path, "File is not a supported bitmap format:\r\n" + path,
                     MessageIcon::Information);
        EXPECT_EQ(dib.Width(), 3) << "the earlier content stays";
    }
}

TEST(Bitmap, RandomHeadersNeverReadPastTheFile) {
    const QByteArray good = EncodeBitmap(SixPixels());
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("random.bmp"));
    QRandomGenerator random(5);
    RecordingHost host;
    int accepted = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = good;
        for (int hits = 0; hits < 3; ++hits) {
            bytes[2 + static_cast<int>(random.bounded(52))] =
                static_cast<char>(random.bounded(256));
        }
        ASSERT_TRUE(WriteFile(path, bytes));
        BitmapData dib;
        if (dib.CreateFromFile(path, host)) {
            ++accepted;
            ASSERT_LE(14 + dib.SizeBitmapInfo() + dib.SizeImage(), bytes.size());
            ASSERT_EQ(Span(dib.PointerToBits(), dib.SizeImage()),
                      bytes.mid(14 + dib.SizeBitmapInfo(), dib.SizeImage()));
        }
    }
    EXPECT_GT(accepted, 0);
}

}  // namespace
}  // namespace lumek
