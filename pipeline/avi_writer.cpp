#include "pipeline/avi_writer.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace lumek {

namespace {

constexpr uint32_t kKeyFrame = 0x10;           // AVIIF_KEYFRAME in idx1
constexpr uint32_t kNotKeyFrame = 0x80000000;  // the size bit of an ix00 entry
constexpr uint32_t kHasIndex = 0x10;           // AVIF_HASINDEX
constexpr uint32_t kMainHeaderSize = 56;
constexpr uint32_t kStreamHeaderSize = 56;
constexpr uint32_t kSuperIndexHeaderSize = 24;  // after the chunk header
constexpr uint32_t kSuperIndexEntrySize = 16;
constexpr uint32_t kStdIndexHeaderSize = 24;
constexpr uint32_t kStdIndexEntrySize = 8;
constexpr uint32_t kOldIndexEntrySize = 16;
constexpr uint32_t kDmlhSize = 248;
constexpr uint8_t kIndexOfIndexes = 0;
constexpr uint8_t kIndexOfChunks = 1;

// Reserve super index entries for this long a stream.
constexpr int64_t kReservedSeconds = 24 * 60 * 60;
constexpr int64_t kMinSuperIndexEntries = 16;
constexpr int64_t kMaxSuperIndexEntries = int64_t{1} << 18;  // 4 MB of header

// Little-endian bytes for headers and indexes.
class ByteBuilder {
public:
    void u8(uint8_t value) { bytes.push_back(value); }
    void u16(uint16_t value) {
        u8(static_cast<uint8_t>(value));
        u8(static_cast<uint8_t>(value >> 8));
    }
    void u32(uint32_t value) {
        u16(static_cast<uint16_t>(value));
        u16(static_cast<uint16_t>(value >> 16));
    }
    void u64(uint64_t value) {
        u32(static_cast<uint32_t>(value));
        u32(static_cast<uint32_t>(value >> 32));
    }
    void code(const char (&fourCC)[5]) { u32(FourCC(fourCC)); }
    void zeros(size_t count) { bytes.insert(bytes.end(), count, 0); }
    void raw(std::span<const uint8_t> data) { bytes.insert(bytes.end(), data.begin(), data.end()); }
    void chunkHeader(const char (&fourCC)[5], uint32_t size) {
        code(fourCC);
        u32(size);
    }
    void listHeader(const char (&fourCC)[5], uint32_t size, const char (&type)[5]) {
        chunkHeader(fourCC, size);
        code(type);
    }

