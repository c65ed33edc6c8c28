#pragma once

#include <cstdint>

#include "render/pixel_view.h"

namespace lumek {

// Fills the width x height rectangle at (x, y), clipped to the picture, with a linear gradient
// from colourA to colourB (0x00BBGGRR, red in the low byte; system colour codes must be resolved
// first). The angle is in degrees, counter-clockwise from pointing right: 270 puts colourA on the
// top row and colourB on the bottom row, 0 puts colourA in the left column. An empty rectangle
// draws nothing.
void FillGradient(PixelView dst, int x, int y, int width, int height, int32_t colourA,
                  int32_t colourB, float angle);

}  // namespace lumek
