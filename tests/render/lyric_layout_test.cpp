#include "render/lyric_renderer.h"

#include "base/codepage.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace lumek
