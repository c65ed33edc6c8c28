#pragma once

#include "base/ui_host.h"
#include "render/pixel_view.h"

#include <cstdint>
#include <random>

namespace lumek {

// Filter numbers of ApplyFilter that the transitions use.
inline constexpr int32_t kFilterSpread = 4;
inline constexpr int32_t kFilterMosaic = 15;

// The spread filter's random numbers: uniform in [0, 1), never reseeded while the program runs.
// Tests seed their own.
class FilterRandom {
public:
    explicit FilterRandom(uint32_t seed = 5489u) : engine_(seed) {}
    // 24 random bits, so every value is exact in a double.
    double next() { return static_cast<double>(engine_() >> 8) / 16777216.0; }

private:
    std::mt19937 engine_;
};

// What the filters keep between calls.
struct FilterState {
    bool busy = false;  // set while ApplyFilter runs; a nested call is ignored
    FilterRandom random;
};

// Runs image filter `index` with strength `level` over the whole bitmap: 15 is the mosaic
// (level x level blocks of their average colour, aligned to the top-left corner), 4 the spread
// (every pixel takes the colour of a random pixel within about level pixels). Any other index
// leaves the bitmap as it is. progress receives 0..100; the mosaic pumps the host after every
// row, both filters once at the end. Only the three colour bytes change; byte 3 is kept.
void ApplyFilter(int32_t index, PixelView bitmap, int32_t level, int32_t& progress,
                 FilterState& state, UiHost& host);

}  // namespace lumek
