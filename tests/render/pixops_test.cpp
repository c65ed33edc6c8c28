#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "render/pixel_fixture.h"
#include "render/pixops.h"

namespace lumek {
namespace {

using testing::kPadding;
using testing::Pic;

uint32_t Channel(uint32_t p, int k) {
    return (p >> (8 * k)) & 0xFFu;
}

// Random colours; the top byte is 0xFF unless it is asked to be random too.
Pic RandomPic(std::mt19937& random, int w, int h, bool randomTop = false) {
    Pic pic(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            pic.at(x, y) = static_cast<uint32_t>(random()) | (randomTop ? 0u : 0xFF000000u);
        }
    }
    return pic;
}

// Straight from the definitions, one channel at a time.
uint32_t RefAvg(uint32_t p, uint32_t q) {
    uint32_t out = 0;
    for (int k = 0; k < 3; ++k) {
        out |= (Channel(p, k) / 2 + Channel(q, k) / 2) << (8 * k);
    }
    return out;
}

uint32_t RefBlend(uint32_t d, uint32_t s, uint32_t a) {
    if (a == 64 || a == 128 || a == 192) {
        return a == 128  ? RefAvg(s, d)
               : a == 64 ? RefAvg(d, RefAvg(d, s))
                         : RefAvg(s, RefAvg(s, d));
    }
    uint32_t out = 0;  // also right for 0 and 255
    for (int k = 0; k < 3; ++k) {
        out |= (Channel(s, k) * a / 255 + Channel(d, k) * (255 - a) / 255) << (8 * k);
    }
    return out;
}

uint32_t RefGrey(uint32_t p) {
    const auto g = static_cast<uint32_t>(0.3086 * Channel(p, 0) + 0.6094 * Channel(p, 1) +
                                         0.0820 * Channel(p, 2));
    return g * 0x010101u;
}

struct Call {
    int x, y, w, h, sx, sy, mx, my;
    uint32_t alpha, key, flags;
};

// The operation by its definition, on pictures the call does not change.
void RefBlendOrMask(Pic& dst, const Pic& src, const Pic* mask, const Call& k) {
    auto read = [](const Pic& p, int x, int y) { return p.contains(x, y) ? p.at(x, y) : 0u; };
    for (int r = 0; r < k.h; ++r) {
        for (int c = 0; c < k.w; ++c) {
            if (!dst.contains(k.x + c, k.y + r)) {
                continue;
            }
            const int sr = (k.flags & kPxMirrorVertical) != 0 ? k.h - 1 - r : r;
            const int sc = (k.flags & kPxMirrorHorizontal) != 0 ? k.w - 1 - c : c;
            uint32_t sp = read(src, k.sx + sc, k.sy + sr) & 0xFFFFFFu;
            uint32_t dp = dst.at(k.x + c, k.y + r) & 0xFFFFFFu;
            if ((k.flags & kPxSkipKey) != 0 && sp == k.key) {
                continue;
            }
            sp ^= (k.flags & kPxInvertSource) != 0 ? 0xFFFFFFu : 0u;
            dp ^= (k.flags & kPxInvertDestination) != 0 ? 0xFFFFFFu : 0u;
            sp = (k.flags & kPxGreySource) != 0 ? RefGrey(sp) : sp;
            dp = (k.flags & kPxGreyDestination) != 0 ? RefGrey(dp) : dp;
            uint32_t a = k.alpha & 0xFFu;
            if (mask != nullptr) {
                a = Channel(read(*mask, k.mx + sc, k.my + sr), 0) ^
                    ((k.flags & kPxInvertMask) != 0 ? 0xFFu : 0u);
            }
            dst.at(k.x + c, k.y + r) = 0xFF000000u | RefBlend(dp, sp, a);
        }
    }
}

TEST(PxAlphaBlend, ExactArithmeticForEveryAlphaAndChannelValue) {
    // The reference agrees with the documented figures: 128 mixes 200 over 101 into 100 + 50,
    // 100 puts 255 over 0 as 100.
    ASSERT_EQ(RefBlend(101, 200, 128), 150u);
    ASSERT_EQ(RefBlend(0, 255, 100), 100u);
    // Source channel values run along x, destination values along y, differently per channel.
    auto spread = [](uint32_t v) {
        return 0xFF000000u | v | ((255 - v) << 8) | ((v ^ 0x5Au) << 16);
    };
    Pic src(256, 256), dst(256, 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            src.at(x, y) = spread(static_cast<uint32_t>(x));
            dst.at(x, y) = spread(static_cast<uint32_t>(y));
        }
    }
    for (uint32_t a = 0; a < 256; ++a) {
        SCOPED_TRACE(::testing::Message() << "alpha " << a);
        Pic blended = dst, masked = dst, mask(256, 256, 0x12345600u | a);  // only byte 0 counts
        PxAlphaBlend(blended.view(), 0, 0, 256, 256, src.cview(), 0, 0, static_cast<int>(a), 0, 0);
        PxAlphaMask(masked.view(), 0, 0, 256, 256, src.cview(), 0, 0, mask.cview(), 0, 0, 0, 0);
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                const uint32_t want =
                    0xFF000000u | RefBlend(dst.at(x, y) & 0xFFFFFFu, src.at(x, y) & 0xFFFFFFu, a);
                ASSERT_EQ(blended.at(x, y), want) << "s " << x << " d " << y;
                ASSERT_EQ(masked.at(x, y), want) << "s " << x << " d " << y;
            }
        }
    }
}

