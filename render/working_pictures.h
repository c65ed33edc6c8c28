#pragma once

#include "render/picture.h"

#include <QImage>
#include <QString>

#include <cstdint>

namespace lumek {

// The user's pictures at their own size, or the active preset's pictures when the user chose
// none. The renderers stretch them into the working pictures.
struct ImageHolders {
    QImage PTMP;      // background
    QImage TTS;       // title bar
    QImage TTM;       // title colour/brightness mask: white where hue and brightness act
    QImage SP5;       // title text-area mask: white where title text may show
    QImage COVERT;    // cover intro background
    QImage SP4;       // title bar mask: white where the bar is opaque
    QImage Picture3;  // cover used when a song has none
};

// The persistent off-screen pictures the renderers draw into, canvas-sized.
struct WorkingPictures {
    Picture Picture1;  // the frame canvas
    Picture PTMP2;     // background of the current frame
    Picture SP1;       // mask of one text pass, white on black
    Picture SP2;       // colour source of one text pass
    Picture SP3;       // lyric colour layer, kept between frames
    Picture SP6;       // lyric alpha layer, kept between frames
    Picture Picture4;  // cover intro layer
    Picture Picture7;  // text window of a scrolling title

    // Gives every picture the canvas size, erased to its background colour.
    void resize(int width, int height);
};

// What the renderers share between calls and with the frame loop.
struct RenderState {
    QString CurrentLyricText;   // the main line to draw; " / " forces a line break
    int32_t TransitionStep = 0; // 0, or the step of a running lyric change (1..FadeTime)
    bool LineChanged = false;   // forces a full re-render of the lyric layer
    bool NoCurrentText = false; // while set the transition filter is not applied
};

}  // namespace lumek
