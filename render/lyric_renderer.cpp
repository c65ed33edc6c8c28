#include "render/lyric_renderer.h"

#include "base/colour.h"
#include "base/numbers.h"
#include "render/filters.h"
#include "render/gradient.h"
#include "render/pixops.h"
#include "render/title_bar.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace lumek {

namespace {

const QString kLineSeparator = QStringLiteral(" / ");

// A blurred mask spreads by one pixel per pass; once it is black again further passes change
// nothing, so the passes stop there. Transition blurs stop at kMaxTransitionBlurs, beyond which
// a layer hardly changes any more.
constexpr int kMaxMaskBlurs = 4096;
constexpr int kMaxTransitionBlurs = 1000;

// Texts are wrapped by characters (code points), as they are counted. Positions below are
// UTF-16 offsets into one part of a text that always stand at the start of a character.

// Parts up to this many UTF-16 units are wrapped exactly: each line as measured whole. Longer
// ones, which no canvas shows on few lines, are wrapped by the sums of their characters' own
// widths, in time linear in their length.
constexpr qsizetype kExactWrapLength = 512;

}  // namespace

// Measured once each, by the measure the cache was made with.
class CharacterWidths {
public:
    explicit CharacterWidths(std::function<int32_t(const QString&)> measure)
        : measure_(std::move(measure)) {}

    int32_t of(char32_t c) {
        if (!measure_) {
            return 0;
        }
        if (c < 0x10000) {
            if (basic_.empty()) {
                basic_.assign(0x10000, -1);
            }
            int32_t& width = basic_[c];
            if (width < 0) {
                width = std::max(measure_(QString(QChar(static_cast<char16_t>(c)))), 0);
            }
            return width;
        }
        const auto found = other_.constFind(c);
        if (found != other_.cend()) {
            return *found;
        }
        const int32_t width = std::max(measure_(QString::fromUcs4(&c, 1)), 0);
        other_.insert(c, width);
        return width;
    }

private:
    std::function<int32_t(const QString&)> measure_;
    std::vector<int32_t> basic_;  // the basic plane; -1 until measured
    QHash<char32_t, int32_t> other_;
};

namespace {

// The rule's character widths, or new ones for this wrap when the rule keeps none.
std::shared_ptr<CharacterWidths> WidthsOf(const WrapRule& rule) {
    return rule.characters ? rule.characters : std::make_shared<CharacterWidths>(rule.measure);
}

// One part of a text (no separator inside) as the wrapper scans it. Widths of runs only grow
// as characters are added, which the searches for the first overflow rely on.
class PartScan {
public:
    PartScan(QStringView part, const WrapRule& rule, CharacterWidths& widths)
        : part_(part), rule_(rule), widths_(widths), exact_(part.size() <= kExactWrapLength) {}

    qsizetype size() const { return part_.size(); }
    QStringView part() const { return part_; }

    qsizetype next(qsizetype at) const {
        return at + 1 < part_.size() && part_[at].isHighSurrogate() &&
                       part_[at + 1].isLowSurrogate()
                   ? at + 2
                   : at + 1;
    }
    qsizetype previous(qsizetype at) const {
        return at >= 2 && part_[at - 1].isLowSurrogate() && part_[at - 2].isHighSurrogate()
                   ? at - 2
                   : at - 1;
    }

    // The first character i at or after `from` (and before end) where the run start..i no longer
    // fits; end when there is none.
    qsizetype firstOverflow(qsizetype start, qsizetype from, qsizetype end) {
        if (from >= end) {
            return end;
        }
        qsizetype i = start;
        if (rule_.limit > 0) {
            int64_t sum = 0;
            for (; i < end; i = next(i)) {
                sum += widths_.of(CharAt(i));
                if (sum >= rule_.limit) {
                    break;
                }
            }
        }
        if (exact_) {
            // The sums guess the place; the lines as measured decide it.
            if (i < end && !overflows(start, i)) {
                do {
                    i = next(i);
                } while (i < end && !overflows(start, i));
            } else {
                while (i > start && overflows(start, previous(i))) {
                    i = previous(i);
                }
            }
        }
        return i >= end ? end : std::max(i, from);
    }

    // Where the next line starts after the run start..i overflowed: after the last space in it
    // (at that space when it ends the part, whose end is `end`), else at i.
    qsizetype breakAfter(qsizetype start, qsizetype i, qsizetype end) const {
        for (qsizetype j = i + 1; j-- > start;) {
            if (part_[j] == u' ') {
                return j + 1 < end ? j + 1 : j;
            }
        }
        return i;
    }

private:
    char32_t CharAt(qsizetype at) const {
        const qsizetype after = next(at);
        return after == at + 2 ? QChar::surrogateToUcs4(part_[at], part_[at + 1])
                               : char32_t{part_[at].unicode()};
    }
    bool overflows(qsizetype start, qsizetype i) const {
        const QString run = part_.mid(start, next(i) - start).toString();
        return (rule_.measure ? rule_.measure(run) : 0) >= rule_.limit;
    }

    QStringView part_;
    const WrapRule& rule_;
    CharacterWidths& widths_;
    bool exact_;
};

// The parts of a text between " / " separators.
QList<QStringView> Parts(QStringView text) {
    QList<QStringView> parts;
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(kLineSeparator, from)) >= 0;
         from = at + kLineSeparator.size()) {
        parts.append(text.mid(from, at - from));
    }
    parts.append(text.mid(from));
    return parts;
}

