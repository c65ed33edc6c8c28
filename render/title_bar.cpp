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

ConstPixelView Read(const Picture& picture) {
    return picture.view();
}

FontSpec TitleFont(const Settings& s) {
    return {s.TitleFontName, s.TitleFontSize, s.TitleFontBold};
}

// The slide fraction of a level: 0 at level 5, 1 at level 255.
double SlideOf(int32_t level) {
    return (static_cast<double>(level) - 5.0) / 250.0;
}

void SizeTextWindow(const Settings& settings, Picture& window) {
    const QSize size = TitleWindowSize(settings);
    if (window.width() != size.width() || window.height() != size.height()) {
        window.resize(size.width(), size.height());
    }
}

}  // namespace

void PrepareTitleBar(const Settings& settings, WorkingPictures& pictures,
                     const ImageHolders& holders) {
    StretchOver(holders.TTS, pictures.TTD);
    StretchOver(holders.TTM, pictures.TTMT);
    // The recoloured bar replaces the bar where the effect mask is white.
    const float hue = static_cast<float>(settings.TitleHue / 10.0);
    const auto lightness = static_cast<float>(int64_t{settings.TitleBrightness} - 100);
    PxHSL(pictures.TTT.view(), 0, 0, pictures.TTT.width(), pictures.TTT.height(),
          Read(pictures.TTD), 0, 0, hue, 1.0f, lightness, 0, 0);
    PxAlphaMask(pictures.TTD.view(), 0, 0, pictures.TTD.width(), pictures.TTD.height(),
                Read(pictures.TTT), 0, 0, Read(pictures.TTMT), 0, 0, 0, 0);
    StretchOver(holders.SP4, pictures.TTMT);
    StretchOver(holders.SP5, pictures.TTT2);
    SizeTextWindow(settings, pictures.Picture7);
}

int32_t TitleBarTop(const Settings& settings, int32_t level) {
    return RoundHalfEven(ToInt(settings.TitleBarUpTop) +
                         SlideOf(level) * ToInt(settings.TitleBarDownTop));
}

QSize TitleWindowSize(const Settings& settings) {
    return {std::clamp(ToInt(settings.TitleBarTextW), 0, kMaxTitleWindowSide),
            std::clamp(ToInt(settings.TitleBarTextH), 0, kMaxTitleWindowSide)};
}

void DrawTitleBar(const RenderContext& context, const QString& text, int32_t level) {
    const Settings& s = context.settings;
    WorkingPictures& p = context.pictures;
    Picture& canvas = p.Picture1;
    const double slide = SlideOf(level);
    const int64_t upTop = ToInt(s.TitleBarUpTop);
    const int64_t downTop = ToInt(s.TitleBarDownTop);
    const int64_t textX = ToInt(s.TitleBarTextX);
    const int64_t textY = ToInt(s.TitleBarTextY);
    const FontSpec font = TitleFont(s);

    canvas.keepImage();
    BlendThroughMask(canvas.view(), 0, TitleBarTop(s, level), canvas.width(), canvas.height(),
                     Read(p.TTD), 0, 0, Read(p.TTMT), 0, 0);

    if (CharacterCount(text) <= ToInt(s.TitleBarTextLength)) {
        const int32_t x = RoundHalfEven(static_cast<double>(textX) + ToInt(s.TitleBarTextW) / 2.0);
        const int32_t y = RoundHalfEven(static_cast<double>(upTop + textY) +
                                        slide * static_cast<double>(downTop));
        DrawText(canvas.view(), x, y, TextAnchor::Centre, text, font, s.TitleFontColor);
        return;
    }

    context.host.pump();
    if (level != 255) {
        return;  // a scrolling title shows only once the bar is down
    }
    Picture& window = p.Picture7;
    SizeTextWindow(s, window);
    // The window's background is the bar under it.
    PxAlphaBlend(window.view(), 0, 0, window.width(), window.height(), Read(p.TTD),
                 ClampToInt32(textX), ClampToInt32(textY), 255, 0, 0);
    int32_t& scrollX = context.state.TitleScrollX;
    scrollX = NextTitleScrollX(scrollX, MeasureTextWidth(text, font), window.width(), s.TitleSpeed);
    DrawText(window.view(), scrollX, 0, TextAnchor::Left, text, font, s.TitleFontColor);
    const int32_t x0 = ClampToInt32(textX);
    const int32_t y0 = ClampToInt32(upTop + textY + downTop);
    BlendThroughMask(canvas.view(), x0, y0, window.width(), window.height(), Read(window), 0, 0,
                     Read(p.TTT2), x0, y0);
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
    SizeTextWindow(s, context.pictures.Picture7);
    const int64_t firstFrame = int64_t{ToInt(s.CoverShowTime)} + ToInt(s.CoverFadeTime) + 10;
    const double bytes = AnsiByteLength(text);
    const double estimate = s.TitleFontSize / (bytes * 0.003 + 2.0) * bytes;
    context.state.TitleScrollX =
        PreviewTitleScrollX(context.pictures.Picture7.width(), firstFrame,
                            context.state.PreviewPosition, estimate, s.TitleSpeed);
}

}  // namespace lumek
