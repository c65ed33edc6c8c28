#pragma once

#include "render/working_pictures.h"

#include <QSize>
#include <QString>

#include <cstdint>

namespace lumek {

// Rebuilds the title bar pictures from the holders: TTD (the bar image stretched to the canvas
// and recoloured by Title Hue and Title Brightness where the effect mask is white), TTMT (the
// bar mask) and TTT2 (the text-area mask), and sizes Picture7 to the title's text window. Needed
// after the canvas size, a title image, the hue or the brightness changes.
void PrepareTitleBar(const RenderContext& context);

// The top of the bar at a slide level: TitleBarUpTop at level 5, TitleBarUpTop +
// TitleBarDownTop at level 255, linear between, rounded halves to even.
int32_t TitleBarTop(const DerivedSettings& settings, int32_t level);

// The size of a scrolling title's text window (TitleBarTextW x TitleBarTextH, at most 4096 a
// side; 0 or less gives no window).
QSize TitleWindowSize(const DerivedSettings& settings);

// Draws the bar at a slide level (5 up .. 255 down) onto Picture1, over what it holds, with the
// text. A title of at most TitleBarTextLength characters stands centred in the text window and
// slides with the bar; a longer one scrolls one step per call inside the window, and only once
// the bar is fully down (level 255).
void DrawTitleBar(const RenderContext& context, const QString& text, int32_t level);

// One frame of scrolling: a text that has left the window on the left (x < -textWidth) restarts
// at the right edge, then every frame moves it speed + 1 pixels to the left.
int32_t NextTitleScrollX(int32_t scrollX, int32_t textWidth, int32_t windowWidth, int32_t speed);

// Where the preview puts a scrolling title at preview position `position`: the frame loop's
// steps from frame firstFrame up to `position` (inclusive), starting at the window's right edge,
// with a text of width estimatedWidth; restarting when x <= -estimatedWidth.
int32_t PreviewTitleScrollX(int32_t windowWidth, int64_t firstFrame, int64_t position,
                            double estimatedWidth, int32_t speed);

// Sets TitleScrollX for the preview position: the title's width is estimated from its byte
// length as TitleFontSize / (b * 0.003 + 2) * b, and the steps start once the cover intro and the
// bar's slide-down are over.
void PreviewTitleScroll(const RenderContext& context, const QString& text);

}  // namespace lumek
