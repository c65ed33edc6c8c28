#pragma once

#include "base/settings.h"

#include <QString>

#include <cstdint>

namespace lumek {

// Longer lyric fades are taken as this many frames.
inline constexpr int32_t kMaxFadeTime = 600;
// The title bar slides down over this many frames once the cover intro is over.
inline constexpr int32_t kTitleDropFrames = 10;

// The lyric change effect (EffectType); an index outside the list blurs.
enum class TransitionEffect { Blur, Spread, Mosaic };

// The settings as the renderers use them: the typed texts as numbers (ToInt of the text, unless
// a line says otherwise), check states as flags. Settings keeps the texts as typed for the file;
// this is worked out again from them whenever they change, and read in their place.
struct DerivedSettings {
    // Lyrics.
    int32_t textBetween = 0;  // TextBetween: main line centre to neighbour centre, pixels
    int32_t textLength = 0;   // TextLength: wrapping margin, pixels
    int32_t fadeFrames = 0;   // FadeTime, 0 .. kMaxFadeTime frames
    TransitionEffect effect = TransitionEffect::Blur;
    bool neighboursShown = false;  // SubTextShow

    // Cover intro. Negative times count as 0: the cover shows for coverShowFrames frames, fades
    // out over the coverFadeFrames that follow, and the title bar comes down after both.
    bool coverIntro = false;
    int64_t coverShowFrames = 0;  // CoverShowTime, at least 0
    int64_t coverFadeFrames = 0;  // CoverFadeTime, at least 0
    int32_t coverLength = 0;      // CoverLength: wrapping margin of the cover text, pixels
    int32_t coverImageX = 0, coverImageY = 0, coverImageW = 0, coverImageH = 0;

    // Title bar.
    bool titleBar = false;
    int32_t titleBarUpTop = 0, titleBarDownTop = 0;
    int32_t titleBarTextX = 0, titleBarTextY = 0, titleBarTextW = 0, titleBarTextH = 0;
    int32_t titleBarTextLength = 0;  // characters; a longer title scrolls

    // Background and video.
    bool backgroundImage = false;      // BGImage
    bool backgroundAnimation = false;  // BGAnimation
    int32_t screenWidth = 0, screenHeight = 0;

    // The last frame counter of the cover intro: the fade ends here and the title bar's drop-in
    // starts after it (also with the intro off).
    int64_t coverIntroEnd() const { return coverShowFrames + coverFadeFrames; }
    // The last frame counter of the title bar's drop-in; the bar is down after it.
    int64_t titleBarDownAt() const { return coverIntroEnd() + kTitleDropFrames; }
    // Whether a title stands still in its bar (at most titleBarTextLength characters) rather
    // than scrolling.
    bool titleFits(const QString& title) const;

    bool operator==(const DerivedSettings&) const = default;
};

DerivedSettings DeriveSettings(const Settings& settings);

}  // namespace lumek
