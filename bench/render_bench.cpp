// Time per call of the lyric renderer at 480 x 320 with the iPhone preset, one core.

#include <QGuiApplication>

#include <cstdio>

#include "bench/lyric_stage.h"
#include "bench/measure.h"
#include "render/lyric_renderer.h"

int main(int argc, char** argv) {
    using namespace lumek;
    using bench::Measure;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    bench::LyricStage stage;
    Settings& settings = stage.settings;
    RenderState& state = stage.state;
    const RenderContext& context = stage.context;
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
        stage.refresh();
        Measure(effects[effect], "(no target)", [&] { render(false, 2); });
    }
    settings.EffectType = 0;
    stage.refresh();
    // Every call a line never drawn before: nothing comes from the text caches.
    long serial = 0;
    Measure("full re-render, new text every call", "(no target)", [&] {
        state.CurrentLyricText = QStringLiteral("새로운 가사 %1 / 둘째 줄").arg(++serial);
        render(true, 0);
    });
    return 0;
}
