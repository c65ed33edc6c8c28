#include "lyrics/lyric_sheet.h"

#include "base/codepage.h"
#include "support/recording_host.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace lumek {
namespace {

using testing::RecordingHost;

// Three header lines, then the lyric lines given split at "|".
LyricSheet Sheet(const QString& lyricLines) {
    return LyricSheet::FromText("[ar:]\r\n[ti:]\r\n[al:]\r\n" +
                                lyricLines.split(u'|').join("\r\n"));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST(LyricSheet, LinesSplitAtCrLfAndTimeKeysMatchAsText) {
    const LyricSheet sheet = LyricSheet::FromText(QStringLiteral("a\rb\r\nc\nd\r\n"));
    EXPECT_EQ(sheet.lines(), QStringList({"a\rb", "c\nd", ""}));
    EXPECT_TRUE(LyricSheet::FromText(QString()).isEmpty());
    EXPECT_EQ(sheet.line(-1), QString());  // indexes the sheet lacks read as empty text
    EXPECT_EQ(sheet.text(4), QString());

    const QString line = QStringLiteral("[00:12.34]Hello");
    EXPECT_EQ(LyricText(line), QStringLiteral("Hello"));
    EXPECT_EQ(LyricText(u"[00:12.34][00:13.00]x"), QStringLiteral("[00:13.00]x"));
    EXPECT_EQ(LyricText(u"[00:12.34]"), QString());
    EXPECT_EQ(ClockTag(1, 7, 3), QStringLiteral("[01:07.3"));
    EXPECT_EQ(ClockTag(100, 0, 0), QStringLiteral("[100:00.0"));
    EXPECT_TRUE(MatchesClockTag(line, ClockTag(0, 12, 3)));  // hundredths ignored
    EXPECT_FALSE(MatchesClockTag(line, ClockTag(0, 12, 4)));
    // Anywhere within the first 10 characters, nowhere after.
    EXPECT_TRUE(MatchesClockTag(u"xx[00:12.3", ClockTag(0, 12, 3)));
    EXPECT_FALSE(MatchesClockTag(u"xxx[00:12.3", ClockTag(0, 12, 3)));
}

TEST(LrcCheck, PadsToFiveLinesAndDropsNuls) {
    QTemporaryDir dir;
    const QString lrc = dir.filePath(QStringLiteral("song.lrc"));
    const QByteArray sentinel = "\r\n[99:99.99]";
    const QString header = QStringLiteral("[ar:가수]\r\n[ti:제목]\r\n[al:앨범]\r\n[00:01.00]하나");
    QByteArray twelve;
    for (int i = 0; i < 12; ++i) {
        twelve += "[00:0" + QByteArray::number(i % 10) + QByteArray(".00]line\0x\r\n", 12);
    }
    const struct {
        const char* name;
        const char* song;
        QByteArray before, after;
    } cases[] = {
        {"four lines", "song.mp3", EncodeCodePage(header), EncodeCodePage(header) + sentinel},
        {"empty: one empty line and five sentinels", "song.mp3", "", sentinel.repeated(5)},
        {"12 lines: unchanged but for NULs", "song.mp3", twelve,
         QByteArray(twelve).replace('\0', "")},
        {"the same lyric path for song.MP3", "song.MP3", "[00:01.00]a",
         "[00:01.00]a" + sentinel.repeated(4)},
        {"a 1 MB line", "song.mp3", "[00:01.00]" + QByteArray(1 << 20, 'x'),
         "[00:01.00]" + QByteArray(1 << 20, 'x') + sentinel.repeated(4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(lrc, c.before);
        LrcCheck(dir.filePath(QString::fromLatin1(c.song)));
        QFile file(lrc);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.after);
    }
    const LyricSheet loaded = LyricSheet::Load(lrc);
    EXPECT_EQ(loaded.size(), 5);
    EXPECT_EQ(loaded.text(0), QString(1 << 20, u'x'));
    ASSERT_TRUE(QFile::remove(lrc));
    EXPECT_TRUE(LyricSheet::Load(lrc).isEmpty());
    LrcCheck(dir.filePath(QStringLiteral("song.mp3")));
    EXPECT_FALSE(QFile::exists(lrc)) << "no lyric file, none made";
    LrcCheck(QStringLiteral("mp3"));
}

TEST(AdvanceLine, LastMatchAtOrAfterTheStart) {
    const LyricSheet sheet = Sheet("[00:20.10]first|[00:20.15]second|[00:10.00]late|[99:99.99]");
    const LineAdvance advance = AdvanceLine(sheet, 0, ClockTag(0, 20, 1));
    EXPECT_TRUE(advance.started);
    EXPECT_EQ(advance.index, 4);
    EXPECT_EQ(advance.text, QStringLiteral("second"));
    const LineAdvance passed = AdvanceLine(sheet, 5, ClockTag(0, 20, 1));
    EXPECT_FALSE(passed.started);
    EXPECT_EQ(passed.index, 5);  // the scan start stays
    EXPECT_EQ(AdvanceLine(sheet, 5, ClockTag(0, 10, 0)).text, QStringLiteral("late"));
    EXPECT_FALSE(AdvanceLine(LyricSheet(), 0, ClockTag(0, 0, 0)).started);

    const LineAdvance zero = FindTimeZeroLine(Sheet("[00:00.00]a|[00:00.09]b|[00:01]c"));
    EXPECT_EQ(zero.index, 4);
    EXPECT_EQ(zero.text, QStringLiteral("b"));
    EXPECT_EQ(FindTimeZeroLine(Sheet("[00:00.10]x")).index, 0);
}

TEST(FindLineAt, FirstMatchInFileOrderWithNeighbours) {
    const LyricSheet sheet = Sheet("[00:20.10]first|[00:20.15]second|[00:30.00]third|[99:99.99]");
    RecordingHost host;
    const LineLookup found = FindLineAt(sheet, 0, 20, 1, 201, host);
    EXPECT_EQ(found.index, 3);
    EXPECT_EQ(found.current, QStringLiteral("first"));
    EXPECT_EQ(found.previous, QString());  // line 3 has no previous lyric line
    EXPECT_EQ(found.next, QStringLiteral("second"));
    EXPECT_EQ(host.pumps, 0);
    EXPECT_EQ(FindLineAt(sheet, 0, 30, 0, 301, host).previous, QStringLiteral("second"));
    EXPECT_EQ(FindLineAt(sheet, 0, 5, 0, 0, host).next, QStringLiteral("first"));    // none
    EXPECT_EQ(FindLineAt(Sheet("[00:01.00]x"), 0, 1, 0, 11, host).next, QString());  // last
}

TEST(FindLineAt, StepsBackOneTenthPerPump) {
    const struct {
        const char* name;
        QString lines;
        int m, s, t, budget, index, pumps;
    } cases[] = {
        {"[01:05.20] at 01:10.0: 48 tenths back", "[00:03.00]a|[01:05.20]b", 1, 10, 0, 701, 4, 48},
        {"00:00.5, first line at 00:03.00: none, the last two tries at 00:00.0", "[00:03.00]first",
         0, 0, 5, 6, 0, 7},
        {"minute boundary: 01:00.0 steps to 00:59.9", "[00:59.95]x", 1, 0, 0, 5, 3, 1},
        {"00:00.0 is the floor; decoys catch a wrap below it",
         "[-1:59.90]a|[00:59.90]b|[00:00.90]c|[59:59.90]d", 0, 0, 1, 5, 0, 6},
        {"negative budget: no try", "[00:00.00]x", 0, 0, 0, -1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        EXPECT_EQ(FindLineAt(Sheet(c.lines), c.m, c.s, c.t, c.budget, host).index, c.index);
        EXPECT_EQ(host.pumps, c.pumps);
    }
}

// Random sheets and times, checked against the lookups' definitions in whole tenths.
TEST(LyricSheet, RandomSheetsAndTimes) {
    std::mt19937 random(2100);
    const QString pieces[] = {
        "[00:0", "[00:00.", "[01:", "0",    "1",  "5",  "9",  ".",
        ":",     "]",       "\r\n", "\r\n", "\r", "\n", "가", QString(QChar(u'\0')),
        "x"};
    const auto tagAt = [](int tenths) {
        tenths = qMax(tenths, 0);
        return ClockTag(tenths / 600, tenths / 10 % 60, tenths % 10);
    };
    for (int round = 0; round < 3000; ++round) {
        QString text;
        for (int i = static_cast<int>(random() % 40); i > 0; --i) {
            text += pieces[random() % std::size(pieces)];
        }
        const LyricSheet sheet = LyricSheet::FromText(text);
        const int time = static_cast<int>(random() % 700);
        const int budget = static_cast<int>(random() % 30) - 2;
        const int start = static_cast<int>(random() % 8) - 1;

        const LineAdvance advance = AdvanceLine(sheet, start, tagAt(time));
        for (int i = qMax(start, advance.index + 1); i < sheet.size(); ++i) {
            ASSERT_FALSE(MatchesClockTag(sheet.line(i), tagAt(time))) << "later line " << i;
        }
        ASSERT_EQ(advance.started, advance.index >= qMax(start, 0) &&
                                       MatchesClockTag(sheet.line(advance.index), tagAt(time)));

        RecordingHost host;
        const LineLookup found =
            FindLineAt(sheet, time / 600, time / 10 % 60, time % 10, budget, host);
        int expectedIndex = -1;
        int expectedPumps = 0;
        for (int step = 0; step <= budget && expectedIndex < 0; ++step) {
            for (int i = 0; i < sheet.size() && expectedIndex < 0; ++i) {
                expectedIndex = MatchesClockTag(sheet.line(i), tagAt(time - step)) ? i : -1;
            }
            expectedPumps += expectedIndex < 0 ? 1 : 0;
        }
        ASSERT_EQ(host.pumps, expectedPumps);
        ASSERT_EQ(found.index, qMax(expectedIndex, 0));
        ASSERT_EQ(found.current, expectedIndex < 0 ? QString() : sheet.text(expectedIndex));
    }
}

}  // namespace
}  // namespace lumek
