#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "render/gradient.h"
#include "render/pixel_fixture.h"

namespace lumek {
namespace {

using testing::Pic;

// The gradient never produces this colour.
constexpr uint32_t kUntouched = 0x00ABCDEFu;

Pic Fill(int w, int h, int32_t a, int32_t b, float angle) {
    Pic canvas(w, h, kUntouched);
    FillGradient(canvas.view(), 0, 0, w, h, a, b, angle);
    return canvas;
}

// Every pixel of row y (or of column x) is colours[y] (colours[x]).
void ExpectLines(const Pic& c, const std::vector<uint32_t>& colours, bool columns = false) {
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            EXPECT_EQ(c.at(x, y), colours[static_cast<size_t>(columns ? x : y)]) << x << "," << y;
        }
    }
}

TEST(FillGradient, ExactColoursAtTheMainAngles) {
    // Colours are 0x00BBGGRR; pixels come out 0xFFRRGGBB. Four rows, four colours: the rows
    // between are c1 + (c2 - c1) * i / 3 counted from the bottom, truncated toward zero
    // (red: 10 + (0 - 10) * 2 / 3 = 4, where flooring would give 3).
    ExpectLines(Fill(5, 4, 0x00102000, 0x00F0E00A, 270),
                {0xFF002010u, 0xFF04605Bu, 0xFF07A0A6u, 0xFF0AE0F0u});
    // One row gives one colour: each channel halved before adding (201, 99 -> 149; 51, 17 -> 33).
    ExpectLines(Fill(6, 1, 0x0033C9, 0x001163, 270), {0xFF952100u});
    ExpectLines(Fill(4, 3, 0x0000FF, 0xFF0000, 0),
                {0xFFFF0000u, 0xFFAA0055u, 0xFF5500AAu, 0xFF0000FFu}, true);
    const Pic up = Fill(3, 4, 0x0000FF, 0x00FF00, 90);
    EXPECT_EQ(up.at(1, 3), 0xFFFF0000u);
    EXPECT_EQ(up.at(1, 0), 0xFF00FF00u);
    // 45 degrees on a square: four colours, steps of 707 from the bottom left.
    const Pic diagonal = Fill(3, 3, 0x000000, 0x0000FF, 45);
    const uint32_t red[3][3] = {{85, 170, 170}, {0, 85, 170}, {0, 0, 85}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(diagonal.at(x, y), 0xFF000000u | red[y][x] << 16) << x << "," << y;
        }
    }
    EXPECT_EQ(Fill(7, 5, 0x123456, 0x654321, 450).words, Fill(7, 5, 0x123456, 0x654321, 90).words);
    EXPECT_EQ(Fill(7, 5, 0x123456, 0x654321, -90).words, Fill(7, 5, 0x123456, 0x654321, 270).words);
}

TEST(FillGradient, AnyAngleStaysBetweenTheColoursAndClips) {
    for (int angle = -180; angle < 540; angle += 7) {
        SCOPED_TRACE(::testing::Message() << "angle " << angle);
        const Pic c = Fill(13, 6, 0x20F010, 0xE01090, static_cast<float>(angle) + 0.3f);
        for (const uint32_t p : c.words) {
            ASSERT_TRUE(p == testing::kPadding ||
                        (p >> 24 == 0xFFu && (p & 0xFF) >= 0x20 && (p & 0xFF) <= 0xE0 &&
                         (p >> 8 & 0xFF) >= 0x10 && (p >> 8 & 0xFF) <= 0xF0 &&
                         (p >> 16 & 0xFF) >= 0x10 && (p >> 16 & 0xFF) <= 0x90))
                << std::hex << p;
        }
        ASSERT_EQ(std::count(c.words.begin(), c.words.end(), testing::kPadding), 3 * 5);
    }

    const Pic whole = Fill(6, 5, 0x123456, 0xABCDEF, 30);
    Pic clipped(4, 3, kUntouched);
    FillGradient(clipped.view(), -2, -1, 6, 5, 0x123456, 0xABCDEF, 30);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(clipped.at(x, y), whole.at(x + 2, y + 1)) << x << "," << y;
        }
    }
    Pic untouched(4, 3, kUntouched);
    FillGradient(untouched.view(), 0, 0, 0, 3, 0x123456, 0xABCDEF, 270);
    FillGradient(untouched.view(), 0, 0, 4, -1, 0x123456, 0xABCDEF, 270);
    FillGradient(untouched.view(), 4, 0, 5, 3, 0x123456, 0xABCDEF, 270);
    // Far-off rectangles must not overflow the clipping arithmetic.
    constexpr int kFar = std::numeric_limits<int>::min();
    FillGradient(untouched.view(), kFar, kFar, 100, 100, 0x123456, 0xABCDEF, 270);
    FillGradient(untouched.view(), 0, kFar, 4, std::numeric_limits<int>::max(), 0, 0xFFFFFF, 270);
    EXPECT_EQ(untouched.words, Pic(4, 3, kUntouched).words);
}

}  // namespace
}  // namespace lumek
