#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace lumek {

class AudioEngine;
class UiHost;

// What the analysis of one MP3 file found: its first frame header, its VBR header, its tags and
// the play length.
struct SongInfo {
    QString Format;          // "version 1 layer 3", "version 2 layer 2", "version 2.5 layer 3", ...
    bool Protected = false;  // a CRC follows the header
    int32_t Bitrate = 0;     // kbit/s
    int32_t SampleRate = 0;  // Hz; 0 for the reserved sample-rate index
    bool IsVBR = false;      // a Xing, Info or VBRI header gave both a frame and a byte count
    QString ChannelMode;     // "Stereo", "Joint stereo", "Dual channel" or "Mono"
    bool Copyright = false;
    bool Original = false;
    bool Emphasis = false;
    double Duration = 0;     // seconds, whole milliseconds of the engine's play length
    int32_t Id3v1 = -1;      // -1 none, 0 ID3v1, 1 ID3v1.1
    int32_t Id3v2 = -1;      // -1 none, else the major version of the tag at the file start
    int64_t FileSize = 0;    // bytes
    int64_t FirstFrame = 0;  // byte offset of the first frame header
};

// Analyses an MP3 file into info, which is reset first. True when the first frame sync found
// after the ID3v2 tag starts a valid MPEG audio header. The play length comes from the engine
// (which needs only create()) and is measured for invalid files too; a file the engine can't
// read has Duration 0. A playing preview is paused and the host pumped before measuring.
bool AnalyzeSong(const QString& path, SongInfo& info, AudioEngine& engine, UiHost& host);

// The file part of the analysis, without the play length: nothing when the file can't be read
// or is shorter than 4 bytes, else whether it is a valid MP3.
std::optional<bool> ReadSongHeader(const QString& path, SongInfo& info);

}  // namespace lumek
