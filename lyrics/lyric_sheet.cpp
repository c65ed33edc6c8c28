#include "lyrics/lyric_sheet.h"

#include "base/paths.h"
#include "base/text_file.h"
#include "base/ui_host.h"

namespace lumek {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kEndSentinel = QStringLiteral("[99:99.99]");
// A sheet of fewer lines is padded up to this highest index (5 lines).
constexpr int kLowestLastIndex = 4;

int FirstMatch(const LyricSheet& sheet, QStringView tag) {
    for (int i = 0; i < sheet.size(); ++i) {
        if (MatchesClockTag(sheet.lines()[i], tag)) {
            return i;
        }
    }
    return -1;
}

// One tenth back; 00:00.0 is the floor.
void StepBack(int& minutes, int& seconds, int& tenths) {
    if (tenths > 0) {
        --tenths;
    } else if (seconds > 0) {
        tenths = 9;
        --seconds;
    } else if (minutes > 0) {
        tenths = 9;
        seconds = 59;
        --minutes;
    }
}

}  // namespace

LyricSheet LyricSheet::FromText(const QString& text) {
    LyricSheet sheet;
    if (!text.isEmpty()) {
        sheet.lines_ = text.split(kLineBreak);
    }
    return sheet;
}

LyricSheet LyricSheet::Load(const QString& lrcPath) {
    return FromText(ReadTextFile(lrcPath));
}

QString LyricSheet::line(int index) const {
    return index >= 0 && index < size() ? lines_[index] : QString();
}

QString LyricSheet::text(int index) const {
    return LyricText(line(index));
}

QString LyricText(QStringView line) {
    return line.size() > kTimeKeyLength ? line.mid(kTimeKeyLength).toString() : QString();
}

QString ClockTag(int minutes, int seconds, int tenths) {
    return u'[' + TwoDigits(minutes) + u':' + TwoDigits(seconds) + u'.' + QString::number(tenths);
}

bool MatchesClockTag(QStringView line, QStringView tag) {
    return line.left(kTimeKeyLength).contains(tag);
}

void LrcCheck(const QString& mp3Path) {
    if (mp3Path.size() < 4) {
        return;
    }
    const QString lrcPath = LyricPathFor(mp3Path);
    std::optional<QString> text = TryReadTextFile(lrcPath);
    if (!text) {
        return;
    }
    for (int h = LineCount(*text); h < kLowestLastIndex; ++h) {
        *text += kLineBreak + kEndSentinel;
    }
    // Written also when nothing was added; a failure leaves the old file in place.
    WriteTextFile(lrcPath, *text);
}

LineAdvance AdvanceLine(const LyricSheet& sheet, int start, QStringView tag) {
    LineAdvance result;
    result.index = start;
    for (int i = qMax(start, 0); i < sheet.size(); ++i) {
        if (MatchesClockTag(sheet.lines()[i], tag)) {
            result.started = true;
            result.index = i;
        }
    }
    if (result.started) {
        result.text = sheet.text(result.index);
    }
    return result;
}

LineAdvance FindTimeZeroLine(const LyricSheet& sheet) {
    return AdvanceLine(sheet, 0, u"[00:00.0");
}

LineLookup FindLineAt(const LyricSheet& sheet, int minutes, int seconds, int tenths, int budget,
                      UiHost& host) {
    int found = -1;
    while (budget >= 0) {
        found = FirstMatch(sheet, ClockTag(minutes, seconds, tenths));
        StepBack(minutes, seconds, tenths);
        if (found >= 0) {
            break;
        }
        host.pump();
        --budget;
    }
    LineLookup result;
    if (found < 0) {
        result.next = sheet.text(3);
        return result;
    }
    result.index = found;
    result.current = sheet.text(found);
    result.previous = found == 3 ? QString() : sheet.text(found - 1);
    result.next = found == sheet.lastIndex() ? QString() : sheet.text(found + 1);
    return result;
}

}  // namespace lumek
