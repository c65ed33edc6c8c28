#pragma once

#include "render/pixel_view.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

namespace lumek::testing {

inline constexpr uint32_t kPadding = 0xDEADBEEFu;

// A picture whose rows are padded past the width with kPadding; the buffer ends right after the
// last pixel, so the address sanitizer sees any access beyond it.
struct Pic {
    int width, height, stride;
    std::vector<uint32_t> words;

    Pic(int w, int h, uint32_t fill = 0xFF000000u)
        : width(w), height(h), stride(w + 3), words(static_cast<size_t>((h - 1) * stride + w)) {
        for (size_t i = 0; i < words.size(); ++i) {
            words[i] = static_cast<int>(i % static_cast<size_t>(stride)) < w ? fill : kPadding;
        }
    }
    PixelView view() { return {words.data(), width, height, stride}; }
    ConstPixelView cview() const { return {words.data(), width, height, stride}; }
    uint32_t& at(int x, int y) { return words[static_cast<size_t>(y * stride + x)]; }
    uint32_t at(int x, int y) const { return words[static_cast<size_t>(y * stride + x)]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

inline QImage Solid(QRgb colour, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The bounds of the pixels that pass the test; empty when none does.
template <typename Test>
QRect InkBounds(const QImage& image, Test test) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            bounds |= test(image.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
        }
    }
    return bounds;
}

}  // namespace lumek::testing