TEST(PxAlphaBlend, EachFlagOnOnePixel) {
    const uint32_t colour = 0x00C89664u;  // bytes 100, 150, 200: grey 138.67
    Pic src(3, 1, colour), dst(3, 1, 0xFF102030u);
    src.at(0, 0) = 0xFF000001u;
    src.at(2, 0) = 0x00000003u;
    auto run = [&](int alpha, uint32_t key, uint32_t flags, int x) {
        Pic out = dst;
        PxAlphaBlend(out.view(), 0, 0, 3, 1, src.cview(), 0, 0, alpha, key, flags);
        return out.at(x, 0);
    };
    EXPECT_EQ(run(255, 0, kPxInvertSource, 1), 0xFF37699Bu);
    EXPECT_EQ(run(0, 0, kPxInvertDestination, 1), 0xFFEFDFCFu);
    EXPECT_EQ(run(255, 0, kPxGreySource, 1), 0xFF8A8A8Au);
    EXPECT_EQ(run(0, 0, kPxGreyDestination, 1), 0xFF232323u);
    EXPECT_EQ(run(255, 0, kPxMirrorHorizontal, 0), 0xFF000003u);
    EXPECT_EQ(run(255, colour, kPxSkipKey, 1), 0xFF102030u);  // the source's top byte is ignored
    EXPECT_EQ(run(255, colour, kPxSkipKey, 0), 0xFF000001u);
    EXPECT_EQ(run(255, colour, 0, 1), 0xFFC89664u);  // key without its flag
}

// Blend and mask on random pictures, rectangles partly outside, all flags, and source or mask in
// the destination.
TEST(PxAlphaBlend, MatchesReferenceOnRandomCalls) {
    std::mt19937 random(42);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const std::array<uint32_t, 4> colours{0x00000000u, 0x00FFFFFFu, 0x00FF00FFu, 0x00123456u};
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        Pic dst = RandomPic(random, pick(1, 40), pick(1, 30));
        Pic src = RandomPic(random, pick(1, 40), pick(1, 30), true);
        for (uint32_t& p : src.words) {
            p = pick(0, 2) == 0 ? colours[static_cast<size_t>(pick(0, 3))] : p;
        }
        const Pic mask = RandomPic(random, pick(1, 40), pick(1, 30), true);
        const int reach = pick(0, 1) * 8;  // 0: source and mask rectangles start inside
        Call k{};
        k.x = pick(-8, dst.width), k.y = pick(-8, dst.height), k.w = pick(0, 48), k.h = pick(0, 36);
        k.sx = pick(-reach, reach), k.sy = pick(-reach, reach);
        k.mx = pick(-reach, reach), k.my = pick(-reach, reach);
        k.key = colours[static_cast<size_t>(pick(0, 3))];
        k.alpha = static_cast<uint32_t>(std::array<int, 7>{
            0, 64, 128, 192, 255, 100, pick(0, 511)}[static_cast<size_t>(pick(0, 6))]);
        for (uint32_t bit :
             {kPxSkipKey, kPxInvertSource, kPxInvertDestination, kPxInvertMask, kPxGreySource,
              kPxGreyDestination, kPxMirrorHorizontal, kPxMirrorVertical}) {
            k.flags |= pick(0, 3) == 0 ? bit : 0u;
        }
        const bool useMask = pick(0, 1) == 0;
        const int shared = pick(0, 3);  // 0: source is the destination, 1: mask is
        const Pic& source = shared == 0 ? dst : src;
        const Pic& alphas = shared == 1 ? dst : mask;

        Pic want = dst;  // source and mask may be `dst`, which changes only after this
        RefBlendOrMask(want, source, useMask ? &alphas : nullptr, k);
        if (useMask) {
            PxAlphaMask(dst.view(), k.x, k.y, k.w, k.h, source.cview(), k.sx, k.sy, alphas.cview(),
                        k.mx, k.my, k.key, k.flags);
        } else {
            PxAlphaBlend(dst.view(), k.x, k.y, k.w, k.h, source.cview(), k.sx, k.sy,
                         static_cast<int>(k.alpha), k.key, k.flags);
        }
        ASSERT_EQ(dst.words, want.words) << "mask " << useMask << " flags " << std::hex << k.flags;
    }
}