// The extra lines of one part: each overflow breaks the line, and the scan goes on with the
// next character, measured from where the new line starts.
int64_t PartLineBreaks(PartScan& scan) {
    int64_t count = 0;
    qsizetype lineStart = 0;
    for (qsizetype i = scan.firstOverflow(0, 0, scan.size()); i < scan.size();
         i = scan.firstOverflow(lineStart, scan.next(i), scan.size())) {
        ++count;
        lineStart = scan.breakAfter(lineStart, i, scan.size());
    }
    return count;
}

// The first line of part from `start` on: its end (where the rest starts), or nothing when the
// rest fits on one line. The part ends at end.
std::optional<qsizetype> FirstLineEnd(PartScan& scan, qsizetype start, qsizetype end) {
    const qsizetype i = scan.firstOverflow(start, start, end);
    if (i >= end) {
        return std::nullopt;
    }
    const qsizetype b = scan.breakAfter(start, i, end);
    return b == start ? scan.next(start) : b;
}

int32_t CountLineBreaks(QStringView text, const WrapRule& rule, CharacterWidths& widths) {
    const QList<QStringView> parts = Parts(text);
    int64_t count = parts.size() - 1;
    for (const QStringView part : parts) {
        PartScan scan(part, rule, widths);
        count += PartLineBreaks(scan);
    }
    return ClampToInt32(count);
}

// The UTF-16 offset of character `start` (1-based); the text's end when it has fewer.
qsizetype OffsetOf(const PartScan& scan, int32_t start) {
    qsizetype at = 0;
    for (int32_t k = 1; k < start && at < scan.size(); ++k) {
        at = scan.next(at);
    }
    return at;
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
    // A line's ink reaches from half a cell (at most a pitch) above its top to one and a half
    // below, and the outline as far again: lines whose ink can't reach the picture are left out.
    const int64_t cell = std::max(pitch, 0);
    const int64_t reach = std::clamp(spread, 0, kMaxTextSpread) + 1;
    const LineWindow window{-(cell + cell / 2 + reach), int64_t{p.SP1.height()} + cell / 2 + reach};
    QRect drawn;
    for (const TextLine& line : LayOutText(text, pitch, ClampToInt32(centreLine), rule, window)) {
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
    const std::shared_ptr<CharacterWidths> widths = WidthsOf(rule);
    return CountLineBreaks(text, rule, *widths);
}

QString FirstWrappedLine(const QString& text, int32_t start, const WrapRule& rule) {
    const std::shared_ptr<CharacterWidths> widths = WidthsOf(rule);
    PartScan scan(text, rule, *widths);
    const qsizetype from = OffsetOf(scan, start);
    const std::optional<qsizetype> end = FirstLineEnd(scan, from, scan.size());
    if (!end) {
        return text.mid(from);
    }
    return TrimOneTrailingSpace(text.mid(from, *end - from));
}

QString RestAfterFirstLine(const QString& text, int32_t start, const WrapRule& rule) {
    const std::shared_ptr<CharacterWidths> widths = WidthsOf(rule);
    PartScan scan(text, rule, *widths);
    const qsizetype from = OffsetOf(scan, start);
    const std::optional<qsizetype> end = FirstLineEnd(scan, from, scan.size());
    return end ? TrimOneTrailingSpace(text.mid(*end)) : text.mid(from);
}

QString TrimOneTrailingSpace(const QString& text) {
    if (!text.isEmpty() && text.back() == u' ') {
        return text.left(text.size() - 1);
    }
    return text;
}

std::vector<TextLine> LayOutText(const QString& text, int32_t pitch, int32_t centreLine,
                                 const WrapRule& rule, const LineWindow& window) {
    const std::shared_ptr<CharacterWidths> widths = WidthsOf(rule);
    const double p = pitch;
    const double breaks = CountLineBreaks(text, rule, *widths);
    const double firstTop = centreLine - p / 2.0 - p * breaks / 2.0;
    std::vector<TextLine> lines;
    int64_t k = 0;
    // Whether lines further down can still be in the window.
    auto more = [&] {
        return pitch <= 0 ||
               firstTop + p * static_cast<double>(k) <= static_cast<double>(window.last) + 1.0;
    };
    auto add = [&](QStringView line) {
        const int32_t top = RoundHalfEven(firstTop + p * static_cast<double>(k));
        if (top >= window.first && top <= window.last) {
            lines.push_back({line.toString(), top});
        }
        ++k;
    };
    for (const QStringView part : Parts(text)) {
        PartScan scan(part, rule, *widths);
        // Each line takes at least one character off the rest, whose last space is trimmed at
        // every break.
        qsizetype start = 0;
        qsizetype end = part.size();
        while (more()) {
            const std::optional<qsizetype> lineEnd = FirstLineEnd(scan, start, end);
            if (!lineEnd) {
                add(part.mid(start, end - start));
                break;
            }
            QStringView line = part.mid(start, *lineEnd - start);
            add(line.endsWith(u' ') ? line.chopped(1) : line);
            start = *lineEnd;
            if (start < end && part[end - 1] == u' ') {
                --end;
            }
        }
        if (!more()) {
            break;
        }
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
    // The passes of a frame, and the frames after it, wrap in the same font: the widths of its
    // characters are kept for the last font asked for.
    RenderState::WrapWidths& kept = context.state.LyricWrap;
    if (!kept.widths || kept.font.face != font.face || kept.font.size != font.size ||
        kept.font.bold != font.bold) {
        kept.font = font;
        kept.widths = std::make_shared<CharacterWidths>(rule.measure);
    }
    rule.characters = kept.widths;
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
