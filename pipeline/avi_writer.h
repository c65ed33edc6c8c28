#pragma once

#include "pipeline/frame_codec.h"

#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace lumek {

// Outcome of an AVI call; Ok is 0, so the value serves as the build's last AVI result code.
enum class AviStatus : int32_t {
    Ok = 0,
    CannotOpen,   // the file can't be created (missing or unwritable folder, ...)
    NotReady,     // no file open, or frames before the stream exists
    BadFormat,    // bitmap info the codec can't take, or an unknown compressor
    BadSample,    // a sample position before the end of the stream
    BadFrame,     // pixel bytes of another size than the stream format's image
    CodecFailed,  // the compressor refused a frame
    WriteFailed,  // the disk refused a write (full, removed, ...)
    IndexFull,    // the OpenDML super index has no room for another RIFF
};

// Each RIFF list of the file stays below this size unless a single frame is larger; past the
// first, the file continues in AVIX lists indexed by an OpenDML super index.
constexpr int64_t kAviRiffLimit = int64_t{1} << 30;

struct AviStreamOptions {
    uint32_t handler = kCompressorDib;  // kCompressorDib or kCompressorMjpeg
    int32_t rate = 10;                  // samples per second (dwScale 1), limited to 1..30
    int jpegQuality = 90;
    int64_t riffLimit = kAviRiffLimit;  // bytes; lowered only to test the OpenDML layout
};

// A RIFF AVI file with one video stream and no audio. Sample k plays at k / rate seconds; a
// sample that is skipped (sample 0 of a song, which starts at frame 1) is stored as an empty
// chunk. Every frame is a key frame. Small files are plain AVI with an idx1 index; past the
// RIFF limit the file becomes OpenDML (AVIX lists, ix00 chunk indexes, indx super index, dmlh),
// with room reserved for about a day of frames.
//
// A failed write leaves the writer failed: later frames are refused with the same status, and
// close() cuts the file back to the last whole frame and still completes the headers and the
// index, so that what was written can be encoded.
//
// Written to a pipe, the stream can't be gone back over: the header goes out before the first
// frame with its sizes and counts at 0, which readers take as "up to the end of the stream",
// and there is no index.
class AviWriter {
public:
    AviWriter();
    ~AviWriter();  // closes an open file
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Creates (or empties) the file. A file closed before it got a stream stays empty.
    AviStatus open(const QString& path);
    // Writes to a device opened for writing, a file or a pipe; the writer closes it.
    AviStatus open(std::unique_ptr<QIODevice> device);
    // The video stream in the format of the first frame (its BITMAPINFO bytes: info header and
    // any colour table). For Motion JPEG the stored format says 'MJPG' with a positive height
    // and keeps the other fields, so biSizeImage is the size of a decoded frame.
    AviStatus createStream(std::span<const uint8_t> bitmapInfo,
                           const AviStreamOptions& options = {});
    // One frame of the format's image size at a sample at or after the end of the stream.
    AviStatus writeFrame(int64_t sample, std::span<const uint8_t> bits);
    // Completes the file; safe to call twice. The result is the first failure seen, if any.
    AviStatus close();

    bool isOpen() const { return device_ && device_->isOpen(); }
    bool writesToPipe() const { return streaming_; }
    // Samples in the stream, empty ones included.
    int64_t length() const { return nextSample_; }
    // Frames the Motion JPEG codec really compressed (repeated frames reuse the last JPEG).
    int64_t compressions() const;
    // What went wrong, for messages; empty while all is well.
    const QString& errorString() const { return error_; }

private:
    struct IndexEntry {
        uint32_t offset;  // of the chunk header, from the 'movi' code of its list
        uint32_t size;    // of the data, without padding
        bool key;
    };
    struct Riff {
        int64_t start = 0;  // of the 'RIFF' code
        int64_t movi = 0;   // of the 'movi' code
        std::vector<IndexEntry> entries;
        int64_t ixPosition = 0;  // of its ix00 chunk once written, else 0
        uint32_t ixSize = 0;     // whole ix00 chunk with its header
        int64_t moviEnd = 0;     // once finished: end of the movi list
        int64_t end = 0;         // once finished: end of the RIFF list, else 0
    };

    void reset();
    AviStatus fail(AviStatus status, const QString& why);
    AviStatus writeChunk(std::span<const uint8_t> data, bool key);
    AviStatus startRiff();
    bool finishRiff(Riff& riff, bool withStandardIndex);
    bool writeAt(int64_t position, std::span<const uint8_t> bytes);
    bool append(std::span<const uint8_t> bytes);
    std::vector<uint8_t> header() const;
    int64_t indexBytes(const Riff& riff, size_t entries) const;

    std::unique_ptr<QIODevice> device_;
    bool streaming_ = false;  // the device is a pipe
    bool hasStream_ = false;
    AviStatus failure_ = AviStatus::Ok;
    QString error_;

    std::vector<uint8_t> format_;  // strf bytes
    BitmapFormat bitmap_;
    uint32_t handler_ = kCompressorDib;
    uint32_t chunkId_ = 0;
    uint32_t rate_ = 10;
    int64_t riffLimit_ = kAviRiffLimit;
    uint32_t superIndexCapacity_ = 0;
    std::unique_ptr<MjpegEncoder> mjpeg_;

    std::vector<Riff> riffs_;
    int64_t end_ = 0;  // end of the last whole chunk or list header written
    int64_t nextSample_ = 0;
    uint32_t largestChunk_ = 0;
};

}  // namespace lumek
