#include "lyrics/retime.h"
#include "lyrics/lyric_sheet.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <gtest/gtest.h>

#include <random>

namespace lumek {
namespace {

using testing::RecordingHost;

const QString kHeaders = QStringLiteral("[ar:A]\r\n[ti:T]\r\n[al:L]");

QString Retimed(const QString& headers, const QStringList& lines, int lengthTenths) {
    RecordingHost host;
    QString out = headers;
    RetimeLyrics(out, lines, lengthTenths, host);
    return out;
}

TEST(RetimeTest, MatchingTenthAgreesWithTheClockTagSearch) {
    // Lines built from the characters of time keys, so that near misses are common.
    std::mt19937 random(11);
    const QString alphabet = QStringLiteral("[[::..00000112345569 x]");
    std::uniform_int_distribution<int> pick(0, static_cast<int>(alphabet.size()) - 1);
    std::uniform_int_distribution<int> length(6, 13);
    QStringList lines = {QStringLiteral("[00:00.0"),   QStringLiteral("x[01:02.3]"),
                         QStringLiteral("ab[09:59.9"), QStringLiteral("abc[00:00.0"),
                         QStringLiteral("[1:02.30]x"), QStringLiteral("[00:60.00]x"),
                         QStringLiteral("[[00:01.0]"), QStringLiteral("[00:01.]")};
    for (int i = 0; i < 120; ++i) {
        QString line;
        for (int n = length(random); n > 0; --n) {
            line += alphabet[pick(random)];
        }
        // Every third line starts as a real key, then gets damaged.
        if (i % 3 == 0) {
            line.replace(
                0, 8, QStringLiteral("[0%1:%2%3.%4").arg(i % 10).arg(i % 7).arg(i % 10).arg(i % 9));
        }
        lines.append(line);
    }
    // Every tenth of the first ten minutes, compared with the text search.
    QStringList tags;
    for (int k = 0; k < 6000; ++k) {
        tags.append(ClockTag(k / 600, k / 10 % 60, k % 10));
    }
    int matched = 0;
    for (const QString& line : lines) {
        SCOPED_TRACE(line.toStdString());
        const std::optional<int> tenth = MatchingTenth(line);
        matched += tenth ? 1 : 0;
        for (int k = 0; k < 6000; ++k) {
            ASSERT_EQ(MatchesClockTag(line, tags[k]), tenth == k) << "tenth " << k;
        }
    }
    // Both outcomes are well represented.
    EXPECT_GT(matched, 20);
    EXPECT_GT(lines.size() - matched, 20);
}

TEST(RetimeTest, MatchingTenthFollowsTwoDigitsForLongSongs) {
    const struct {
        const char16_t* line;
        std::optional<int> tenth;
    } cases[] = {
        {u"[99:59.99]x", 59999},
        {u"[100:00.0]x", 60000},  // TwoDigits(100) is "100"
        {u"[0100:00.0", std::nullopt},
        {u"[012:00.00]", std::nullopt},
        {u"[9999:59.9", 5999999},
        {u" [100:00.0", 60000},
        {u"  [100:00.0", std::nullopt},  // the tenths digit lies
                                         // beyond the 10th character
        {u"[1:00.00]x", std::nullopt},
    };
    for (const auto& c : cases) {
        const QString line = QString::fromUtf16(c.line);
        SCOPED_TRACE(line.toStdString());
        EXPECT_EQ(MatchingTenth(line), c.tenth);
        if (c.tenth) {
            const int k = *c.tenth;
            EXPECT_TRUE(MatchesClockTag(line, ClockTag(k / 600, k / 10 % 60, k % 10)));
        }
    }
}

TEST(RetimeTest, TimeKeyOfTenth) {
    EXPECT_EQ(TimeKeyOfTenth(0), QStringLiteral("[00:00.00]"));
    EXPECT_EQ(TimeKeyOfTenth(585), QStringLiteral("[00:58.50]"));
    EXPECT_EQ(TimeKeyOfTenth(605), QStringLiteral("[01:00.50]"));
    EXPECT_EQ(TimeKeyOfTenth(60000), QStringLiteral("[100:00.00]"));
}

TEST(RetimeTest, CountdownNeedsThreeLinesOfHeaders) {
    const QStringList lines = {QStringLiteral("[00:05.00]one"), QStringLiteral("[00:08.00]two"),
                               QStringLiteral("[00:12.00]three")};
    {
        SCOPED_TRACE("artist only: the countdown comes before the third line");
        EXPECT_EQ(Retimed(QStringLiteral("[ar:A]"), lines, 200),
                  QStringLiteral("[ar:A]\r\n[00:05.00]one\r\n[00:08.00]two\r\n[00:09.00]3\r\n"
                                 "[00:10.00]2\r\n[00:11.00]1\r\n[00:12.00]three"));
    }
    {
        SCOPED_TRACE("no headers: the first two lines make three with the empty first one");
        EXPECT_EQ(Retimed(QString(), lines, 200),
                  QStringLiteral("\r\n[00:05.00]one\r\n[00:08.00]two\r\n[00:09.00]3\r\n"
                                 "[00:10.00]2\r\n[00:11.00]1\r\n[00:12.00]three"));
    }
    {
        SCOPED_TRACE("two header lines: due before a line at 00:02.9, too early, and never again");
        EXPECT_EQ(Retimed(QStringLiteral("[ar:A]\r\n[ti:T]"),
                          {QStringLiteral("[00:08.00]three"), QStringLiteral("[00:01.00]one"),
                           QStringLiteral("[00:02.90]two")},
                          200),
                  QStringLiteral("[ar:A]\r\n[ti:T]\r\n[00:01.00]one\r\n[00:02.90]two\r\n"
                                 "[00:08.00]three"));
    }
}

TEST(RetimeTest, JoinsKeepSourceOrderAndTheirOwnTags) {
    const QStringList lines = {
        QStringLiteral("[00:12.34]Hello"),   QStringLiteral("[00:13.00]Next"),
        QStringLiteral("[00:12.38]Bonjour"), QStringLiteral("[00:12.30]Hola"),
        QStringLiteral("[00:12.3]Ciao"),  // a short key still matches; its text is cut
        QStringLiteral("[00:13.00]x"),    // one character of text
        QStringLiteral("ab[00:14.0]x"),   // a tag anywhere in the first 10 characters counts
    };
    EXPECT_EQ(Retimed(kHeaders, lines, 300),
              kHeaders + QStringLiteral("\r\n[00:09.30]3\r\n[00:10.30]2\r\n[00:11.30]1\r\n"
                                        "[00:12.34]Hello / Bonjour / Hola / iao\r\n"
                                        "[00:13.00]Next\r\nab[00:14.0]x"));
}

TEST(RetimeTest, EndOfSongAndPumps) {
    const QStringList lines = {QStringLiteral("[00:00.00]start"), QStringLiteral("[00:00.05]too"),
                               QStringLiteral("[00:01.00]late")};
    RecordingHost host;
    QString out = kHeaders;
    RetimeLyrics(out, lines, 9, host);
    EXPECT_EQ(out, kHeaders + QStringLiteral("\r\n[00:00.00]start / too"));
    // After each of the two joined lines and after each of the ten tenths.
    EXPECT_EQ(host.pumps, 12);

    for (const int length : {-1, 0}) {
        SCOPED_TRACE(length);
        RecordingHost quiet;
        QString empty = kHeaders;
        RetimeLyrics(empty, {QStringLiteral("[00:00.10]a b")}, length, quiet);
        EXPECT_EQ(empty, kHeaders);
    }
}

}  // namespace
}  // namespace lumek
