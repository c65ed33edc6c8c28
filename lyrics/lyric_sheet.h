#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace lumek {

class UiHost;

// The lines of one song's lyric file, kept as raw text. Index 0 to 2 are the header tags
// ("[ar:", "[ti:", "[al:"), index 3 the first lyric line, and "[99:99.99]" sentinels pad the
// end. Time keys are matched as text, never parsed into numbers.
class LyricSheet {
public:
    // The text split at every CR LF pair (a lone CR or LF stays inside its line); the empty
    // text gives a sheet without lines.
    static LyricSheet FromText(const QString& text);
    // The lyric file at a path, read with ReadTextFile; missing or unreadable gives no lines.
    static LyricSheet Load(const QString& lrcPath);

    int size() const { return static_cast<int>(lines_.size()); }
    bool isEmpty() const { return lines_.isEmpty(); }
    int lastIndex() const { return size() - 1; }
    const QStringList& lines() const { return lines_; }

    // The raw line, or the empty text for an index the sheet lacks.
    QString line(int index) const;
    // LyricText of the line, or the empty text for an index the sheet lacks.
    QString text(int index) const;

private:
    QStringList lines_;
};

// Lines are matched by their first 10 characters, "[mm:ss.xx]".
inline constexpr int kTimeKeyLength = 10;

// The line from its 11th character on; nothing else is stripped.
QString LyricText(QStringView line);

// "[" + TwoDigits(minutes) + ":" + TwoDigits(seconds) + "." + tenths: [01:07.3 for 1:07.3.
QString ClockTag(int minutes, int seconds, int tenths);

// Whether the tag occurs anywhere in the line's first 10 characters (case-sensitive). The
// hundredths digit of a time key never takes part.
bool MatchesClockTag(QStringView line, QStringView tag);

// Pads the song's lyric file to at least 5 lines with "[99:99.99]" sentinels and writes it
// back (saved again in the code page, NUL characters dropped). Nothing happens for a path of
// fewer than 4 characters, a missing lyric file, or one that can't be read.
void LrcCheck(const QString& mp3Path);

struct LineAdvance {
    bool started = false;  // a line at or after the start matched
    int index = 0;         // the matching line; the start index when none matched
    QString text;          // its LyricText
};

// The frame loop's lookup: the last line at or after start that matches the tag. Lines before
// start are never looked at, so tags out of time order are skipped once the clock passed them.
LineAdvance AdvanceLine(const LyricSheet& sheet, int start, QStringView tag);

// The line current at time zero: the last line whose time key holds "[00:00.0". Its index is
// the frame loop's first start index (0 when there is none).
LineAdvance FindTimeZeroLine(const LyricSheet& sheet);

struct LineLookup {
    int index = 0;  // the line found; 0 when none (line 0 is a header)
    QString current;
    QString previous;
    QString next;
};

// The preview's lookup: the first line (in file order) matching m:s.t, stepping the time back
// one tenth at a time (never below 00:00.0) while the budget is not negative. Each unsuccessful
// step calls host.pump() once and uses up one unit of the budget, so the budget bounds the work.
LineLookup FindLineAt(const LyricSheet& sheet, int minutes, int seconds, int tenths, int budget,
                      UiHost& host);

}  // namespace lumek
