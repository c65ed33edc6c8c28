#include "render/lyric_renderer.h"

#include "base/colour.h"
#include "base/numbers.h"
#include "render/filters.h"
#include "render/gradient.h"
#include "render/pixops.h"
#include "render/title_bar.h"

#include <QStringList>

#include <algorithm>
#include <limits>
#include <string>

namespace lumek {

namespace {

const QString kLineSeparator = QStringLiteral(" / ");

// A blurred mask spreads by one pixel per pass; once it is black again further passes change
// nothing, so the passes stop there. Transition blurs stop at kMaxTransitionBlurs, beyond which
// a layer hardly changes any more.
constexpr int kMaxMaskBlurs = 4096;
constexpr int kMaxTransitionBlurs = 1000;

// Texts are wrapped by characters (code points), as they are counted.
using Chars = std::u32string;

Chars ToChars(const QString& text) {
    const QList<uint> ucs = text.toUcs4();
    return Chars(ucs.begin(), ucs.end());
}

QString Slice(const Chars& chars, size_t from, size_t count) {
    return QString::fromUcs4(chars.data() + from, static_cast<qsizetype>(count));
}

bool Overflows(const WrapRule& rule, const Chars& chars, size_t from, size_t to) {
    const int32_t width = rule.measure ? rule.measure(Slice(chars, from, to - from + 1)) : 0;
    return width >= rule.limit;
}

// Where the next line starts after characters start..i overflowed: after the last space among
// them (at that space when it ends the text), else at i.
size_t BreakAfter(const Chars& chars, size_t start, size_t i) {
    for (size_t j = i + 1; j-- > start;) {
        if (chars[j] == U' ') {
            return j + 1 < chars.size() ? j + 1 : j;
        }
    }
    return i;
}

struct FirstLine {
    size_t start = 0;  // 0-based
    size_t end = 0;    // where the rest starts
    bool wrapped = false;
};

FirstLine ScanFirstLine(const Chars& chars, int32_t start, const WrapRule& rule) {
    FirstLine line;
    line.start = static_cast<size_t>(std::max(start, 1) - 1);
    line.end = chars.size();
    for (size_t i = line.start; i < chars.size(); ++i) {
        if (Overflows(rule, chars, line.start, i)) {
            size_t b = BreakAfter(chars, line.start, i);
            if (b == line.start) {
                b = line.start + 1;
            }
            line.end = b;
            line.wrapped = true;
            break;
        }
    }
    return line;
}

QString From(const Chars& chars, size_t start) {
    return start >= chars.size() ? QString() : Slice(chars, start, chars.size() - start);
}

struct Gradient {
    int32_t top;
    int32_t bottom;
};

FontSpec MainFont(const Settings& s) {
    return {s.FontName, s.FontSize, s.FontBold};
}

FontSpec NeighbourFont(const Settings& s) {
    return {s.Font2Name, s.Font2Size, s.Font2Bold};
}

bool NeighboursShown(const RenderContext& context, bool showNeighbours) {
    return showNeighbours && context.derived.neighboursShown;
}

// Lays out a text around (x, centreLine) and draws it into SP1 in white, dilated by spread;
// with bands, each line's full-width gradient band goes into SP2 behind it.
QRect DrawLines(const RenderContext& context, const QString& text, const FontSpec& font,
                int32_t pitch, int64_t x, int64_t centreLine, int32_t spread,
                const Gradient* bands) {
    WorkingPictures& p = context.pictures;
    const WrapRule rule = LyricWrapRule(context);
    const TextAnchor anchor = AnchorFor(context.settings.TextAlign);
    QRect drawn;
    for (const TextLine& line : LayOutText(text, pitch, ClampToInt32(centreLine), rule)) {
        drawn |= context.text().DrawText(p.SP1.view(), ClampToInt32(x), line.top, anchor, line.text,
                                         font, 0xFFFFFF, spread);
        const bool bandShows = int64_t{line.top} + pitch > 0 && line.top < p.SP2.height();
        if (bands != nullptr && bandShows) {
            FillGradient(p.SP2.view(), 0, line.top, p.SP2.width(), pitch,
                         static_cast<int32_t>(ResolveColour(bands->top)),
                         static_cast<int32_t>(ResolveColour(bands->bottom)), 270.0f);
        }
    }
    return drawn;
}

// The neighbours above and below the reference point, at the given offsets.
QRect DrawNeighbours(const RenderContext& context, const QString& previousText,
                     const QString& nextText, int64_t dx, int64_t dy, int32_t spread,
                     const Gradient* bands) {
    const Settings& s = context.settings;
    const int64_t between = context.derived.textBetween;
    const FontSpec font = NeighbourFont(s);
    const int64_t x = int64_t{s.PointX} + dx;
    const int64_t y = int64_t{s.PointY} + dy;
    QRect drawn =
        DrawLines(context, previousText, font, s.Font2Size, x, y - between, spread, bands);
    drawn |= DrawLines(context, nextText, font, s.Font2Size, x, y + between, spread, bands);
    return drawn;
}

bool IsBlack(PixelView view) {
    for (int y = 0; y < view.height; ++y) {
        const uint32_t* row = view.row(y);
        for (int x = 0; x < view.width; ++x) {
            if ((row[x] & 0xFFFFFFu) != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

void CompositePass(const RenderContext& context, const QRect& drawn, int32_t blurPasses) {
    WorkingPictures& p = context.pictures;
    const QRect canvas = p.SP1.image().rect();
    QRect reach = drawn & canvas;
    const int passes = std::clamp(blurPasses, 0, kMaxMaskBlurs);
    for (int pass = 0; pass < passes && !reach.isEmpty(); ++pass) {
        // Two black pixels around the mask make the edge of the blurred part behave as the
        // inside of the picture, so blurring just this part gives the whole picture's result.
        const PixelView part = SubView(p.SP1.view(), reach.adjusted(-2, -2, 2, 2));
        PxBlur(part, AsConst(part), 0, 0);
        reach = reach.adjusted(-1, -1, 1, 1) & canvas;
        if (pass % 64 == 63 && IsBlack(SubView(p.SP1.view(), reach))) {
            reach = QRect();
        }
    }
    const int w = reach.width();
    const int h = reach.height();
    if (!reach.isEmpty()) {
        BlendThroughMask(p.SP3.view(), reach.x(), reach.y(), w, h, p.SP2.constView(), reach.x(),
                         reach.y(), p.SP1.constView(), reach.x(), reach.y());
    }
    p.SP2.setBackColour(0xFFFFFF);
    p.SP2.clear();
    if (!reach.isEmpty()) {
        BlendThroughMask(p.SP6.view(), reach.x(), reach.y(), w, h, p.SP2.constView(), reach.x(),
                         reach.y(), p.SP1.constView(), reach.x(), reach.y());
        p.SP1.fillRect(reach, 0);
    }
}

namespace {

void ApplyTransition(const RenderContext& context) {
    WorkingPictures& p = context.pictures;
    RenderState& st = context.state;
    const int32_t strength = st.TransitionStep;
    const TransitionEffect effect = context.derived.effect;
    for (Picture* layer : {&p.SP3, &p.SP6}) {
        if (effect != TransitionEffect::Blur) {
            ApplyFilter(effect == TransitionEffect::Mosaic ? kFilterMosaic : kFilterSpread,
                        layer->view(), strength, st.FilterProgress, st.Filters, context.host);
        } else {
            for (int pass = 0; pass < std::min(strength, kMaxTransitionBlurs); ++pass) {
                PxBlur(layer->view(), AsConst(layer->view()), 0, 0);
            }
        }
    }
}

// Rebuilds the colour layer SP3 and the alpha layer SP6.
void RebuildLayers(const RenderContext& context, const QString& previousText,
                   const QString& nextText, bool showNeighbours) {
    const Settings& s = context.settings;
    WorkingPictures& p = context.pictures;
    RenderState& st = context.state;

    // Only the passes read the mask picture, so it is erased here rather than on every call.
    p.SP1.removeBackPicture();
    p.SP1.clear();
    PxAlphaBlend(p.SP3.view(), 0, 0, p.SP3.width(), p.SP3.height(), p.PTMP2.constView(), 0, 0, 255,
                 0, 0);
    p.SP6.setBackColour(0);
    p.SP6.clear();

    if (s.FontShadow1 != 0) {
        CompositePass(
            context,
            DrawShadowMask(context, previousText, nextText, showNeighbours, s.FontShadow1, false),
            s.ShadowBlur1);
    }
    if (s.FontShadow2 != 0) {
        CompositePass(
            context,
            DrawShadowMask(context, previousText, nextText, showNeighbours, s.FontShadow2, true),
            s.ShadowBlur2);
    }
    if (s.FontStroke1 > 0) {
        CompositePass(context,
                      DrawStrokeMask(context, previousText, nextText, showNeighbours, false),
                      s.StrokeBlur1);
    }
    if (s.FontStroke2 > 0) {
        CompositePass(context,
                      DrawStrokeMask(context, previousText, nextText, showNeighbours, true),
                      s.StrokeBlur2);
    }

    const Gradient mainBands{s.MainFontColor, s.MainFontColor2};
    CompositePass(context,
                  DrawLines(context, st.CurrentLyricText, MainFont(s), s.FontSize, s.PointX,
                            s.PointY, 0, &mainBands),
                  0);

    if (NeighboursShown(context, showNeighbours)) {
        const Gradient subBands{s.SubFontColor, s.SubFontColor2};
        CompositePass(context, DrawNeighbours(context, previousText, nextText, 0, 0, 0, &subBands),
                      0);
    }

    if (!st.NoCurrentText && st.TransitionStep >= 1) {
        ApplyTransition(context);
    }
}

// Puts the colour layer through the alpha layer onto the canvas, where the alpha layer is not
// black; that part is found once per rebuild of the layers.
void CompositeLayers(const RenderContext& context) {
    WorkingPictures& p = context.pictures;
    RenderState::LayerArea& area = context.state.LyricArea;
    const qint64 key = p.SP6.image().cacheKey();
    if (area.imageKey != key || key == 0) {
        area.bands = NonBlackBands(p.SP6.constView(), p.SP6.image().rect());
        area.imageKey = key;
    }
    for (const QRect& band : area.bands) {
        PxAlphaMask(p.Picture1.view(), band.x(), band.y(), band.width(), band.height(),
                    p.SP3.constView(), band.x(), band.y(), p.SP6.constView(), band.x(), band.y(), 0,
                    0);
    }
}

// A title that fits its bar is drawn with the lyrics once the cover intro and the bar's
// slide-down are over.
void DrawStillTitle(const RenderContext& context) {
    const DerivedSettings& d = context.derived;
    const RenderState& st = context.state;
    if (!d.titleBar || !d.titleFits(st.TitleText)) {
        return;
    }
    const int64_t position = st.MakingVideo ? st.CoverFrameCounter : st.PreviewPosition;
    if (position > d.titleBarDownAt()) {
        DrawTitleBar(context, st.TitleText, 255);
    }
}

}  // namespace

int32_t WrapWidth(int32_t canvasWidth, int32_t pointX, int32_t alignment) {
    const int64_t cw = canvasWidth;
    const int64_t x = pointX;
    switch (alignment) {
        case kAlignCentre:
            return ClampToInt32(
                static_cast<double>(cw) / 2.0 >= static_cast<double>(x) ? 2 * x : 2 * (cw - x));
        case kAlignRight:
            return ClampToInt32(x);
        default:
            return ClampToInt32(cw - x);
    }
}

int32_t CountLineBreaks(const QString& text, const WrapRule& rule) {
    const QStringList parts = text.split(kLineSeparator);
    int64_t count = parts.size() - 1;
    for (const QString& part : parts) {
        const Chars chars = ToChars(part);
        size_t lineStart = 0;
        for (size_t i = 0; i < chars.size(); ++i) {
            if (Overflows(rule, chars, lineStart, i)) {
                ++count;
                lineStart = BreakAfter(chars, lineStart, i);
            }
        }
    }
    return ClampToInt32(count);
}

QString FirstWrappedLine(const QString& text, int32_t start, const WrapRule& rule) {
    const Chars chars = ToChars(text);
    const FirstLine line = ScanFirstLine(chars, start, rule);
    if (!line.wrapped) {
        return From(chars, line.start);
    }
    return TrimOneTrailingSpace(Slice(chars, line.start, line.end - line.start));
}

QString RestAfterFirstLine(const QString& text, int32_t start, const WrapRule& rule) {
    const Chars chars = ToChars(text);
    const FirstLine line = ScanFirstLine(chars, start, rule);
    return line.wrapped ? TrimOneTrailingSpace(From(chars, line.end)) : From(chars, line.start);
}

QString TrimOneTrailingSpace(const QString& text) {
    if (!text.isEmpty() && text.back() == u' ') {
        return text.left(text.size() - 1);
    }
    return text;
}

std::vector<TextLine> LayOutText(const QString& text, int32_t pitch, int32_t centreLine,
                                 const WrapRule& rule) {
    const double p = pitch;
    const double breaks = CountLineBreaks(text, rule);
    const double firstTop = centreLine - p / 2.0 - p * breaks / 2.0;
    std::vector<TextLine> lines;
    int64_t k = 0;
    auto add = [&](const QString& line) {
        lines.push_back({line, RoundHalfEven(firstTop + p * static_cast<double>(k))});
        ++k;
    };
    for (const QString& part : text.split(kLineSeparator)) {
        QString rest = part;
        // Every wrap takes at least one character off, so this ends.
        for (qsizetype guard = rest.size(); guard >= 0 && CountLineBreaks(rest, rule) >= 1;
             --guard) {
            add(FirstWrappedLine(rest, 1, rule));
            rest = RestAfterFirstLine(rest, 1, rule);
        }
        add(rest);
    }
    return lines;
}

WrapRule LyricWrapRule(const RenderContext& context) {
    const Settings& s = context.settings;
    const FontSpec font = MainFont(s);
    WrapRule rule;
    rule.limit =
        ClampToInt32(int64_t{WrapWidth(context.pictures.Picture1.width(), s.PointX, s.TextAlign)} -
                     context.derived.textLength);
    rule.measure = [font, &text = context.text()](const QString& line) {
        return text.MeasureTextWidth(line, font);
    };
    return rule;
}

QRect DrawShadowMask(const RenderContext& context, const QString& previousText,
                     const QString& nextText, bool showNeighbours, int32_t offset,
                     bool forNeighbours) {
    const Settings& s = context.settings;
    Picture& colour = context.pictures.SP2;
    if (!forNeighbours) {
        colour.setBackColour(s.MainShadowColor);
        colour.clear();
        return DrawLines(context, context.state.CurrentLyricText, MainFont(s), s.FontSize,
                         int64_t{s.PointX} + offset, int64_t{s.PointY} + offset, 0, nullptr);
    }
    colour.setBackColour(s.SubShadowColor);
    colour.clear();
    if (!NeighboursShown(context, showNeighbours)) {
        return {};
    }
    return DrawNeighbours(context, previousText, nextText, offset, offset, 0, nullptr);
}

QRect DrawStrokeMask(const RenderContext& context, const QString& previousText,
                     const QString& nextText, bool showNeighbours, bool forNeighbours) {
    const Settings& s = context.settings;
    Picture& colour = context.pictures.SP2;
    // Each line is drawn at every offset within the outline width: once, dilated.
    if (!forNeighbours) {
        colour.setBackColour(s.MainStokeColor);
        colour.clear();
        if (s.FontStroke1 < 0) {
            return {};
        }
        return DrawLines(context, context.state.CurrentLyricText, MainFont(s), s.FontSize, s.PointX,
                         s.PointY, s.FontStroke1, nullptr);
    }
    colour.setBackColour(s.SubStokeColor);
    colour.clear();
    if (!NeighboursShown(context, showNeighbours) || s.FontStroke2 < 0) {
        return {};
    }
    return DrawNeighbours(context, previousText, nextText, 0, 0, s.FontStroke2, nullptr);
}

void RenderLyrics(const RenderContext& context, const QString& previousText,
                  const QString& nextText, bool showNeighbours) {
    WorkingPictures& p = context.pictures;
    RenderState& st = context.state;

    p.Picture1.removeBackPicture();
    if (p.PTMP2.width() < p.Picture1.width() || p.PTMP2.height() < p.Picture1.height()) {
        p.Picture1.clear();  // else the background copied below covers all of it
    }
    PxAlphaBlend(p.Picture1.view(), 0, 0, p.Picture1.width(), p.Picture1.height(),
                 p.PTMP2.constView(), 0, 0, 255, 0, 0);
    // Without a line change or a transition the cached layers still hold this frame's lyrics.
    if (st.TransitionStep > 0 || st.LineChanged) {
        RebuildLayers(context, previousText, nextText, showNeighbours);
    }
    CompositeLayers(context);
    DrawStillTitle(context);
    // Step 1 is the last step of a fade-in: the next call re-renders once more unfiltered.
    st.LineChanged = st.TransitionStep == 1;
}

}  // namespace lumek
