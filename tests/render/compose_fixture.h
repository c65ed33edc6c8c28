#pragma once

#include "render/frame_composer.h"
#include "render/pixops.h"
#include "render/title_bar.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QImage>
#include <QStringList>

#include <vector>

namespace lumek::testing {

inline QImage Solid(QRgb colour, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline LyricSheet Sheet(const QStringList& lines) {
    return LyricSheet::FromText(lines.join(QStringLiteral("\r\n")));
}

// The colour PxAlphaBlend gives for one pixel of src over dst at an alpha.
inline QRgb Blend(QRgb dst, QRgb src, int alpha) {
    uint32_t d = dst;
    const uint32_t s = src;
    PxAlphaBlend({&d, 1, 1, 1}, 0, 0, 1, 1, {&s, 1, 1, 1}, 0, 0, alpha, 0, 0);
    return d;
}

// Settings, pictures and state of a small canvas: a black frame background, a white cover layer
// without a cover picture, lyric text in white, and a green title bar whose top is
// round((level - 5) x 0.4): 10 rows lower per drop-in frame, from 10 at level 30 to 100 at 255.
// Cover intro and title bar start switched off.
struct ComposeRig {
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 160;
    static constexpr QRgb kBarColour = 0xFF00FF00u;

    Settings settings = MakePreset(Preset::IPhone);
    WorkingPictures pictures;
    ImageHolders holders;
    RenderState state;
    RecordingHost host;

    ComposeRig() {
        Settings& s = settings;
        s.PointX = 120;
        s.PointY = 120;
        s.FontSize = 24;
        s.CoverIntro = 0;
        s.TitleBar = 0;
        s.CPointX = 170;
        s.CPointY = 60;
        s.CoverFontSize = 20;
        s.TitleBarUpTop = QStringLiteral("0");
        s.TitleBarDownTop = QStringLiteral("100");
        s.TitleBarTextX = QStringLiteral("60");
        s.TitleBarTextW = QStringLiteral("120");
        s.TitleBarTextH = QStringLiteral("10");
        s.TitleFontSize = 8;
        holders.COVERT = Solid(0xFFFFFFFFu, kWidth, kHeight);
        holders.TTS = Solid(kBarColour, kWidth, kHeight);
        holders.TTM = Solid(0xFF000000u, kWidth, kHeight);
        holders.SP4 = Solid(0xFF000000u, kWidth, kHeight);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                holders.SP4.setPixel(x, y, 0xFFFFFFFFu);  // the bar: its top 10 rows
            }
        }
        holders.SP5 = Solid(0xFF000000u, kWidth, kHeight);
        pictures.resize(kWidth, kHeight);
        for (Picture* picture : {&pictures.Picture1, &pictures.PTMP2}) {
            picture->setBackColour(0);
            picture->clear();
        }
        StretchOver(holders.COVERT, pictures.Picture4);
        pictures.Picture4.keepImage();
        PrepareTitleBar(settings, pictures, holders);
    }

    RenderContext context() { return {settings, pictures, holders, state, host}; }

    QImage canvas() const { return pictures.Picture1.image().copy(); }

    // The first row of column 0 in the bar's colour; -1 when the bar does not show.
    static int BarTop(const QImage& frame) {
        for (int y = 0; y < frame.height(); ++y) {
            if (frame.pixel(0, y) == kBarColour) {
                return y;
            }
        }
        return -1;
    }
};

// One export of the composer: the frame, the transition step, the current line and the canvas.
struct Export {
    int frame;
    int step;
    QString text;
    QImage canvas;
};

// Runs the frame loop of a song build over `frames` frames and records every export.
inline std::vector<Export> RunSong(ComposeRig& rig, const LyricSheet& sheet, int frames,
                                   const SongSetup& setup = {}) {
    std::vector<Export> exports;
    const RenderContext context = rig.context();
    FrameComposer composer([&](int32_t frame) {
        exports.push_back(
            {frame, rig.state.TransitionStep, rig.state.CurrentLyricText, rig.canvas()});
    });
    ResetSongState(rig.settings, rig.state);
    rig.state.JobRunning = true;
    DrawStartImage(context, sheet);
    composer.StartSong(context, sheet, setup);
    for (int frame = 1; frame <= frames; ++frame) {
        composer.ComposeFrame(context, frame);
        ++rig.state.CoverFrameCounter;
        composer.EndFrame();
    }
    rig.state.JobRunning = false;
    return exports;
}

inline std::vector<int> FramesOf(const std::vector<Export>& exports) {
    std::vector<int> frames;
    for (const Export& e : exports) {
        frames.push_back(e.frame);
    }
    return frames;
}

inline std::vector<int> Range(int first, int last) {
    std::vector<int> frames;
    for (int frame = first; frame <= last; ++frame) {
        frames.push_back(frame);
    }
    return frames;
}

}  // namespace lumek::testing
