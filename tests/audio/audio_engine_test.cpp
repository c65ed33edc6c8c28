#include "audio/audio_engine.h"
#include "audio/audio_fixtures.h"
#include "audio/song_info.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

namespace lumek {
namespace {

using namespace lumek::testing;

TEST(AudioStartup, ChecksAndMessages) {
    RecordingHost host;
    EXPECT_TRUE(CheckAudioResult(0, host));
    EXPECT_TRUE(CheckAudioVersion(AudioEngine::kRequiredVersion, host));
    EXPECT_TRUE(CheckAudioVersion(0x22605, host));
    EXPECT_TRUE(host.messages.empty());

    EXPECT_FALSE(CheckAudioResult(3, host));
    EXPECT_FALSE(CheckAudioVersion(0x20013, host));
    EXPECT_FALSE(CheckAudioVersion(0x1FFFF, host, 0x2000A));
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(
        host.messages[0].text,
        QStringLiteral("오디오 라이브러리를 초기화할 수 없기 때문에\r\n프로그램을 종료합니다."));
    EXPECT_EQ(host.messages[1].text,
              QStringLiteral("에러! 오디오 라이브러리의 버전이 구버전입니다. \r\n현재버전 : 20013. "
                             "\r\n필요버전 : 20014"));
    EXPECT_TRUE(
        host.messages[2].text.endsWith(QStringLiteral("현재버전 : 1FFFF. \r\n필요버전 : 2000A")));
}

TEST(OutputClock, HeardPositionFollowsTheDeviceClock) {
    // A sound card with 1024 frames queued ahead of each fill; the last fill handed frames
    // 5000..6023 (now 6024 handed).
    OutputClock card{.handed = 6024, .lastFillStart = 5000, .filled = true, .latency = 1024};
    OutputClock dummy = card;
    dummy.latency = 0;
    for (const auto& [elapsed, onCard, onDummy] : {std::tuple{0, 3976, 5000},
                                                   {512, 4488, 5512},
                                                   {1024, 5000, 6024},
                                                   {5000, 5000, 6024}}) {  // a late callback
        SCOPED_TRACE(elapsed);
        EXPECT_EQ(card.heard(elapsed), onCard);
        EXPECT_EQ(dummy.heard(elapsed), onDummy);
    }
    // A seek target (or a pause point) holds until the new buffers sound.
    card.floor = 4500;
    EXPECT_EQ(card.heard(0), 4500);
    EXPECT_EQ(card.heard(800), 4776);
    card.filled = false;
    EXPECT_EQ(card.heard(800), 4500);
    // At the end everything handed has sounded.
    card.ended = true;
    EXPECT_EQ(card.heard(0), 6024);
}

// Runs without a sound card, on the dummy driver.
TEST(AudioEngine, MeasuresAndPlays) {
    RecordingHost host;
    AudioEngine engine;
    ASSERT_TRUE(StartAudioEngine(engine, host));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_FALSE(engine.driverName().isEmpty());
    uint32_t version = 0;
    EXPECT_EQ(engine.getVersion(version), 0);
    EXPECT_GE(version, AudioEngine::kRequiredVersion);
    {
        SCOPED_TRACE("a second engine shares the output; closing one leaves the other working");
        AudioEngine other;
        EXPECT_NE(other.measureLength(CbrMp3(), version), 0) << "needs create()";
        ASSERT_TRUE(StartAudioEngine(other, host));
        other.close();
    }
    uint32_t ms = 1;
    EXPECT_NE(engine.measureLength(TempPath(QStringLiteral("absent.mp3")), ms), 0);
    EXPECT_NE(engine.measureLength(WriteTempFile(QStringLiteral("noise.mp3"), Filler(20000)), ms),
              0);
    EXPECT_EQ(ms, 0u);
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    EXPECT_FALSE(IsPreviewPlaying(engine));
    EXPECT_NE(
        engine.createStream(WriteTempFile(QStringLiteral("not_audio.mp3"), QByteArray(3000, 'x'))),
        0);
    EXPECT_FALSE(engine.hasStream());

    const auto position = [&engine] {
        uint32_t now = 0;
        EXPECT_EQ(engine.getPosition(now), 0);
        return now;
    };
    // Polls for up to 3 seconds; true when the condition held.
    const auto waitFor = [](const auto& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 3000) {
            QThread::msleep(5);
        }
        return done();
    };
    const QString song =
        FfmpegMp3(QStringLiteral("four_seconds.mp3"), Words("-c:a libmp3lame"), 4.0);
    QFile source(song);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString junk =
        WriteTempFile(QStringLiteral("junk_four_seconds.mp3"), Filler(3 << 20) + source.readAll());
    ASSERT_EQ(engine.measureLength(junk, ms), 0);
    EXPECT_NEAR(ms, 4000, 1) << "megabytes of junk before the audio are skipped";

    ASSERT_EQ(engine.createStream(song), 0);
    EXPECT_FALSE(IsPreviewPlaying(engine)) << "a new stream waits for play()";
    ASSERT_EQ(engine.play(), 0);
    EXPECT_TRUE(IsPreviewPlaying(engine));
    ASSERT_TRUE(waitFor([&] { return position() >= 100; }));
    {
        SCOPED_TRACE("seeking");
        ASSERT_EQ(engine.setPosition(2500), 0);
        const uint32_t after = position();
        EXPECT_TRUE(after >= 2500u && after < 2700u) << after;
        ASSERT_TRUE(waitFor([&] { return position() >= 2700; }));
    }
    {
        SCOPED_TRACE("a pause holds the position");
        PausePreview(engine);
        EXPECT_FALSE(IsPreviewPlaying(engine));
        const uint32_t paused = position();
        QThread::msleep(150);
        EXPECT_EQ(position(), paused);
    }
    {
        SCOPED_TRACE("playback ends at the end of the song");
        ASSERT_EQ(engine.setPosition(3800), 0);
        ASSERT_EQ(engine.play(), 0);
        EXPECT_TRUE(waitFor([&] { return !IsPreviewPlaying(engine); }));
        EXPECT_NEAR(position(), 4000, 30);
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
