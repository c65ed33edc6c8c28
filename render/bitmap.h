#pragma once

#include "base/ui_host.h"
#include "render/picture.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace lumek {

// Byte sizes of the two headers at the start of a Windows bitmap file.
constexpr int kBitmapFileHeaderSize = 14;
constexpr int kBitmapInfoHeaderSize = 40;

// The picture as the 24-bit Windows bitmap file the canvas is saved as: "BM" file header, 40-byte
// info header, then the rows bottom row first, each as blue, green, red bytes padded with zeros
// to a multiple of 4 bytes. Empty for a null picture.
QByteArray EncodeBitmap(const Picture& picture);
// Writes EncodeBitmap's bytes; false for a null picture or a file that can't be written.
bool SaveBitmap(const Picture& picture, const QString& fileName);

// The 40-byte info header that follows the file header (file offset 14).
struct BitmapInfoHeader {
    uint32_t size = 0;  // of the info header itself
    int32_t width = 0;
    int32_t height = 0;  // positive: rows stored bottom-up
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;  // bytes of pixel data
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// A Windows bitmap in memory: its info bytes (info header plus any colour table) and its pixel
// bytes, exactly as the file stores them; the pixels are not reinterpreted. All fields are
// little-endian in the file.
class BitmapData {
public:
    // Reads a bitmap file. A missing, unreadable or unsupported file is reported through the host
    // and gives false; the earlier content then stays.
    bool CreateFromFile(const QString& fileName, UiHost& host);
    // The same header and pixel bytes as reading back SaveBitmap's file would give. False for a
    // null picture.
    bool CreateFromPicture(const Picture& picture);

    // The info header's fields.
    int32_t Width() const { return info_.width; }
    int32_t Height() const { return info_.height; }
    int32_t BitCount() const { return info_.bitCount; }
    int32_t Planes() const { return info_.planes; }
    int32_t Compression() const { return static_cast<int32_t>(info_.compression); }
    int32_t SizeImage() const { return static_cast<int32_t>(info_.sizeImage); }
    int32_t SizeInfoHeader() const { return static_cast<int32_t>(info_.size); }
    int32_t XPixelsPerMeter() const { return info_.xPelsPerMeter; }
    int32_t YPixelsPerMeter() const { return info_.yPelsPerMeter; }
    int32_t ClrUsed() const { return static_cast<int32_t>(info_.clrUsed); }
    int32_t ClrImportant() const { return static_cast<int32_t>(info_.clrImportant); }

    // SizeImage pixel bytes and SizeBitmapInfo info bytes; valid until the next load or the end
    // of the instance, null before the first load.
    const uint8_t* PointerToBits() const;
    const uint8_t* PointerToBitmapInfo() const;
    int32_t SizeBitmapInfo() const { return static_cast<int32_t>(bitmapInfo_.size()); }

private:
    BitmapInfoHeader info_;
    QByteArray bitmapInfo_;
    QByteArray bits_;
};

}  // namespace lumek
