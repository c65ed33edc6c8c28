#pragma once

#include "render/lyric_renderer.h"
#include "render/working_pictures.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

namespace lumek {

// The cover intro's check boxes that are not saved with the settings.
struct CoverOptions {
    bool useTagArt = true;   // the song's own cover art, when its tag has one
    bool keepAspect = true;  // fit the cover into its box without distortion
    bool reflection = true;  // a mirror image under the cover
};

// The rectangle a cover of the given size is drawn in, inside the box (CoverImageX/Y/W/H).
// Stretched: the box itself. Keeping the aspect: a picture relatively wider than the box
// (H * sw / sh > W) gets the box width and rests on the box's bottom edge at its left; any other
// gets the box height and is centred horizontally at the box's top. Sizes and the centring offset
// are rounded halves to even. Nothing for an empty picture or a box without area.
std::optional<QRect> CoverPlacement(QSize source, const QRect& box, bool keepAspect);

// The cover box of the settings. Sides are cut to kMaxCoverSide, so that a typing slip can't
// ask for a reflection picture of gigabytes.
QRect CoverBox(const DerivedSettings& settings);
inline constexpr int kMaxCoverSide = 4096;

// The cover text's word wrapping: widths in the cover font against the wrap width of CPointX and
// CoverTextAlign on the canvas Picture1, less CoverLength.
WrapRule CoverWrapRule(const RenderContext& context);

// Rebuilds the cover layer Picture4: its background picture, the cover (tagArt when it is not
// null and options.useTagArt, else the default cover in the holders) with its reflection, and the
// text (" / " breaks lines) with the cover shadow and outline. The text effects borrow SP1, SP2,
// SP3 and SP6; the lyric layers cached in SP3 and SP6 are put back afterwards.
void RenderCoverIntro(const RenderContext& context, const QString& text, const QImage& tagArt,
                      const CoverOptions& options);

// Draws the mirror image of the whole source, scaled to w x h, right under a cover drawn at
// (x, y, w, h) on Picture4: opacity 192 of 255 on the row touching the cover, fading linearly to
// 0 halfway down; the lower half stays transparent. SP7 and SP8 become w x h.
void DrawReflection(const RenderContext& context, const QImage& source, int x, int y, int w, int h);

// The cover text of a song: header lines 0 and 1 (artist and title) from their 5th character on
// without "]", joined by " / ".
QString CoverText(const QString& headerLine0, const QString& headerLine1);
// The title bar text: the same two texts without " / ", joined by " - ".
QString TitleBarText(const QString& headerLine0, const QString& headerLine1);

}  // namespace lumek
