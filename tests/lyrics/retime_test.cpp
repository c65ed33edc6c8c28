#include "lyrics/retime.h"
#include "lyrics/lyric_sheet.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <gtest/gtest.h>

#include <random>

namespace lumek {
namespace {

using testing::RecordingHost;

QString TagOf(int tenth) {
    return ClockTag(tenth / 600, tenth / 10 % 60, tenth % 10);
}

TEST(RetimeTest, MatchingTenthAgreesWithTheClockTagSearch) {
    // Lines built from the characters of time keys, so that near misses are common.
    std::mt19937 random(11);
    const QString alphabet = QStringLiteral("[[::..00000112345569 x]");
    QStringList lines = {"[00:00.0",   "x[01:02.3]",  "ab[09:59.9", "abc[00:00.0",
                         "[1:02.30]x", "[00:60.00]x", "[[00:01.0]", "[00:01.]"};
    for (int i = 0; i < 120; ++i) {
        QString line;
        for (int n = 6 + static_cast<int>(random() % 8); n > 0; --n) {
            line += alphabet[random() % alphabet.size()];
        }
        if (i % 3 == 0) {  // a real key, then damaged
            line.replace(0, 8,
                         QString("[0%1:%2%3.%4").arg(i % 10).arg(i % 7).arg(i % 10).arg(i % 9));
        }
        lines.append(line);
    }
    int matched = 0;
    for (const QString& line : lines) {
        SCOPED_TRACE(line.toStdString());
        const std::optional<int> tenth = MatchingTenth(line);
        matched += tenth ? 1 : 0;
        for (int k = 0; k < 6000; ++k) {  // every tenth of the first ten minutes
            ASSERT_EQ(MatchesClockTag(line, TagOf(k)), tenth == k) << "tenth " << k;
        }
    }
    EXPECT_GT(matched, 20);
    EXPECT_GT(lines.size() - matched, 20);

    // From 100 minutes on, TwoDigits gives three or four digits.
    const std::pair<const char16_t*, std::optional<int>> longSongs[] = {
        {u"[99:59.99]x", 59999},        {u"[100:00.0]x", 60000},  {u"[0100:00.0", std::nullopt},
        {u"[012:00.00]", std::nullopt}, {u"[9999:59.9", 5999999}, {u" [100:00.0", 60000},
        {u"  [100:00.0", std::nullopt},  // the tenths digit lies beyond the 10th character
        {u"[1:00.00]x", std::nullopt}};
    for (const auto& [text, tenth] : longSongs) {
        const QString line = QString::fromUtf16(text);
        EXPECT_EQ(MatchingTenth(line), tenth) << line.toStdString();
        EXPECT_TRUE(!tenth || MatchesClockTag(line, TagOf(*tenth))) << line.toStdString();
    }
    const std::pair<int, const char*> keys[] = {
        {0, "[00:00.00]"}, {585, "[00:58.50]"}, {605, "[01:00.50]"}, {60000, "[100:00.00]"}};
    for (const auto& [tenth, key] : keys) {
        EXPECT_EQ(TimeKeyOfTenth(tenth), QString::fromLatin1(key));
    }
}

TEST(RetimeTest, LinesOfOneTenthJoinAndTheCountdownComesWithTheThirdLine) {
    const QString headers = QStringLiteral("[ar:A]\r\n[ti:T]\r\n[al:L]");
    const QString three = QStringLiteral("[00:05.00]one|[00:08.00]two|[00:12.00]three");
    const QString countdown = QStringLiteral("[00:09.00]3\r\n[00:10.00]2\r\n[00:11.00]1\r\n");
    const struct {
        const char* name;
        QString headers;
        QString lines;  // split at "|"
        int lengthTenths;
        QString expected;
    } cases[] = {
        {"artist only: the countdown comes before the third line", "[ar:A]", three, 200,
         "[ar:A]\r\n[00:05.00]one\r\n[00:08.00]two\r\n" + countdown + "[00:12.00]three"},
        {"no headers: the first two lines make three with the empty first one", "", three, 200,
         "\r\n[00:05.00]one\r\n[00:08.00]two\r\n" + countdown + "[00:12.00]three"},
        {"two header lines: due before a line at 00:02.9, too early, and never again",
         "[ar:A]\r\n[ti:T]", "[00:08.00]three|[00:01.00]one|[00:02.90]two", 200,
         "[ar:A]\r\n[ti:T]\r\n[00:01.00]one\r\n[00:02.90]two\r\n[00:08.00]three"},
        {"a line at 00:03.0: the countdown starts at zero", headers, "[00:03.00]just", 200,
         headers + "\r\n[00:00.00]3\r\n[00:01.00]2\r\n[00:02.00]1\r\n[00:03.00]just"},
        {"a line at 01:01.5: the countdown crosses the minute", headers, "[01:01.50]late", 700,
         headers + "\r\n[00:58.50]3\r\n[00:59.50]2\r\n[01:00.50]1\r\n[01:01.50]late"},
        // A short key still matches (its text is cut); 11 characters are dropped, 12 kept; a
        // tag anywhere in the first 10 characters counts.
        {"joins keep source order and their own tags", headers,
         "[00:12.34]Hello|[00:13.00]Next|[00:12.38]Bonjour|[00:12.30]Hola|[00:12.3]Ciao|"
         "[00:13.00]x|ab[00:14.0]x",
         300,
         headers + "\r\n[00:09.30]3\r\n[00:10.30]2\r\n[00:11.30]1\r\n"
                   "[00:12.34]Hello / Bonjour / Hola / iao\r\n[00:13.00]Next\r\nab[00:14.0]x"},
        {"the song's last tenth is kept, the next dropped", headers,
         "[00:00.00]start|[00:00.05]too|[00:00.90]end|[00:01.00]late", 9,
         headers + "\r\n[00:00.00]start / too\r\n[00:00.90]end"},
        {"a song of 0 tenths", headers, "[00:00.00]zero|[00:00.10]a b", 0,
         headers + "\r\n[00:00.00]zero"},
        {"a negative length", headers, "[00:00.00]zero", -1, headers},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        QString out = c.headers;
        RetimeLyrics(out, c.lines.split(u'|'), c.lengthTenths, host);
        EXPECT_EQ(out, c.expected);
        if (c.lengthTenths == 9) {  // after each of the three joined lines and each of ten tenths
            EXPECT_EQ(host.pumps, 13);
        }
    }
}

}  // namespace
}  // namespace lumek
