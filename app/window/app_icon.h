#pragma once

#include <QIcon>
#include <QImage>

namespace lumek {

// The program's icon, drawn for one square side in pixels: a violet-to-rose tile with a play
// mark over three lyric lines. Small sides drop the finer strokes so they stay crisp.
QImage DrawLumekIcon(int side);

// The icon at the usual sizes and their doubles, for window decorations and HiDPI screens.
QIcon LumekIcon();

}  // namespace lumek
