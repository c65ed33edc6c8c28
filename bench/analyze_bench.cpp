// Time of AnalyzeSong (header scan, bitrate reader and the engine's length scan) on a
// 4-minute MP3, and on the same song behind 10 MB of bytes that hold no frame sync.
// Needs ffmpeg on PATH to make the songs.

#include "audio/audio_engine.h"
#include "audio/song_info.h"
#include "base/ui_host.h"
#include "bench/quiet_host.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

bool Encode(const QString& path, int seconds) {
    QProcess ffmpeg;
    ffmpeg.start(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
         QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
         QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
         QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k"), path});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

// Best and median of several runs, in milliseconds.
void Measure(const char* name, const QString& path, double targetMs) {
    lumek::AudioEngine engine;
    engine.create();
    lumek::bench::QuietHost host;
    std::vector<double> times;
    lumek::SongInfo info;
    bool valid = false;
    for (int run = 0; run < 9; ++run) {
        const auto start = std::chrono::steady_clock::now();
        valid = lumek::AnalyzeSong(path, info, engine, host);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%-34s best %7.2f ms  median %7.2f ms   target <= %.0f ms  %s\n", name, times[0],
                times[times.size() / 2], targetMs,
                times[times.size() / 2] <= targetMs ? "ok" : "SLOW");
    std::printf("%-34s %s, duration %.4f s, first frame at %lld\n", "", valid ? "valid" : "INVALID",
                info.Duration, static_cast<long long>(info.FirstFrame));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString song = folder.filePath(QStringLiteral("four_minutes.mp3"));
    const QString junk = folder.filePath(QStringLiteral("junk_first.mp3"));
    if (!folder.isValid() || !Encode(song, 240)) {
        std::fprintf(stderr, "can't make the test song (is ffmpeg installed?)\n");
        return 1;
    }
    QFile source(song);
    QFile target(junk);
    if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "can't write %s\n", qPrintable(junk));
        return 1;
    }
    std::mt19937 random(3);
    QByteArray leading(10 * 1024 * 1024, '\0');
    for (char& byte : leading) {
        byte = static_cast<char>(random() % 0xFF);  // never 0xFF: no sync
    }
    target.write(leading);
    target.write(source.readAll());
    target.close();

    std::printf("song: 240 s, 44.1 kHz stereo, 128 kbit/s, %lld bytes\n",
                static_cast<long long>(source.size()));
    Measure("AnalyzeSong, 4-minute MP3", song, 20);
    Measure("AnalyzeSong, 10 MB junk first", junk, 200);
    return 0;
}
