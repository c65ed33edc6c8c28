#include "render/title_bar.h"

#include "base/numbers.h"
#include "render/pixops.h"
#include "render/text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumek {

namespace {

constexpr int kMaxTitleWindowSide = 4096;

FontSpec TitleFont(const Settings& s) {
    return {s.TitleFontName, s.TitleFontSize, s.TitleFontBold};
}

// The slide fraction of a level: 0 at level 5, 1 at level 255.
double SlideOf(int32_t level) {
    return (static_cast<double>(level) - 5.0) / 250.0;
}

void SizeTextWindow(const DerivedSettings& settings, Picture& window) {
    const QSize size = TitleWindowSize(settings);
    if (window.width() != size.width() || window.height() != size.height()) {
        window.resize(size.width(), size.height());
    }
}

}  // namespace

void PrepareTitleBar(const RenderContext& context) {
    const Settings& settings = context.settings;
    WorkingPictures& pictures = context.pictures;
    const ImageHolders& holders = context.holders;
    StretchOver(holders.TTS, pictures.TTD);
    StretchOver(holders.TTM, pictures.TTMT);
    // The recoloured bar replaces the bar where the effect mask is white.
    const float hue = static_cast<float>(settings.TitleHue / 10.0);
    const auto lightness = static_cast<float>(int64_t{settings.TitleBrightness} - 100);
    PxHSL(pictures.TTT.view(), 0, 0, pictures.TTT.width(), pictures.TTT.height(),
          pictures.TTD.constView(), 0, 0, hue, 1.0f, lightness, 0, 0);
    PxAlphaMask(pictures.TTD.view(), 0, 0, pictures.TTD.width(), pictures.TTD.height(),
                pictures.TTT.constView(), 0, 0, pictures.TTMT.constView(), 0, 0, 0, 0);
    StretchOver(holders.SP4, pictures.TTMT);
    StretchOver(holders.SP5, pictures.TTT2);
    SizeTextWindow(context.derived, pictures.Picture7);
}

int32_t TitleBarTop(const DerivedSettings& settings, int32_t level) {
    return RoundHalfEven(settings.titleBarUpTop + SlideOf(level) * settings.titleBarDownTop);
}

QSize TitleWindowSize(const DerivedSettings& settings) {
    return {std::clamp(settings.titleBarTextW, 0, kMaxTitleWindowSide),
            std::clamp(settings.titleBarTextH, 0, kMaxTitleWindowSide)};
}

void DrawTitleBar(const RenderContext& context, const QString& text, int32_t level) {
    const Settings& s = context.settings;
    const DerivedSettings& d = context.derived;
    WorkingPictures& p = context.pictures;
    TextMeasurer& measurer = context.text();
    Picture& canvas = p.Picture1;
    const double slide = SlideOf(level);
    const int64_t upTop = d.titleBarUpTop;
    const int64_t downTop = d.titleBarDownTop;
    const int64_t textX = d.titleBarTextX;
    const int64_t textY = d.titleBarTextY;
    const FontSpec font = TitleFont(s);

    canvas.keepImage();
    BlendThroughMask(canvas.view(), 0, TitleBarTop(d, level), canvas.width(), canvas.height(),
                     p.TTD.constView(), 0, 0, p.TTMT.constView(), 0, 0);

    if (d.titleFits(text)) {
        const int32_t x = RoundHalfEven(static_cast<double>(textX) + d.titleBarTextW / 2.0);
        const int32_t y = RoundHalfEven(static_cast<double>(upTop + textY) +
                                        slide * static_cast<double>(downTop));
        measurer.DrawText(canvas.view(), x, y, TextAnchor::Centre, text, font, s.TitleFontColor);
        return;
    }

    context.host.pump();
    if (level != 255) {
        return;  // a scrolling title shows only once the bar is down
    }
    Picture& window = p.Picture7;
    SizeTextWindow(d, window);
    // The window's background is the bar under it.
    PxAlphaBlend(window.view(), 0, 0, window.width(), window.height(), p.TTD.constView(),
                 ClampToInt32(textX), ClampToInt32(textY), 255, 0, 0);
    int32_t& scrollX = context.state.TitleScrollX;
    scrollX = NextTitleScrollX(scrollX, measurer.MeasureTextWidth(text, font), window.width(),
                               s.TitleSpeed);
    measurer.DrawText(window.view(), scrollX, 0, TextAnchor::Left, text, font, s.TitleFontColor);
    const int32_t x0 = ClampToInt32(textX);
    const int32_t y0 = ClampToInt32(upTop + textY + downTop);
    BlendThroughMask(canvas.view(), x0, y0, window.width(), window.height(), window.constView(), 0,
                     0, p.TTT2.constView(), x0, y0);
}

int32_t NextTitleScrollX(int32_t scrollX, int32_t textWidth, int32_t windowWidth, int32_t speed) {
    int64_t x = scrollX;
    if (x < -int64_t{textWidth}) {
        x = windowWidth;
    }
    return ClampToInt32(x - (int64_t{speed} + 1));
}

int32_t PreviewTitleScrollX(int32_t windowWidth, int64_t firstFrame, int64_t position,
                            double estimatedWidth, int32_t speed) {
    const int64_t frames = position - firstFrame + 1;
    if (frames <= 0) {
        return windowWidth;
    }
    // A frame restarts x at the right edge when x <= -estimate, then steps left. Either way the
    // first frame ends at w - step; from there x runs down by step until a value restarts, and
    // the frame after that one starts over at w - step. Worked out in closed form, since the
    // positions can be far apart.
    const double w = windowWidth;
    const double step = static_cast<double>(speed) + 1.0;
    const double restartAt = -estimatedWidth;
    const double n = static_cast<double>(frames);
    auto xAfter = [&](double k) { return w - k * step; };  // x after k frames without restart
    auto toInt = [](double x) {
        return static_cast<int32_t>(std::clamp(x, double{std::numeric_limits<int32_t>::min()},
                                               double{std::numeric_limits<int32_t>::max()}));
    };
    if (step <= 0) {
        // x never decreases: it restarts on every frame or on none.
        return toInt(xAfter(xAfter(1) <= restartAt ? 1 : n));
    }
    if (frames == 1 || xAfter(n - 1) > restartAt) {
        return toInt(xAfter(n));
    }
    // The run ends with the period-th value, the first that restarts; period < frames.
    auto period = static_cast<int64_t>(
        std::clamp(std::ceil((w - restartAt) / step), 1.0, static_cast<double>(frames - 1)));
    while (period > 1 && xAfter(static_cast<double>(period - 1)) <= restartAt) {
        --period;
    }
    while (xAfter(static_cast<double>(period)) > restartAt) {
        ++period;
    }
    return toInt(xAfter(static_cast<double>((frames - 1) % period + 1)));
}

void PreviewTitleScroll(const RenderContext& context, const QString& text) {
    const Settings& s = context.settings;
    SizeTextWindow(context.derived, context.pictures.Picture7);
    const int64_t firstFrame = context.derived.titleBarDownAt();
    const double bytes = AnsiByteLength(text);
    const double estimate = s.TitleFontSize / (bytes * 0.003 + 2.0) * bytes;
    context.state.TitleScrollX =
        PreviewTitleScrollX(context.pictures.Picture7.width(), firstFrame,
                            context.state.PreviewPosition, estimate, s.TitleSpeed);
}

}  // namespace lumek
