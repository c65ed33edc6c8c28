// Time per call of the lyric renderer at 480 x 320 with the iPhone preset, one core.

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "base/settings.h"
#include "bench/quiet_host.h"
#include "render/gradient.h"
#include "render/lyric_renderer.h"
#include "render/working_pictures.h"

namespace {

// Runs the call in batches of about 0.1 s for about 1 s (after one warm-up call) and prints the
// mean time per call, and that of the fastest batch, which other work on the machine disturbs
// least, beside the target.
void Measure(const char* name, const char* target, const std::function<void()>& call) {
    using Clock = std::chrono::steady_clock;
    call();
    long calls = 0;
    double seconds = 0;
    double best = 1e9;
    while (seconds < 1.0) {
        const auto start = Clock::now();
        long batchCalls = 0;
        double batch = 0;
        do {
            call();
            ++batchCalls;
            batch = std::chrono::duration<double>(Clock::now() - start).count();
        } while (batch < 0.1);
        calls += batchCalls;
        seconds += batch;
        best = std::min(best, batch / static_cast<double>(batchCalls));
    }
    std::printf("%-40s %8.3f ms mean %8.3f ms best   %s\n", name,
                seconds * 1000.0 / static_cast<double>(calls), best * 1000.0, target);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumek;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    Settings settings = MakePreset(Preset::IPhone);
    settings.SubTextShow = 1;  // neighbours on
    ImageHolders holders;
    WorkingPictures pictures;
    RenderState state;
    bench::QuietHost host;
    const DerivedSettings derived = DeriveSettings(settings);
    const RenderContext context{settings, derived, pictures, holders, state, host};
    pictures.resize(480, 320);
    FillGradient(pictures.PTMP2.view(), 0, 0, 480, 320, 0x602010, 0x201060, 270.0f);
    state.CurrentLyricText = QStringLiteral("바람이 불어오는 곳 / 그곳으로 가네");
    const QString previous = QStringLiteral("지난 노랫말 한 줄");
    const QString next = QStringLiteral("다음에 올 노랫말");
    auto render = [&](bool lineChanged, int32_t step) {
        state.LineChanged = lineChanged;
        state.TransitionStep = step;
        RenderLyrics(context, previous, next, true);
    };

    std::printf("canvas 480 x 320, iPhone preset: shadow 2/1, outline 1, blur 1, neighbours on\n");
    Measure("full lyric re-render", "target <= 4 ms", [&] { render(true, 0); });
    Measure("cached composite", "target <= 0.5 ms", [&] { render(false, 0); });
    settings.FontStroke1 = 3;
    Measure("full re-render, outline 3 (49 offsets)", "target <= 10 ms", [&] { render(true, 0); });
    settings.FontStroke1 = 1;
    const char* effects[] = {"transition step 2, blur", "transition step 2, spread",
                             "transition step 2, mosaic"};
    for (int effect = 0; effect < 3; ++effect) {
        settings.EffectType = effect;
        Measure(effects[effect], "(no target)", [&] { render(false, 2); });
    }
    settings.EffectType = 0;
    // Every call a line never drawn before: nothing comes from the text caches.
    long serial = 0;
    Measure("full re-render, new text every call", "(no target)", [&] {
        state.CurrentLyricText = QStringLiteral("새로운 가사 %1 / 둘째 줄").arg(++serial);
        render(true, 0);
    });
    return 0;
}
