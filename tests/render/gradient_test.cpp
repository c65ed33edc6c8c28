#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "render/gradient.h"

namespace lumek {
namespace {

// A picture with padded rows, filled with a colour the gradient never produces.
struct Canvas {
    static constexpr uint32_t kUntouched = 0x00ABCDEFu;
    int width, height;
    std::vector<uint32_t> words;
    Canvas(int w, int h)
        : width(w), height(h), words(static_cast<size_t>(h * (w + 2)), kUntouched) {}
    PixelView view() { return {words.data(), width, height, width + 2}; }
    uint32_t at(int x, int y) const { return words[static_cast<size_t>(y * (width + 2) + x)]; }
};

Canvas Fill(int w, int h, int32_t a, int32_t b, float angle) {
    Canvas canvas(w, h);
    FillGradient(canvas.view(), 0, 0, w, h, a, b, angle);
    return canvas;
}

TEST(FillGradient, TwoHundredSeventyDegreesRunsTopToBottom) {
    // Colours are 0x00BBGGRR; pixels come out 0xFFRRGGBB. Four rows, four colours: the rows
    // between are c1 + (c2 - c1) * i / 3 counted from the bottom, truncated toward zero
    // (red: 10 + (0 - 10) * 2 / 3 = 4, where flooring would give 3).
    const Canvas c = Fill(5, 4, 0x00102000, 0x00F0E00A, 270);
    const uint32_t rows[4] = {0xFF002010u, 0xFF04605Bu, 0xFF07A0A6u, 0xFF0AE0F0u};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(c.at(x, y), rows[y]) << x << "," << y;
        }
    }
    // One row gives one colour: each channel halved before adding (201, 99 -> 149; 51, 17 -> 33).
    const Canvas single = Fill(6, 1, 0x0033C9, 0x001163, 270);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(single.at(x, 0), 0xFF952100u);
    }
}

TEST(FillGradient, OtherAngles) {
    {
        SCOPED_TRACE("0 degrees: colourA on the left");
        const Canvas c = Fill(4, 3, 0x0000FF, 0xFF0000, 0);
        const uint32_t columns[4] = {0xFFFF0000u, 0xFFAA0055u, 0xFF5500AAu, 0xFF0000FFu};
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(c.at(x, 0), columns[x]);
            EXPECT_EQ(c.at(x, 2), columns[x]);
        }
    }
    {
        SCOPED_TRACE("45 degrees on a square: four colours, steps of 707 from the bottom left");
        const Canvas c = Fill(3, 3, 0x000000, 0x0000FF, 45);
        const uint32_t red[3][3] = {{85, 170, 170}, {0, 85, 170}, {0, 0, 85}};
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(c.at(x, y), 0xFF000000u | red[y][x] << 16) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(Fill(7, 5, 0x123456, 0x654321, 450).words, Fill(7, 5, 0x123456, 0x654321, 90).words);
    EXPECT_EQ(Fill(7, 5, 0x123456, 0x654321, -90).words, Fill(7, 5, 0x123456, 0x654321, 270).words);
    const Canvas up = Fill(3, 4, 0x0000FF, 0x00FF00, 90);
    EXPECT_EQ(up.at(1, 3), 0xFFFF0000u);
    EXPECT_EQ(up.at(1, 0), 0xFF00FF00u);
    // Any angle: every channel stays between the two colours and the whole rectangle is drawn.
    for (int angle = -180; angle < 540; angle += 7) {
        SCOPED_TRACE(::testing::Message() << "angle " << angle);
        const Canvas c = Fill(13, 6, 0x20F010, 0xE01090, static_cast<float>(angle) + 0.3f);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 13; ++x) {
                const uint32_t p = c.at(x, y);
                ASSERT_EQ(p >> 24, 0xFFu);
                ASSERT_TRUE((p & 0xFF) >= 0x20 && (p & 0xFF) <= 0xE0);  // blue
                ASSERT_TRUE((p >> 8 & 0xFF) >= 0x10 && (p >> 8 & 0xFF) <= 0xF0);
                ASSERT_TRUE((p >> 16 & 0xFF) >= 0x10 && (p >> 16 & 0xFF) <= 0x90);
            }
        }
    }
}

TEST(FillGradient, ClipsAndIgnoresEmptyRectangles) {
    const Canvas whole = Fill(6, 5, 0x123456, 0xABCDEF, 30);
    Canvas clipped(4, 3);
    FillGradient(clipped.view(), -2, -1, 6, 5, 0x123456, 0xABCDEF, 30);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(clipped.at(x, y), whole.at(x + 2, y + 1)) << x << "," << y;
        }
    }
    Canvas untouched(4, 3);
    FillGradient(untouched.view(), 0, 0, 0, 3, 0x123456, 0xABCDEF, 270);
    FillGradient(untouched.view(), 0, 0, 4, -1, 0x123456, 0xABCDEF, 270);
    FillGradient(untouched.view(), 4, 0, 5, 3, 0x123456, 0xABCDEF, 270);
    // Far-off rectangles must not overflow the clipping arithmetic.
    constexpr int kFar = std::numeric_limits<int>::min();
    FillGradient(untouched.view(), kFar, kFar, 100, 100, 0x123456, 0xABCDEF, 270);
    FillGradient(untouched.view(), 0, kFar, 4, std::numeric_limits<int>::max(), 0, 0xFFFFFF, 270);
    EXPECT_TRUE(std::all_of(untouched.words.begin(), untouched.words.end(),
                            [](uint32_t p) { return p == Canvas::kUntouched; }));
}

}  // namespace
}  // namespace lumek
