#include "audio/song_info.h"

#include "audio/audio_engine.h"
#include "audio/file_window.h"
#include "audio/id3_tags.h"
#include "audio/mp3_info.h"
#include "base/numbers.h"
#include "base/ui_host.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace lumek {

namespace {

constexpr qsizetype kScanChunk = 64 * 1024;

// The first position p in [from, size - 4] where 0xFF is followed by a byte with its top three
// bits set; -1 when there is none.
int64_t FindFirstSync(FileWindow& window, int64_t from) {
    int64_t position = from;
    while (position <= window.size() - 4) {
        const QByteArrayView bytes = window.at(position, kScanChunk);
        // Candidates must leave 4 bytes before the end of the file; a chunk's last byte is
        // looked at again with the next one, since its partner lies there.
        const qsizetype candidates =
            std::min<int64_t>(bytes.size() - 1, window.size() - 4 - position + 1);
        qsizetype index = 0;
        while (index < candidates) {
            const void* found = std::memchr(bytes.data() + index, 0xFF, candidates - index);
            if (found == nullptr) {
                break;
            }
            index = static_cast<const char*>(found) - bytes.data();
            if ((static_cast<uint8_t>(bytes[index + 1]) & 0xE0) == 0xE0) {
                return position + index;
            }
            ++index;
        }
        position += std::max<qsizetype>(candidates, 1);
    }
    return -1;
}

QString ChannelModeText(int mode) {
    switch (mode) {
        case 0:
            return QStringLiteral("Stereo");
        case 1:
            return QStringLiteral("Joint stereo");
        case 2:
            return QStringLiteral("Dual channel");
        default:
            return QStringLiteral("Mono");
    }
}

// Decodes the header at the first sync into info; false for a reserved version or layer.
bool DecodeFirstFrame(FileWindow& window, int64_t position, const QString& path, SongInfo& info) {
    const QByteArray header = window.record(position, 4);
    const auto b1 = static_cast<uint8_t>(header[1]);
    const auto b2 = static_cast<uint8_t>(header[2]);
    const auto b3 = static_cast<uint8_t>(header[3]);
    info.FirstFrame = position;

    const int version = (b1 >> 3) & 3;
    const int layerBits = (b1 >> 1) & 3;
    if (version == 1 || layerBits == 0) {
        return false;
    }
    const bool mpeg1 = version == 3;
    const QString versionText = mpeg1          ? QStringLiteral("version 1")
                                : version == 2 ? QStringLiteral("version 2")
                                               : QStringLiteral("version 2.5");
    const int layer = 4 - layerBits;
    const int samplesPerFrame = layer == 1 ? 384 : layer == 2 || mpeg1 ? 1152 : 576;
    info.Format = versionText + QStringLiteral(" layer ") + QString::number(layer);
    info.Protected = (b1 & 1) == 0;

    const int channelMode = (b3 >> 6) & 3;
    info.ChannelMode = ChannelModeText(channelMode);
    const int rateIndex = (b2 >> 2) & 3;
    static constexpr int kRates[] = {44100, 48000, 32000, 0};
    info.SampleRate = kRates[rateIndex] / (mpeg1 ? 1 : version == 2 ? 2 : 4);

    // The Xing or Info header sits in the first frame after the side information; a VBRI
    // header sits 32 bytes after the frame header whatever the mode.
    const bool mono = channelMode == 3;
    const int sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    uint32_t frames = 0;
    uint32_t bytes = 0;
    const QByteArray xing = window.record(position + 4 + sideInfo, 16);
    if (xing.startsWith("Xing") || xing.startsWith("Info")) {
        const auto present = static_cast<uint8_t>(xing[7]);
        if ((present & 1) != 0) {
            frames = ReadBigEndian32(QByteArrayView(xing).sliced(8, 4), false);
        }
        if ((present & 2) != 0) {
            bytes = ReadBigEndian32(QByteArrayView(xing).sliced(12, 4), false);
        }
    }
    const QByteArray vbri = window.record(position + 36, 18);
    if (vbri.startsWith("VBRI")) {
        bytes = ReadBigEndian32(QByteArrayView(vbri).sliced(10, 4), false);
        frames = ReadBigEndian32(QByteArrayView(vbri).sliced(14, 4), false);
    }

    if (frames != 0 && bytes != 0) {
        info.IsVBR = true;
        info.Bitrate = RoundHalfEven(static_cast<double>(bytes) / frames / samplesPerFrame / 125 *
                                     info.SampleRate);
    } else {
        info.IsVBR = false;
        MP3Info reader;
        reader.ReadMP3Info(path);
        info.Bitrate = RoundHalfEven(reader.bitrate() / 1000.0);
    }

    info.Copyright = (b3 & 8) != 0;
    info.Original = (b3 & 4) != 0;
    info.Emphasis = (b3 & 3) != 0;
    return true;
}

}  // namespace

std::optional<bool> ReadSongHeader(const QString& path, SongInfo& info) {
    info = SongInfo();
    if (!QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const int64_t start = Id3v2Size(file, 0);
    FileWindow window(file, kScanChunk);
    const int64_t size = window.size();
    if (size < 4) {
        return std::nullopt;
    }

    bool valid = false;
    const int64_t sync = FindFirstSync(window, start);
    if (sync >= 0) {
        valid = DecodeFirstFrame(window, sync, path, info);
    }

    if (size >= 128) {
        info.Id3v1 = Id3v1Kind(window.record(size - 128, 128));
    }
    const QByteArray head = window.record(0, 10);
    info.Id3v2 = head.startsWith("ID3") ? static_cast<uint8_t>(head[3]) : -1;
    info.FileSize = size;
    return valid;
}

bool AnalyzeSong(const QString& path, SongInfo& info, AudioEngine& engine, UiHost& host) {
    const std::optional<bool> valid = ReadSongHeader(path, info);
    if (!valid) {
        return false;
    }
    PausePreview(engine);
    host.pump();
    uint32_t lengthMs = 0;
    if (engine.measureLength(path, lengthMs) != 0) {
        lengthMs = 0;
    }
    info.Duration = lengthMs / 1000.0;
    return *valid;
}

}  // namespace lumek
