#include "render/filters.h"

#include "base/numbers.h"

#include <algorithm>
#include <vector>

namespace lumek {

namespace {

constexpr uint32_t kColourBytes = 0x00FFFFFFu;

// Mosaic of block size s. Every row of a block gets the block's average, taken from the picture
// as it was before the filter; a block cut by the right or bottom edge averages the pixels
// inside the picture.
void Mosaic(PixelView image, int32_t s, int32_t& progress, UiHost& host) {
    progress = 0;
    const int w = image.width;
    const int h = image.height;
    if (h < 1) {
        progress = 100;
        host.pump();
        return;
    }
    if (s >= 1 && w >= 1) {
        std::vector<uint32_t> source(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (int y = 0; y < h; ++y) {
            std::copy_n(image.row(y), w, source.begin() + static_cast<ptrdiff_t>(y) * w);
        }
        const int64_t block = s;
        std::vector<uint32_t> averages;  // one colour per block of the current block row
        int64_t bandTop = -1;
        for (int y = 0; y < h; ++y) {
            const int64_t by = y / block * block;
            if (by != bandTop) {
                bandTop = by;
                const int64_t rowEnd = std::min<int64_t>(by + block, h);
                averages.clear();
                for (int64_t bx = 0; bx < w; bx += block) {
                    const int64_t colEnd = std::min<int64_t>(bx + block, w);
                    int64_t sum[3] = {0, 0, 0};
                    for (int64_t yy = by; yy < rowEnd; ++yy) {
                        const uint32_t* p = source.data() + yy * w;
                        for (int64_t xx = bx; xx < colEnd; ++xx) {
                            sum[0] += p[xx] & 0xFFu;
                            sum[1] += (p[xx] >> 8) & 0xFFu;
                            sum[2] += (p[xx] >> 16) & 0xFFu;
                        }
                    }
                    const int64_t count = (rowEnd - by) * (colEnd - bx);
                    averages.push_back(static_cast<uint32_t>(sum[0] / count) |
                                       static_cast<uint32_t>(sum[1] / count) << 8 |
                                       static_cast<uint32_t>(sum[2] / count) << 16);
                }
            }
            uint32_t* out = image.row(y);
            for (int x = 0; x < w; ++x) {
                out[x] = (out[x] & ~kColourBytes) | averages[static_cast<size_t>(x / block)];
            }
            progress = static_cast<int32_t>(static_cast<int64_t>(y + 1) * 100 / h);
            host.pump();
        }
    } else {
        // A block size below 1 has no blocks: the rows stay as they are.
        for (int y = 0; y < h; ++y) {
            progress = static_cast<int32_t>(static_cast<int64_t>(y + 1) * 100 / h);
            host.pump();
        }
    }
    progress = 100;
    host.pump();
}

// Spread of strength s, in place and in reading order: a pixel may take a colour that an
// earlier pixel already took from elsewhere. An offset that would leave the picture is 0.
void Spread(PixelView image, int32_t s, int32_t& progress, FilterRandom& random, UiHost& host) {
    progress = 0;
    const double strength = s;
    const double half = RoundHalfEven(strength / 2.0);
    for (int y = 0; y < image.height; ++y) {
        uint32_t* out = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            const double r1 = random.next();
            const double r2 = random.next();
            int64_t dx = RoundHalfEven(r1 * strength - half);
            int64_t dy = RoundHalfEven(r2 * strength - half);
            if (x + dx < 0 || x + dx >= image.width) {
                dx = 0;
            }
            if (y + dy < 0 || y + dy >= image.height) {
                dy = 0;
            }
            const uint32_t from = image.at(static_cast<int>(x + dx), static_cast<int>(y + dy));
            out[x] = (out[x] & ~kColourBytes) | (from & kColourBytes);
        }
    }
    progress = 100;
    host.pump();
}

}  // namespace

void ApplyFilter(int32_t index, PixelView bitmap, int32_t level, int32_t& progress,
                 FilterState& state, UiHost& host) {
    // The filters pump the host, which may call here again; that call is ignored.
    if (state.busy) {
        return;
    }
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
    } busy(state.busy);
    if (bitmap.pixels == nullptr || bitmap.width < 0 || bitmap.height < 0) {
        bitmap.width = 0;
        bitmap.height = 0;
    }
    switch (index) {
        case kFilterMosaic:
            Mosaic(bitmap, level, progress, host);
            break;
        case kFilterSpread:
            Spread(bitmap, level, progress, state.random, host);
            break;
        default:
            break;  // the other filter numbers are never chosen and do nothing
    }
}

}  // namespace lumek
