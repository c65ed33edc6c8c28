#include "base/numbers.h"

#include <QString>

#include <gtest/gtest.h>

#include <limits>

namespace lumek {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(NumbersTest, LeadingNumberTakesTheLongestDecimalPrefix) {
    const std::pair<const char16_t*, double> cases[] = {
        {u"44", 44},  {u"  -12.5px", -12.5}, {u"\t+7", 7}, {u"12abc", 12},
        {u".5", 0.5}, {u"-.25", -0.25},      {u"5.", 5},   {u"3.4.5", 3.4},
        {u"", 0},     {u"abc", 0},           {u"-", 0},    {u"+.", 0},
        {u"- 5", 0},  {u"1e3", 1},           {u"0x10", 0}, {u"  ", 0}};
    for (const auto& [text, value] : cases) {
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromUtf16(text)), value)
            << QString::fromUtf16(text).toStdString();
    }
}

TEST(NumbersTest, RoundingTakesHalvesToTheEvenNeighbourAndSaturates) {
    const std::pair<double, int32_t> cases[] = {
        {2.5, 2},     {3.5, 4},      {-2.5, -2},
        {-3.5, -4},   {12.4999, 12}, {12.5001, 13},
        {1e12, kMax}, {-1e12, kMin}, {std::numeric_limits<double>::quiet_NaN(), 0}};
    for (const auto& [value, rounded] : cases) {
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    }
    EXPECT_EQ(ToInt(u"12.5"), 12);
    EXPECT_EQ(ToInt(u"13.5"), 14);
    EXPECT_EQ(ToInt(u"abc"), 0);
    EXPECT_EQ(ToInt(u" -0.5"), 0);
    EXPECT_EQ(ToInt(u"99999999999"), kMax);
    EXPECT_EQ(WholeNumber(u"2147483647"), kMax);
    EXPECT_EQ(WholeNumber(u"99999999999"), std::nullopt);

    const std::pair<double, int> lengths[] = {{60.0, 600},    {60.0999, 600}, {60.1, 601},
                                              {12.3456, 123}, {0, 0},         {-1, 0},
                                              {0.0999, 0},    {3600.5, 36005}};
    for (const auto& [seconds, tenths] : lengths) {
        EXPECT_EQ(LengthInTenths(seconds), tenths) << seconds;
    }
}

TEST(NumbersTest, StrictWholeNumbersRefuseAnythingElse) {
    EXPECT_EQ(StrictWholeNumber(u"-2147483643"), -2147483643);
    EXPECT_EQ(StrictWholeNumber(u" 16777215 "), 16777215);
    for (const char16_t* text : {u"12abc", u"1.5", u"", u"4294967295"}) {
        EXPECT_EQ(StrictWholeNumber(text), std::nullopt) << QString::fromUtf16(text).toStdString();
    }
}

}  // namespace
}  // namespace lumek
