#pragma once

#include "lyrics/lyric_sheet.h"
#include "render/cover_intro.h"
#include "render/working_pictures.h"

#include <QImage>
#include <QString>

#include <cstdint>

namespace lumek {

// The song selected for the preview, as the caller holds it.
struct PreviewSong {
    const QString& path;  // empty when none is selected
    bool loaded;          // analysed, with its lyric sheet read
    const LyricSheet& sheet;
    const QImage& coverArt;  // its tag's cover picture; null when it has none
    const CoverOptions& cover;
};

// The status text of slider position v: the moment v + 1 tenths as "mm:ss.t초" (0 gives
// "00:00.1초", 599 gives "01:00.0초").
QString PreviewTimeText(int32_t position);

// Draws into Picture1 what the video shows at slider position v, the moment v + 1 tenths, which
// is the frame whose cover frame counter is v: the background (an animated one shows picture
// (v + 1) mod count), the lyric line found for that moment with its neighbours and no fade, the
// title bar as it slides down or scrolls, and the cover intro with its fade. Writes the moment to
// the status line. Without a loaded song the lyric layer shows the current lyric text as it
// stands (the example text) and the cover and the title bar carry no text.
// Draws nothing and returns false while loadingInProgress is set, while another preview drawing
// runs, or while a make job runs.
bool RenderPreview(const RenderContext& context, const PreviewSong& song, int32_t position,
                   bool loadingInProgress = false);

}  // namespace lumek
