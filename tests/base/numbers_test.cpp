#include "base/numbers.h"

#include <QString>

#include <gtest/gtest.h>

#include <limits>

namespace lumek {
namespace {

TEST(NumbersTest, LeadingNumberTakesTheLongestDecimalPrefix) {
    const struct {
        const char16_t* text;
        double value;
    } cases[] = {
        {u"44", 44},  {u"  -12.5px", -12.5}, {u"\t+7", 7}, {u"12abc", 12},
        {u".5", 0.5}, {u"-.25", -0.25},      {u"5.", 5},   {u"3.4.5", 3.4},
        {u"", 0},     {u"abc", 0},           {u"-", 0},    {u"+.", 0},
        {u"- 5", 0},  {u"1e3", 1},           {u"0x10", 0}, {u"  ", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromUtf16(c.text)), c.value);
    }
}

TEST(NumbersTest, RoundingTakesHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(12.4999), 12);
    EXPECT_EQ(RoundHalfEven(12.5001), 13);
    EXPECT_EQ(RoundHalfEven(1e12), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundHalfEven(-1e12), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(NumbersTest, TextsBecomeRoundedWholeNumbers) {
    EXPECT_EQ(ToInt(u"12.5"), 12);
    EXPECT_EQ(ToInt(u"13.5"), 14);
    EXPECT_EQ(ToInt(u"abc"), 0);
    EXPECT_EQ(ToInt(u" -0.5"), 0);
    EXPECT_EQ(WholeNumber(u"2147483647"), 2147483647);
    EXPECT_EQ(WholeNumber(u"99999999999"), std::nullopt);
    EXPECT_EQ(ToInt(u"99999999999"), std::numeric_limits<int32_t>::max());
}

TEST(NumbersTest, StrictWholeNumbersRefuseAnythingElse) {
    EXPECT_EQ(StrictWholeNumber(u"-2147483643"), -2147483643);
    EXPECT_EQ(StrictWholeNumber(u" 16777215 "), 16777215);
    EXPECT_EQ(StrictWholeNumber(u"12abc"), std::nullopt);
    EXPECT_EQ(StrictWholeNumber(u"1.5"), std::nullopt);
    EXPECT_EQ(StrictWholeNumber(u""), std::nullopt);
    EXPECT_EQ(StrictWholeNumber(u"4294967295"), std::nullopt);
}

}  // namespace
}  // namespace lumek
