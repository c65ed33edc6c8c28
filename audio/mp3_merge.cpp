#include "audio/mp3_merge.h"

#include "audio/id3_tags.h"
#include "audio/song_info.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace lumek {

int64_t Mp3AudioLength(int64_t fileSize, int64_t firstFrame, bool hasId3v1) {
    return (hasId3v1 ? -128 : 0) + fileSize - firstFrame;
}

std::optional<int64_t> AppendMp3(const QString& songPath, const QString& mergePath,
                                 AudioEngine& engine, UiHost& host) {
    SongInfo info;
    AnalyzeSong(songPath, info, engine, host);
    const bool hasId3v1 = HasId3v1(songPath);

    if (!QFileInfo(songPath).isFile()) {
        return std::nullopt;
    }
    QFile song(songPath);
    if (!song.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const int64_t length =
        std::max<int64_t>(Mp3AudioLength(song.size(), info.FirstFrame, hasId3v1), 0);

    if (!QFileInfo::exists(mergePath)) {
        QFile created(mergePath);
        if (created.open(QIODevice::WriteOnly)) {
            created.close();
        }
    }
    QFile merge(mergePath);
    if (!QFileInfo(mergePath).isFile() || !merge.open(QIODevice::ReadWrite) ||
        !merge.seek(merge.size())) {
        return std::nullopt;
    }
    if (length == 0) {
        return 0;
    }

    // Copied in pieces; a short read (the song shrank meanwhile) is made up with zero bytes, so
    // the length written is always the length computed.
    constexpr int64_t kPiece = 1024 * 1024;
    song.seek(info.FirstFrame);
    QByteArray piece;
    for (int64_t left = length; left > 0;) {
        const auto count = static_cast<qsizetype>(std::min(left, kPiece));
        piece = song.read(count);
        piece.resize(count, '\0');
        if (merge.write(piece) != count) {
            return std::nullopt;
        }
        left -= count;
    }
    return length;
}

}  // namespace lumek
