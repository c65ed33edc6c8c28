#include "audio/mp3_info.h"

#include "audio/file_window.h"
#include "audio/id3_tags.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstring>

namespace lumek {

namespace {

// kbit/s by bitrate index 0..14 (index 0 is the free format).
constexpr std::array<std::array<int, 15>, 3> kMpeg1Bitrates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // layer 1
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // layer 2
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // layer 3
}};
constexpr std::array<std::array<int, 15>, 2> kMpeg2Bitrates = {{
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},  // layer 1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},       // layers 2 and 3
}};
constexpr std::array<int, 3> kMpeg1SampleRates = {44100, 48000, 32000};

// A frame header can only start at a 0xFF byte followed by the three remaining sync bits.
bool IsSync(QByteArrayView bytes, qsizetype index) {
    return index + 1 < bytes.size() && static_cast<uint8_t>(bytes[index]) == 0xFF &&
           (static_cast<uint8_t>(bytes[index + 1]) & 0xE0) == 0xE0;
}

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
    return a.versionBits == b.versionBits && a.layer == b.layer &&
           a.sampleRateIndex == b.sampleRateIndex;
}

// A frame at offset whose next header (or ID3v1 tag, or the file end) lies one frame length on.
std::optional<MpegFrameHeader> FrameWithSuccessor(FileWindow& window, int64_t offset) {
    const std::optional<MpegFrameHeader> header = DecodeFrameHeader(window.at(offset, 4));
    if (!header) {
        return std::nullopt;
    }
    const int64_t next = offset + header->frameLength();
    if (next == window.size()) {
        return header;
    }
    const QByteArrayView following = window.at(next, 4);
    if (following.startsWith("TAG") && next + 128 == window.size()) {
        return header;
    }
    const std::optional<MpegFrameHeader> second = DecodeFrameHeader(following);
    if (second && SameStream(*header, *second)) {
        return header;
    }
    return std::nullopt;
}

}  // namespace

void Bitstream::SetData(QByteArray data) {
    data_ = std::move(data);
    bitPosition_ = 0;
}

void Bitstream::SkipBits(int count) {
    if (count > 0) {
        bitPosition_ += count;
    }
}

uint32_t Bitstream::ReadBits(int count) {
    uint32_t value = 0;
    for (int i = 0; i < count && i < 32; ++i, ++bitPosition_) {
        const auto byteIndex = static_cast<qsizetype>(bitPosition_ / 8);
        uint32_t bit = 0;
        if (byteIndex < data_.size()) {
            bit = (static_cast<uint8_t>(data_[byteIndex]) >> (7 - bitPosition_ % 8)) & 1U;
        }
        value = (value << 1) | bit;
    }
    return value;
}

int MpegFrameHeader::bitrate() const {
    if (bitrateIndex < 0 || bitrateIndex > 14 || layer < 1 || layer > 3) {
        return 0;
    }
    if (versionBits == 3) {
        return kMpeg1Bitrates[layer - 1][bitrateIndex] * 1000;
    }
    return kMpeg2Bitrates[layer == 1 ? 0 : 1][bitrateIndex] * 1000;
}

int MpegFrameHeader::sampleRate() const {
    if (sampleRateIndex < 0 || sampleRateIndex > 2) {
        return 0;
    }
    const int rate = kMpeg1SampleRates[sampleRateIndex];
    return versionBits == 3 ? rate : versionBits == 2 ? rate / 2 : rate / 4;
}

int MpegFrameHeader::samplesPerFrame() const {
    if (layer == 1) {
        return 384;
    }
    return layer == 3 && versionBits != 3 ? 576 : 1152;
}

int MpegFrameHeader::frameLength() const {
    const int rate = sampleRate();
    if (rate == 0) {
        return 0;
    }
    if (layer == 1) {
        return (12 * bitrate() / rate + (padding ? 1 : 0)) * 4;
    }
    return samplesPerFrame() / 8 * bitrate() / rate + (padding ? 1 : 0);
}

std::optional<MpegFrameHeader> DecodeFrameHeader(QByteArrayView bytes) {
    if (bytes.size() < 4 || !IsSync(bytes, 0)) {
        return std::nullopt;
    }
    Bitstream bits;
    bits.SetData(bytes.first(4).toByteArray());
    bits.SkipBits(11);
    MpegFrameHeader header;
    header.versionBits = static_cast<int>(bits.ReadBits(2));
    header.layer = 4 - static_cast<int>(bits.ReadBits(2));
    header.crcFollows = bits.ReadBits(1) == 0;
    header.bitrateIndex = static_cast<int>(bits.ReadBits(4));
    header.sampleRateIndex = static_cast<int>(bits.ReadBits(2));
    header.padding = bits.ReadBits(1) != 0;
    header.privateBit = bits.ReadBits(1) != 0;
    header.channelMode = static_cast<int>(bits.ReadBits(2));
    bits.SkipBits(2);  // mode extension
    header.copyright = bits.ReadBits(1) != 0;
    header.original = bits.ReadBits(1) != 0;
    header.emphasis = static_cast<int>(bits.ReadBits(2));
    if (header.versionBits == 1 || header.layer == 4 || header.bitrateIndex == 0 ||
        header.bitrateIndex == 15 || header.sampleRateIndex == 3) {
        return std::nullopt;
    }
    return header;
}

int MP3Info::MPEGVersion() const {
    return header_.versionBits == 3 ? 1 : header_.versionBits == 2 ? 2 : 25;
}

bool MP3Info::ReadMP3Info(const QString& path) {
    constexpr int64_t kSearchBytes = 10240;
    *this = MP3Info();
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    FileWindow window(file, 2048);
    FileWindow check(file, 2048);
    fileSize_ = window.size();
    int64_t limit = kSearchBytes;
    for (int64_t position = 0; position < fileSize_ && position < limit;) {
        const QByteArrayView bytes = window.at(position, 10);
        if (bytes.startsWith("ID3")) {
            const int64_t tagSize = Id3v2Size(bytes);
            if (tagSize > 0) {
                position += tagSize;
                limit = position + kSearchBytes;
                continue;
            }
        }
        if (IsSync(bytes, 0)) {
            if (const std::optional<MpegFrameHeader> header = FrameWithSuccessor(check, position)) {
                firstFrame_ = position;
                header_ = *header;
                return true;
            }
        }
        ++position;
    }
    return false;
}

std::optional<int64_t> FindAudioStream(QFile& file, int64_t from) {
    constexpr qsizetype kChunk = 64 * 1024;
    FileWindow scan(file, kChunk);
    FileWindow check(file, 4096);
    int64_t position = std::max<int64_t>(from, 0);
    while (position + 4 <= scan.size()) {
        const QByteArrayView bytes = scan.at(position, kChunk);
        // The last 3 bytes are looked at again with the next chunk, so no header is cut apart.
        const qsizetype searchEnd = bytes.size() - 3;
        qsizetype index = 0;
        while (index < searchEnd) {
            const void* found = std::memchr(bytes.data() + index, 0xFF, searchEnd - index);
            if (found == nullptr) {
                break;
            }
            index = static_cast<const char*>(found) - bytes.data();
            if (IsSync(bytes, index) && FrameWithSuccessor(check, position + index)) {
                return position + index;
            }
            ++index;
        }
        position += std::max<qsizetype>(searchEnd, 1);
    }
    return std::nullopt;
}

}  // namespace lumek
