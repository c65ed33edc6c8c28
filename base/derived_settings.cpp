#include "base/derived_settings.h"

#include "base/codepage.h"
#include "base/numbers.h"

#include <algorithm>

namespace lumek {

namespace {

TransitionEffect EffectOf(int32_t index) {
    switch (index) {
        case 1:
            return TransitionEffect::Spread;
        case 2:
            return TransitionEffect::Mosaic;
        default:
            return TransitionEffect::Blur;
    }
}

// A check box counts as ticked in state 1 only; 2 (greyed) does not.
bool Ticked(int32_t state) {
    return state == 1;
}

}  // namespace

bool DerivedSettings::titleFits(const QString& title) const {
    return CharacterCount(title) <= titleBarTextLength;
}

DerivedSettings DeriveSettings(const Settings& s) {
    DerivedSettings d;
    d.textBetween = ToInt(s.TextBetween);
    d.textLength = ToInt(s.TextLength);
    d.fadeFrames = std::clamp(ToInt(s.FadeTime), 0, kMaxFadeTime);
    d.effect = EffectOf(s.EffectType);
    d.neighboursShown = Ticked(s.SubTextShow);

    d.coverIntro = Ticked(s.CoverIntro);
    d.coverShowFrames = std::max(ToInt(s.CoverShowTime), 0);
    d.coverFadeFrames = std::max(ToInt(s.CoverFadeTime), 0);
    d.coverLength = ToInt(s.CoverLength);
    d.coverImageX = ToInt(s.CoverImageX);
    d.coverImageY = ToInt(s.CoverImageY);
    d.coverImageW = ToInt(s.CoverImageW);
    d.coverImageH = ToInt(s.CoverImageH);

    d.titleBar = Ticked(s.TitleBar);
    d.titleBarUpTop = ToInt(s.TitleBarUpTop);
    d.titleBarDownTop = ToInt(s.TitleBarDownTop);
    d.titleBarTextX = ToInt(s.TitleBarTextX);
    d.titleBarTextY = ToInt(s.TitleBarTextY);
    d.titleBarTextW = ToInt(s.TitleBarTextW);
    d.titleBarTextH = ToInt(s.TitleBarTextH);
    d.titleBarTextLength = ToInt(s.TitleBarTextLength);

    d.backgroundImage = Ticked(s.BGImage);
    d.backgroundAnimation = Ticked(s.BGAnimation);
    d.screenWidth = ToInt(s.ScreenWidth);
    d.screenHeight = ToInt(s.ScreenHeight);
    return d;
}

}  // namespace lumek
