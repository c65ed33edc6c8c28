#pragma once

#include <cstdint>

namespace lumek {

// Colours are 0x00BBGGRR (red in the low byte), as settings store them. A value with the top bit
// set is a system colour code (0x80000000 | index); 0x80000005 is the window background.
constexpr uint32_t kSystemColourFlag = 0x80000000u;
constexpr int32_t kWindowBackgroundColour = static_cast<int32_t>(kSystemColourFlag | 5u);

// A system colour code becomes the colour it stands for (the window background is white, the
// other codes a neutral grey); an ordinary colour is returned without its unused top byte.
constexpr uint32_t ResolveColour(int32_t colour) {
    const auto value = static_cast<uint32_t>(colour);
    if ((value & kSystemColourFlag) == 0) {
        return value & 0xFFFFFFu;
    }
    return (value & 0xFFu) == 5u ? 0xFFFFFFu : 0xC0C0C0u;
}

// Pixels hold 0xFFRRGGBB words (blue in byte 0), as 32-bit pictures store them.
constexpr uint32_t PixelFromColour(int32_t colour) {
    const uint32_t c = ResolveColour(colour);
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

constexpr int32_t ColourFromPixel(uint32_t pixel) {
    return static_cast<int32_t>(((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) |
                                ((pixel >> 16) & 0xFFu));
}

}  // namespace lumek
