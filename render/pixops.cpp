#include "render/pixops.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>
#include <vector>

namespace lumek {

// Pictures here are stored top-down, where the operations were first written for bottom-up
// arrays. Every operation is per pixel or symmetric (the vertical mirror reads row h - 1 - r of
// the rectangle either way), so the results are identical.

namespace {

constexpr uint32_t kRgb = 0xFFFFFFu;
constexpr uint32_t kOpaque = 0xFF000000u;
// Flags that change the arithmetic of single pixels; the others only change what is read.
constexpr uint32_t kPerPixelFlags =
    kPxSkipKey | kPxInvertSource | kPxInvertDestination | kPxGreySource | kPxGreyDestination;

// Every channel halved and truncated; never carries into the next channel, and the top byte of
// the word is dropped.
inline uint32_t Half(uint32_t p) {
    return (p >> 1) & 0x7F7F7Fu;
}
inline uint32_t Avg(uint32_t p, uint32_t q) {
    return Half(p) + Half(q);
}

// Luminance weights on bytes 0, 1, 2 in memory order: 0.3086 goes to blue.
constexpr double kWeight0 = 0.3086;
constexpr double kWeight1 = 0.6094;
constexpr double kWeight2 = 0.0820;

// Double precision, summed in this order; the sum can land just below a whole number, so
// grey(v, v, v) is v - 1 for a few v.
uint32_t Grey(uint32_t p) {
    const double g =
        kWeight0 * (p & 0xFFu) + kWeight1 * ((p >> 8) & 0xFFu) + kWeight2 * ((p >> 16) & 0xFFu);
    const auto v = static_cast<uint32_t>(g);
    return v | (v << 8) | (v << 16);
}

// floor(x / 255) of two fields at once, bits 0-15 and 16-31, each at most 65025; the sums never
// carry out of their field.
inline uint32_t Div255Pair(uint32_t x) {
    return ((x + 0x00010001u + ((x >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// (s * a) / 255 + (d * (255 - a)) / 255 per channel, each quotient truncated; a = 0 gives d and
// a = 255 gives s. Both inputs 24-bit; the sum never exceeds 255. Red and blue go as one pair.
inline uint32_t Mix(uint32_t d, uint32_t s, uint32_t a) {
    const uint32_t ia = 255 - a;
    const uint32_t redBlue = Div255Pair((s & 0xFF00FFu) * a) + Div255Pair((d & 0xFF00FFu) * ia);
    const uint32_t green = Div255Pair(((s >> 8) & 0xFFu) * a) + Div255Pair(((d >> 8) & 0xFFu) * ia);
    return redBlue | (green << 8);
}

// One pixel at opacity a; 64, 128 and 192 are taken by halving, not by Mix. No branches, so
// that mask rows vectorise.
inline uint32_t Blend(uint32_t d, uint32_t s, uint32_t a) {
    d &= kRgb;
    s &= kRgb;
    const uint32_t mix = Mix(d, s, a);
    const uint32_t half = Avg(s, d);
    const uint32_t quarter = Avg(a < 128 ? d : s, half);
    const uint32_t halved = a == 128 ? half : quarter;
    return (a & 63u) == 0 && a != 0 ? halved : mix;
}

// One row at a fixed opacity, for flags without per-pixel effect. Written as plain loops over
// the whole row so that the compiler vectorises them.
void BlendRow(uint32_t* __restrict d, const uint32_t* __restrict s, int n, uint32_t a) {
    switch (a) {
        case 0:
            break;
        case 64:
            for (int i = 0; i < n; ++i) {
                d[i] = kOpaque | Avg(d[i], Avg(d[i], s[i]));
            }
            break;
        case 128:
            for (int i = 0; i < n; ++i) {
                d[i] = kOpaque | Avg(s[i], d[i]);
            }
            break;
        case 192:
            for (int i = 0; i < n; ++i) {
                d[i] = kOpaque | Avg(s[i], Avg(s[i], d[i]));
            }
            break;
        case 255:
            for (int i = 0; i < n; ++i) {
                d[i] = kOpaque | s[i];
            }
            break;
        default:
            for (int i = 0; i < n; ++i) {
                d[i] = kOpaque | Mix(d[i], s[i], a);
            }
            break;
    }
}

void MaskRow(uint32_t* __restrict d, const uint32_t* __restrict s, const uint32_t* __restrict m,
             int n, uint32_t invert) {
    for (int i = 0; i < n; ++i) {
        d[i] = kOpaque | Blend(d[i], s[i], (m[i] & 0xFFu) ^ invert);
    }
}

// The source and destination colours of one pixel after the key, invert and grey flags;
// false when the key says to leave the destination alone.
inline bool PrepareColours(uint32_t& d, uint32_t& s, uint32_t key, uint32_t flags) {
    s &= kRgb;
    d &= kRgb;
    if ((flags & kPxSkipKey) != 0 && s == key) {
        return false;
    }
    if ((flags & kPxInvertSource) != 0) {
        s ^= kRgb;
    }
    if ((flags & kPxInvertDestination) != 0) {
        d ^= kRgb;
    }
    if ((flags & kPxGreySource) != 0) {
        s = Grey(s);
    }
    if ((flags & kPxGreyDestination) != 0) {
        d = Grey(d);
    }
    return true;
}

// The rows and columns of a w x h rectangle at (x, y) whose destination pixels exist.
struct Clip {
    int r0 = 0, r1 = 0, c0 = 0, c1 = 0;
    bool empty() const { return r0 >= r1 || c0 >= c1; }
    int columns() const { return c1 - c0; }
};

Clip ClipTo(PixelView dst, int x, int y, int w, int h) {
    if (dst.pixels == nullptr) {
        return {};
    }
    Clip clip;
    clip.c0 = static_cast<int>(std::max<long long>(0, -static_cast<long long>(x)));
    clip.c1 = static_cast<int>(std::min<long long>(w, static_cast<long long>(dst.width) - x));
    clip.r0 = static_cast<int>(std::max<long long>(0, -static_cast<long long>(y)));
    clip.r1 = static_cast<int>(std::min<long long>(h, static_cast<long long>(dst.height) - y));
    return clip;
}

template <typename View>
std::pair<uintptr_t, uintptr_t> MemoryRange(View v) {
    const auto first = reinterpret_cast<uintptr_t>(v.row(0));
    const auto last = reinterpret_cast<uintptr_t>(v.row(v.height - 1));
    return {std::min(first, last), std::max(first, last) + sizeof(uint32_t) * v.width};
}

bool SharesMemory(ConstPixelView a, PixelView b) {
    if (a.pixels == nullptr || b.pixels == nullptr || a.width <= 0 || a.height <= 0 ||
        b.width <= 0 || b.height <= 0) {
        return false;
    }
    const auto [aLo, aHi] = MemoryRange(a);
    const auto [bLo, bHi] = MemoryRange(b);
    return aLo < bHi && bLo < aHi;
}

inline bool Inside(ConstPixelView v, long long px, long long py) {
    return px >= 0 && py >= 0 && px < v.width && py < v.height;
}

// Reads the rows of a w x h source (or mask) rectangle at (ox, oy), mirrored by the flags, black
// outside the picture. Reads from a private copy when the picture shares memory with the
// destination, so that writing the destination never changes what is read later.
class RectReader {
public:
    RectReader(ConstPixelView view, int ox, int oy, int w, int h, uint32_t flags, const Clip& clip,
               PixelView dst)
        : view_(view),
          ox_(ox),
          oy_(oy),
          w_(w),
          h_(h),
          mirrorX_((flags & kPxMirrorHorizontal) != 0),
          mirrorY_((flags & kPxMirrorVertical) != 0),
          c0_(clip.c0),
          row_(static_cast<size_t>(clip.columns())) {
        if (SharesMemory(view, dst)) {
            TakeCopy(clip);
        }
    }

    // Pixels c0 .. c1 - 1 of rectangle row r (words as stored, top byte not cleared).
    const uint32_t* Row(int r) {
        const int n = static_cast<int>(row_.size());
        const long long py = static_cast<long long>(oy_) + (mirrorY_ ? h_ - 1 - r : r);
        const long long left = static_cast<long long>(ox_) + c0_;
        if (!mirrorX_ && Inside(view_, left, py) && left + n <= view_.width) {
            return view_.row(static_cast<int>(py)) + left;
        }
        for (int i = 0; i < n; ++i) {
            const int c = c0_ + i;
            const long long px = static_cast<long long>(ox_) + (mirrorX_ ? w_ - 1 - c : c);
            row_[i] =
                Inside(view_, px, py) ? view_.at(static_cast<int>(px), static_cast<int>(py)) : 0u;
        }
        return row_.data();
    }

private:
    // Copies the part of the rectangle that the clipped rows and columns read.
    void TakeCopy(const Clip& clip) {
        const int rows0 = mirrorY_ ? h_ - clip.r1 : clip.r0;
        const int cols0 = mirrorX_ ? w_ - clip.c1 : clip.c0;
        const int rows = clip.r1 - clip.r0;
        const int cols = clip.columns();
        copy_.assign(static_cast<size_t>(rows) * static_cast<size_t>(cols), 0u);
        for (int r = 0; r < rows; ++r) {
            const long long py = static_cast<long long>(oy_) + rows0 + r;
            for (int c = 0; c < cols; ++c) {
                const long long px = static_cast<long long>(ox_) + cols0 + c;
                if (Inside(view_, px, py)) {
                    copy_[static_cast<size_t>(r) * static_cast<size_t>(cols) + c] =
                        view_.at(static_cast<int>(px), static_cast<int>(py));
                }
            }
        }
        view_ = {copy_.data(), cols, rows, cols};
        ox_ = -cols0;
        oy_ = -rows0;
    }

    ConstPixelView view_;
    int ox_, oy_, w_, h_;
    bool mirrorX_, mirrorY_;
    int c0_;
    std::vector<uint32_t> row_;
    std::vector<uint32_t> copy_;
};

// A 4 x 4 colour matrix applied to the row vector (byte0, byte1, byte2, 1), in single precision.
using Matrix = std::array<std::array<float, 4>, 4>;

Matrix Identity() {
    Matrix m{};
    for (int i = 0; i < 4; ++i) {
        m[i][i] = 1.0f;
    }
    return m;
}

// m x n, each sum taken in index order.
Matrix Multiply(const Matrix& m, const Matrix& n) {
    Matrix r{};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            r[y][x] = m[y][0] * n[0][x] + m[y][1] * n[1][x] + m[y][2] * n[2][x] + m[y][3] * n[3][x];
        }
    }
    return r;
}

Matrix RotationX(float rs, float rc) {
    Matrix m = Identity();
    m[1][1] = rc;
    m[1][2] = rs;
    m[2][1] = -rs;
    m[2][2] = rc;
    return m;
}

Matrix RotationY(float rs, float rc) {
    Matrix m = Identity();
    m[0][0] = rc;
    m[0][2] = -rs;
    m[2][0] = rs;
    m[2][2] = rc;
    return m;
}

Matrix RotationZ(float rs, float rc) {
    Matrix m = Identity();
    m[0][0] = rc;
    m[0][1] = rs;
    m[1][0] = -rs;
    m[1][1] = rc;
    return m;
}

Matrix ShearZ(float dx, float dy) {
    Matrix m = Identity();
    m[0][2] = dx;
    m[1][2] = dy;
    return m;
}

Matrix Offset(float amount) {
    Matrix m = Identity();
    m[3][0] = amount;
    m[3][1] = amount;
    m[3][2] = amount;
    return m;
}

Matrix Saturation(float sat) {
    const std::array<float, 3> weights{static_cast<float>(kWeight0), static_cast<float>(kWeight1),
                                       static_cast<float>(kWeight2)};
    Matrix m = Identity();
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 3; ++j) {
            const double v = (1.0 - sat) * weights[k] + (k == j ? sat : 0.0);
            m[k][j] = static_cast<float>(v);
        }
    }
    return m;
}

// Rotation about the grey axis that keeps luminance: the grey axis is turned onto z, the space
// sheared so that the luminance plane is level, rotated about z, and everything undone.
Matrix HueRotation(float degrees) {
    const auto xrs = static_cast<float>(1.0 / static_cast<float>(std::sqrt(2.0)));
    const float xrc = xrs;
    const auto sqrt3 = static_cast<float>(std::sqrt(3.0));
    const auto yrs = static_cast<float>(-1.0 / sqrt3);
    const auto yrc = static_cast<float>(std::sqrt(2.0) / sqrt3);

    Matrix m = Multiply(Identity(), RotationX(xrs, xrc));
    m = Multiply(m, RotationY(yrs, yrc));

    const std::array<float, 3> w{static_cast<float>(kWeight0), static_cast<float>(kWeight1),
                                 static_cast<float>(kWeight2)};
    std::array<float, 3> l{};
    for (int j = 0; j < 3; ++j) {
        l[j] = w[0] * m[0][j] + w[1] * m[1][j] + w[2] * m[2][j] + m[3][j];
    }
    const float zsx = l[0] / l[2];
    const float zsy = l[1] / l[2];
    m = Multiply(m, ShearZ(zsx, zsy));

    const double radians = static_cast<double>(degrees) * std::numbers::pi / 180.0;
    m = Multiply(
        m, RotationZ(static_cast<float>(std::sin(radians)), static_cast<float>(std::cos(radians))));

    m = Multiply(m, ShearZ(-zsx, -zsy));
    m = Multiply(m, RotationY(-yrs, yrc));
    return Multiply(m, RotationX(-xrs, xrc));
}

// Truncated toward zero, then clamped to 0..255 (NaN gives 0).
inline uint32_t ClampChannel(float v) {
    if (!(v >= 1.0f)) {
        return 0;
    }
    if (v >= 255.0f) {
        return 255;
    }
    return static_cast<uint32_t>(v);
}

// Rows of the blur: centre 1/2, sides 1/4 each; an edge column averages the centre with its
// one side. The top byte is dropped.
void RowValues(const uint32_t* __restrict p, uint32_t* __restrict out, int w) {
    out[0] = Avg(p[0], p[1]);
    for (int c = 1; c < w - 1; ++c) {
        out[c] = Avg(Avg(p[c - 1], p[c + 1]), p[c]);
    }
    out[w - 1] = Avg(p[w - 1], p[w - 2]);
}

}  // namespace

void PxAlphaBlend(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy,
                  int alpha, uint32_t key, uint32_t flags) {
    if (w <= 0 || h <= 0) {
        return;
    }
    const uint32_t a = static_cast<uint32_t>(alpha) & 0xFFu;
    if (a == 0 && (flags & (kPxInvertDestination | kPxGreyDestination)) == 0) {
        return;  // the destination stays as it is
    }
    const Clip clip = ClipTo(dst, x, y, w, h);
    if (clip.empty()) {
        return;
    }
    RectReader source(src, sx, sy, w, h, flags, clip, dst);
    const int n = clip.columns();
    for (int r = clip.r0; r < clip.r1; ++r) {
        uint32_t* d = dst.row(y + r) + (x + clip.c0);
        const uint32_t* s = source.Row(r);
        if ((flags & kPerPixelFlags) == 0) {
            BlendRow(d, s, n, a);
            continue;
        }
        for (int i = 0; i < n; ++i) {
            uint32_t dp = d[i];
            uint32_t sp = s[i];
            if (PrepareColours(dp, sp, key, flags)) {
                d[i] = kOpaque | Blend(dp, sp, a);
            }
        }
    }
}

void PxAlphaMask(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy,
                 ConstPixelView mask, int mx, int my, uint32_t key, uint32_t flags) {
    if (w <= 0 || h <= 0) {
        return;
    }
    const Clip clip = ClipTo(dst, x, y, w, h);
    if (clip.empty()) {
        return;
    }
    RectReader source(src, sx, sy, w, h, flags, clip, dst);
    RectReader alphas(mask, mx, my, w, h, flags, clip, dst);
    const uint32_t invert = (flags & kPxInvertMask) != 0 ? 0xFFu : 0u;
    const int n = clip.columns();
    for (int r = clip.r0; r < clip.r1; ++r) {
        uint32_t* d = dst.row(y + r) + (x + clip.c0);
        const uint32_t* s = source.Row(r);
        const uint32_t* m = alphas.Row(r);
        if ((flags & kPerPixelFlags) == 0) {
            MaskRow(d, s, m, n, invert);
            continue;
        }
        for (int i = 0; i < n; ++i) {
            uint32_t dp = d[i];
            uint32_t sp = s[i];
            if (PrepareColours(dp, sp, key, flags)) {
                d[i] = kOpaque | Blend(dp, sp, (m[i] & 0xFFu) ^ invert);
            }
        }
    }
}

int PxBlur(PixelView dst, ConstPixelView src, uint32_t key, uint32_t flags) {
    const int w = src.width;
    const int h = src.height;
    if (src.pixels == nullptr || w < 2 || h < 2) {
        return 0;
    }
    const int outW = dst.pixels == nullptr ? 0 : std::min(w, dst.width);
    const int outH = dst.pixels == nullptr ? 0 : std::min(h, dst.height);
    if (outW <= 0 || outH <= 0) {
        return h;
    }
    // Row y is written only after the row values of rows y - 1 .. y + 1 are taken, so the
    // picture may be blurred in place. Any other sharing of memory goes through a copy.
    std::vector<uint32_t> copy;
    const bool samePicture = src.pixels == dst.pixels && src.stride == dst.stride;
    if (!samePicture && SharesMemory(src, dst)) {
        copy.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (int r = 0; r < h; ++r) {
            std::copy_n(src.row(r), w, copy.begin() + static_cast<ptrdiff_t>(r) * w);
        }
        src = {copy.data(), w, h, w};
    }

    // Row values of three consecutive rows; row r lives in ring[r % 3].
    std::array<std::vector<uint32_t>, 3> ring;
    for (auto& values : ring) {
        values.resize(static_cast<size_t>(w));
    }
    RowValues(src.row(0), ring[0].data(), w);
    RowValues(src.row(1), ring[1].data(), w);
    // The key is 0x00BBGGRR: byte 0 of the pixel is compared with bits 16-23.
    const uint32_t keyPixel = ((key & 0xFFu) << 16) | (key & 0xFF00u) | ((key >> 16) & 0xFFu);
    const bool useKey = (flags & kPxSkipKey) != 0;

    for (int r = 0; r < outH; ++r) {
        if (r >= 1 && r + 1 < h) {
            RowValues(src.row(r + 1), ring[static_cast<size_t>((r + 1) % 3)].data(), w);
        }
        const uint32_t* cur = ring[static_cast<size_t>(r % 3)].data();
        const uint32_t* above = ring[static_cast<size_t>((r + 2) % 3)].data();
        const uint32_t* below = ring[static_cast<size_t>((r + 1) % 3)].data();
        uint32_t* out = dst.row(r);
        if (r == 0 || r == h - 1) {
            const uint32_t* neighbour = r == 0 ? below : above;
            for (int c = 0; c < outW; ++c) {
                const uint32_t p = src.row(r)[c];  // read before out[c] is written
                const uint32_t q = Avg(cur[c], neighbour[c]);
                out[c] = kOpaque | (useKey && (p & kRgb) == keyPixel ? p : q);
            }
        } else if (!useKey) {
            for (int c = 0; c < outW; ++c) {
                out[c] = kOpaque | Avg(cur[c], Avg(above[c], below[c]));
            }
        } else {
            const uint32_t* p = src.row(r);
            for (int c = 0; c < outW; ++c) {
                const uint32_t q = Avg(cur[c], Avg(above[c], below[c]));
                out[c] = kOpaque | ((p[c] & kRgb) == keyPixel ? p[c] : q);
            }
        }
    }
    return h;
}

void PxHSL(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy, float hue,
           float saturation, float lightness, uint32_t key, uint32_t flags) {
    if (w <= 0 || h <= 0) {
        return;
    }
    if (flags == 0 && hue == 0.0f && saturation == 1.0f && lightness == 0.0f) {
        PxAlphaBlend(dst, x, y, w, h, src, sx, sy, 255, 0, 0);
        return;
    }
    const Clip clip = ClipTo(dst, x, y, w, h);
    if (clip.empty()) {
        return;
    }
    Matrix m = Multiply(Identity(), Offset(lightness));
    m = Multiply(m, Saturation(saturation));
    m = Multiply(m, HueRotation(hue));

    RectReader source(src, sx, sy, w, h, flags, clip, dst);
    const int n = clip.columns();
    for (int r = clip.r0; r < clip.r1; ++r) {
        uint32_t* d = dst.row(y + r) + (x + clip.c0);
        const uint32_t* s = source.Row(r);
        for (int i = 0; i < n; ++i) {
            uint32_t dp = d[i];
            uint32_t sp = s[i];
            if (!PrepareColours(dp, sp, key, flags)) {
                continue;
            }
            const auto b0 = static_cast<float>(sp & 0xFFu);
            const auto b1 = static_cast<float>((sp >> 8) & 0xFFu);
            const auto b2 = static_cast<float>((sp >> 16) & 0xFFu);
            uint32_t out = kOpaque;
            for (int j = 0; j < 3; ++j) {
                const float v = b0 * m[0][j] + b1 * m[1][j] + b2 * m[2][j] + m[3][j];
                out |= ClampChannel(v) << (8 * j);
            }
            d[i] = out;
        }
    }
}

}  // namespace lumek
