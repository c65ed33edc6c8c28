#include "render/cover_intro.h"

#include "base/colour.h"
#include "base/numbers.h"
#include "render/gradient.h"
#include "render/lyric_renderer.h"
#include "render/pixops.h"
#include "render/text.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace lumek {

namespace {

const QString kLineSeparator = QStringLiteral(" / ");

FontSpec CoverFont(const Settings& s) {
    return {s.CoverFontName, s.CoverFontSize, s.CoverFontBold};
}

void Fill(Picture& picture, int32_t colour) {
    picture.removeBackPicture();
    picture.setBackColour(colour);
    picture.clear();
}

// Draws the laid-out text with every line anchored at x, dilated by spread. Returns the part
// drawn on.
QRect DrawCoverLines(const RenderContext& context, PixelView dst, const QString& text, int64_t x,
                     int64_t centreLine, int32_t colour, int32_t spread) {
    const Settings& s = context.settings;
    const WrapRule rule = CoverWrapRule(context);
    const TextAnchor anchor = AnchorFor(s.CoverTextAlign);
    QRect drawn;
    for (const TextLine& line : LayOutText(text, s.CoverFontSize, ClampToInt32(centreLine), rule)) {
        drawn |= context.text().DrawText(dst, ClampToInt32(x), line.top, anchor, line.text,
                                         CoverFont(s), colour, spread);
    }
    return drawn;
}

// The shadow and the outline of the cover text, composited onto Picture4.
void DrawTextEffects(const RenderContext& context, const QString& text) {
    const Settings& s = context.settings;
    WorkingPictures& p = context.pictures;
    if (s.FontShadow3 == 0 && s.FontStroke3 <= 0) {
        return;  // the layers would stay transparent
    }
    // The lyric layers are the lyric renderer's cache; they are lent, not given.
    const QImage lyricColour = p.SP3.image();
    const QImage lyricAlpha = p.SP6.image();

    Fill(p.SP6, 0);
    p.SP3.removeBackPicture();
    p.SP3.image() = p.Picture4.image().copy();
    Fill(p.SP1, 0);

    if (s.FontShadow3 != 0) {
        Fill(p.SP2, s.CoverShadowColor);
        const int64_t offset = s.FontShadow3;
        CompositePass(context,
                      DrawCoverLines(context, p.SP1.view(), text, int64_t{s.CPointX} + offset,
                                     int64_t{s.CPointY} + offset, 0xFFFFFF, 0),
                      s.ShadowBlur3);
    }
    if (s.FontStroke3 > 0) {
        Fill(p.SP2, s.CoverStokeColor);
        CompositePass(context,
                      DrawCoverLines(context, p.SP1.view(), text, s.CPointX, s.CPointY, 0xFFFFFF,
                                     s.FontStroke3),
                      s.StrokeBlur3);
    }
    Picture& cover = p.Picture4;
    BlendThroughMask(cover.view(), 0, 0, cover.width(), cover.height(), p.SP3.constView(), 0, 0,
                     p.SP6.constView(), 0, 0);

    p.SP3.image() = lyricColour;
    p.SP6.image() = lyricAlpha;
    Fill(p.SP2, 0);
}

QString HeaderText(const QString& line) {
    return line.mid(4).remove(u']');
}

}  // namespace

std::optional<QRect> CoverPlacement(QSize source, const QRect& box, bool keepAspect) {
    const double sw = source.width();
    const double sh = source.height();
    const double bw = box.width();
    const double bh = box.height();
    if (sw <= 0 || sh <= 0 || box.isEmpty()) {
        return std::nullopt;
    }
    if (!keepAspect) {
        return box;
    }
    if (bh * sw / sh > bw) {
        // Relatively wider than the box: full width, on the box's bottom edge.
        const int h = RoundHalfEven(bw / sw * sh);
        return QRect(box.x(), ClampToInt32(int64_t{box.y()} + box.height() - h), box.width(), h);
    }
    const int w = RoundHalfEven(bh / sh * sw);
    return QRect(ClampToInt32(int64_t{box.x()} + RoundHalfEven((bw - w) / 2.0)), box.y(), w,
                 box.height());
}

QRect CoverBox(const DerivedSettings& settings) {
    // Far outside any canvas; keeps the box's right and bottom edges within 32 bits.
    constexpr int kFar = 1 << 24;
    return {std::clamp(settings.coverImageX, -kFar, kFar),
            std::clamp(settings.coverImageY, -kFar, kFar),
            std::min(settings.coverImageW, kMaxCoverSide),
            std::min(settings.coverImageH, kMaxCoverSide)};
}

WrapRule CoverWrapRule(const RenderContext& context) {
    const Settings& s = context.settings;
    const FontSpec font = CoverFont(s);
    WrapRule rule;
    rule.limit = ClampToInt32(
        int64_t{WrapWidth(context.pictures.Picture1.width(), s.CPointX, s.CoverTextAlign)} -
        context.derived.coverLength);
    rule.measure = [font, &text = context.text()](const QString& line) {
        return text.MeasureTextWidth(line, font);
    };
    return rule;
}

void RenderCoverIntro(const RenderContext& context, const QString& text, const QImage& tagArt,
                      const CoverOptions& options) {
    const Settings& s = context.settings;
    Picture& cover = context.pictures.Picture4;
    cover.clear();  // back to the cover intro background

    const QImage& source =
        options.useTagArt && !tagArt.isNull() ? tagArt : context.holders.Picture3;
    if (const std::optional<QRect> place =
            CoverPlacement(source.size(), CoverBox(context.derived), options.keepAspect)) {
        StretchInto(source, cover, *place);
        if (options.reflection) {
            DrawReflection(context, source, place->x(), place->y(), place->width(),
                           place->height());
        }
    }

    if (text.isEmpty()) {
        return;
    }
    DrawTextEffects(context, text);
    DrawCoverLines(context, cover.view(), text, s.CPointX, s.CPointY,
                   static_cast<int32_t>(ResolveColour(s.CoverFontColor)), 0);
}

void DrawReflection(const RenderContext& context, const QImage& source, int x, int y, int w,
                    int h) {
    WorkingPictures& p = context.pictures;
    if (w <= 0 || h <= 0 || w > kMaxCoverSide || h > kMaxCoverSide) {
        return;
    }
    Picture& mask = p.SP7;
    Picture& image = p.SP8;
    for (Picture* picture : {&mask, &image}) {
        picture->removeBackPicture();
        picture->setBackColour(0);
        picture->resize(w, h);
    }
    // Black above the middle, black to light grey below it.
    const int half = RoundHalfEven(h / 2.0);
    FillGradient(mask.view(), 0, half, w, half, 0, 0xC0C0C0, 270.0f);
    StretchOver(source, image);
    PxAlphaMask(p.Picture4.view(), x, ClampToInt32(int64_t{y} + h), w, h, image.constView(), 0, 0,
                mask.constView(), 0, 0, 0, kPxMirrorVertical);
}

QString CoverText(const QString& headerLine0, const QString& headerLine1) {
    return HeaderText(headerLine0) + kLineSeparator + HeaderText(headerLine1);
}

QString TitleBarText(const QString& headerLine0, const QString& headerLine1) {
    return HeaderText(headerLine0).remove(kLineSeparator) + QStringLiteral(" - ") +
           HeaderText(headerLine1).remove(kLineSeparator);
}

}  // namespace lumek
