#include "audio/audio_engine.h"
#include "audio/audio_fixtures.h"
#include "audio/song_info.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace lumek {
namespace {

using namespace lumek::testing;

// Polls until the condition holds or the time runs out; true when it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QThread::msleep(5);
    }
    return true;
}

uint32_t Position(const AudioEngine& engine) {
    uint32_t ms = 0;
    EXPECT_EQ(engine.getPosition(ms), 0);
    return ms;
}

TEST(AudioStartup, ChecksAndMessages) {
    RecordingHost host;
    EXPECT_TRUE(CheckAudioResult(0, host));
    EXPECT_TRUE(CheckAudioVersion(AudioEngine::kRequiredVersion, host));
    EXPECT_TRUE(CheckAudioVersion(0x22605, host));
    EXPECT_TRUE(host.messages.empty());

    EXPECT_FALSE(CheckAudioResult(3, host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(
        host.messages[0].text,
        QStringLiteral("오디오 라이브러리를 초기화할 수 없기 때문에\r\n프로그램을 종료합니다."));

    EXPECT_FALSE(CheckAudioVersion(0x20013, host));
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text,
              QStringLiteral("에러! 오디오 라이브러리의 버전이 구버전입니다. \r\n현재버전 : 20013. "
                             "\r\n필요버전 : 20014"));
    EXPECT_FALSE(CheckAudioVersion(0x1FFFF, host, 0x2000A));
    EXPECT_TRUE(
        host.messages[2].text.endsWith(QStringLiteral("현재버전 : 1FFFF. \r\n필요버전 : 2000A")));
}

TEST(AudioStartup, StartsWithoutSoundCard) {
    RecordingHost host;
    AudioEngine engine;
    EXPECT_TRUE(StartAudioEngine(engine, host));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(engine.driverName().isEmpty());
    uint32_t version = 0;
    EXPECT_EQ(engine.getVersion(version), 0);
    EXPECT_GE(version, AudioEngine::kRequiredVersion);

    SCOPED_TRACE("a second engine shares the output; closing one leaves the other working");
    AudioEngine other;
    ASSERT_TRUE(StartAudioEngine(other, host));
    other.close();
    EXPECT_FALSE(engine.driverName().isEmpty());
}

TEST(AudioEngine, Measure) {
    AudioEngine engine;
    uint32_t ms = 1;
    EXPECT_NE(engine.measureLength(CbrMp3(), ms), 0) << "needs create()";
    EXPECT_EQ(ms, 0u);
    ASSERT_EQ(engine.create(), 0);
    EXPECT_NE(engine.measureLength(TempPath(QStringLiteral("absent.mp3")), ms), 0);
    EXPECT_NE(engine.measureLength(WriteTempFile(QStringLiteral("noise.mp3"), Filler(20000)), ms),
              0);
    EXPECT_EQ(ms, 0u);
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const QString song = FfmpegMp3(QStringLiteral("two_seconds.mp3"),
                                   {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}, 2.0);
    ASSERT_EQ(engine.measureLength(song, ms), 0);
    EXPECT_NEAR(ms, 2000, 1);

    SCOPED_TRACE("megabytes of junk before the audio are skipped");
    QFile source(song);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString junk =
        WriteTempFile(QStringLiteral("junk_two_seconds.mp3"), Filler(3 << 20) + source.readAll());
    ASSERT_EQ(engine.measureLength(junk, ms), 0);
    EXPECT_NEAR(ms, 2000, 1);
}

TEST(AudioEngine, PlaysThroughTheDriver) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    RecordingHost host;
    AudioEngine engine;
    ASSERT_TRUE(StartAudioEngine(engine, host));
    EXPECT_FALSE(IsPreviewPlaying(engine));
    EXPECT_NE(
        engine.createStream(WriteTempFile(QStringLiteral("not_audio.mp3"), QByteArray(3000, 'x'))),
        0);
    EXPECT_FALSE(engine.hasStream());

    const QString song = FfmpegMp3(QStringLiteral("four_seconds.mp3"),
                                   {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}, 4.0);
    ASSERT_EQ(engine.createStream(song), 0);
    EXPECT_FALSE(IsPreviewPlaying(engine)) << "a new stream waits for play()";
    ASSERT_EQ(engine.play(), 0);
    EXPECT_TRUE(IsPreviewPlaying(engine));
    ASSERT_TRUE(WaitFor([&] { return Position(engine) >= 100; }));

    {
        SCOPED_TRACE("seeking");
        ASSERT_EQ(engine.setPosition(2500), 0);
        const uint32_t after = Position(engine);
        EXPECT_GE(after, 2500u);
        EXPECT_LT(after, 2700u);
        ASSERT_TRUE(WaitFor([&] { return Position(engine) >= 2700; }));
    }
    {
        SCOPED_TRACE("a pause holds the position");
        PausePreview(engine);
        EXPECT_FALSE(IsPreviewPlaying(engine));
        const uint32_t paused = Position(engine);
        QThread::msleep(150);
        EXPECT_EQ(Position(engine), paused);
    }
    {
        SCOPED_TRACE("playback ends at the end of the song");
        ASSERT_EQ(engine.setPosition(3800), 0);
        ASSERT_EQ(engine.play(), 0);
        EXPECT_TRUE(WaitFor([&] { return !IsPreviewPlaying(engine); }));
        EXPECT_NEAR(Position(engine), 4000, 30);
        EXPECT_TRUE(engine.hasStream());
    }
    {
        SCOPED_TRACE("analysing a song pauses the preview and lets events run");
        ASSERT_EQ(engine.createStream(song), 0);
        ASSERT_EQ(engine.play(), 0);
        SongInfo info;
        const int pumps = host.pumps;
        EXPECT_TRUE(AnalyzeSong(song, info, engine, host));
        EXPECT_FALSE(IsPreviewPlaying(engine));
        EXPECT_GT(host.pumps, pumps);
        EXPECT_NEAR(info.Duration, 4.0, 0.001);
    }
    engine.releaseStream();
    EXPECT_FALSE(IsPreviewPlaying(engine));
    EXPECT_NE(engine.play(), 0);
}

}  // namespace
}  // namespace lumek
