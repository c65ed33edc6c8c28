// MPEG audio frame headers: the analysis of a song file, the first-frame search and the audio
// stream search of joining.

#include "audio/id3_tags.h"
#include "audio/mp3_info.h"
#include "audio/song_info.h"
#include "fuzz/fuzz_support.h"

#include <QFile>

using namespace lumek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto fileSize = static_cast<int64_t>(size);
    if (const std::optional<MpegFrameHeader> header = DecodeFrameHeader(fuzz::Bytes(data, size))) {
        fuzz::Expect(header->frameLength() > 0, "a decoded header has a frame length");
    }

    const QString path = fuzz::BytesAsFile(data, size);
    SongInfo info;
    const std::optional<bool> valid = ReadSongHeader(path, info);
    if (valid.value_or(false)) {
        fuzz::Expect(info.FirstFrame >= 0 && info.FirstFrame + 4 <= fileSize,
                     "the first frame lies inside the file");
    }

    MP3Info mp3;
    if (mp3.ReadMP3Info(path)) {
        fuzz::Expect(mp3.FirstFrame() >= 0 && mp3.FirstFrame() + 4 <= fileSize &&
                         mp3.bitrate() > 0 && mp3.Samplerate() > 0,
                     "a found frame lies inside the file with a bitrate and a sample rate");
    }

    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const std::optional<int64_t> stream = FindAudioStream(file, 0);
        if (stream) {
            fuzz::Expect(*stream + 4 <= fileSize &&
                             DecodeFrameHeader(fuzz::Bytes(data + *stream, 4)).has_value(),
                         "the audio stream starts with a frame header");
        }
    }
    HasId3v1(path);
    return 0;
}