    std::vector<uint8_t> bytes;
};

uint32_t Saturate32(int64_t value) {
    return static_cast<uint32_t>(
        std::clamp<int64_t>(value, 0, std::numeric_limits<uint32_t>::max()));
}

uint32_t EvenSize(uint32_t size) {
    return size + (size & 1);
}

uint32_t SuperIndexBytes(uint32_t capacity) {
    return kSuperIndexHeaderSize + kSuperIndexEntrySize * capacity;
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

AviWriter::AviWriter() = default;

AviWriter::~AviWriter() {
    close();
}

int64_t AviWriter::compressions() const {
    return mjpeg_ ? mjpeg_->compressions() : 0;
}

AviStatus AviWriter::fail(AviStatus status, const QString& why) {
    if (failure_ == AviStatus::Ok) {
        failure_ = status;
    }
    error_ = why;
    return status;
}

void AviWriter::reset() {
    close();
    device_.reset();
    streaming_ = false;
    hasStream_ = false;
    failure_ = AviStatus::Ok;
    error_.clear();
    riffs_.clear();
    mjpeg_.reset();
    end_ = 0;
    nextSample_ = 0;
    largestChunk_ = 0;
}

AviStatus AviWriter::open(const QString& path) {
    reset();  // an open file is finished before the same path may be truncated
    auto file = std::make_unique<QFile>(path);
    // Unbuffered, so that a refused write shows at the write that made it.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return fail(AviStatus::CannotOpen, path + QStringLiteral(": ") + file->errorString());
    }
    return open(std::move(file));
}

AviStatus AviWriter::open(std::unique_ptr<QIODevice> device) {
    reset();
    device_ = std::move(device);
    streaming_ = device_->isSequential();
    return AviStatus::Ok;
}

AviStatus AviWriter::createStream(std::span<const uint8_t> bitmapInfo,
                                  const AviStreamOptions& options) {
    if (!isOpen() || hasStream_) {
        error_ = QStringLiteral("no file open for a new stream");
        return AviStatus::NotReady;
    }
    if (failure_ != AviStatus::Ok) {
        return failure_;
    }
    const std::optional<BitmapFormat> format = ReadBitmapFormat(bitmapInfo);
    if (!format) {
        return fail(AviStatus::BadFormat, QStringLiteral("unusable bitmap format"));
    }
    if (options.handler != kCompressorDib && options.handler != kCompressorMjpeg) {
        return fail(AviStatus::BadFormat, QStringLiteral("unknown compressor"));
    }
    bitmap_ = *format;
    handler_ = options.handler;
    format_.assign(bitmapInfo.begin(), bitmapInfo.end());
    if (handler_ == kCompressorMjpeg) {
        mjpeg_ = std::make_unique<MjpegEncoder>(options.jpegQuality);
        if (!mjpeg_->setFormat(bitmap_)) {
            return fail(AviStatus::BadFormat, mjpeg_->errorString());
        }
        // Compressed bitmaps are never top-down.
        PutU32(format_, 8, static_cast<uint32_t>(std::abs(bitmap_.height)));
        PutU32(format_, 16, kCompressorMjpeg);
        chunkId_ = FourCC("00dc");
    } else {
        chunkId_ = FourCC("00db");
    }
    rate_ = static_cast<uint32_t>(std::clamp(options.rate, 1, 30));
    riffLimit_ = std::clamp<int64_t>(options.riffLimit, 1, std::numeric_limits<uint32_t>::max());

    // Enough RIFF lists for a day of uncompressed frames (compressed ones are smaller).
    const int64_t chunkBytes =
        8 + int64_t{EvenSize(bitmap_.imageSize)} + kStdIndexEntrySize + kOldIndexEntrySize;
    const int64_t chunksPerRiff = std::max<int64_t>(1, riffLimit_ / chunkBytes);
    const int64_t riffs = (kReservedSeconds * rate_ + chunksPerRiff - 1) / chunksPerRiff + 1;
    superIndexCapacity_ =
        static_cast<uint32_t>(std::clamp(riffs, kMinSuperIndexEntries, kMaxSuperIndexEntries));

    // The header's size is fixed by the format; its counts are filled in by close().
    riffs_.assign(1, Riff{});
    end_ = static_cast<int64_t>(header().size());
    riffs_.front().movi = end_ - 4;
    if (!append(header())) {
        return fail(AviStatus::WriteFailed, device_->errorString());
    }
    hasStream_ = true;
    return AviStatus::Ok;
}

AviStatus AviWriter::writeFrame(int64_t sample, std::span<const uint8_t> bits) {
    if (!hasStream_) {
        if (failure_ != AviStatus::Ok) {
            return failure_;
        }
        error_ = QStringLiteral("no stream to write frames into");
        return AviStatus::NotReady;
    }
    if (failure_ != AviStatus::Ok) {
        return failure_;
    }
    // These refusals leave the file as it is: the caller may go on with a right frame.
    if (sample < nextSample_ || sample > std::numeric_limits<int32_t>::max()) {
        error_ = QStringLiteral("sample %1 is before the end of the stream (%2)")
                     .arg(sample)
                     .arg(nextSample_);
        return AviStatus::BadSample;
    }
    if (bits.size() != bitmap_.imageSize) {
        error_ = QStringLiteral("frame of %1 bytes for a format of %2")
                     .arg(bits.size())
                     .arg(bitmap_.imageSize);
        return AviStatus::BadFrame;
    }
    std::span<const uint8_t> payload = bits;
    if (mjpeg_) {
        payload = mjpeg_->encode(bits);
        if (payload.empty()) {
            error_ = mjpeg_->errorString();
            return AviStatus::CodecFailed;
        }
    }
    while (nextSample_ < sample) {
        if (const AviStatus status = writeChunk({}, false); status != AviStatus::Ok) {
            return status;
        }
    }
    return writeChunk(payload, true);
}

int64_t AviWriter::indexBytes(const Riff& riff, size_t entries) const {
    const int64_t standard = 8 + kStdIndexHeaderSize + int64_t{kStdIndexEntrySize} * entries;
    const int64_t old = &riff == &riffs_.front() ? 8 + int64_t{kOldIndexEntrySize} * entries : 0;
    return standard + old;
}

AviStatus AviWriter::writeChunk(std::span<const uint8_t> data, bool key) {
    if (data.size() > std::numeric_limits<uint32_t>::max() - 9) {
        error_ = QStringLiteral("frame too large for a chunk");
        return AviStatus::BadFrame;
    }
    const auto size = static_cast<uint32_t>(data.size());
    const int64_t chunkBytes = 8 + int64_t{EvenSize(size)};
    Riff* riff = &riffs_.back();
    // Room for the chunk and both indexes grown by one entry.
    if (!streaming_ && !riff->entries.empty() &&
        end_ + chunkBytes - riff->start + indexBytes(*riff, riff->entries.size() + 1) >
            riffLimit_) {
        if (riffs_.size() >= superIndexCapacity_) {
            return fail(AviStatus::IndexFull, QStringLiteral("the OpenDML index is full"));
        }
        if (!finishRiff(*riff, true)) {
            return fail(AviStatus::WriteFailed, device_->errorString());
        }
        if (const AviStatus status = startRiff(); status != AviStatus::Ok) {
            return status;
        }
        riff = &riffs_.back();
    }

    ByteBuilder head;
    head.u32(chunkId_);
    head.u32(size);
    const uint8_t pad = 0;
    if (!append(head.bytes) || !append(data) || ((size & 1) != 0 && !append({&pad, 1}))) {
        return fail(AviStatus::WriteFailed, device_->errorString());
    }
    riff->entries.push_back({static_cast<uint32_t>(end_ - riff->movi), size, key});
    end_ += chunkBytes;
    ++nextSample_;
    largestChunk_ = std::max(largestChunk_, size);
    return AviStatus::Ok;
}

AviStatus AviWriter::startRiff() {
    Riff riff;
    riff.start = end_;
    riff.movi = end_ + 20;  // after RIFF size AVIX LIST size
    ByteBuilder head;
    head.listHeader("RIFF", 16, "AVIX");
    head.listHeader("LIST", 4, "movi");
    if (!append(head.bytes)) {
        return fail(AviStatus::WriteFailed, device_->errorString());
    }
    end_ += static_cast<int64_t>(head.bytes.size());
    riffs_.push_back(std::move(riff));
    return AviStatus::Ok;
}

bool AviWriter::finishRiff(Riff& riff, bool withStandardIndex) {
    int64_t position = end_;
    int64_t ixPosition = 0;
    uint32_t ixSize = 0;
    if (withStandardIndex) {
        ByteBuilder ix;
        ix.chunkHeader("ix00", Saturate32(kStdIndexHeaderSize +
                                          int64_t{kStdIndexEntrySize} * riff.entries.size()));
        ix.u16(2);  // longs per entry
        ix.u8(0);
        ix.u8(kIndexOfChunks);
        ix.u32(static_cast<uint32_t>(riff.entries.size()));
        ix.u32(chunkId_);
        ix.u64(static_cast<uint64_t>(riff.movi));  // base of the offsets
        ix.u32(0);
        for (const IndexEntry& entry : riff.entries) {
            ix.u32(entry.offset + 8);  // the data, past the chunk header
            ix.u32(entry.size | (entry.key ? 0 : kNotKeyFrame));
        }
        if (!append(ix.bytes)) {
            return false;
        }
        ixPosition = position;
        ixSize = static_cast<uint32_t>(ix.bytes.size());
        position += ixSize;
    }
    const int64_t moviEnd = position;
    if (&riff == &riffs_.front()) {
        ByteBuilder idx1;
        idx1.chunkHeader("idx1", Saturate32(int64_t{kOldIndexEntrySize} * riff.entries.size()));
        for (const IndexEntry& entry : riff.entries) {
            idx1.u32(chunkId_);
            idx1.u32(entry.key ? kKeyFrame : 0);
            idx1.u32(entry.offset);
            idx1.u32(entry.size);
        }
        if (!append(idx1.bytes)) {
            return false;
        }
        position += static_cast<int64_t>(idx1.bytes.size());
    } else {
        ByteBuilder riffSize;
        riffSize.u32(Saturate32(position - riff.start - 8));
        ByteBuilder moviSize;
        moviSize.u32(Saturate32(moviEnd - riff.movi));
        if (!writeAt(riff.start + 4, riffSize.bytes) || !writeAt(riff.movi - 4, moviSize.bytes) ||
            !device_->seek(position)) {
            return false;
        }
    }
    riff.ixPosition = ixPosition;
    riff.ixSize = ixSize;
    riff.moviEnd = moviEnd;
    riff.end = position;
    end_ = position;
    return true;
}

AviStatus AviWriter::close() {
    if (!isOpen()) {
        return failure_;
    }
    auto* file = qobject_cast<QFileDevice*>(device_.get());
    if (hasStream_ && !streaming_) {
        // Drop whatever a failed write left after the last whole chunk, and an AVIX list that
        // never got a frame.
        if (file && file->size() != end_ && !file->resize(end_)) {
            fail(AviStatus::WriteFailed, file->errorString());
        }
        if (riffs_.size() > 1 && riffs_.back().entries.empty()) {
            end_ = riffs_.back().start;
            riffs_.pop_back();
            if (file && !file->resize(end_)) {
                fail(AviStatus::WriteFailed, file->errorString());
            }
        }
        Riff& last = riffs_.back();
        if (last.end == 0 && (!device_->seek(end_) || !finishRiff(last, riffs_.size() > 1))) {
            fail(AviStatus::WriteFailed, device_->errorString());
        }
        if (!writeAt(0, header())) {
            fail(AviStatus::WriteFailed, device_->errorString());
        }
    }
    hasStream_ = false;
    device_->close();
    if (file && file->error() != QFileDevice::NoError && failure_ == AviStatus::Ok) {
        fail(AviStatus::WriteFailed, file->errorString());
    }
    return failure_;
}

bool AviWriter::writeAt(int64_t position, std::span<const uint8_t> bytes) {
    return device_->seek(position) && append(bytes);
}

bool AviWriter::append(std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        return true;
    }
    return device_->write(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

std::vector<uint8_t> AviWriter::header() const {
    const Riff& first = riffs_.front();
    const bool finished = first.end != 0;
    const int64_t moviEnd = finished ? first.moviEnd : end_;
    const int64_t riffEnd = finished ? first.end : end_;
    const uint32_t width = static_cast<uint32_t>(bitmap_.width);
    const uint32_t height = static_cast<uint32_t>(std::abs(bitmap_.height));
    const uint32_t bufferSize = std::max(bitmap_.imageSize, largestChunk_);
    const uint32_t formatSize = static_cast<uint32_t>(format_.size());
    const uint32_t superIndexSize = SuperIndexBytes(superIndexCapacity_);
    const uint32_t strlSize =
        4 + 8 + kStreamHeaderSize + 8 + EvenSize(formatSize) + 8 + superIndexSize;
    const uint32_t hdrlSize = 4 + 8 + kMainHeaderSize + 8 + strlSize + 8 + 4 + 8 + kDmlhSize;

    ByteBuilder out;
    out.listHeader("RIFF", streaming_ ? 0 : Saturate32(riffEnd - 8), "AVI ");
    out.listHeader("LIST", hdrlSize, "hdrl");

    out.chunkHeader("avih", kMainHeaderSize);
    out.u32((1000000 + rate_ / 2) / rate_);               // microseconds per frame
    out.u32(Saturate32(int64_t{largestChunk_} * rate_));  // max bytes per second
    out.u32(0);                                           // padding granularity
    out.u32(finished ? kHasIndex : 0);
    out.u32(static_cast<uint32_t>(first.entries.size()));  // frames of this RIFF list only
    out.u32(0);                                            // initial frames
    out.u32(1);                                            // streams
    out.u32(bufferSize);
    out.u32(width);
    out.u32(height);
    out.zeros(16);

    out.listHeader("LIST", strlSize, "strl");
    out.chunkHeader("strh", kStreamHeaderSize);
    out.code("vids");
    out.u32(handler_ == kCompressorDib ? 0 : handler_);
    out.u32(0);  // flags
    out.u16(0);  // priority
    out.u16(0);  // language
    out.u32(0);  // initial frames
    out.u32(1);  // scale
    out.u32(rate_);
    out.u32(0);  // start
    out.u32(static_cast<uint32_t>(nextSample_));
    out.u32(bufferSize);
    out.u32(0);  // quality
    out.u32(0);  // sample size: each chunk one frame
    // rcFrame, 16-bit fields
    out.u16(0);
    out.u16(0);
    out.u16(static_cast<uint16_t>(std::min<uint32_t>(width, 32767)));
    out.u16(static_cast<uint16_t>(std::min<uint32_t>(height, 32767)));

    out.chunkHeader("strf", formatSize);
    out.raw(format_);
    out.zeros(formatSize & 1);

    // The super index once the file has AVIX lists, else the room kept for it.
    std::vector<const Riff*> indexed;
    for (const Riff& riff : riffs_) {
        if (riff.ixPosition != 0) {
            indexed.push_back(&riff);
        }
    }
    if (indexed.empty()) {
        out.chunkHeader("JUNK", superIndexSize);
        out.zeros(superIndexSize);
    } else {
        out.chunkHeader("indx", superIndexSize);
        out.u16(4);  // longs per entry
        out.u8(0);
        out.u8(kIndexOfIndexes);
        out.u32(static_cast<uint32_t>(indexed.size()));
        out.u32(chunkId_);
        out.zeros(12);
        for (const Riff* riff : indexed) {
            out.u64(static_cast<uint64_t>(riff->ixPosition));
            out.u32(riff->ixSize);
            out.u32(static_cast<uint32_t>(riff->entries.size()));  // duration in samples
        }
        out.zeros(kSuperIndexEntrySize * (superIndexCapacity_ - indexed.size()));
    }

    out.listHeader("LIST", 4 + 8 + kDmlhSize, "odml");
    out.chunkHeader("dmlh", kDmlhSize);
    out.u32(static_cast<uint32_t>(nextSample_));  // frames of the whole file
    out.zeros(kDmlhSize - 4);

    const auto moviCode = static_cast<int64_t>(out.bytes.size()) + 8;
    out.listHeader("LIST", streaming_ ? 0 : Saturate32(moviEnd - moviCode), "movi");
    return std::move(out.bytes);
}

}  // namespace lumek
