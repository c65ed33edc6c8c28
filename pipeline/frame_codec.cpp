#include "pipeline/frame_codec.h"

#include <turbojpeg.h>

#include <cstring>
#include <limits>

namespace lumek {

namespace {

constexpr size_t kInfoHeaderSize = 40;

uint32_t GetU32(const uint8_t* in) {
    return uint32_t{in[0]} | (uint32_t{in[1]} << 8) | (uint32_t{in[2]} << 16) |
           (uint32_t{in[3]} << 24);
}

uint16_t GetU16(const uint8_t* in) {
    return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

}  // namespace

int64_t BitmapRowSize(int64_t width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

std::optional<BitmapFormat> ReadBitmapFormat(std::span<const uint8_t> bitmapInfo) {
    if (bitmapInfo.size() < kInfoHeaderSize) {
        return std::nullopt;
    }
    const uint8_t* in = bitmapInfo.data();
    const uint32_t headerSize = GetU32(in);
    if (headerSize < kInfoHeaderSize || headerSize > bitmapInfo.size()) {
        return std::nullopt;
    }
    BitmapFormat format;
    format.width = static_cast<int32_t>(GetU32(in + 4));
    format.height = static_cast<int32_t>(GetU32(in + 8));
    format.bitCount = GetU16(in + 14);
    format.compression = GetU32(in + 16);
    format.imageSize = GetU32(in + 20);
    if (format.width <= 0 || format.height == 0 ||
        format.height == std::numeric_limits<int32_t>::min()) {
        return std::nullopt;
    }
    if (format.compression != kBitmapRgb) {
        return format.imageSize != 0 ? std::optional(format) : std::nullopt;
    }
    const int bits = format.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return std::nullopt;
    }
    const int64_t needed = BitmapRowSize(format.width, bits) *
                           (format.height < 0 ? -int64_t{format.height} : format.height);
    if (needed > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    if (format.imageSize == 0) {
        format.imageSize = static_cast<uint32_t>(needed);
    } else if (format.imageSize < needed) {
        return std::nullopt;
    }
    return format;
}

MjpegEncoder::MjpegEncoder(int quality) : quality_(quality) {}

MjpegEncoder::~MjpegEncoder() {
    tjFree(jpeg_);
    if (handle_ != nullptr) {
        tjDestroy(handle_);
    }
}

bool MjpegEncoder::setFormat(const BitmapFormat& format) {
    if (format.compression != kBitmapRgb || (format.bitCount != 24 && format.bitCount != 32)) {
        error_ = QStringLiteral("Motion JPEG takes 24- or 32-bit uncompressed frames only");
        return false;
    }
    const int height = format.height < 0 ? -format.height : format.height;
    // JPEG sides are 16-bit; tjAlloc sizes are ints.
    const unsigned long capacity = format.width <= 65535 && height <= 65535
                                       ? tjBufSize(format.width, height, TJSAMP_420)
                                       : static_cast<unsigned long>(-1);
    if (capacity > static_cast<unsigned long>(std::numeric_limits<int>::max())) {
        error_ = QStringLiteral("frame too large for JPEG");
        return false;
    }
    if (handle_ == nullptr) {
        handle_ = tjInitCompress();
        if (handle_ == nullptr) {
            error_ = QString::fromLocal8Bit(tjGetErrorStr2(nullptr));
            return false;
        }
    }
    if (capacity > capacity_) {
        tjFree(jpeg_);
        jpeg_ = tjAlloc(static_cast<int>(capacity));
        capacity_ = jpeg_ != nullptr ? capacity : 0;
        if (jpeg_ == nullptr) {
            error_ = QStringLiteral("out of memory for the JPEG buffer");
            return false;
        }
    }
    format_ = format;
    pixelFormat_ = format.bitCount == 24 ? TJPF_BGR : TJPF_BGRX;
    jpegSize_ = 0;
    lastBits_.clear();
    return true;
}

std::span<const uint8_t> MjpegEncoder::encode(std::span<const uint8_t> bits) {
    if (handle_ == nullptr || jpeg_ == nullptr || bits.size() < format_.imageSize) {
        error_ = QStringLiteral("frame smaller than its format");
        return {};
    }
    const size_t frameSize = format_.imageSize;
    if (jpegSize_ != 0 && lastBits_.size() == frameSize &&
        std::memcmp(lastBits_.data(), bits.data(), frameSize) == 0) {
        return {jpeg_, jpegSize_};
    }
    const int height = format_.height < 0 ? -format_.height : format_.height;
    const auto pitch = static_cast<int>(BitmapRowSize(format_.width, format_.bitCount));
    // Bottom-up rows unless the height says top-down.
    const int flags = TJFLAG_NOREALLOC | (format_.height > 0 ? TJFLAG_BOTTOMUP : 0);
    unsigned char* out = jpeg_;
    unsigned long size = capacity_;
    if (tjCompress2(handle_, bits.data(), format_.width, pitch, height, pixelFormat_, &out, &size,
                    TJSAMP_420, quality_, flags) != 0) {
        error_ = QString::fromLocal8Bit(tjGetErrorStr2(handle_));
        jpegSize_ = 0;
        lastBits_.clear();
        return {};
    }
    ++compressions_;
    jpegSize_ = size;
    lastBits_.assign(bits.begin(), bits.begin() + static_cast<std::ptrdiff_t>(frameSize));
    return {jpeg_, jpegSize_};
}

}  // namespace lumek