// Blurs a picture whose green bytes hold the values, row by row, and returns the green bytes.
std::vector<uint32_t> BlurGreen(int w, int h, const std::vector<uint32_t>& values) {
    Pic pic(w, h);
    for (size_t i = 0; i < values.size(); ++i) {
        pic.at(static_cast<int>(i) % w, static_cast<int>(i) / w) = values[i] << 8;
    }
    EXPECT_EQ(PxBlur(pic.view(), pic.cview(), 0, 0), h);
    std::vector<uint32_t> out;
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t p = pic.at(static_cast<int>(i) % w, static_cast<int>(i) / w);
        EXPECT_EQ(p & 0xFFFF00FFu, 0xFF000000u);
        out.push_back(Channel(p, 1));
    }
    return out;
}

TEST(PxBlur, SinglePixelUniformAreasAndEdges) {
    using Values = std::vector<uint32_t>;
    EXPECT_EQ(BlurGreen(5, 5, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255,
                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              (Values{0,  0, 0, 0,  0,  0,  15, 31, 15, 0, 0, 31, 63,
                      31, 0, 0, 15, 31, 15, 0,  0,  0,  0, 0, 0}));
    EXPECT_EQ(BlurGreen(4, 3, Values(12, 201)), Values(12, 200));
    EXPECT_EQ(BlurGreen(4, 3, Values(12, 200)), Values(12, 200));
    // Corner (0,0): avg(avg(11, 201), avg(99, 255)) = avg(105, 176) = 140. Centre: row values
    // 111, 152, 120 give avg(152, avg(111, 120)) = 133.
    EXPECT_EQ(BlurGreen(3, 3, {11, 201, 37, 99, 255, 3, 150, 77, 180}),
              (Values{140, 131, 123, 142, 133, 125, 144, 136, 128}));
    EXPECT_EQ(BlurGreen(2, 2, {200, 100, 50, 10}), Values(4, 90));
}

TEST(PxBlur, InPlaceCopiesSizesAndKey) {
    std::mt19937 random(3);
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        const int w = 2 + static_cast<int>(random() % 40), h = 2 + static_cast<int>(random() % 30);
        const Pic src = RandomPic(random, w, h, true);
        Pic separate(w, h), inPlace = src, small(std::max(1, w - 3), std::max(1, h - 2));
        EXPECT_EQ(PxBlur(separate.view(), src.cview(), 0, 0), h);
        PxBlur(inPlace.view(), inPlace.cview(), 0, 0);
        ASSERT_EQ(inPlace.words, separate.words);
        PxBlur(small.view(), src.cview(), 0, 0);  // gets the top-left part
        for (int y = 0; y < small.height; ++y) {
            for (int x = 0; x < small.width; ++x) {
                ASSERT_EQ(small.at(x, y), separate.at(x, y)) << x << "," << y;
            }
        }
    }
    // A destination one row further down in the same memory reads the picture as it was.
    Pic shared = RandomPic(random, 9, 7), want(9, 7);
    PxBlur(want.view(), shared.cview(), 0, 0);
    PxBlur({&shared.at(0, 1), 9, 6, shared.stride}, shared.cview(), 0, 0);
    EXPECT_EQ(shared.at(4, 6), want.at(4, 5));
    for (Pic thin : {RandomPic(random, 1, 6), RandomPic(random, 6, 1)}) {
        const Pic before = thin;
        EXPECT_EQ(PxBlur(thin.view(), thin.cview(), 0, 0), 0);
        EXPECT_EQ(thin.words, before.words);
    }
    // The key is 0x00BBGGRR: this pixel has red 0x12 and blue 0x56.
    Pic dot(3, 3), keyed(3, 3), wrongOrder(3, 3), plain(3, 3);
    dot.at(1, 1) = 0xFF123456u;
    PxBlur(keyed.view(), dot.cview(), 0x563412u, kPxSkipKey);
    PxBlur(wrongOrder.view(), dot.cview(), 0x123456u, kPxSkipKey);
    PxBlur(plain.view(), dot.cview(), 0x563412u, 0);
    EXPECT_EQ(keyed.at(1, 1), 0xFF123456u);
    EXPECT_EQ(keyed.at(0, 0), plain.at(0, 0));
    EXPECT_EQ(wrongOrder.words, plain.words);
    EXPECT_NE(plain.at(1, 1), 0xFF123456u);
}

