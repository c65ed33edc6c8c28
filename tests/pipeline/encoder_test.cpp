#include "pipeline/encoder.h"

#include "audio/song_info.h"
#include "base/settings.h"
#include "pipeline/pipeline_fixtures.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumek {
namespace {

using testing::RecordingHost;

const QString kMissingMessage =
    QStringLiteral("ffmpeg 프로그램을 찾을 수 없습니다. ffmpeg를 설치해 주세요.");

// Sets the cancel flag at the given pump, as the make button's second press would.
class CancellingHost : public RecordingHost {
public:
    CancellingHost(bool& cancel, int atPump) : cancel_(cancel), atPump_(atPump) {}
    void pump() override {
        RecordingHost::pump();
        if (pumps == atPump_) {
            cancel_ = true;
        }
    }

private:
    bool& cancel_;
    int atPump_;
};

class EncoderRun : public ::testing::Test {
protected:
    void SetUp() override {
        ffmpeg_ = FindEncoder();
        if (ffmpeg_.isEmpty()) {
            GTEST_SKIP() << "ffmpeg is not installed";
        }
    }
    QString ffmpeg_;
};

TEST(EncoderArguments, MatchReference) {
    const QString avi = QStringLiteral("/tmp/lumek run/Lumek_Temp.avi");
    const QString song = QStringLiteral("/music/노래 a.mp3");
    const QString output = QStringLiteral("/tmp/lumek run/Lumek_Temp.mp4");
    SongInfo info;
    info.SampleRate = 44100;
    info.Bitrate = 192;

    Settings chosen;
    chosen.AudioOriginal = 0;
    chosen.AudioBitrate = 3;
    chosen.VideoQuality = 50;
    Settings original;
    original.AudioOriginal = 1;
    original.AudioBitrate = 3;  // not used with the song's own bitrate
    original.VideoQuality = 0;
    original.ScreenWidth = QStringLiteral("640");
    original.ScreenHeight = QStringLiteral("360.5");
    Settings noEntry = chosen;
    noEntry.AudioBitrate = -1;

    const struct {
        const char* title;
        const Settings& settings;
    } cases[] = {
        {"chosen bitrate 128, 480 x 320, slider 50", chosen},
        {"song's own 44100 Hz 192 kbit/s, 640 x \"360.5\", slider 0", original},
        {"no bitrate entry selected", noEntry},
    };
    QString text;
    for (const auto& c : cases) {
        text += QStringLiteral("# ") + QString::fromUtf8(c.title) + QLatin1Char('\n');
        text += EncoderArguments(avi, song, output, c.settings, info).join(QLatin1Char('\n'));
        text += QStringLiteral("\n\n");
    }
    testing::ExpectMatchesReference(text, QStringLiteral("encoder_arguments.txt"));

    // A relative path can't be taken for an option or a protocol.
    const QStringList relative =
        EncoderArguments(QStringLiteral("-x.avi"), QStringLiteral("http:a.mp3"),
                         QStringLiteral("o.mp4"), chosen, info);
    EXPECT_EQ(relative[2], QDir::current().absoluteFilePath(QStringLiteral("-x.avi")));
    EXPECT_EQ(relative[4], QDir::current().absoluteFilePath(QStringLiteral("http:a.mp3")));
    EXPECT_EQ(relative.last(), QDir::current().absoluteFilePath(QStringLiteral("o.mp4")));
}

TEST_F(EncoderRun, WaitsForTheProgramAndPumps) {
    RecordingHost host;
    const bool cancel = false;
    const RunResult ok = RunAndWait(
        ffmpeg_,
        {"-nostdin", "-f", "lavfi", "-i", "nullsrc=s=64x48", "-t", "0.5", "-f", "null", "-"}, host,
        cancel);
    EXPECT_TRUE(ok.started);
    EXPECT_TRUE(ok.finished);
    EXPECT_FALSE(ok.cancelled);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_GT(host.pumps, 0);
    EXPECT_TRUE(host.statuses.empty());

    const RunResult bad =
        RunAndWait(ffmpeg_, {"-nostdin", "-i", "/no/such/input.avi", "out.mp4"}, host, cancel);
    EXPECT_TRUE(bad.started);
    EXPECT_TRUE(bad.finished);
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.messages.contains("/no/such/input.avi")) << bad.messages.toStdString();
}

