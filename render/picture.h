#pragma once

#include "render/pixel_view.h"

#include <QImage>
#include <QRect>

#include <cstdint>

namespace lumek {

// An off-screen picture: a 32-bit pixel buffer (QImage::Format_RGB32) with a background colour
// and an optional persistent background picture. Clearing shows the background picture at the
// top-left corner over the background colour.
class Picture {
public:
    Picture() = default;
    Picture(int width, int height, int32_t backColour = 0);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    bool isNull() const { return image_.isNull(); }

    QImage& image() { return image_; }
    const QImage& image() const { return image_; }
    PixelView view();
    ConstPixelView view() const;
    // The pixels to read from, also through a picture that may be written to.
    ConstPixelView constView() const { return view(); }

    // Colours are 0x00BBGGRR; system colour codes are kept as given and resolved when filling.
    // The background setters change what clear() shows; the current content stays.
    int32_t backColour() const { return backColour_; }
    void setBackColour(int32_t colour);

    const QImage& backPicture() const { return backPicture_; }
    void setBackPicture(const QImage& picture);
    // Makes what the picture shows now its background picture.
    void keepImage();
    void removeBackPicture();

    // Erases the picture to its background picture, else its background colour.
    void clear();
    // A new size; the content is erased as by clear().
    void resize(int width, int height);

    // Fills a rectangle with a colour (0x00BBGGRR), clipped to the picture.
    void fillRect(const QRect& area, int32_t colour);

private:
    QImage image_;
    QImage backPicture_;
    int32_t backColour_ = 0;
};

// Halftone-style stretching: the whole source scaled smoothly (area averaging when shrinking,
// bilinear when growing) into the target rectangle of the destination, replacing its pixels
// (clipped). A null source paints the target black, as an empty picture does.
void StretchInto(const QImage& source, Picture& destination, const QRect& target);
// The whole source stretched over the whole destination.
void StretchOver(const QImage& source, Picture& destination);

}  // namespace lumek
