#pragma once

#include <cstdint>

#include "render/pixel_view.h"

namespace lumek {

// The four raster operations of the renderers, on 0xFFRRGGBB pixel views. They read the low 24
// bits of each word and write results with the top byte 0xFF. Rectangles may lie partly outside
// their pictures: source and mask pixels outside read as black, destination pixels outside are
// not written. Source, mask and destination may share memory; every result is computed from the
// pixels as they were before the call.

// Flag bits of PxAlphaBlend, PxAlphaMask and PxHSL (PxBlur knows only kPxSkipKey).
inline constexpr uint32_t kPxSkipKey = 0x1;  // source colour == key: destination left alone
inline constexpr uint32_t kPxInvertSource = 0x100;
inline constexpr uint32_t kPxInvertDestination = 0x200;
inline constexpr uint32_t kPxInvertMask = 0x400;
inline constexpr uint32_t kPxGreySource = 0x1000;
inline constexpr uint32_t kPxGreyDestination = 0x2000;
inline constexpr uint32_t kPxMirrorHorizontal = 0x40000;  // column c reads column w - 1 - c
inline constexpr uint32_t kPxMirrorVertical = 0x80000;    // row r reads row h - 1 - r

// Blends the source rectangle at (sx, sy) over the destination rectangle at (x, y), both w x h,
// with opacity alpha (low byte only). 0, 64, 128, 192 and 255 are taken by channel halving; any
// other alpha a gives (s * a) / 255 + (d * (255 - a)) / 255 per channel, each quotient truncated.
// The key is compared with the source word masked to 24 bits, so it is written 0x00RRGGBB.
void PxAlphaBlend(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy,
                  int alpha, uint32_t key, uint32_t flags);

// As PxAlphaBlend, with each pixel's alpha read from byte 0 (blue) of the mask rectangle at
// (mx, my). The mask is mirrored together with the source.
void PxAlphaMask(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy,
                 ConstPixelView mask, int mx, int my, uint32_t key, uint32_t flags);

// One pass of a 3 x 3 binomial blur (1-2-1 each way, by halving) of the whole source into the
// destination, top-left aligned and clipped to the destination. Source and destination may be the
// same picture. The key (kPxSkipKey) is 0x00BBGGRR, red in the low byte. Returns the number of
// source rows read; a source narrower or lower than 2 pixels is not blurred and gives 0.
int PxBlur(PixelView dst, ConstPixelView src, uint32_t key, uint32_t flags);

// Replaces the destination rectangle by the source rectangle adjusted by a colour matrix: hue in
// degrees, saturation as a factor (1 keeps it), lightness added in channel units (0-255 scale).
// The destination flags have no visible effect, since the result replaces the destination.
void PxHSL(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy, float hue,
           float saturation, float lightness, uint32_t key, uint32_t flags);

}  // namespace lumek
