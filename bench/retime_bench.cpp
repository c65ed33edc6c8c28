// Re-timing a downloaded lyric: a 10-minute song (6000 tenths) with 300 source lines, one core.

#include "bench/quiet_host.h"
#include "lyrics/lyric_download.h"
#include "lyrics/retime.h"

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLengthTenths = 6000;
constexpr int kSourceLines = 300;

// A host whose pump does nothing, or only reads the clock as the window's throttled pump does.
class BenchHost : public lumek::bench::QuietHost {
public:
    explicit BenchHost(bool readClock) : readClock_(readClock) {}
    long pumps = 0;
    void pump() override {
        ++pumps;
        if (readClock_ && Clock::now() - last_ > std::chrono::milliseconds(15)) {
            last_ = Clock::now();
        }
    }

private:
    bool readClock_;
    Clock::time_point last_ = Clock::now();
};

// Lines 2 s apart over the 10 minutes, every tenth line sharing its tenth with the one before.
QStringList SourceLines() {
    QStringList lines;
    for (int i = 0; i < kSourceLines; ++i) {
        const int tenth = i % 10 == 9 ? (i - 1) * 20 + 4 : i * 20 + 4;
        lines.append(QStringLiteral("[%1:%2.%3]Line number %4 of the song, sung")
                         .arg(tenth / 600, 2, 10, QLatin1Char('0'))
                         .arg(tenth / 10 % 60, 2, 10, QLatin1Char('0'))
                         .arg(tenth % 10 * 10 + 3, 2, 10, QLatin1Char('0'))
                         .arg(i));
    }
    return lines;
}

// The best and the median of 21 runs, in ms.
void Measure(const char* name, const std::function<void()>& run) {
    std::vector<double> ms;
    for (int i = 0; i < 21; ++i) {
        const auto start = Clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s best %7.2f ms  median %7.2f ms   target < 100 ms\n", name, ms.front(),
                ms[ms.size() / 2]);
}

}  // namespace

int main() {
    const QStringList lines = SourceLines();
    const QString headers = QStringLiteral("[ar:Artist]\r\n[ti:Title]\r\n[al:Album]");
    std::printf("song %d tenths, %d source lines\n", kLengthTenths, kSourceLines);

    for (const bool readClock : {false, true}) {
        BenchHost host(readClock);
        Measure(readClock ? "RetimeLyrics, pump reading the clock" : "RetimeLyrics, empty pump",
                [&] {
                    QString out = headers;
                    lumek::RetimeLyrics(out, lines, kLengthTenths, host);
                });
    }

    // The whole answer: field extraction, unescaping, the <br> split and the re-timing.
    const QString answer = QStringLiteral(
                               "<strArtist>Artist</strArtist><strTitle>Title</strTitle>"
                               "<strAlbum>Album</strAlbum><strLyric>") +
                           lines.join(QStringLiteral("&lt;br&gt;")) + QStringLiteral("</strLyric>");
    BenchHost host(true);
    QString out;
    Measure("LyricsFromAnswer, pump reading the clock",
            [&] { out = lumek::LyricsFromAnswer(answer, kLengthTenths, host); });
    std::printf("%lld lines written\n",
                static_cast<long long>(out.count(QStringLiteral("\r\n")) + 1));
    return 0;
}
