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

// Three header lines, then the lyric lines.
LyricSheet Sheet(const QStringList& lyricLines) {
    return LyricSheet::FromText((QStringList{"[ar:]", "[ti:]", "[al:]"} + lyricLines).join("\r\n"));
}

TEST(LyricSheet, SplitsAtCrLfOnly) {
    const LyricSheet sheet = LyricSheet::FromText(QStringLiteral("a\rb\r\nc\nd\r\n"));
    EXPECT_EQ(sheet.lines(), QStringList({"a\rb", "c\nd", ""}));
    EXPECT_TRUE(LyricSheet::FromText(QString()).isEmpty());
    EXPECT_EQ(sheet.line(-1), QString());  // indexes the sheet lacks read as empty text
    EXPECT_EQ(sheet.text(4), QString());
}

TEST(LyricSheet, TimeKeysAreMatchedAsText) {
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

class LrcCheckTest : public ::testing::Test {
protected:
    QString song() const { return dir_.filePath(QStringLiteral("song.mp3")); }
    QString lyrics() const { return dir_.filePath(QStringLiteral("song.lrc")); }
    void writeLyrics(const QByteArray& bytes) const {
        QFile file(lyrics());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray lyricBytes() const {
        QFile file(lyrics());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir dir_;
};

TEST_F(LrcCheckTest, PadsShortFilesToFiveLines) {
    const QString header = QStringLiteral("[ar:가수]\r\n[ti:제목]\r\n[al:앨범]\r\n");
    writeLyrics(EncodeCodePage(header + "[00:01.00]하나"));
    LrcCheck(song());
    EXPECT_EQ(lyricBytes(), EncodeCodePage(header + "[00:01.00]하나\r\n[99:99.99]"));

    // Empty: one empty line and five sentinels.
    writeLyrics(QByteArray());
    LrcCheck(song());
    EXPECT_EQ(LyricSheet::Load(lyrics()).lines(), QStringList({""}) + QStringList(5, "[99:99.99]"));

    // 12 lines: rewritten unchanged but for NUL characters.
    QByteArray bytes;
    for (int i = 0; i < 12; ++i) {
        bytes += "[00:0" + QByteArray::number(i % 10) + QByteArray(".00]line\0x\r\n", 12);
    }
    writeLyrics(bytes);
    LrcCheck(song());
    EXPECT_EQ(lyricBytes(), QByteArray(bytes).replace('\0', ""));
}

TEST_F(LrcCheckTest, LeavesOtherCasesAlone) {
    LrcCheck(song());
    EXPECT_FALSE(QFile::exists(lyrics()));  // no lyric file, none made
    LrcCheck(QStringLiteral("mp3"));

    writeLyrics("[00:01.00]a");
    LrcCheck(dir_.filePath(QStringLiteral("song.MP3")));  // same lyric path
    EXPECT_EQ(lyricBytes(), "[00:01.00]a" + QByteArray("\r\n[99:99.99]").repeated(4));
}

TEST(AdvanceLine, LastMatchAtOrAfterTheStart) {
    const LyricSheet sheet =
        Sheet({"[00:20.10]first", "[00:20.15]second", "[00:10.00]late", "[99:99.99]"});
    const LineAdvance advance = AdvanceLine(sheet, 0, ClockTag(0, 20, 1));
    EXPECT_TRUE(advance.started);
    EXPECT_EQ(advance.index, 4);
    EXPECT_EQ(advance.text, QStringLiteral("second"));

    const LineAdvance passed = AdvanceLine(sheet, 5, ClockTag(0, 20, 1));
    EXPECT_FALSE(passed.started);
    EXPECT_EQ(passed.index, 5);  // the scan start stays
    EXPECT_EQ(AdvanceLine(sheet, 5, ClockTag(0, 10, 0)).text, QStringLiteral("late"));
    EXPECT_FALSE(AdvanceLine(LyricSheet(), 0, ClockTag(0, 0, 0)).started);

    const LineAdvance zero = FindTimeZeroLine(Sheet({"[00:00.00]a", "[00:00.09]b", "[00:01]c"}));
    EXPECT_EQ(zero.index, 4);
    EXPECT_EQ(zero.text, QStringLiteral("b"));
    EXPECT_EQ(FindTimeZeroLine(Sheet({"[00:00.10]x"})).index, 0);
}

TEST(FindLineAt, FirstMatchInFileOrderWithNeighbours) {
    const LyricSheet sheet =
        Sheet({"[00:20.10]first", "[00:20.15]second", "[00:30.00]third", "[99:99.99]"});
    RecordingHost host;
    const LineLookup found = FindLineAt(sheet, 0, 20, 1, 201, host);
    EXPECT_EQ(found.index, 3);
    EXPECT_EQ(found.current, QStringLiteral("first"));
    EXPECT_EQ(found.previous, QString());  // line 3 has no previous lyric line
    EXPECT_EQ(found.next, QStringLiteral("second"));
    EXPECT_EQ(host.pumps, 0);

    const LineLookup later = FindLineAt(sheet, 0, 30, 0, 301, host);
    EXPECT_EQ(later.previous, QStringLiteral("second"));
    EXPECT_EQ(FindLineAt(sheet, 0, 5, 0, 0, host).next, QStringLiteral("first"));      // none
    EXPECT_EQ(FindLineAt(Sheet({"[00:01.00]x"}), 0, 1, 0, 11, host).next, QString());  // last
}

TEST(FindLineAt, StepsBackOneTenthPerPump) {
    struct Case {
        const char* name;
        QStringList lines;
        int m, s, t, budget;
        int index, pumps;
    };
    const Case cases[] = {
        {"[01:05.20] at 01:10.0: 48 tenths back",
         {"[00:03.00]a", "[01:05.20]b"},
         1,
         10,
         0,
         701,
         4,
         48},
        {"00:00.5, first line at 00:03.00: none, the last two tries at 00:00.0",
         {"[00:03.00]first"},
         0,
         0,
         5,
         6,
         0,
         7},
        {"minute boundary: 01:00.0 steps to 00:59.9", {"[00:59.95]x"}, 1, 0, 0, 5, 3, 1},
        {"00:00.0 is the floor; decoys catch a wrap below it",
         {"[-1:59.90]a", "[00:59.90]b", "[00:00.90]c", "[59:59.90]d"},
         0,
         0,
         1,
         5,
         0,
         6},
        {"negative budget: no try", {"[00:00.00]x"}, 0, 0, 0, -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        const LineLookup found = FindLineAt(Sheet(c.lines), c.m, c.s, c.t, c.budget, host);
        EXPECT_EQ(found.index, c.index);
        EXPECT_EQ(host.pumps, c.pumps);
    }
}

TEST(LyricSheet, BadFilesLoadWithoutHarm) {
    QTemporaryDir dir;
    const std::pair<const char*, QByteArray> cases[] = {
        {"NUL bytes", QByteArray("[00:01.00]a\0b\r\n\0\0", 17)},
        {"lone CR and LF", "[00:01.00]a\rb\nc\n\r\r\n"},
        {"1 MB line", "[00:01.00]" + QByteArray(1 << 20, 'x') + "\r\n[00:02.00]y"},
        {"invalid UTF-8 and CP949", "[00:01.00]\xC0\x80\xFF\r\n\xB0"},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QStringLiteral("bad.lrc"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const LyricSheet sheet = LyricSheet::Load(path);
        EXPECT_EQ(sheet.size(), 2);
        EXPECT_TRUE(AdvanceLine(sheet, 0, ClockTag(0, 1, 0)).started);
        RecordingHost host;
        const LineLookup found = FindLineAt(sheet, 0, 1, 0, 11, host);
        EXPECT_FALSE(found.current.isEmpty());
        EXPECT_EQ(found.current, sheet.text(0));
    }
}

// Random sheets and times, checked against the lookups' definitions in whole tenths.
TEST(LyricSheet, RandomSheetsAndTimes) {
    std::mt19937 random(2100);
    const QString pieces[] = {
        "[00:0", "[00:00.", "[01:", "0",    "1",  "5",  "9",  ".",
        ":",     "]",       "\r\n", "\r\n", "\r", "\n", "가", QString(QChar(u'\0')),
        "x"};
    auto tagAt = [](int tenths) {
        tenths = qMax(tenths, 0);
        return ClockTag(tenths / 600, tenths / 10 % 60, tenths % 10);
    };
    auto firstMatch = [](const LyricSheet& sheet, const QString& tag) {
        for (int i = 0; i < sheet.size(); ++i) {
            if (MatchesClockTag(sheet.line(i), tag)) {
                return i;
            }
        }
        return -1;
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
            expectedIndex = firstMatch(sheet, tagAt(time - step));
            expectedPumps += expectedIndex < 0 ? 1 : 0;
        }
        ASSERT_EQ(host.pumps, expectedPumps);
        ASSERT_EQ(found.index, qMax(expectedIndex, 0));
        ASSERT_EQ(found.current, expectedIndex < 0 ? QString() : sheet.text(expectedIndex));
    }
}

}  // namespace
}  // namespace lumek
