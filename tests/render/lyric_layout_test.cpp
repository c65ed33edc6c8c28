#include "render/lyric_renderer.h"

#include "base/codepage.h"
#include "base/numbers.h"
#include "render/text.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

namespace lumek {
namespace {

// Every character `perChar` pixels wide; a line fits while its width is below limit.
WrapRule Rule(int32_t limit, int32_t perChar = 10) {
    return {limit, [perChar](const QString& text) { return perChar * CharacterCount(text); }};
}

TEST(Wrapping, TrimAndWrapWidth) {
    EXPECT_EQ(TrimOneTrailingSpace(QString()), QString());
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral(" ")), QString());
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral("가 ")), QStringLiteral("가"));
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral("가  ")), QStringLiteral("가 "));
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral(" 가")), QStringLiteral(" 가"));

    EXPECT_EQ(WrapWidth(480, 300, kAlignCentre), 360);
    EXPECT_EQ(WrapWidth(480, 200, kAlignCentre), 400);
    EXPECT_EQ(WrapWidth(480, 240, kAlignCentre), 480);
    EXPECT_EQ(WrapWidth(481, 240, kAlignCentre), 480);  // 240.5 >= 240
    EXPECT_EQ(WrapWidth(479, 240, kAlignCentre), 478);  // 239.5 < 240
    EXPECT_EQ(WrapWidth(480, 100, kAlignLeft), 380);
    EXPECT_EQ(WrapWidth(480, 100, kAlignRight), 100);
    EXPECT_EQ(WrapWidth(480, 100, kAlignNone), 380);
    EXPECT_EQ(WrapWidth(480, 2000000000, kAlignCentre), -2147483648);  // saturates
}

// Line breaks, the first line from position 1 and the rest after it, joined by "|".
QString Wrapped(const QString& text, const WrapRule& rule) {
    return QString::number(CountLineBreaks(text, rule)) + u'|' + FirstWrappedLine(text, 1, rule) +
           u'|' + RestAfterFirstLine(text, 1, rule);
}

// The laid-out lines as "top:text", joined by "|".
QString Laid(const QString& text, int32_t pitch, int32_t centre, const WrapRule& rule) {
    QStringList lines;
    for (const TextLine& line : LayOutText(text, pitch, centre, rule)) {
        lines << QString::number(line.top) + u':' + line.text;
    }
    return lines.join(u'|');
}

TEST(Wrapping, BreaksAfterTheLastSpaceOrBetweenCharacters) {
    // WrapWidth 400 and TextLength 14: 386 pixels break, 385 fit.
    const QString fits(385, u'a');
    EXPECT_EQ(Wrapped(fits, Rule(386, 1)), "0|" + fits + u'|' + fits);
    EXPECT_EQ(Wrapped(fits + u'a', Rule(386, 1)), "1|" + fits + "|a");
    // Ten characters overflow. The break comes after the last space before the overflow, which
    // is trimmed; a space that ends the text starts the (then empty) rest; without a space the
    // overflowing character starts the next line.
    const WrapRule rule = Rule(100);
    EXPECT_EQ(Wrapped(QStringLiteral("hello world foo"), rule), "1|hello|world foo");
    EXPECT_EQ(Wrapped(QStringLiteral("abcdefghi "), rule), "1|abcdefghi|");
    EXPECT_EQ(Wrapped(QStringLiteral("가나다라마바사아자차카타"), rule),
              QStringLiteral("1|가나다라마바사아자|차카타"));
    EXPECT_EQ(Wrapped(QStringLiteral("short"), rule), "0|short|short");
    EXPECT_EQ(FirstWrappedLine(QStringLiteral("short"), 3, rule), QStringLiteral("ort"));
    // Separators count as breaks, and each part wraps on its own.
    EXPECT_EQ(CountLineBreaks(QStringLiteral("a / b / c"), rule), 2);
    EXPECT_EQ(CountLineBreaks(QStringLiteral("hello world foo / abc"), rule), 2);
}

TEST(Layout, LinesAreCentredOnTheCentreLine) {
    // n lines of pitch P start at C - n P / 2, halves to even.
    EXPECT_EQ(Laid(QStringLiteral("가나 / 다라"), 44, 160, Rule(1000)),
              QStringLiteral("116:가나|160:다라"));
    EXPECT_EQ(Laid("x", 44, 160, Rule(1000)), "138:x");
    EXPECT_EQ(Laid("x", 45, 160, Rule(1000)), "138:x");
    EXPECT_EQ(Laid("x", 43, 160, Rule(1000)), "138:x");
    EXPECT_EQ(Laid("x", 41, 160, Rule(1000)), "140:x");
    EXPECT_EQ(Laid("", 30, 50, Rule(1000)), "35:");  // an empty text is one empty line
    // Wrapped and separated lines share one block.
    EXPECT_EQ(Laid("hello world foo / x", 20, 100, Rule(100)), "70:hello|90:world foo|110:x");
    // Nothing fits: still one character per line; characters outside the basic plane are never
    // cut in two, and long texts end too.
    EXPECT_EQ(CountLineBreaks(QStringLiteral("abc"), Rule(0)), 3);
    EXPECT_EQ(Laid("abc", 10, 100, Rule(0)), "80:a|90:b|100:c|110:");
    EXPECT_EQ(Laid(QStringLiteral("😀😀"), 10, 100, Rule(0)), QStringLiteral("85:😀|95:😀|105:"));
    EXPECT_EQ(LayOutText(QString(500, u'x'), 10, 100, Rule(0)).size(), 501u);
}

