#include "render/bitmap.h"

#include "support/recording_host.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace lumek {
namespace {

using testing::RecordingHost;

uint32_t U32At(const QByteArray& bytes, int offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    }
    return value;
}

void PutU32At(QByteArray& bytes, int offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
    }
}

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
    const PixelView view = picture.view();
    view.at(0, 0) = 0xFFFF0000u;
    view.at(1, 0) = 0xFF00FF00u;
    view.at(2, 0) = 0xFF0000FFu;
    view.at(0, 1) = 0xFFFFFFFFu;
    view.at(1, 1) = 0xFF000000u;
    view.at(2, 1) = 0xFF123456u;
    return picture;
}

TEST(Bitmap, EncodesTheCanvasAs24BitFile) {
    const QByteArray file = EncodeBitmap(Picture(480, 320, 0xFFFFFF));
    ASSERT_EQ(file.size(), 460854);
    EXPECT_EQ(file.left(2), QByteArray("BM"));
    EXPECT_EQ(U32At(file, 2), 460854u);  // bfSize
    EXPECT_EQ(U32At(file, 6), 0u);       // reserved
    EXPECT_EQ(U32At(file, 10), 54u);     // bfOffBits
    EXPECT_EQ(U32At(file, 14), 40u);     // biSize
    EXPECT_EQ(U32At(file, 18), 480u);
    EXPECT_EQ(U32At(file, 22), 320u);
    EXPECT_EQ(U32At(file, 26), 0x00180001u);  // 1 plane, 24 bits
    EXPECT_EQ(U32At(file, 30), 0u);           // uncompressed
    EXPECT_EQ(U32At(file, 34), 460800u);
    EXPECT_EQ(static_cast<uint8_t>(file[460853]), 0xFF);
    EXPECT_TRUE(EncodeBitmap(Picture()).isEmpty());
}

TEST(Bitmap, RowsAreBottomUpBgrPaddedToFourBytes) {
    const QByteArray file = EncodeBitmap(SixPixels());
    ASSERT_EQ(file.size(), 54 + 2 * 12);
    EXPECT_EQ(U32At(file, 34), 24u);
    const QByteArray expected = QByteArray::fromHex(
        "ffffff"
        "000000"
        "563412"
        "000000"  // bottom row first, 3 bytes of padding
        "0000ff"
        "00ff00"
        "ff0000"
        "000000");
    EXPECT_EQ(file.mid(54).toHex(), expected.toHex());
}

TEST(Bitmap, FileRoundTripAndPictureGiveTheSameBytes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Lumek_Temp.bmp"));
    Picture canvas(480, 320, 0x336699);
    canvas.fillRect({10, 20, 30, 40}, 0x0000FF);
    ASSERT_TRUE(SaveBitmap(canvas, path));
    const QByteArray saved = EncodeBitmap(canvas);

    RecordingHost host;
    cDIB fromFile;
    ASSERT_TRUE(fromFile.CreateFromFile(path, host));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(fromFile.Width(), 480);
    EXPECT_EQ(fromFile.Height(), 320);
    EXPECT_EQ(fromFile.BitCount(), 24);
    EXPECT_EQ(fromFile.PLANES(), 1);
    EXPECT_EQ(fromFile.Compression(), 0);
    EXPECT_EQ(fromFile.SizeImage(), 460800);
    EXPECT_EQ(fromFile.SizeInfoHeader(), 40);
    EXPECT_EQ(fromFile.XPPM(), 0);
    EXPECT_EQ(fromFile.YPPM(), 0);
    EXPECT_EQ(fromFile.ClrUsed(), 0);
    EXPECT_EQ(fromFile.ClrImportant(), 0);
    EXPECT_EQ(fromFile.SizeBitmapInfo(), 40);
    EXPECT_EQ(Span(fromFile.PointerToBitmapInfo(), 40), saved.mid(14, 40));
    EXPECT_EQ(Span(fromFile.PointerToBits(), 460800), saved.mid(54));

    cDIB fromPicture;
    EXPECT_EQ(fromPicture.PointerToBits(), nullptr);
    ASSERT_TRUE(fromPicture.CreateFromPicture(canvas));
    EXPECT_EQ(fromPicture.SizeImage(), fromFile.SizeImage());
    EXPECT_EQ(fromPicture.Width(), fromFile.Width());
    EXPECT_EQ(Span(fromPicture.PointerToBitmapInfo(), fromPicture.SizeBitmapInfo()),
              Span(fromFile.PointerToBitmapInfo(), fromFile.SizeBitmapInfo()));
    EXPECT_EQ(Span(fromPicture.PointerToBits(), fromPicture.SizeImage()),
              Span(fromFile.PointerToBits(), fromFile.SizeImage()));
    EXPECT_FALSE(fromPicture.CreateFromPicture(Picture()));

    SCOPED_TRACE("a colour table after the info header belongs to the bitmap info");
    QByteArray withTable = saved.left(54) + QByteArray("\x01\x02\x03\x04", 4) + saved.mid(54);
    PutU32At(withTable, 10, 58);
    ASSERT_TRUE(WriteFile(path, withTable));
    ASSERT_TRUE(fromFile.CreateFromFile(path, host));
    EXPECT_EQ(fromFile.SizeBitmapInfo(), 44);
    EXPECT_EQ(fromFile.PointerToBitmapInfo()[43], 4);
    EXPECT_EQ(Span(fromFile.PointerToBits(), 460800), saved.mid(54));
}

