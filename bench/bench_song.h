#pragma once

#include "lyrics/lyric_sheet.h"

#include <QStringList>

namespace lumek::bench {

// A 4-minute song: 2400 frames at 10 frames per second.
constexpr double kSongSeconds = 240.0;
constexpr int kLyricLines = 58;

// Header lines, 58 lines 4 s apart from 0:05 on, and the end sentinel. The lines repeat four
// texts, or each carries its number so that no text comes from the renderer's caches.
inline LyricSheet BenchSheet(bool uniqueLines = false) {
    QStringList lines = {QStringLiteral("[ar:루멕 밴드]"), QStringLiteral("[ti:사 분짜리 노래]"),
                         QStringLiteral("[al:벤치]")};
    const QStringList words = {
        QStringLiteral("바람이 불어오는 곳"), QStringLiteral("그곳으로 가네 / 그대와 함께"),
        QStringLiteral("밤하늘의 별을 세며"), QStringLiteral("노래를 불러요")};
    for (int i = 0; i < kLyricLines; ++i) {
        const int tenths = 50 + i * 40;
        const QString text = words[i % words.size()];
        lines.append(ClockTag(tenths / 600, tenths / 10 % 60, tenths % 10) + QStringLiteral("0]") +
                     (uniqueLines ? QStringLiteral("%1 %2").arg(text).arg(i + 1) : text));
    }
    lines.append(QStringLiteral("[99:99.99]"));
    return LyricSheet::FromText(lines.join(QStringLiteral("\r\n")));
}

}  // namespace lumek::bench