// HSL is checked by its properties; the matrix is single precision, so some are within a unit.
Pic Hsl(const Pic& src, float hue, float sat, float light, uint32_t key = 0, uint32_t flags = 0) {
    Pic out(src.width, src.height, 0xFF0000FFu);
    PxHSL(out.view(), 0, 0, src.width, src.height, src.cview(), 0, 0, hue, sat, light, key, flags);
    return out;
}

double Luminance(uint32_t p) {
    return 0.3086 * Channel(p, 0) + 0.6094 * Channel(p, 1) + 0.0820 * Channel(p, 2);
}

TEST(PxHSL, IdentityLightnessHueAndSaturation) {
    std::mt19937 random(5);
    const Pic src = RandomPic(random, 23, 17, true);
    const Pic copy = Hsl(src, 0, 1, 0);
    for (size_t i = 0; i < src.words.size(); ++i) {
        EXPECT_EQ(copy.words[i], src.words[i] == kPadding ? kPadding : src.words[i] | 0xFF000000u);
    }
    const Pic lighter = Hsl(src, 0, 1, 40), darker = Hsl(src, 0, 1, -40), grey = Hsl(src, 0, 0, 0);
    for (int k = 0; k < 3; ++k) {
        const int v = static_cast<int>(Channel(src.at(3, 4), k));
        EXPECT_NEAR(Channel(lighter.at(3, 4), k), std::min(v + 40, 255), 1);
        EXPECT_NEAR(Channel(darker.at(3, 4), k), std::max(v - 40, 0), 1);
        EXPECT_NEAR(Channel(grey.at(5, 6), k), Luminance(src.at(5, 6)), 1.0);
    }
    EXPECT_EQ(Hsl(Pic(1, 1, 0xFFF0F0F0u), 0, 1, 40).at(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Hsl(Pic(1, 1, 0xFF101010u), 0, 1, -40).at(0, 0), 0xFF000000u);
    // Hue 180 turns pure byte 0 into bytes 1 and 2; positive hue turns it towards byte 1,
    // negative towards byte 2. Unclamped colours keep their luminance.
    const Pic blue(1, 1, 0xFF0000C8u);
    const uint32_t turned = Hsl(blue, 180, 1, 0).at(0, 0);
    EXPECT_EQ(Channel(turned, 0), 0u);
    EXPECT_GT(Channel(turned, 1), 100u);
    EXPECT_EQ(Channel(turned, 1), Channel(turned, 2));
    const uint32_t forward = Hsl(blue, 120, 1, 0).at(0, 0);
    const uint32_t backward = Hsl(blue, -120, 1, 0).at(0, 0);
    EXPECT_GT(Channel(forward, 1), Channel(forward, 0) + Channel(forward, 2) + 100);
    EXPECT_GT(Channel(backward, 2), Channel(backward, 0) + Channel(backward, 1) + 100);
    EXPECT_EQ(Hsl(blue, 240, 1, 0).at(0, 0), backward);
    for (uint32_t colour : {0xFF404080u, 0xFF123456u, 0xFF808080u}) {
        EXPECT_NEAR(Luminance(Hsl(Pic(1, 1, colour), 180, 1, 0).at(0, 0)), Luminance(colour), 1.0);
    }
}

TEST(PxHSL, FlagsActOnTheSource) {
    std::mt19937 random(6);
    Pic src = RandomPic(random, 7, 5, true);
    src.at(2, 2) = 0x00ABCDEFu;
    Pic inverted = src, greyed = src, mirrored = src;
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            inverted.at(x, y) ^= 0xFFFFFFu;
            greyed.at(x, y) = RefGrey(src.at(x, y));
            mirrored.at(x, y) = src.at(6 - x, 4 - y);
        }
    }
    auto hsl = [](const Pic& from, uint32_t flags = 0, uint32_t key = 0) {
        return Hsl(from, 50, 1.3f, 10, key, flags).words;
    };
    EXPECT_EQ(hsl(src, kPxInvertSource), hsl(inverted));
    EXPECT_EQ(hsl(src, kPxGreySource), hsl(greyed));
    EXPECT_EQ(hsl(src, kPxMirrorHorizontal | kPxMirrorVertical), hsl(mirrored));
    EXPECT_EQ(hsl(src, kPxInvertDestination | kPxGreyDestination), hsl(src));
    std::vector<uint32_t> keyed = hsl(src);
    keyed[static_cast<size_t>(2 * src.stride + 2)] = 0xFF0000FFu;  // the destination stays
    EXPECT_EQ(hsl(src, kPxSkipKey, 0xABCDEFu), keyed);
    // In place, mirrored: every pixel is read before any is written.
    Pic same = src;
    PxHSL(same.view(), 0, 0, 7, 5, same.cview(), 0, 0, 50, 1.3f, 10, 0, kPxMirrorVertical);
    EXPECT_EQ(same.words, hsl(src, kPxMirrorVertical));
}

}  // namespace
}  // namespace lumek