TEST_F(EncoderRun, MissingOrBrokenProgramIsReported) {
    QTemporaryDir dir;
    const QString notProgram = dir.filePath(QStringLiteral("ffmpeg"));
    ASSERT_TRUE(testing::WriteFile(notProgram, "not a program"));  // not executable
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", dir.filePath(QStringLiteral("empty")).toUtf8());
    const QString found = FindEncoder();
    qputenv("PATH", savedPath);
    EXPECT_EQ(found, QString());

    const struct {
        const char* name;
        QString program;
        QString status;
    } cases[] = {
        {"none on PATH", found, kMissingMessage},
        {"no such file", QStringLiteral("/no/such/ffmpeg"), kMissingMessage},
        {"not executable", notProgram,
         QStringLiteral("ffmpeg 프로그램을 실행할 수 없습니다. (") + notProgram + ")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        const bool cancel = false;
        const RunResult result = RunAndWait(c.program, {"-version"}, host, cancel);
        EXPECT_FALSE(result.started);
        EXPECT_FALSE(result.finished);
        EXPECT_EQ(host.statuses, std::vector<QString>{c.status});
    }
}

TEST_F(EncoderRun, CancelDuringTheRunEndsIt) {
    const struct {
        const char* name;
        QString program;
        QStringList arguments;
    } cases[] = {
        // Real-time pacing: this would take a minute.
        {"ffmpeg stops on the request",
         ffmpeg_,
         {"-nostdin", "-re", "-f", "lavfi", "-i", "nullsrc=s=64x48", "-t", "60", "-f", "null",
          "-"}},
        {"a program ignoring the request is killed",
         QStringLiteral("/bin/sh"),
         {"-c", "trap '' TERM; exec sleep 60"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool cancel = false;
        CancellingHost host(cancel, 20);
        QElapsedTimer timer;
        timer.start();
        const RunResult result = RunAndWait(c.program, c.arguments, host, cancel);
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_TRUE(result.started);
        EXPECT_TRUE(result.cancelled);
        EXPECT_FALSE(result.finished);
        EXPECT_GE(host.pumps, 20);
    }
}

TEST_F(EncoderRun, CancelSetBeforeTheRunLetsItFinish) {
    RecordingHost host;
    const bool cancel = true;
    const RunResult result = RunAndWait(
        ffmpeg_,
        {"-nostdin", "-f", "lavfi", "-i", "nullsrc=s=64x48", "-t", "0.5", "-f", "null", "-"}, host,
        cancel);
    EXPECT_TRUE(result.finished);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(result.exitCode, 0);
}

// The whole chain: frames into an AVI, encoded with the song into an MPEG-4 video.
TEST_F(EncoderRun, EncodesTheAviWithTheSong) {
    QTemporaryDir dir;
    const QString avi = dir.filePath(QStringLiteral("Lumek_Temp.avi"));
    const QString song = dir.filePath(QStringLiteral("song.mp3"));
    const QString output = dir.filePath(QStringLiteral("Lumek_Temp.mp4"));
    ASSERT_EQ(testing::WriteTestAvi(avi, kCompressorMjpeg, 64, 48, 20), AviStatus::Ok);
    ASSERT_EQ(testing::RunTool(
                  ffmpeg_, {"-nostdin", "-v", "error", "-f", "lavfi", "-i",
                            "sine=frequency=440:duration=2", "-ar", "44100", "-b:a", "128k", song})
                  .exitCode,
              0);
    Settings settings;
    settings.ScreenWidth = QStringLiteral("96");
    settings.ScreenHeight = QStringLiteral("64");
    settings.AudioOriginal = 1;
    SongInfo info;
    info.SampleRate = 44100;
    info.Bitrate = 128;
    const QStringList arguments = EncoderArguments(avi, song, output, settings, info);

    RecordingHost host;
    const bool cancel = false;
    const RunResult result = RunAndWait(ffmpeg_, arguments, host, cancel);
    ASSERT_TRUE(result.finished);
    ASSERT_EQ(result.exitCode, 0) << result.messages.toStdString();
    const testing::ToolRun probe = testing::RunTool(
        QStandardPaths::findExecutable(QStringLiteral("ffprobe")),
        {"-v", "error", "-show_entries", "stream=codec_name,width,height,sample_rate,channels",
         "-of", "default=noprint_wrappers=1", output});
    EXPECT_EQ(QString::fromUtf8(probe.out),
              "codec_name=mpeg4\nwidth=96\nheight=64\n"
              "codec_name=aac\nsample_rate=44100\nchannels=2\n");

    // No overwrite option: an existing output stays as it is and the run fails.
    const QByteArray before = testing::ReadFile(output);
    const RunResult again = RunAndWait(ffmpeg_, arguments, host, cancel);
    EXPECT_TRUE(again.finished);
    EXPECT_NE(again.exitCode, 0);
    EXPECT_EQ(testing::ReadFile(output), before);
}

}  // namespace
}  // namespace lumek
