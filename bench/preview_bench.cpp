// The preview of one moment of a 4-minute song (58 different lyric lines) at 480 x 320, iPhone
// preset with the cover intro and the title bar on, one core: the frame composed for a slider
// position and painted on the canvas widget, as a slider change in the window does.

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/studio.h"
#include "app/window/preview_pane.h"
#include "bench/bench_song.h"
#include "bench/quiet_host.h"
#include "preview/preview.h"
#include "render/frame_composer.h"

namespace {

using namespace lumek;

// Milliseconds per preview, in the order the positions were drawn.
std::vector<double> DrawEach(const std::vector<int32_t>& positions, Studio& studio,
                             const PreviewSong& song, CanvasView& view) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> times;
    times.reserve(positions.size());
    for (const int32_t position : positions) {
        const auto start = Clock::now();
        RenderPreview(studio.renderContext(), song, position);
        view.repaint();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return times;
}

void Report(const char* name, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const auto at = [&times](double fraction) {
        return times[static_cast<size_t>(fraction * static_cast<double>(times.size() - 1))];
    };
    std::printf(
        "%-34s %5zu previews %7.2f ms median %7.2f ms p90 %7.2f ms max   target: median "
        "<= 15 ms\n",
        name, times.size(), at(0.5), at(0.9), times.back());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    bench::QuietHost host;
    Studio studio(host);
    studio.ApplyPreset(Preset::IPhone);
    studio.edit({{QStringLiteral("CoverIntro"), QStringLiteral("1")},
                 {QStringLiteral("TitleBar"), QStringLiteral("1")}});
    const LyricSheet sheet = bench::BenchSheet(true);
    const QString path = QStringLiteral("bench.mp3");
    const QImage noCoverArt;  // the default cover picture
    const PreviewSong song{path, true, sheet, noCoverArt, studio.coverOptions()};
    CanvasView view(studio, nullptr);
    view.show();

    const int32_t last = FrameCount(bench::kSongSeconds) - 1;
    // Jumps to anywhere in the song (a fixed pseudo-random walk), and a drag across it.
    std::vector<int32_t> jumps;
    uint32_t seed = 12345;
    for (int i = 0; i < 600; ++i) {
        seed = seed * 1664525u + 1013904223u;
        jumps.push_back(static_cast<int32_t>(seed % static_cast<uint32_t>(last + 1)));
    }
    std::vector<int32_t> drag;
    for (int32_t position = 0; position <= last; position += 4) {
        drag.push_back(position);
    }
    DrawEach({0, 100, 1000}, studio, song, view);  // warm-up: fonts, glyph caches

    std::printf(
        "preview %dx%d, song of %d positions, %d lyric lines, cover intro and title bar "
        "on\n",
        studio.canvas().width(), studio.canvas().height(), last + 1, bench::kLyricLines);
    Report("jump to any moment", DrawEach(jumps, studio, song, view));
    Report("drag across the song (every 4th)", DrawEach(drag, studio, song, view));
    studio.edit(u"SubTextShow", QStringLiteral("1"));
    Report("jump, previous and next lines on", DrawEach(jumps, studio, song, view));
    return 0;
}
