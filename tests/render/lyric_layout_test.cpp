#include "render/lyric_renderer.h"

#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumek {
namespace {

// Every character `perChar` pixels wide; a line fits while its width is below limit.
WrapRule Rule(int32_t limit, int32_t perChar = 10) {
    return {limit, [perChar](const QString& text) { return perChar * CharacterCount(text); }};
}

std::vector<QString> Texts(const std::vector<TextLine>& lines) {
    std::vector<QString> texts;
    for (const TextLine& line : lines) {
        texts.push_back(line.text);
    }
    return texts;
}

std::vector<int32_t> Tops(const std::vector<TextLine>& lines) {
    std::vector<int32_t> tops;
    for (const TextLine& line : lines) {
        tops.push_back(line.top);
    }
    return tops;
}

TEST(Wrapping, TrimOneTrailingSpace) {
    EXPECT_EQ(TrimOneTrailingSpace(QString()), QString());
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral(" ")), QString());
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral("가 ")), QStringLiteral("가"));
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral("가  ")), QStringLiteral("가 "));
    EXPECT_EQ(TrimOneTrailingSpace(QStringLiteral(" 가")), QStringLiteral(" 가"));
}

TEST(Wrapping, WrapWidthFollowsTheAlignment) {
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

TEST(Wrapping, ALineBreaksWhenItsWidthReachesTheLimit) {
    // WrapWidth 400 and TextLength 14: 386 pixels break, 385 fit.
    const WrapRule rule = Rule(400 - 14, 1);
    EXPECT_EQ(CountLineBreaks(QString(385, u'a'), rule), 0);
    EXPECT_EQ(CountLineBreaks(QString(386, u'a'), rule), 1);
    EXPECT_EQ(FirstWrappedLine(QString(386, u'a'), 1, rule), QString(385, u'a'));
    EXPECT_EQ(RestAfterFirstLine(QString(386, u'a'), 1, rule), QStringLiteral("a"));
}

TEST(Wrapping, BreaksAfterTheLastSpaceOrBetweenCharacters) {
    const WrapRule rule = Rule(100);  // ten characters overflow
    {
        SCOPED_TRACE("after the last space before the overflow, which is trimmed");
        const QString text = QStringLiteral("hello world foo");
        EXPECT_EQ(CountLineBreaks(text, rule), 1);
        EXPECT_EQ(FirstWrappedLine(text, 1, rule), QStringLiteral("hello"));
        EXPECT_EQ(RestAfterFirstLine(text, 1, rule), QStringLiteral("world foo"));
    }
    {
        SCOPED_TRACE("a space that ends the text starts the rest, which is then empty");
        const QString text = QStringLiteral("abcdefghi ");
        EXPECT_EQ(CountLineBreaks(text, rule), 1);
        EXPECT_EQ(FirstWrappedLine(text, 1, rule), QStringLiteral("abcdefghi"));
        EXPECT_EQ(RestAfterFirstLine(text, 1, rule), QString());
    }
    {
        SCOPED_TRACE("no space: the overflowing character starts the next line");
        const QString text = QStringLiteral("가나다라마바사아자차카타");
        EXPECT_EQ(CountLineBreaks(text, rule), 1);
        EXPECT_EQ(FirstWrappedLine(text, 1, rule), QStringLiteral("가나다라마바사아자"));
        EXPECT_EQ(RestAfterFirstLine(text, 1, rule), QStringLiteral("차카타"));
    }
    {
        SCOPED_TRACE("text that fits is returned whole, from the start position on");
        EXPECT_EQ(FirstWrappedLine(QStringLiteral("short"), 1, rule), QStringLiteral("short"));
        EXPECT_EQ(RestAfterFirstLine(QStringLiteral("short"), 1, rule), QStringLiteral("short"));
        EXPECT_EQ(FirstWrappedLine(QStringLiteral("short"), 3, rule), QStringLiteral("ort"));
    }
    {
        SCOPED_TRACE("separators count as breaks, and each part wraps on its own");
        EXPECT_EQ(CountLineBreaks(QStringLiteral("a / b / c"), rule), 2);
        EXPECT_EQ(CountLineBreaks(QStringLiteral("hello world foo / abc"), rule), 2);
    }
}

TEST(Wrapping, NothingFitsStillTakesOneCharacterPerLine) {
    const WrapRule rule = Rule(0);
    EXPECT_EQ(CountLineBreaks(QStringLiteral("abc"), rule), 3);
    const auto lines = LayOutText(QStringLiteral("abc"), 10, 100, rule);
    EXPECT_EQ(Texts(lines), (std::vector<QString>{"a", "b", "c", ""}));
    // Characters outside the basic plane are never cut in two.
    const auto emoji = LayOutText(QStringLiteral("😀😀"), 10, 100, rule);
    EXPECT_EQ(Texts(emoji), (std::vector<QString>{QStringLiteral("😀"), QStringLiteral("😀"), ""}));
    // Long texts end too.
    EXPECT_EQ(LayOutText(QString(500, u'x'), 10, 100, rule).size(), 501u);
}

TEST(Layout, LinesAreCentredOnTheCentreLine) {
    const WrapRule rule = Rule(1000);
    {
        SCOPED_TRACE("two parts: the first top at C - P, the second at C");
        const auto lines = LayOutText(QStringLiteral("가나 / 다라"), 44, 160, rule);
        EXPECT_EQ(Texts(lines), (std::vector<QString>{"가나", "다라"}));
        EXPECT_EQ(Tops(lines), (std::vector<int32_t>{116, 160}));
    }
    {
        SCOPED_TRACE("one line: top at C - P / 2, halves to even");
        EXPECT_EQ(Tops(LayOutText(QStringLiteral("x"), 44, 160, rule)), std::vector<int32_t>{138});
        EXPECT_EQ(Tops(LayOutText(QStringLiteral("x"), 45, 160, rule)), std::vector<int32_t>{138});
        EXPECT_EQ(Tops(LayOutText(QStringLiteral("x"), 43, 160, rule)), std::vector<int32_t>{138});
        EXPECT_EQ(Tops(LayOutText(QStringLiteral("x"), 41, 160, rule)), std::vector<int32_t>{140});
    }
    {
        SCOPED_TRACE("wrapped and separated lines share one block: 3 lines of 20 around 100");
        const auto lines = LayOutText(QStringLiteral("hello world foo / x"), 20, 100, Rule(100));
        EXPECT_EQ(Texts(lines), (std::vector<QString>{"hello", "world foo", "x"}));
        EXPECT_EQ(Tops(lines), (std::vector<int32_t>{70, 90, 110}));
    }
    {
        SCOPED_TRACE("an empty text is one empty line");
        const auto lines = LayOutText(QString(), 30, 50, rule);
        EXPECT_EQ(Texts(lines), std::vector<QString>{QString()});
        EXPECT_EQ(Tops(lines), std::vector<int32_t>{35});
    }
}

}  // namespace
}  // namespace lumek
