#include "render/filters.h"

#include "base/numbers.h"
#include "support/recording_host.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace lumek {
namespace {

struct Bitmap {
    int width, height;
    std::vector<uint32_t> words;
    Bitmap(int w, int h) : width(w), height(h), words(static_cast<size_t>(w * h)) {}
    PixelView view() { return {words.data(), width, height, width}; }
    uint32_t& at(int x, int y) { return words[static_cast<size_t>(y * width + x)]; }
};

// Blue bytes as given, green 255 - blue, red 3, and a spare byte the filters must keep.
Bitmap FromBlue(int w, int h, const std::vector<uint32_t>& blue) {
    Bitmap b(w, h);
    for (size_t i = 0; i < blue.size(); ++i) {
        b.words[i] = 0x12000000u | (3u << 16) | ((255u - blue[i]) << 8) | blue[i];
    }
    return b;
}

// A host that runs a hook at every pump.
class HookHost : public testing::RecordingHost {
public:
    std::function<void()> onPump;
    void pump() override {
        RecordingHost::pump();
        if (onPump) {
            onPump();
        }
    }
};

TEST(Mosaic, BlocksAverageTheirPixelsFromTheTopLeft) {
    FilterState state;
    HookHost host;
    int32_t progress = -1;
    std::vector<int32_t> seen;
    host.onPump = [&] { seen.push_back(progress); };
    {
        SCOPED_TRACE("2 x 2 blocks on 3 x 3: the edge blocks average 2 pixels, the corner 1");
        Bitmap b = FromBlue(3, 3, {10, 20, 30, 40, 50, 61, 70, 80, 90});
        ApplyFilter(kFilterMosaic, b.view(), 2, progress, state, host);
        const uint32_t blue[9] = {30, 30, 45, 30, 30, 45, 75, 75, 90};
        const uint32_t green[9] = {225, 225, 209, 225, 225, 209, 180, 180, 165};
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(b.words[static_cast<size_t>(i)], 0x12030000u | green[i] << 8 | blue[i]) << i;
        }
        // Progress after every row, then 100 once more at the end.
        EXPECT_EQ(seen, (std::vector<int32_t>{33, 66, 100, 100}));
        EXPECT_EQ(host.pumps, 4);
    }
    {
        SCOPED_TRACE("a block larger than the picture averages all of it");
        Bitmap b = FromBlue(3, 3, {10, 20, 30, 40, 50, 61, 70, 80, 90});
        ApplyFilter(kFilterMosaic, b.view(), 1000000, progress, state, host);
        for (const uint32_t word : b.words) {
            EXPECT_EQ(word, 0x12030000u | (204u << 8) | 50u);  // 451 / 9, 1844 / 9
        }
    }
    {
        SCOPED_TRACE("1 x 1 blocks change nothing; an empty picture reports 100");
        Bitmap b = FromBlue(3, 2, {1, 2, 3, 4, 5, 6});
        const std::vector<uint32_t> before = b.words;
        ApplyFilter(kFilterMosaic, b.view(), 1, progress, state, host);
        EXPECT_EQ(b.words, before);
        progress = 0;
        ApplyFilter(kFilterMosaic, PixelView{}, 3, progress, state, host);
        EXPECT_EQ(progress, 100);
    }
}

TEST(Spread, OffsetsStayInsideThePicture) {
    HookHost host;
    int32_t progress = 0;
    FilterState state;
    // Every pixel unique, so each output names where it came from.
    Bitmap b(7, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            b.at(x, y) = 0xFF000000u | static_cast<uint32_t>(y << 8 | x);
        }
    }
    const Bitmap original = b;
    ApplyFilter(kFilterSpread, b.view(), 1, progress, state, host);
    EXPECT_EQ(progress, 100);
    EXPECT_EQ(host.pumps, 1);
    // Strength 1: offsets round(r) - 0 in {0, 1}, only to pixels not yet visited, so each output
    // is an original pixel right of or below its place, and the last column and row fall back.
    int moved = 0;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            const int fromX = static_cast<int>(b.at(x, y) & 0xFF);
            const int fromY = static_cast<int>((b.at(x, y) >> 8) & 0xFF);
            EXPECT_TRUE(fromX == x || (fromX == x + 1 && x + 1 < 7)) << x << "," << y;
            EXPECT_TRUE(fromY == y || (fromY == y + 1 && y + 1 < 5)) << x << "," << y;
            moved += (fromX != x || fromY != y) ? 1 : 0;
        }
    }
    EXPECT_GT(moved, 5);
    EXPECT_EQ(b.at(6, 4), original.words.back());
}

TEST(Spread, FollowsTheSeededGenerator) {
    // The same seed gives the same offsets: dx = round(r1 S - round(S / 2)), dy from r2, each
    // dropped when it leaves the picture; pixels are taken from the picture as already spread.
    for (const int32_t strength : {3, 4, 9}) {
        SCOPED_TRACE(strength);
        Bitmap b(9, 6);
        for (size_t i = 0; i < b.words.size(); ++i) {
            b.words[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u & 0xFFFFFFu);
        }
        Bitmap expected = b;
        FilterState state{false, FilterRandom(42)};
        FilterRandom model(42);
        const int half = RoundHalfEven(strength / 2.0);
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 9; ++x) {
                int dx = RoundHalfEven(model.next() * strength - half);
                int dy = RoundHalfEven(model.next() * strength - half);
                dx = (x + dx < 0 || x + dx >= 9) ? 0 : dx;
                dy = (y + dy < 0 || y + dy >= 6) ? 0 : dy;
                expected.at(x, y) = expected.at(x + dx, y + dy);
            }
        }
        testing::RecordingHost host;
        int32_t progress = 0;
        ApplyFilter(kFilterSpread, b.view(), strength, progress, state, host);
        EXPECT_EQ(b.words, expected.words);
    }
}

TEST(ApplyFilter, OtherIndicesAndNestedCallsLeaveTheBitmapAlone) {
    HookHost host;
    FilterState state;
    int32_t progress = 0;
    Bitmap b = FromBlue(4, 4, std::vector<uint32_t>(16, 77));
    b.at(1, 1) = 0xFF0000FFu;
    const std::vector<uint32_t> before = b.words;
    for (const int32_t index : {-1, 0, 2, 16, 31, 32}) {
        ApplyFilter(index, b.view(), 3, progress, state, host);
        EXPECT_EQ(b.words, before) << index;
    }
    EXPECT_EQ(host.pumps, 0);

    // A filter pumps; what the pump starts can't run a second filter meanwhile.
    Bitmap other = b;
    host.onPump = [&] {
        int32_t nested = 0;
        ApplyFilter(kFilterMosaic, other.view(), 2, nested, state, host);
        EXPECT_TRUE(state.busy);
    };
    ApplyFilter(kFilterMosaic, b.view(), 2, progress, state, host);
    EXPECT_NE(b.words, before);
    EXPECT_EQ(other.words, before);
    EXPECT_FALSE(state.busy);
}

}  // namespace
}  // namespace lumek
