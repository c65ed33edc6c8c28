#include "pipeline/video_pipe.h"

#include "pipeline/avi_writer.h"
#include "pipeline/encoder.h"
#include "pipeline/pipeline_fixtures.h"
#include "pipeline/riff_reader.h"
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

using testing::BitsOf;
using testing::InfoOf;
using testing::TestFrame;
using testing::U32At;

// Stands in for the encoder: a shell command given the pipe's path as $0.
struct PipeReader {
    QString script;

    std::unique_ptr<VideoPipe> start(const QString& pipePath, EncoderProcess& process, UiHost& host,
                                     const bool& cancel) const {
        return VideoPipe::Start(pipePath, QStandardPaths::findExecutable(QStringLiteral("sh")),
                                {QStringLiteral("-c"), script, pipePath}, process, host, cancel);
    }
};

class VideoPipeTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString pipePath() const { return path(QStringLiteral("video.avi")); }

    QTemporaryDir dir_;
    testing::RecordingHost host_;
    bool cancel_ = false;
    EncoderProcess encoder_;
};

TEST_F(VideoPipeTest, CarriesTheStreamWithoutSizesOrIndex) {
    const QString captured = path(QStringLiteral("captured.avi"));
    const PipeReader reader{QStringLiteral("cat \"$0\" > '%1'").arg(captured)};
    std::unique_ptr<VideoPipe> pipe = reader.start(pipePath(), encoder_, host_, cancel_);
    ASSERT_NE(pipe, nullptr);
    // Both ends are open: the pipe's name is gone from the folder.
    EXPECT_FALSE(QFileInfo::exists(pipePath()));

    // Frames far larger than the pipe holds, so that writes wait for the reader.
    constexpr int kWidth = 640;
    constexpr int kHeight = 480;
    constexpr int kFrames = 12;
    AviWriter writer;
    ASSERT_EQ(writer.open(std::move(pipe)), AviStatus::Ok);
    EXPECT_TRUE(writer.writesToPipe());
    ASSERT_EQ(writer.createStream(InfoOf(TestFrame(kWidth, kHeight, 1)), {kCompressorDib}),
              AviStatus::Ok);
    for (int k = 1; k <= kFrames; ++k) {
        ASSERT_EQ(writer.writeFrame(k, BitsOf(TestFrame(kWidth, kHeight, k))), AviStatus::Ok);
    }
    ASSERT_EQ(writer.close(), AviStatus::Ok);
    const RunResult run = encoder_.wait(host_, cancel_);
    ASSERT_EQ(run.exitCode, 0) << run.messages.toStdString();

    // The header went out first, so the RIFF and movi sizes say "to the end" and no index
    // follows. With the sizes filled in, the chunks read as the file layout's.
    QByteArray file = testing::ReadFile(captured);
    EXPECT_EQ(U32At(file, 4), 0u);
    const qsizetype movi = file.indexOf("movi");
    ASSERT_GT(movi, 8);
    EXPECT_EQ(U32At(file, movi - 4), 0u);
    const auto putSize = [&file](qsizetype at, qsizetype size) {
        for (int i = 0; i < 4; ++i) {
            file[at + i] = static_cast<char>(size >> (8 * i));
        }
    };
    putSize(4, file.size() - 8);
    putSize(movi - 4, file.size() - movi);
    const std::vector<testing::RiffChunk> top = testing::ParseRiff(file);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].find("idx1"), nullptr);
    const testing::RiffChunk* list = top[0].find("LIST", "movi");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->children.size(), size_t{kFrames} + 1);
    EXPECT_EQ(list->children[0].size, 0u);
    for (int k = 1; k <= kFrames; ++k) {
        const testing::RiffChunk& chunk = list->children[static_cast<size_t>(k)];
        const BitmapData frame = TestFrame(kWidth, kHeight, k);
        EXPECT_EQ(
            file.mid(chunk.data(), chunk.size),
            QByteArray(reinterpret_cast<const char*>(frame.PointerToBits()), frame.SizeImage()))
            << "frame " << k;
    }
}

TEST_F(VideoPipeTest, AReaderThatNeverOpensLeavesNothingBehind) {
    const PipeReader reader{QStringLiteral("exit 3")};
    EXPECT_EQ(reader.start(pipePath(), encoder_, host_, cancel_), nullptr);
    EXPECT_FALSE(QFileInfo::exists(pipePath()));
    EXPECT_FALSE(encoder_.started());
    // The caller's file takes the pipe's place.
    AviWriter writer;
    ASSERT_EQ(writer.open(pipePath()), AviStatus::Ok);
    EXPECT_FALSE(writer.writesToPipe());
}

TEST_F(VideoPipeTest, WritesFailOnceTheReaderIsGone) {
    const PipeReader reader{QStringLiteral("head -c 1000 \"$0\" > /dev/null")};
    std::unique_ptr<VideoPipe> pipe = reader.start(pipePath(), encoder_, host_, cancel_);
    ASSERT_NE(pipe, nullptr);
    AviWriter writer;
    ASSERT_EQ(writer.open(std::move(pipe)), AviStatus::Ok);
    const BitmapData frame = TestFrame(640, 480, 1);
    AviStatus status = writer.createStream(InfoOf(frame), {kCompressorDib});
    for (int k = 1; k <= 20 && status == AviStatus::Ok; ++k) {
        status = writer.writeFrame(k, BitsOf(frame));
    }
    EXPECT_EQ(status, AviStatus::WriteFailed);
    EXPECT_FALSE(writer.errorString().isEmpty());
    EXPECT_EQ(writer.close(), AviStatus::WriteFailed);
}

TEST_F(VideoPipeTest, CancelEndsTheWaitForAReaderThatTakesNothing) {
    // Opens the pipe and sleeps: a write that fills it waits until the cancel gives up on it.
    const PipeReader reader{QStringLiteral("exec 3< \"$0\"; exec sleep 30")};
    std::unique_ptr<VideoPipe> pipe = reader.start(pipePath(), encoder_, host_, cancel_);
    ASSERT_NE(pipe, nullptr);
    const int pumpsBefore = host_.pumps;
    host_.onPump = [&] { cancel_ = cancel_ || host_.pumps > pumpsBefore + 5; };
    const QByteArray bytes(8 << 20, 'x');
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(pipe->write(bytes), -1);
    EXPECT_TRUE(cancel_);
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_FALSE(pipe->errorString().isEmpty());
}

}  // namespace
}  // namespace lumek
