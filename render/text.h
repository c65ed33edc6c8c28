#pragma once

#include "render/pixel_view.h"

#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>

namespace lumek {

// A font as the settings give it. size is the cell height (ascent + descent) in pixels; a size
// of 0 or less draws and measures nothing, sizes above kMaxFontCellHeight are taken as that.
struct FontSpec {
    QString face;
    int32_t size = 0;
    bool bold = false;
};

inline constexpr int32_t kMaxFontCellHeight = 2048;
// Outlines wider than this are drawn as this wide; on any canvas the result is a solid block.
inline constexpr int32_t kMaxTextSpread = 512;

// Where a line sits on its reference x: its left end, its middle or its right end.
enum class TextAnchor { Left, Centre, Right };

// The anchor of an alignment setting (1 left, 2 centre, 3 right); no choice draws left-aligned.
TextAnchor AnchorFor(int32_t alignment);

// Bytes of the text in the Korean code page: 2 per Hangul syllable, 1 per ASCII character.
int32_t AnsiByteLength(const QString& text);

// The left end of a line of the given width anchored at x.
int64_t AnchoredLeft(int64_t x, int64_t width, TextAnchor anchor);

// What a face resolves to: the family that draws Hangul (the face itself when it is installed,
// else the first installed Korean fallback), its pixel (em) size and the baseline's distance
// below the cell top, all for the FontSpec's cell height.
struct ResolvedFont {
    QString family;
    double pixelSize = 0;
    int32_t ascent = 0;
    int32_t cellHeight = 0;
    bool valid = false;
};

// Measures and draws text, keeping the fonts, widths and drawn lines it made for as long as it
// lives: the word wrapper measures every prefix of a line, and most frames draw the lines of the
// frame before. Its owner must be gone before the application object, since it holds fonts.
class TextMeasurer {
public:
    TextMeasurer();
    ~TextMeasurer();
    TextMeasurer(TextMeasurer&&) noexcept;
    TextMeasurer& operator=(TextMeasurer&&) noexcept;

    // The pixel width of a text drawn in a font: the sum of its glyph advances, as DrawText
    // places them.
    int32_t MeasureTextWidth(const QString& text, const QString& face, int32_t size, bool bold);
    int32_t MeasureTextWidth(const QString& text, const FontSpec& font);

    ResolvedFont ResolveFont(const FontSpec& font);

    // Draws one line of text with its cell top at `top`, anchored at x, antialiased (grayscale):
    // each pixel becomes colour * a + pixel * (1 - a) for the glyph coverage a. With spread w > 0
    // the line is drawn as if at every offset (dx, dy) with |dx|, |dy| <= w, one over the other:
    // the text dilated by a (2w + 1)-pixel square, as an outline pass needs, for the cost of one
    // drawing. colour is 0x00BBGGRR. Returns the part of dst that was drawn on (empty when
    // nothing was).
    QRect DrawText(PixelView dst, int32_t x, int32_t top, TextAnchor anchor, const QString& text,
                   const FontSpec& font, int32_t colour, int32_t spread = 0);

    struct Caches;  // the measurer's own business

private:
    std::unique_ptr<Caches> caches_;
};

}  // namespace lumek
