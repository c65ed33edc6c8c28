#pragma once

#include "render/frame_composer.h"
#include "render/lyric_renderer.h"
#include "render/pixel_fixture.h"
#include "render/pixops.h"
#include "render/title_bar.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QImage>
#include <QPainter>
#include <QStringList>

#include <vector>

namespace lumek::testing {

inline LyricSheet Sheet(const QStringList& lines) {
    return LyricSheet::FromText(lines.join(QStringLiteral("\r\n")));
}

// A sheet with the header lines [ar:A], [ti:B], [al:C], the lines given and the end mark.
inline LyricSheet Lines(const QStringList& lyrics) {
    return Sheet(QStringList{"[ar:A]", "[ti:B]", "[al:C]"} + lyrics + QStringList{"[99:99.99]"});
}

// The colour PxAlphaBlend gives for one pixel of src over dst at an alpha.
inline QRgb Blend(QRgb dst, QRgb src, int alpha) {
    uint32_t d = dst;
    const uint32_t s = src;
    PxAlphaBlend({&d, 1, 1, 1}, 0, 0, 1, 1, {&s, 1, 1, 1}, 0, 0, alpha, 0, 0);
    return d;
}

inline std::vector<int> Range(int first, int last) {
    std::vector<int> values;
    for (int value = first; value <= last; ++value) {
        values.push_back(value);
    }
    return values;
}

// What a renderer draws with: settings (the iPhone preset until changed), pictures and state.
struct RenderRig {
    Settings settings = MakePreset(Preset::IPhone);
    DerivedSettings derived;
    WorkingPictures pictures;
    ImageHolders holders;
    RenderState state;
    RecordingHost host;

    // The context of the settings as they stand now.
    RenderContext context() {
        derived = DeriveSettings(settings);
        return {settings, derived, pictures, holders, state, host};
    }
};

// Settings, pictures and state of a small canvas: a black frame background, a white cover layer
// without a cover picture, lyric text in white, and a green title bar whose top is
// round((level - 5) x 0.4): 10 rows lower per drop-in frame, from 10 at level 30 to 100 at 255.
// Cover intro and title bar start switched off.
struct ComposeRig : RenderRig {
    static constexpr int kWidth = 240;
    static constexpr int kHeight = 160;
    static constexpr QRgb kBarColour = 0xFF00FF00u;

    ComposeRig() {
        Settings& s = settings;
        s.PointX = 120, s.PointY = 120, s.FontSize = 24;
        s.CoverIntro = 0, s.TitleBar = 0;
        s.CPointX = 170, s.CPointY = 60, s.CoverFontSize = 20;
        s.TitleBarUpTop = "0", s.TitleBarDownTop = "100";
        s.TitleBarTextX = "60", s.TitleBarTextW = "120", s.TitleBarTextH = "10";
        s.TitleFontSize = 8;
        holders.COVERT = Solid(0xFFFFFFFFu, kWidth, kHeight);
        holders.TTS = Solid(kBarColour, kWidth, kHeight);
        holders.TTM = holders.SP4 = holders.SP5 = Solid(0xFF000000u, kWidth, kHeight);
        QPainter(&holders.SP4).fillRect(0, 0, kWidth, 10, Qt::white);  // the bar: its top 10 rows
        pictures.resize(kWidth, kHeight);
        for (Picture* picture : {&pictures.Picture1, &pictures.PTMP2}) {
            picture->setBackColour(0);
            picture->clear();
        }
        StretchOver(holders.COVERT, pictures.Picture4);
        pictures.Picture4.keepImage();
        PrepareTitleBar(context());
    }

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

// The field of every export, in order.
template <typename T>
std::vector<T> Of(const std::vector<Export>& exports, T Export::*field) {
    std::vector<T> values;
    for (const Export& e : exports) {
        values.push_back(e.*field);
    }
    return values;
}

// Runs the frame loop of a song build over `frames` frames and records every export.
inline std::vector<Export> RunSong(ComposeRig& rig, const LyricSheet& sheet, int frames,
                                   const SongSetup& setup = {}) {
    std::vector<Export> exports;
    const RenderContext context = rig.context();
    FrameComposer composer([&](int32_t frame) {
        exports.push_back(
            {frame, rig.state.TransitionStep, rig.state.CurrentLyricText, rig.canvas()});
    });
    ResetSongState(context);
    rig.state.MakingVideo = true;
    DrawStartImage(context, sheet);
    composer.StartSong(context, sheet, setup);
    for (int frame = 1; frame <= frames; ++frame) {
        composer.ComposeFrame(context, frame);
        ++rig.state.CoverFrameCounter;
        composer.EndFrame();
    }
    rig.state.MakingVideo = false;
    return exports;
}

// Renders `text` as the current line on a fresh rig's canvas, as a frame without a fade does.
inline QImage PlainLine(const QString& text, const QString& previous = {}) {
    ComposeRig plain;
    plain.state.CurrentLyricText = text;
    plain.state.LineChanged = true;
    RenderLyrics(plain.context(), previous, QString(), true);
    return plain.canvas();
}

}  // namespace lumek::testing
