#pragma once

#include "base/settings.h"

#include <QImage>

namespace lumek {

// The pictures a preset puts into the image holders when no file is chosen, numbered as the
// holders: 1 background, 2 title bar, 3 title colour/brightness mask, 4 title text-area mask,
// 5 cover intro background, 6 title bar mask. Each is drawn at the preset's canvas size (480 x 320
// or 320 x 240) with the bar in the top TitleBarDownTop rows; the masks are white where they let
// through. A null image for a number outside 1..6.
QImage BuiltinPicture(Preset preset, int number);

// The cover used when a song has none and no file is chosen: a square picture, the same in both
// presets.
QImage BuiltinCoverPicture();

}  // namespace lumek
