#pragma once

#include "base/derived_settings.h"
#include "base/settings.h"
#include "base/ui_host.h"
#include "render/filters.h"
#include "render/picture.h"
#include "render/text.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace lumek {

// The user's pictures at their own size, or the active preset's pictures when the user chose
// none. The renderers stretch them into the working pictures.
class CharacterWidths;

struct ImageHolders {
    QImage PTMP;      // background
    QImage TTS;       // title bar
    QImage TTM;       // title colour/brightness mask: white where hue and brightness act
    QImage SP5;       // title text-area mask: white where title text may show
    QImage COVERT;    // cover intro background
    QImage SP4;       // title bar mask: white where the bar is opaque
    QImage Picture3;  // cover used when a song has none
};

// The persistent off-screen pictures the renderers draw into. All are canvas-sized except
// Picture7, which the title bar sizes to its text window.
struct WorkingPictures {
    Picture Picture1;  // the frame canvas
    Picture PTMP2;     // background of the current frame
    Picture SP1;       // mask of one text pass, white on black
    Picture SP2;       // colour source of one text pass
    Picture SP3;       // lyric colour layer, kept between frames
    Picture SP6;       // lyric alpha layer, kept between frames
    Picture Picture4;  // cover intro layer
    Picture Picture7;  // text window of a scrolling title
    Picture TTD;       // the title bar, recoloured
    Picture TTT;       // scratch picture of the recolouring
    Picture TTMT;      // the title bar mask (the effect mask while recolouring)
    Picture TTT2;      // the title text-area mask
    Picture SP7;       // reflection mask, sized to the drawn cover
    Picture SP8;       // reflection image, sized to the drawn cover

    // Gives every canvas picture the canvas size, erased to its background colour.
    void resize(int width, int height);
};

// What the renderers share between calls and with the frame loop and the preview.
struct RenderState {
    QString CurrentLyricText;    // the main line to draw; " / " forces a line break
    int32_t TransitionStep = 0;  // 0, or the step of a running lyric change (1..FadeTime)
    bool LineChanged = false;    // forces a full re-render of the lyric layer
    bool NoCurrentText = false;  // while set the transition filter is not applied
    int32_t FilterProgress = 0;  // 0..100, progress of the last image filter
    FilterState Filters;

    QString TitleText;
    int32_t TitleScrollX = 0;       // x of a scrolling title in its text window
    int32_t CoverFrameCounter = 0;  // frames since the song start
    bool MakingVideo = false;       // a video is being made (false while previewing)
    int32_t PreviewPosition = 0;    // preview slider PS2: position v is v + 1 tenths in
    bool PreviewDrawing = false;    // a preview drawing runs; another one is refused

    // Where the lyric alpha layer SP6 was not black when it was last rebuilt, for as long as its
    // image is unchanged (same QImage cache key): cached frames blend just there.
    struct LayerArea {
        qint64 imageKey = 0;
        std::vector<QRect> bands;
    } LyricArea;

    // The fonts, widths and drawn lines of the renderers' text.
    TextMeasurer Text;
    // The character widths the lyric wrapping took in the last font it wrapped with: the passes
    // of a frame, and the frames after it, wrap in the same font.
    struct WrapWidths {
        FontSpec font;
        std::shared_ptr<CharacterWidths> widths;
    } LyricWrap;
};

// Everything a renderer reads and draws into. Renderers take numbers and check states from
// `derived`, which must have been derived from `settings`; texts, fonts and colours from
// `settings`.
struct RenderContext {
    const Settings& settings;
    const DerivedSettings& derived;
    WorkingPictures& pictures;
    const ImageHolders& holders;
    RenderState& state;
    UiHost& host;

    TextMeasurer& text() const { return state.Text; }
};

// The parts of an area of a mask that are not black, as rectangles of up to 8 rows: every mask
// pixel of the area outside them is black (has a zero byte 0, which a blend reads as alpha).
std::vector<QRect> NonBlackBands(ConstPixelView mask, const QRect& area);

// PxAlphaMask with flags 0 over the w x h rectangle at (x, y), done only where the mask is not
// black: a black mask pixel leaves the destination as it is, so the result is the same, for the
// cost of one look at the mask where it is black. Source and destination must not overlap.
void BlendThroughMask(PixelView dst, int x, int y, int w, int h, ConstPixelView src, int sx, int sy,
                      ConstPixelView mask, int mx, int my);

// The part of a picture inside a rectangle (clipped to the picture), as a view of its own.
PixelView SubView(PixelView view, const QRect& area);

}  // namespace lumek
