#include "pipeline/encoder.h"

#include "audio/song_info.h"
#include "base/derived_settings.h"
#include "base/settings.h"
#include "pipeline/pipeline_fixtures.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumek {
namespace {

using testing::RecordingHost;

const QString kMissingMessage =
    QStringLiteral("ffmpeg 프로그램을 찾을 수 없습니다. ffmpeg를 설치해 주세요.");
const QStringList kHalfSecond = {"-nostdin", "-f",  "lavfi", "-i",   "nullsrc=s=64x48",
                                 "-t",       "0.5", "-f",    "null", "-"};

class EncoderRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (ffmpeg_.isEmpty()) {
            GTEST_SKIP() << "ffmpeg is not installed";
        }
    }
    const QString ffmpeg_ = FindEncoder();
    RecordingHost host_;
    bool cancel_ = false;
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
    Settings original = chosen;
    original.AudioOriginal = 1;  // the bitrate entry is not used with the song's own bitrate
    original.VideoQuality = 0;
    original.ScreenWidth = QStringLiteral("640");
    original.ScreenHeight = QStringLiteral("360.5");
    Settings noEntry = chosen;
    noEntry.AudioBitrate = -1;
    const std::pair<const char*, const Settings&> cases[] = {
        {"chosen bitrate 128, 480 x 320, slider 50", chosen},
        {"song's own 44100 Hz 192 kbit/s, 640 x \"360.5\", slider 0", original},
        {"no bitrate entry selected", noEntry},
    };
    QString text;
    for (const auto& [title, settings] : cases) {
        text += QStringLiteral("# ") + QString::fromUtf8(title) + QLatin1Char('\n') +
                EncoderArguments(avi, song, output, settings, DeriveSettings(settings), info)
                    .join(QLatin1Char('\n')) +
                QStringLiteral("\n\n");
    }
    testing::ExpectMatchesReference(text, "encoder_arguments.txt");

    // A relative path can't be taken for an option or a protocol.
    const QStringList relative =
        EncoderArguments("-x.avi", "http:a.mp3", "o.mp4", chosen, DeriveSettings(chosen), info);
    EXPECT_EQ(relative[2], QDir::current().absoluteFilePath("-x.avi"));
    EXPECT_EQ(relative[4], QDir::current().absoluteFilePath("http:a.mp3"));
    EXPECT_EQ(relative.last(), QDir::current().absoluteFilePath("o.mp4"));
}

TEST_F(EncoderRun, WaitsForTheProgramAndPumps) {
    // A cancel already set when the wait begins lets the program finish.
    cancel_ = true;
    const RunResult ok = RunAndWait(ffmpeg_, kHalfSecond, host_, cancel_);
    EXPECT_TRUE(ok.started && ok.finished);
    EXPECT_FALSE(ok.cancelled);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_GT(host_.pumps, 0);
    EXPECT_TRUE(host_.statuses.empty());

    cancel_ = false;
    const RunResult bad =
        RunAndWait(ffmpeg_, {"-nostdin", "-i", "/no/such/input.avi", "out.mp4"}, host_, cancel_);
    EXPECT_TRUE(bad.started && bad.finished);
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.messages.contains("/no/such/input.avi")) << bad.messages.toStdString();
}

TEST_F(EncoderRun, MissingOrBrokenProgramIsReported) {
    QTemporaryDir dir;
    const QString notProgram = dir.filePath("ffmpeg");
    ASSERT_TRUE(testing::WriteFile(notProgram, "not a program"));  // not executable
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", dir.filePath("empty").toUtf8());
    const QString found = FindEncoder();
    qputenv("PATH", savedPath);
    EXPECT_EQ(found, QString());

    const std::pair<QString, QString> cases[] = {
        {found, kMissingMessage},
        {"/no/such/ffmpeg", kMissingMessage},
        {notProgram, "ffmpeg 프로그램을 실행할 수 없습니다. (" + notProgram + ")"},
    };
    for (const auto& [program, status] : cases) {
        SCOPED_TRACE(program.toStdString());
        RecordingHost host;
        const RunResult result = RunAndWait(program, {"-version"}, host, cancel_);
        EXPECT_FALSE(result.started || result.finished);
        EXPECT_EQ(host.statuses, std::vector<QString>{status});
    }
}

TEST_F(EncoderRun, CancelDuringTheRunEndsIt) {
    const std::pair<QString, QStringList> cases[] = {
        // ffmpeg stops on the request; at real-time pace this would take a minute.
        {ffmpeg_,
         {"-nostdin", "-re", "-f", "lavfi", "-i", "nullsrc=s=64x48", "-t", "60", "-f", "null",
          "-"}},
        // A program ignoring the request is killed.
        {"/bin/sh", {"-c", "trap '' TERM; exec sleep 60"}},
    };
    for (const auto& [program, arguments] : cases) {
        SCOPED_TRACE(program.toStdString());
        bool cancel = false;
        RecordingHost host;
        host.onPump = [&] { cancel = cancel || host.pumps == 20; };
        QElapsedTimer timer;
        timer.start();
        const RunResult result = RunAndWait(program, arguments, host, cancel);
        EXPECT_LT(timer.elapsed(), 10000);
        EXPECT_TRUE(result.started && result.cancelled);
        EXPECT_FALSE(result.finished);
        EXPECT_GE(host.pumps, 20);
    }
}

}  // namespace
}  // namespace lumek