// The wrapper as first written, measuring every run from the line start: the reference the
// linear one must match.
namespace reference {

using Chars = std::u32string;

bool Overflows(const WrapRule& rule, const Chars& c, size_t from, size_t to) {
    const QString run = QString::fromUcs4(c.data() + from, static_cast<qsizetype>(to - from + 1));
    return (rule.measure ? rule.measure(run) : 0) >= rule.limit;
}

size_t BreakAfter(const Chars& c, size_t start, size_t i) {
    for (size_t j = i + 1; j-- > start;) {
        if (c[j] == U' ') {
            return j + 1 < c.size() ? j + 1 : j;
        }
    }
    return i;
}

// The first line's end, or nothing when the text fits.
std::optional<size_t> FirstLineEnd(const Chars& c, const WrapRule& rule) {
    for (size_t i = 0; i < c.size(); ++i) {
        if (Overflows(rule, c, 0, i)) {
            const size_t b = BreakAfter(c, 0, i);
            return b == 0 ? 1 : b;
        }
    }
    return std::nullopt;
}

Chars ToChars(const QString& text) {
    const QList<uint> ucs = text.toUcs4();
    return Chars(ucs.begin(), ucs.end());
}

QString From(const Chars& c, size_t start) {
    return start >= c.size()
               ? QString()
               : QString::fromUcs4(c.data() + start, static_cast<qsizetype>(c.size() - start));
}

int32_t CountLineBreaks(const QString& text, const WrapRule& rule) {
    const QStringList parts = text.split(" / ");
    int32_t count = static_cast<int32_t>(parts.size()) - 1;
    for (const QString& part : parts) {
        const Chars c = ToChars(part);
        for (size_t i = 0, start = 0; i < c.size(); ++i) {
            if (Overflows(rule, c, start, i)) {
                ++count;
                start = BreakAfter(c, start, i);
            }
        }
    }
    return count;
}

// "top:line" for every line, joined by "|", as Laid gives them.
QString Laid(const QString& text, int32_t pitch, int32_t centre, const WrapRule& rule) {
    const double first =
        centre - pitch / 2.0 - pitch * reference::CountLineBreaks(text, rule) / 2.0;
    QStringList lines;
    int k = 0;
    auto add = [&](const QString& line) {
        lines << QString::number(RoundHalfEven(first + pitch * k++)) + u':' + line;
    };
    for (const QString& part : text.split(" / ")) {
        Chars rest = ToChars(part);
        while (const std::optional<size_t> end = FirstLineEnd(rest, rule)) {
            add(TrimOneTrailingSpace(QString::fromUcs4(rest.data(), static_cast<qsizetype>(*end))));
            rest = ToChars(TrimOneTrailingSpace(From(rest, *end)));
        }
        add(From(rest, 0));
    }
    return lines.join(u'|');
}

}  // namespace reference

TEST(Wrapping, LongLinesWrapAsMeasuredLineByLine) {
    // Random texts of Hangul, Latin letters, spaces (some doubled, some at the end),
    // separators, characters outside the basic plane and combining marks, wrapped in a real
    // font and by whole characters.
    const std::vector<QString> pieces = {"가", "나",  "힣", "a",       "W", "i",    " ",
                                         "  ", " / ", "😀",  "e\u0301", ",", "한글", "word"};
    FontSpec font{"NanumGothic", 24, false};
    TextMeasurer measurer;
    const WrapRule real{300, [&](const QString& t) { return measurer.MeasureTextWidth(t, font); }};
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        QString text;
        const size_t length = 1 + random() % (round < 50 ? 150 : 400);
        while (static_cast<size_t>(text.size()) < length) {
            text += pieces[random() % pieces.size()];
        }
        for (const WrapRule& rule : {real, Rule(150, 7), Rule(0)}) {
            SCOPED_TRACE(text.toStdString() + " at " + std::to_string(rule.limit));
            ASSERT_EQ(CountLineBreaks(text, rule), reference::CountLineBreaks(text, rule));
            ASSERT_EQ(Laid(text, 20, 300, rule), reference::Laid(text, 20, 300, rule));
            const QString part = text.split(" / ").back();
            const std::optional<size_t> end =
                reference::FirstLineEnd(reference::ToChars(part), rule);
            ASSERT_EQ(
                FirstWrappedLine(part, 1, rule) + u'|' + RestAfterFirstLine(part, 1, rule),
                end ? TrimOneTrailingSpace(QString::fromUcs4(reference::ToChars(part).data(),
                                                             static_cast<qsizetype>(*end))) +
                          u'|' +
                          TrimOneTrailingSpace(reference::From(reference::ToChars(part), *end))
                    : part + u'|' + part);
        }
    }
}

TEST(Layout, OnlyLinesInTheWindowAreLaidOutWhereTheWholeTextPutsThem) {
    const QString text = "a / b / c / d / e";  // tops 50, 70, 90, 110, 130
    std::vector<TextLine> lines = LayOutText(text, 20, 100, Rule(1000), {65, 111});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text + lines[2].text, "bd");
    EXPECT_EQ(lines[0].top, 70);
    EXPECT_EQ(lines[2].top, 110);
    // A megabyte line on a canvas: a handful of lines, in bounded time.
    const QString huge = QString("word ").repeated(200000);
    lines = LayOutText(huge, 20, 100, Rule(300, 10), {-40, 280});
    EXPECT_EQ(lines.size(), 17u);
    EXPECT_EQ(CountLineBreaks(huge, Rule(300, 10)), 33333);  // six words a line
}

}  // namespace
}  // namespace lumek
