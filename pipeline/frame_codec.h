#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumek {

// A four-character code as RIFF files store it: the first character in the lowest byte.
constexpr uint32_t FourCC(const char (&code)[5]) {
    return uint32_t{static_cast<uint8_t>(code[0])} |
           (uint32_t{static_cast<uint8_t>(code[1])} << 8) |
           (uint32_t{static_cast<uint8_t>(code[2])} << 16) |
           (uint32_t{static_cast<uint8_t>(code[3])} << 24);
}

// The compressor handler codes of the two codecs.
constexpr uint32_t kCompressorDib = FourCC("DIB ");    // frames stored as they come
constexpr uint32_t kCompressorMjpeg = FourCC("MJPG");  // every frame a baseline JPEG

// The info header fields the codecs need, read from BITMAPINFO bytes (little-endian).
struct BitmapFormat {
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t imageSize = 0;  // bytes of one frame's pixels: biSizeImage, or computed when 0
};

constexpr uint32_t kBitmapRgb = 0;  // BI_RGB, uncompressed

// Nothing for fewer than 40 bytes, a header size that does not fit them, a width or height of 0,
// or a compressed format without biSizeImage. Uncompressed formats must give room for every
// row, so that codecs reading width x height pixels stay inside a frame of imageSize bytes.
std::optional<BitmapFormat> ReadBitmapFormat(std::span<const uint8_t> bitmapInfo);

// Bytes of one stored row of an uncompressed bitmap: whole 32-bit words.
int64_t BitmapRowSize(int64_t width, int bitCount);

// Motion JPEG: each frame compressed on its own (4:2:0, the given quality). A frame whose pixels
// equal the previous frame's gets the previous JPEG back without being compressed again, so the
// still stretches of a lyric video cost a comparison instead of a compression.
class MjpegEncoder {
public:
    explicit MjpegEncoder(int quality = 90);
    ~MjpegEncoder();
    MjpegEncoder(const MjpegEncoder&) = delete;
    MjpegEncoder& operator=(const MjpegEncoder&) = delete;

    // Only uncompressed 24- and 32-bit formats (blue, green, red bytes first) are taken; false
    // with errorString() otherwise.
    bool setFormat(const BitmapFormat& format);
    // The JPEG of one frame of the format's imageSize bytes, valid until the next call; empty,
    // with errorString(), when compression fails.
    std::span<const uint8_t> encode(std::span<const uint8_t> bits);

    // How many frames were really compressed (repeats not counted).
    int64_t compressions() const { return compressions_; }
    const QString& errorString() const { return error_; }

private:
    void* handle_ = nullptr;  // tjhandle
    int quality_;
    BitmapFormat format_;
    int pixelFormat_ = 0;
    uint8_t* jpeg_ = nullptr;  // tjAlloc'ed, capacity_ bytes
    unsigned long capacity_ = 0;
    unsigned long jpegSize_ = 0;
    std::vector<uint8_t> lastBits_;
    int64_t compressions_ = 0;
    QString error_;
};

}  // namespace lumek
