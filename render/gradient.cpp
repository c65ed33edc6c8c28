#include "render/gradient.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/numbers.h"

namespace lumek {

namespace {

// Single-precision values of 180 / pi and pi / 180. The number of colours and the steps depend
// on them, so they are kept as they are rather than taken from std::numbers.
constexpr double kDegreesPerRadian = 57.2957763671875;
constexpr double kRadiansPerDegree = 0.01745329238474369;

struct Rgb {
    int r, g, b;
};

Rgb Channels(int32_t colour) {
    const auto c = static_cast<uint32_t>(colour);
    return {static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
            static_cast<int>((c >> 16) & 0xFFu)};
}

uint32_t Pixel(long long r, long long g, long long b) {
    return 0xFF000000u | static_cast<uint32_t>((r << 16) | (g << 8) | b);
}

// Channel of palette entry i of count entries: c1 + (c2 - c1) * i / (count - 1), truncated.
long long Interpolate(int c1, int c2, long long i, long long count) {
    return c1 + static_cast<long long>(c2 - c1) * i / (count - 1);
}

}  // namespace

void FillGradient(PixelView dst, int x, int y, int width, int height, int32_t colourA,
                  int32_t colourB, float angle) {
    if (dst.pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    int a = RoundHalfEven(90.0 - static_cast<double>(angle)) % 360;
    if (a < 0) {
        a += 360;
    }
    const int quadrant = a / 90;
    const int inQuadrant = a % 90;  // degrees

    const bool even = quadrant % 2 == 0;
    const double ratio =
        even ? static_cast<double>(width) / height : static_cast<double>(height) / width;
    const double t = std::atan(ratio) * kDegreesPerRadian;
    const double diagonal =
        std::sqrt(static_cast<double>(width) * width + static_cast<double>(height) * height);
    // The number of distinct colours along the gradient.
    const long long count =
        RoundHalfEven(diagonal * std::sin((90.0 - std::abs(inQuadrant - t)) * kRadiansPerDegree));
    if (count <= 0) {
        return;
    }

    const double stepAngle = (even ? inQuadrant : 90 - inQuadrant) * kRadiansPerDegree;
    const long long stepX = RoundHalfEven(std::sin(stepAngle) * 1000);
    const long long stepY = RoundHalfEven(std::cos(stepAngle) * 1000);

    // Rectangle rows r0..r1-1 and columns c0..c1-1 lie inside the picture.
    const auto c0 = static_cast<int>(
        std::min<long long>(width, std::max<long long>(0, -static_cast<long long>(x))));
    const auto c1 =
        static_cast<int>(std::min<long long>(width, static_cast<long long>(dst.width) - x));
    const auto r0 = static_cast<int>(
        std::min<long long>(height, std::max<long long>(0, -static_cast<long long>(y))));
    const auto r1 =
        static_cast<int>(std::min<long long>(height, static_cast<long long>(dst.height) - y));
    if (c0 >= c1 || r0 >= r1) {
        return;
    }

    // In the even quadrants the accumulator starts on the bottom row and grows upwards, in the
    // odd ones it starts on the top row. Steps are never negative, so the visible corner
    // farthest along bounds the entries that can be used.
    auto rowIndex = [&](int r) -> long long { return even ? height - 1 - r : r; };
    const long long lastRow = std::max(rowIndex(r0), rowIndex(r1 - 1));
    const long long used =
        std::min(count, (lastRow * stepY + static_cast<long long>(c1 - 1) * stepX) / 1000 + 1);

    Rgb first = Channels(colourA);
    Rgb second = Channels(colourB);
    if (quadrant >= 2) {
        std::swap(first, second);
    }
    std::vector<uint32_t> palette(static_cast<size_t>(used));
    if (count == 1) {
        palette[0] = Pixel((first.r >> 1) + (second.r >> 1), (first.g >> 1) + (second.g >> 1),
                           (first.b >> 1) + (second.b >> 1));
    } else {
        for (long long i = 0; i < used; ++i) {
            palette[static_cast<size_t>(i)] = Pixel(Interpolate(first.r, second.r, i, count),
                                                    Interpolate(first.g, second.g, i, count),
                                                    Interpolate(first.b, second.b, i, count));
        }
    }

    for (int r = r0; r < r1; ++r) {
        uint32_t* out = dst.row(y + r) + (x + c0);
        const long long rowStart = rowIndex(r) * stepY;
        for (int c = c0; c < c1; ++c) {
            const long long index = std::clamp((rowStart + c * stepX) / 1000, 0LL, used - 1);
            out[c - c0] = palette[static_cast<size_t>(index)];
        }
    }
}

}  // namespace lumek
