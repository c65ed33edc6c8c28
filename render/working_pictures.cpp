#include "render/working_pictures.h"

#include "render/pixops.h"

#include <algorithm>

namespace lumek {

void WorkingPictures::resize(int width, int height) {
    for (Picture* picture :
         {&Picture1, &PTMP2, &SP1, &SP2, &SP3, &SP6, &Picture4, &TTD, &TTT, &TTMT, &TTT2}) {
        picture->resize(width, height);
    }
    // The lyric colour layer is erased to white, every mask and layer else to black.
    SP3.setBackColour(0xFFFFFF);
    SP3.clear();
}

std::vector<QRect> NonBlackBands(ConstPixelView mask, const QRect& area) {
    std::vector<QRect> bands;
    const QRect inside = area & QRect(0, 0, mask.width, mask.height);
    if (mask.pixels == nullptr || inside.isEmpty()) {
        return bands;
    }
    const int c0 = inside.left();
    const int c1 = inside.right() + 1;
    constexpr int kBandRows = 8;
    for (int top = inside.top(); top <= inside.bottom(); top += kBandRows) {
        const int end = std::min(top + kBandRows, inside.bottom() + 1);
        // Most bands are black: one quick look over all of it first.
        uint32_t any = 0;
        for (int r = top; r < end; ++r) {
            const uint32_t* m = mask.row(r);
            for (int c = c0; c < c1; ++c) {
                any |= m[c];
            }
        }
        if ((any & 0xFFu) == 0) {
            continue;
        }
        int lo = c1;
        int hi = c0 - 1;
        for (int r = top; r < end; ++r) {
            const uint32_t* m = mask.row(r);
            for (int c = c0; c < lo; ++c) {
                if ((m[c] & 0xFFu) != 0) {
                    lo = c;
                    break;
                }
            }
            for (int c = c1 - 1; c > hi && c >= lo; --c) {
                if ((m[c] & 0xFFu) != 0) {
                    hi = c;
                    break;
                }
            }
        }
        bands.emplace_back(lo, top, hi - lo + 1, end - top);
    }
    return bands;
}

void BlendThroughMask(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy,
                      ConstPixelView mask, int mx, int my) {
    if (dst.pixels == nullptr || mask.pixels == nullptr || w <= 0 || h <= 0) {
        return;  // mask pixels outside the mask read as black
    }
    // Rectangle rows and columns whose destination pixels exist, in mask coordinates.
    const auto r0 = static_cast<int>(std::max<int64_t>({0, -int64_t{y}, -int64_t{my}}));
    const auto r1 = static_cast<int>(
        std::min<int64_t>({h, int64_t{dst.height} - y, int64_t{mask.height} - my}));
    const auto c0 = static_cast<int>(std::max<int64_t>({0, -int64_t{x}, -int64_t{mx}}));
    const auto c1 =
        static_cast<int>(std::min<int64_t>({w, int64_t{dst.width} - x, int64_t{mask.width} - mx}));
    if (r0 >= r1 || c0 >= c1) {
        return;
    }
    for (const QRect& band : NonBlackBands(mask, QRect(mx + c0, my + r0, c1 - c0, r1 - r0))) {
        const int dx = band.x() - mx;
        const int dy = band.y() - my;
        PxAlphaMask(dst, x + dx, y + dy, band.width(), band.height(), src, sx + dx, sy + dy, mask,
                    band.x(), band.y(), 0, 0);
    }
}

PixelView SubView(PixelView view, const QRect& area) {
    const QRect clipped = area & QRect(0, 0, view.width, view.height);
    if (view.pixels == nullptr || clipped.isEmpty()) {
        return {};
    }
    return {view.row(clipped.y()) + clipped.x(), clipped.width(), clipped.height(), view.stride};
}

}  // namespace lumek
