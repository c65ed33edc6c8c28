#include "lyrics/retime.h"

#include "base/paths.h"
#include "base/ui_host.h"
#include "lyrics/lyric_sheet.h"

#include <algorithm>
#include <vector>

namespace lumek {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kJoiner = QStringLiteral(" / ");
// A source line needs text beyond its 10-character time key and one more character.
constexpr int kShortestLine = 12;
// The countdown "3" starts 3 s before the first line.
constexpr int kCountdownTenths = 30;
// Out holds the three header lines when the countdown is due.
constexpr int kHeaderLines = 3;

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int DigitValue(QChar c) {
    return c.unicode() - u'0';
}

// The tenth of a tag "[" minutes ":" ss "." t starting at p, or nothing.
std::optional<int> TagAt(QStringView head, qsizetype p) {
    if (head[p] != u'[') {
        return std::nullopt;
    }
    qsizetype colon = p + 1;
    int minutes = 0;
    while (colon < head.size() && IsDigit(head[colon])) {
        minutes = minutes * 10 + DigitValue(head[colon]);
        ++colon;
    }
    const qsizetype digits = colon - p - 1;
    // TwoDigits writes 0..9 with a leading zero and everything else without one.
    if (digits < 2 || (digits > 2 && head[p + 1] == u'0')) {
        return std::nullopt;
    }
    if (colon + 4 >= head.size() || head[colon] != u':' || !IsDigit(head[colon + 1]) ||
        !IsDigit(head[colon + 2]) || head[colon + 3] != u'.' || !IsDigit(head[colon + 4])) {
        return std::nullopt;
    }
    const int seconds = DigitValue(head[colon + 1]) * 10 + DigitValue(head[colon + 2]);
    if (seconds >= 60) {
        return std::nullopt;
    }
    return (minutes * 60 + seconds) * 10 + DigitValue(head[colon + 4]);
}

}  // namespace

std::optional<int> MatchingTenth(QStringView line) {
    const QStringView head = line.left(kTimeKeyLength);
    for (qsizetype p = 0; p < head.size(); ++p) {
        if (std::optional<int> tenth = TagAt(head, p)) {
            return tenth;
        }
    }
    return std::nullopt;
}

QString TimeKeyOfTenth(int tenth) {
    return u'[' + TwoDigits(tenth / 600) + u':' + TwoDigits(tenth / 10 % 60) + u'.' +
           QString::number(tenth % 10) + QStringLiteral("0]");
}

void RetimeLyrics(QString& out, const QStringList& sourceLines, int lengthTenths, UiHost& host) {
    // Only lines that can take part are visited, in tenth order and, within a tenth, in source
    // order; the others never change the result.
    struct Timed {
        int tenth;
        qsizetype index;
    };
    std::vector<Timed> timed;
    for (qsizetype i = 0; i < sourceLines.size(); ++i) {
        if (sourceLines[i].size() < kShortestLine) {
            continue;
        }
        const std::optional<int> tenth = MatchingTenth(sourceLines[i]);
        if (tenth && *tenth <= lengthTenths) {
            timed.push_back({*tenth, i});
        }
    }
    std::stable_sort(timed.begin(), timed.end(),
                     [](const Timed& a, const Timed& b) { return a.tenth < b.tenth; });

    // Lines of out: the empty text has none, else one more than its CR LF pairs. Source lines
    // hold no CR LF, so the count only grows by what is appended.
    int lines = out.isEmpty() ? 0 : static_cast<int>(out.count(kLineBreak)) + 1;
    auto next = timed.cbegin();
    for (int tenth = 0; tenth <= lengthTenths; ++tenth) {
        QString joined;
        for (; next != timed.cend() && next->tenth == tenth; ++next) {
            const QString& line = sourceLines[next->index];
            if (joined.isEmpty()) {
                joined = line;
            } else {
                joined += kJoiner + line.mid(kTimeKeyLength);
            }
            host.pump();
        }
        if (!joined.trimmed().isEmpty()) {
            const int countdown = tenth - kCountdownTenths;
            if (lines == kHeaderLines && countdown >= 0) {
                for (int digit = 3; digit >= 1; --digit) {
                    out += kLineBreak + TimeKeyOfTenth(countdown + (3 - digit) * 10) +
                           QString::number(digit);
                    ++lines;
                }
            }
            lines += out.isEmpty() ? 2 : 1;
            out += kLineBreak + joined;
        }
        host.pump();
    }
}

}  // namespace lumek
