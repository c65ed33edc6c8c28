#include "render/filters.h"

#include "base/numbers.h"
#include "render/pixel_fixture.h"
#include "support/recording_host.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumek {
namespace {

using Bitmap = testing::Pic;

// Blue bytes as given, green 255 - blue, red 3, and a spare byte the filters must keep.
Bitmap FromBlue(int w, int h, const std::vector<uint32_t>& blue) {
    Bitmap b(w, h);
    for (size_t i = 0; i < blue.size(); ++i) {
        b.at(static_cast<int>(i) % w, static_cast<int>(i) / w) =
            0x12000000u | (3u << 16) | ((255u - blue[i]) << 8) | blue[i];
    }
    return b;
}

TEST(Mosaic, BlocksAverageTheirPixelsFromTheTopLeft) {
    FilterState state;
    testing::RecordingHost host;
    int32_t progress = -1;
    std::vector<int32_t> seen;
    host.onPump = [&] { seen.push_back(progress); };
    const std::vector<uint32_t> blue = {10, 20, 30, 40, 50, 61, 70, 80, 90};
    // 2 x 2 blocks on 3 x 3: the edge blocks average 2 pixels, the corner 1.
    Bitmap b = FromBlue(3, 3, blue);
    ApplyFilter(kFilterMosaic, b.view(), 2, progress, state, host);
    const uint32_t blocks[9][2] = {{30, 225}, {30, 225}, {45, 209}, {30, 225}, {30, 225},
                                   {45, 209}, {75, 180}, {75, 180}, {90, 165}};  // blue, green
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(b.at(i % 3, i / 3), 0x12030000u | blocks[i][1] << 8 | blocks[i][0]) << i;
    }
    // Progress after every row, then 100 once more at the end.
    EXPECT_EQ(seen, (std::vector<int32_t>{33, 66, 100, 100}));
    EXPECT_EQ(host.pumps, 4);

    // A block larger than the picture averages all of it: blue 451 / 9, green 1844 / 9.
    b = FromBlue(3, 3, blue);
    ApplyFilter(kFilterMosaic, b.view(), 1000000, progress, state, host);
    EXPECT_EQ(b.words, Bitmap(3, 3, 0x12030000u | (204u << 8) | 50u).words);

    // 1 x 1 blocks change nothing; an empty picture reports 100.
    b = FromBlue(3, 2, {1, 2, 3, 4, 5, 6});
    const std::vector<uint32_t> before = b.words;
    ApplyFilter(kFilterMosaic, b.view(), 1, progress, state, host);
    EXPECT_EQ(b.words, before);
    progress = 0;
    ApplyFilter(kFilterMosaic, PixelView{}, 3, progress, state, host);
    EXPECT_EQ(progress, 100);
}

TEST(Spread, FollowsTheSeededGeneratorAndStaysInside) {
    // The same seed gives the same offsets: dx = round(r1 S - round(S / 2)), dy from r2, each
    // dropped when it leaves the picture; pixels are taken from the picture as already spread.
    for (const int32_t strength : {1, 3, 4, 9}) {
        SCOPED_TRACE(strength);
        Bitmap b(9, 6);
        for (int i = 0; i < 9 * 6; ++i) {  // every pixel different
            b.at(i % 9, i / 9) = 0xFF000000u | (static_cast<uint32_t>(i) * 2654435761u & 0xFFFFFFu);
        }
        const std::vector<uint32_t> original = b.words;
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
        EXPECT_NE(b.words, original);
        EXPECT_EQ(progress, 100);
        EXPECT_EQ(host.pumps, 1);
    }
}

TEST(ApplyFilter, OtherIndicesAndNestedCallsLeaveTheBitmapAlone) {
    testing::RecordingHost host;
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
