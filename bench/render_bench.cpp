// Time per call of the lyric renderer at 480 x 320 with the iPhone preset, one core.

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>

#include <cstdio>

#include "bench/lyric_stage.h"
#include "bench/measure.h"
#include "render/image_loader.h"
#include "render/lyric_renderer.h"

namespace {

// The peak resident memory since the last reset, MB (/proc/self/status).
double PeakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    static const QRegularExpression line(QStringLiteral("^VmHWM:\\s+(\\d+) kB"),
                                         QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(status.readAll())).captured(1).toDouble() / 1024;
}

// Sets the peak back to what is resident now.
void ResetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) {
        clear.write("5");
    }
}

}  // namespace

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

    // A picture bomb: a small JPEG file (a one-colour image) of 8000 x 8000 pixels.
    QByteArray jpeg;
    {
        QImage bomb(8000, 8000, QImage::Format_RGB32);
        bomb.fill(0xFF2080F0u);
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        bomb.save(&buffer, "JPG");
    }
    std::printf("8000 x 8000 JPEG of %lld KB:\n", static_cast<long long>(jpeg.size() / 1024));
    ResetPeak();
    const double before = PeakMegabytes();
    Measure("drawn at 320 x 240", "(no target)", [&] { LoadPictureFromMemory(jpeg, {320, 240}); });
    std::printf("%-44s %9.1f MB above the %0.1f MB before     target <= 100 MB\n", "  peak memory",
                PeakMegabytes() - before, before);
    // What every use cost before pictures were decoded at the size drawn: about 770 MB.
    ResetPeak();
    Measure("at its own size (lumek cover)", "(no target)", [&] { LoadPictureFromMemory(jpeg); });
    std::printf("%-44s %9.1f MB above the %0.1f MB before     (256 MB of pixels)\n",
                "  peak memory", PeakMegabytes() - before, before);
    return 0;
}