TEST(Bitmap, ReportsMissingFoldersAndForeignFiles) {
    QTemporaryDir folder;
    const QString missing = folder.filePath(QStringLiteral("missing.bmp"));
    const QString foreign = folder.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(WriteFile(foreign, QByteArray("\x89PNG\r\n\x1a\n and more than fifty-four bytes "
                                              "of something that is not a bitmap")));
    RecordingHost host;
    cDIB dib;
    {
        SCOPED_TRACE("missing");
        EXPECT_FALSE(dib.CreateFromFile(missing, host));
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].title, kAppTitle);
        EXPECT_EQ(host.messages[0].text, QStringLiteral("File does not exist:\r\n") + missing);
        EXPECT_EQ(host.messages[0].icon, MessageIcon::Critical);
    }
    {
        SCOPED_TRACE("not a bitmap");
        EXPECT_FALSE(dib.CreateFromFile(foreign, host));
        ASSERT_EQ(host.messages.size(), 2u);
        EXPECT_EQ(host.messages[1].text,
                  QStringLiteral("File is not a supported bitmap format:\r\n") + foreign);
        EXPECT_EQ(host.messages[1].icon, MessageIcon::Information);
    }
    {
        SCOPED_TRACE("another open error shows its own description");
        EXPECT_FALSE(dib.CreateFromFile(folder.path(), host));  // a folder
        ASSERT_EQ(host.messages.size(), 3u);
        EXPECT_FALSE(host.messages[2].text.isEmpty());
        EXPECT_FALSE(host.messages[2].text.contains(folder.path()));
        EXPECT_EQ(host.messages[2].icon, MessageIcon::Information);
    }
}

TEST(Bitmap, ReportsLockedFile) {
    QTemporaryDir folder;
    const QString locked = folder.filePath(QStringLiteral("locked.bmp"));
    ASSERT_TRUE(SaveBitmap(SixPixels(), locked));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (QFile probe(locked); probe.open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "file permissions don't restrict this user (root)";
    }
    RecordingHost host;
    cDIB dib;
    EXPECT_FALSE(dib.CreateFromFile(locked, host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              QStringLiteral("File is locked - cannot access:\r\n") + locked);
    EXPECT_EQ(host.messages[0].icon, MessageIcon::Critical);
}

TEST(Bitmap, RefusesHeadersThatDontFitTheFile) {
    const QByteArray good = EncodeBitmap(SixPixels());  // 54 + 24 bytes
    const struct {
        const char* name;
        int offset;  // -1: cut the file to `value` bytes instead
        uint32_t value;
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
        {"odd bit count", 28, 7},
    };
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bad.bmp"));
    cDIB dib;
    RecordingHost host;
    ASSERT_TRUE(dib.CreateFromPicture(SixPixels()));
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.name);
        QByteArray bytes = good;
        if (bad.offset < 0) {
            bytes.truncate(bad.value);
        } else if (bad.offset == 28) {
            bytes[28] = static_cast<char>(bad.value);
        } else {
            PutU32At(bytes, bad.offset, bad.value);
        }
        ASSERT_TRUE(WriteFile(path, bytes));
        host.messages.clear();
        EXPECT_FALSE(dib.CreateFromFile(path, host));
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text,
                  QStringLiteral("File is not a supported bitmap format:\r\n") + path);
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
        cDIB dib;
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
