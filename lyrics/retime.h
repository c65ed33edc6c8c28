#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace lumek {

class UiHost;

// Song time in tenths of a second: 00:00.0 is 0, 01:01.5 is 615.

// The tenth whose ClockTag occurs in the line's first 10 characters, the test MatchesClockTag
// makes, found without building every tag: "[mm:ss.x" with two-digit minutes (three or four
// digits without a leading zero from 100 minutes on) and seconds below 60. A line holds at most
// one such tag there. Nothing when no tenth's tag occurs.
std::optional<int> MatchingTenth(QStringView line);

// "[" + TwoDigits(minutes) + ":" + TwoDigits(seconds) + "." + tenths + "0]": 615 gives
// "[01:01.50]". Only for tenth >= 0.
QString TimeKeyOfTenth(int tenth);

// Appends the re-timed lyric lines to out, which holds the header lines. For every tenth 0 to
// lengthTenths (inclusive), the source lines whose time key matches it and that are longer than
// 11 characters become one line: the first whole, the others' text after " / ". The line
// appended while out has exactly three lines gets a 3-2-1 countdown before it (3 s, 2 s and 1 s
// earlier), left out when it would start before 00:00.0. Lines of other tenths,
// after the song's end, or without text beyond one character are dropped. Pumps the host after
// each source line that takes part and after each tenth.
void RetimeLyrics(QString& out, const QStringList& sourceLines, int lengthTenths, UiHost& host);

}  // namespace lumek
