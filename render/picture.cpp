#include "render/picture.h"

#include "base/colour.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace lumek {

namespace {

// Targets larger than this (a mistyped size) are not scaled as a whole.
constexpr int64_t kMaxScaledPixels = int64_t{4096} * 4096;

PixelView ViewOf(QImage& image) {
    if (image.isNull()) {
        return {};
    }
    return {reinterpret_cast<uint32_t*>(image.bits()), image.width(), image.height(),
            static_cast<int>(image.bytesPerLine() / 4)};
}

// Copies the source's pixels into the destination at (x, y), clipped; both are RGB32.
void CopyPixels(const QImage& source, QImage& destination, int x, int y) {
    const QRect area = QRect(x, y, source.width(), source.height()) & destination.rect();
    if (area.isEmpty()) {
        return;
    }
    const auto rowBytes = static_cast<size_t>(area.width()) * sizeof(uint32_t);
    for (int row = area.top(); row <= area.bottom(); ++row) {
        const auto* from =
            reinterpret_cast<const uint32_t*>(source.constScanLine(row - y)) + (area.left() - x);
        auto* to = reinterpret_cast<uint32_t*>(destination.scanLine(row)) + area.left();
        std::memcpy(to, from, rowBytes);
    }
}

}  // namespace

Picture::Picture(int width, int height, int32_t backColour) : backColour_(backColour) {
    resize(width, height);
}

PixelView Picture::view() {
    return ViewOf(image_);
}

ConstPixelView Picture::view() const {
    if (image_.isNull()) {
        return {};
    }
    return {reinterpret_cast<const uint32_t*>(image_.constBits()), image_.width(), image_.height(),
            static_cast<int>(image_.bytesPerLine() / 4)};
}

void Picture::setBackColour(int32_t colour) {
    backColour_ = colour;
}

void Picture::setBackPicture(const QImage& picture) {
    backPicture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
}

void Picture::keepImage() {
    backPicture_ = image_;
}

void Picture::removeBackPicture() {
    backPicture_ = QImage();
}

void Picture::clear() {
    if (image_.isNull()) {
        return;
    }
    image_.fill(PixelFromColour(backColour_));
    if (!backPicture_.isNull()) {
        CopyPixels(backPicture_, image_, 0, 0);
    }
}

void Picture::resize(int width, int height) {
    if (width <= 0 || height <= 0) {
        image_ = QImage();
        return;
    }
    image_ = QImage(width, height, QImage::Format_RGB32);
    clear();
}

void Picture::fillRect(const QRect& area, int32_t colour) {
    const QRect clipped = area & image_.rect();
    if (clipped.isEmpty()) {
        return;
    }
    const PixelView pixels = view();
    const uint32_t pixel = PixelFromColour(colour);
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        std::fill_n(pixels.row(y) + clipped.left(), clipped.width(), pixel);
    }
}

void StretchInto(const QImage& source, Picture& destination, const QRect& target) {
    if (destination.isNull() || target.isEmpty() ||
        (target & destination.image().rect()).isEmpty()) {
        return;
    }
    // An empty source is an empty (black) picture.
    if (source.isNull()) {
        destination.fillRect(target, 0);
        return;
    }
    // The copy replaces the pixels: an alpha channel is dropped, not blended.
    const QImage opaque = source.convertToFormat(QImage::Format_RGB32);
    if (static_cast<int64_t>(target.width()) * target.height() > kMaxScaledPixels) {
        // Only the visible part is drawn, interpolated without area averaging.
        QPainter painter(&destination.image());
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, opaque);
        return;
    }
    // Qt's smooth scaling averages areas when shrinking and interpolates when growing.
    QImage scaled =
        opaque.size() == target.size()
            ? opaque
            : opaque.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) {
        return;
    }
    if (scaled.format() != QImage::Format_RGB32) {
        scaled = scaled.convertToFormat(QImage::Format_RGB32);
    }
    CopyPixels(scaled, destination.image(), target.x(), target.y());
}

void StretchOver(const QImage& source, Picture& destination) {
    StretchInto(source, destination, destination.image().rect());
}

}  // namespace lumek
