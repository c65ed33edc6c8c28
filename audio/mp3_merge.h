#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace lumek {

class AudioEngine;
class UiHost;

// Bytes of a song's MPEG audio: from its first frame to the end of the file, less a trailing
// ID3v1 tag. Zero or less when the file has no audio part.
int64_t Mp3AudioLength(int64_t fileSize, int64_t firstFrame, bool hasId3v1);

// Appends the song's MPEG audio to the merge file, creating the merge file when it is missing:
// plain bytes, no tag and no new VBR header. The song is analysed first (AnalyzeSong: a playing
// preview pauses); when no first frame is found, the copy starts at offset 0. The bytes
// appended (0 for a song without an audio part), or nothing when the song or the merge file
// can't be opened.
std::optional<int64_t> AppendMp3(const QString& songPath, const QString& mergePath,
                                 AudioEngine& engine, UiHost& host);

}  // namespace lumek
