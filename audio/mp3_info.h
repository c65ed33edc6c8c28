#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

class QFile;

namespace lumek {

// Reads bits most significant first. Bits past the end of the data read as 0.
class Bitstream {
public:
    void SetData(QByteArray data);
    void SkipBits(int count);
    // count is 0..32.
    uint32_t ReadBits(int count);

private:
    QByteArray data_;
    int64_t bitPosition_ = 0;
};

// The 32-bit header of one MPEG audio frame.
struct MpegFrameHeader {
    int versionBits = 0;  // 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5 (1 is reserved)
    int layer = 0;        // 1, 2 or 3
    bool crcFollows = false;
    int bitrateIndex = 0;
    int sampleRateIndex = 0;
    bool padding = false;
    bool privateBit = false;
    int channelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    bool copyright = false;
    bool original = false;
    int emphasis = 0;

    // Bits per second from the bitrate tables (ISO/IEC 11172-3 for MPEG 1, 13818-3 for 2 and
    // 2.5).
    int bitrate() const;
    // Hz.
    int sampleRate() const;
    int samplesPerFrame() const;
    // Bytes of the whole frame, header and padding included.
    int frameLength() const;
};

// A header with a frame length: the sync bits, no reserved version or layer, neither the free
// nor the bad bitrate index and a known sample rate. Nothing otherwise or when fewer than 4 bytes
// are given.
std::optional<MpegFrameHeader> DecodeFrameHeader(QByteArrayView bytes);

// Frame header facts of an MP3 file's first frame. Only bitrate() is relied on; the frame is
// accepted only when a second header of the same stream follows one frame length later.
class MP3Info {
public:
    // Reads from the file start, stepping over ID3v2 tags; gives up 10240 bytes after the last
    // tag without a frame. True when a frame was found.
    bool ReadMP3Info(const QString& path);

    int64_t FirstFrame() const { return firstFrame_; }
    int64_t FileSize() const { return fileSize_; }
    int Channels() const { return header_.channelMode == 3 ? 1 : 2; }
    int Samplerate() const { return header_.sampleRate(); }
    // Bits per second of the first frame.
    int bitrate() const { return header_.bitrate(); }
    int Layer() const { return header_.layer; }
    // 1, 2, or 25 for MPEG 2.5.
    int MPEGVersion() const;
    bool CopyrightBit() const { return header_.copyright; }
    bool OriginalBit() const { return header_.original; }
    bool PrivateBit() const { return header_.privateBit; }
    bool Protected() const { return header_.crcFollows; }
    int Emphasis() const { return header_.emphasis; }

private:
    int64_t firstFrame_ = -1;
    int64_t fileSize_ = 0;
    MpegFrameHeader header_;
};

// Where the MPEG audio of a file starts at or after from: the first header followed one frame
// length later by a header of the same stream, by an ID3v1 tag or by the end of the file.
// Scans the whole file; nothing when no frame qualifies.
std::optional<int64_t> FindAudioStream(QFile& file, int64_t from);

}  // namespace lumek
