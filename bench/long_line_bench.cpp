// Lyric lines far longer than a canvas: time per full re-render of the lyric layer at 480 x 320
// with the iPhone preset (neighbours on, one core), against the same frame with a normal line,
// and the peak memory of `lumek frame` over a 10 MB lyric file.
//
// Usage: bench_long_lines [path/to/lumek]   (default: the lumek built beside it)

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <random>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/codepage.h"
#include "bench/lyric_stage.h"
#include "bench/measure.h"
#include "render/lyric_renderer.h"

namespace {

// Lyric words, Korean and English, repeated to the given number of characters.
QString Words(qsizetype characters) {
    return QStringLiteral("바람이 불어오는 곳 where the wind blows ")
        .repeated(characters / 32 + 1)
        .left(characters);
}

// The peak resident memory of a program run to its end, in MB; negative when it failed.
double PeakMegabytes(const QByteArray& program, const QList<QByteArray>& arguments) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(program.constData())};
        for (const QByteArray& a : arguments) {
            argv.push_back(const_cast<char*>(a.constData()));
        }
        argv.push_back(nullptr);
        ::execv(program.constData(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lumek;
    using bench::Measure;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    bench::LyricStage stage;
    RenderState& state = stage.state;
    const RenderContext& context = stage.context;
    const QString previous = QStringLiteral("지난 노랫말 한 줄");
    const QString next = QStringLiteral("다음에 올 노랫말");
    auto renderWith = [&](const QString& line) {
        return [&, line] {
            state.CurrentLyricText = line;
            state.LineChanged = true;
            state.TransitionStep = 0;
            RenderLyrics(context, previous, next, true);
        };
    };

    std::printf("canvas 480 x 320, iPhone preset, neighbours on; full re-render of each frame\n");
    const double normal = Measure("normal line (31 characters)", "(reference)",
                                  renderWith(QStringLiteral("바람이 불어오는 곳 / 그곳으로 가네")));
    const double long4000 =
        Measure("4,000-character line", "target <= 3 x normal", renderWith(Words(4000)));
    std::printf("%-44s %9.2f x                           target <= 3 x\n", "  ratio",
                long4000 / normal);
    Measure("1 MB line of words", "target <= 100 ms", renderWith(Words(1 << 20)));
    std::mt19937 random(1);
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    for (char& b : bytes) {
        b = static_cast<char>(random());
    }
    Measure("1 MB of random bytes, read as CP949", "target <= 100 ms",
            renderWith(DecodeCodePage(bytes)));
    Measure("a letter with 5,000 combining marks", "target <= 100 ms",
            renderWith(u'a' + QString(5000, QChar(0x0301))));

    // `lumek frame` at 6 s of the demo song, where a 10 MB lyric line is the current one.
    const QByteArray lumek = argc > 1 ? QByteArray(argv[1]) : QByteArray(LUMEK_BINARY);
    QTemporaryDir dir;
    const QString song = dir.filePath("song.mp3");
    if (!QFile::copy(QStringLiteral(LUMEK_DEMO_SONG), song)) {
        std::printf("no demo song at %s\n", LUMEK_DEMO_SONG);
        return 1;
    }
    QFile lyrics(dir.filePath("song.lrc"));
    const QByteArray line = EncodeCodePage(Words(8 * 1024 * 1024));
    if (!lyrics.open(QIODevice::WriteOnly) ||
        lyrics.write("[ar:a]\r\n[ti:b]\r\n[al:c]\r\n[00:00.50]" + line + "\r\n[00:09.00]x") < 0) {
        return 1;
    }
    lyrics.close();
    const double peak =
        PeakMegabytes(lumek, {"frame", QFile::encodeName(song), "--at", "6", "-o",
                              QFile::encodeName(dir.filePath("frame.png")), "--preset", "phone"});
    std::printf("%-44s %9.1f MB peak (lyric file %.1f MB)   target < 200 MB\n",
                "lumek frame, 10 MB lyric line", peak, static_cast<double>(lyrics.size()) / 1e6);
    return peak > 0 ? 0 : 1;
}
