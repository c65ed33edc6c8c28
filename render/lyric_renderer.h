#pragma once

#include "render/text.h"
#include "render/working_pictures.h"

#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace lumek {

class CharacterWidths;

// Word wrapping: a run of characters fits on a line while its measured width is below limit.
// The widths of single characters by measure may be kept in characters between wraps; without
// them each wrap measures its own.
struct WrapRule {
    int32_t limit = 0;
    std::function<int32_t(const QString&)> measure;
    std::shared_ptr<CharacterWidths> characters = {};
};

// The wrapping width of a canvas for a reference x and an alignment: left CW - x, right x,
// centre twice the distance to the nearer side (2x when CW/2 >= x, else 2(CW - x)). No
// alignment wraps as left.
int32_t WrapWidth(int32_t canvasWidth, int32_t pointX, int32_t alignment);

// The extra display lines a text needs: one per " / " separator plus one per wrap.
int32_t CountLineBreaks(const QString& text, const WrapRule& rule);
// The first display line of text from character `start` (1-based) on, and what follows it.
// A line breaks after its last space; a run without spaces breaks between characters, and a
// line always takes at least one character, so wrapping always ends.
QString FirstWrappedLine(const QString& text, int32_t start, const WrapRule& rule);
QString RestAfterFirstLine(const QString& text, int32_t start, const WrapRule& rule);
// The text without its last character when that is a space.
QString TrimOneTrailingSpace(const QString& text);

// One display line and the y of its cell top.
struct TextLine {
    QString text;
    int32_t top = 0;
};
// The rows a caller draws: lines whose top lies outside first..last are not laid out.
struct LineWindow {
    int64_t first = std::numeric_limits<int64_t>::min();
    int64_t last = std::numeric_limits<int64_t>::max();
};
// Breaks a text into display lines of pitch P whose block is centred on centreLine: line k
// (from 0) has its top at round(C - P/2 + P k - P N/2), N = CountLineBreaks, halves to even.
// Only the lines with their top inside the window are returned; the block stays where the
// whole text puts it.
std::vector<TextLine> LayOutText(const QString& text, int32_t pitch, int32_t centreLine,
                                 const WrapRule& rule, const LineWindow& window = {});

// The wrap rule of the lyric lines on the canvas Picture1: widths in the main lyric font, also
// for the neighbours.
WrapRule LyricWrapRule(const RenderContext& context);

// Draws the lyric layer of a frame onto Picture1 over the background in PTMP2: the current line
// with its neighbours (previousText above, nextText below; only when showNeighbours and the
// settings show them), shadows, outlines, gradients and the transition filter. The layers SP3
// and SP6 are rebuilt only when LineChanged is set or a transition runs; otherwise the cached
// layers are put over the new background. Draws a still title bar when its time has come.
void RenderLyrics(const RenderContext& context, const QString& previousText,
                  const QString& nextText, bool showNeighbours);

// One shadow (offset applied to x and y) or outline mask pass of the main line or of the
// neighbours: white text into SP1, the pass colour into SP2. They return the part of SP1 drawn.
QRect DrawShadowMask(const RenderContext& context, const QString& previousText,
                     const QString& nextText, bool showNeighbours, int32_t offset,
                     bool forNeighbours);
QRect DrawStrokeMask(const RenderContext& context, const QString& previousText,
                     const QString& nextText, bool showNeighbours, bool forNeighbours);

// Blurs the mask of one pass in SP1 (drawn: where it is not black) blurPasses times, puts the
// pass colour of SP2 through it onto the colour layer SP3 and white onto the alpha layer SP6,
// and leaves SP1 black again. Shared by the lyric and the cover text effects.
void CompositePass(const RenderContext& context, const QRect& drawn, int32_t blurPasses);

}  // namespace lumek
