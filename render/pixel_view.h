#pragma once

#include <cstdint>

namespace lumek {

// A rectangle of 32-bit pixels, 0xFFRRGGBB (byte 0 blue), rows top-down, stride in pixels.
// The pixel operations read the low 24 bits and write results with the top byte set.
template <typename Word>
struct BasicPixelView {
    Word* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    Word* row(int y) const { return pixels + static_cast<long>(y) * stride; }
    Word& at(int x, int y) const { return row(y)[x]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

using PixelView = BasicPixelView<uint32_t>;
using ConstPixelView = BasicPixelView<const uint32_t>;

inline ConstPixelView AsConst(PixelView view) {
    return {view.pixels, view.width, view.height, view.stride};
}

}  // namespace lumek
