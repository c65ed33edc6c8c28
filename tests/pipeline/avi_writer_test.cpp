#include "pipeline/avi_writer.h"

#include "pipeline/compressor_choice.h"
#include "pipeline/pipeline_fixtures.h"
#include "pipeline/riff_reader.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include <sys/resource.h>

namespace lumek {
namespace {

using testing::BitsOf;
using testing::InfoOf;
using testing::ReadFile;
using testing::RiffChunk;
using testing::TestFrame;
using testing::U32At;

QByteArray BitsArray(const BitmapData& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.PointerToBits()), frame.SizeImage());
}

// The data of the chunks in the first RIFF list's movi list; a chunk with another id than the
// given one shows as its id.
std::vector<QByteArray> MoviData(const QByteArray& file, const char* id) {
    std::vector<QByteArray> data;
    const std::vector<RiffChunk> top = testing::ParseRiff(file);
    const RiffChunk* movi = top.empty() ? nullptr : top[0].find("LIST", "movi");
    for (const RiffChunk& chunk : movi != nullptr ? movi->children : std::vector<RiffChunk>{}) {
        data.push_back(chunk.id == id ? file.mid(chunk.data(), chunk.size) : chunk.id);
    }
    return data;
}

// The frame as a reader decodes it: rows top-down, blue-green-red, no padding.
QByteArray TopDownBgr(const BitmapData& frame) {
    const QByteArray bits = BitsArray(frame);
    const int rowBytes = frame.Width() * 3;
    QByteArray rows;
    for (int y = frame.Height() - 1; y >= 0; --y) {
        rows += bits.mid(y * ((rowBytes + 3) / 4 * 4), rowBytes);
    }
    return rows;
}

bool HaveFfprobe() {
    return !QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty();
}

// What ffprobe reads of the video stream, as "key=value" lines.
QString ProbeStream(const QString& path) {
    const testing::ToolRun run = testing::RunTool(
        "ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                    "stream=codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames", "-of",
                    "default=noprint_wrappers=1", path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QString::fromUtf8(run.out);
}

QByteArray DecodeBgr(const QString& path) {
    const testing::ToolRun run = testing::RunTool(
        "ffmpeg",
        {"-nostdin", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return run.out;
}

TEST(AviWriter, RawFileLayoutMatchesReference) {
    QTemporaryDir dir;
    const QString path = dir.filePath("raw.avi");
    ASSERT_EQ(testing::WriteTestAvi(path, 5, 3, 3), AviStatus::Ok);
    const QByteArray file = ReadFile(path);
    testing::ExpectMatchesReference(testing::DumpAvi(file), "avi_raw_5x3.txt");
    // Sample k holds frame k's pixel bytes as given; sample 0 is empty.
    EXPECT_EQ(MoviData(file, "00db"), (std::vector<QByteArray>{{},
                                                               BitsArray(TestFrame(5, 3, 1)),
                                                               BitsArray(TestFrame(5, 3, 2)),
                                                               BitsArray(TestFrame(5, 3, 3))}));

    // The rate is limited to 1..30 frames per second.
    const std::tuple<int, uint32_t, uint32_t> rates[] = {
        {0, 1, 1000000}, {10, 10, 100000}, {31, 30, 33333}};
    for (const auto& [asked, rate, microseconds] : rates) {
        SCOPED_TRACE(asked);
        ASSERT_EQ(testing::WriteTestAvi(path, 4, 4, 0, {.rate = asked}), AviStatus::Ok);
        EXPECT_EQ(U32At(ReadFile(path), 32), microseconds);    // avih
        EXPECT_EQ(U32At(ReadFile(path), 100 + 8 + 24), rate);  // strh dwRate
    }
}

TEST(AviWriter, MotionJpegReusesTheLastJpegForARepeatedFrame) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mjpeg.avi");
    AviWriter writer;
    ASSERT_EQ(writer.open(path), AviStatus::Ok);
    const BitmapData first = TestFrame(16, 8, 1);
    ASSERT_EQ(writer.createStream(InfoOf(first), {.handler = kCompressorMjpeg}), AviStatus::Ok);
    const int frames[] = {1, 1, 3, 3, 1};
    for (int k = 0; k < 5; ++k) {
        ASSERT_EQ(writer.writeFrame(k + 1, BitsOf(TestFrame(16, 8, frames[k]))), AviStatus::Ok);
    }
    EXPECT_EQ(writer.compressions(), 3);
    ASSERT_EQ(writer.close(), AviStatus::Ok);

    const QByteArray file = ReadFile(path);
    const std::vector<RiffChunk> top = testing::ParseRiff(file);
    ASSERT_EQ(top.size(), 1u);
    const RiffChunk* strl = top[0].find("LIST", "hdrl")->find("LIST", "strl");
    ASSERT_NE(strl, nullptr);
    EXPECT_EQ(U32At(file, strl->find("strh")->data() + 4), kCompressorMjpeg);
    // The stored format: the frame's header with the codec, size of a decoded frame kept.
    QByteArray format(reinterpret_cast<const char*>(first.PointerToBitmapInfo()),
                      first.SizeBitmapInfo());
    EXPECT_EQ(file.mid(strl->find("strf")->data(), strl->find("strf")->size),
              format.replace(16, 4, "MJPG"));

    const std::vector<QByteArray> jpegs = MoviData(file, "00dc");
    ASSERT_EQ(jpegs.size(), 6u);
    EXPECT_EQ(jpegs[0], QByteArray());
    EXPECT_TRUE(jpegs[1].startsWith("\xFF\xD8") && jpegs[1].endsWith("\xFF\xD9"));
    EXPECT_EQ(jpegs[2], jpegs[1]);
    EXPECT_NE(jpegs[3], jpegs[1]);
    EXPECT_EQ(jpegs[4], jpegs[3]);
    EXPECT_EQ(jpegs[5], jpegs[1]);
    if (HaveFfprobe()) {
        EXPECT_EQ(ProbeStream(path),
                  "codec_name=mjpeg\nwidth=16\nheight=8\nr_frame_rate=10/1\n"
                  "nb_frames=6\nnb_read_frames=5\n");
    }
}

TEST(AviWriter, BecomesOpenDmlPastTheRiffLimit) {
    constexpr int64_t kLimit = 1000000;
    constexpr int kLast = 600;  // 3600-byte frames: three RIFF lists
    constexpr int kSkipped = 300;
    QTemporaryDir dir;
    const QString path = dir.filePath("odml.avi");
    AviWriter writer;
    ASSERT_EQ(writer.open(path), AviStatus::Ok);
    ASSERT_EQ(writer.createStream(InfoOf(TestFrame(40, 30, 1)), {.riffLimit = kLimit}),
              AviStatus::Ok);
    for (int k = 1; k <= kLast; ++k) {
        if (k != kSkipped) {
            ASSERT_EQ(writer.writeFrame(k, BitsOf(TestFrame(40, 30, k))), AviStatus::Ok) << k;
        }
    }
    ASSERT_EQ(writer.close(), AviStatus::Ok);

    const QByteArray file = ReadFile(path);
    const std::vector<RiffChunk> top = testing::ParseRiff(file);
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[2].data() + top[2].size, file.size());
    uint32_t sample = 0;
    std::vector<const RiffChunk*> standardIndexes;
    for (size_t r = 0; r < top.size(); ++r) {
        SCOPED_TRACE("RIFF " + std::to_string(r));
        const RiffChunk& riff = top[r];
        EXPECT_EQ(riff.id + riff.type, r == 0 ? "RIFFAVI " : "RIFFAVIX");
        EXPECT_LE(riff.size + 8, kLimit);
        if (r > 0) {
            // The previous list had no room left for one more frame and its index entries.
            EXPECT_GT(top[r - 1].size + 8 + (8 + 3600) + 8 + 16, kLimit);
        }
        const RiffChunk* movi = riff.find("LIST", "movi");
        ASSERT_NE(movi, nullptr);
        const std::vector<const RiffChunk*> chunks = movi->all("00db");
        const RiffChunk* ix = &movi->children.back();  // the list's own index closes it
        ASSERT_EQ(ix->id, "ix00");
        ASSERT_EQ(movi->all("ix00").size(), 1u);
        standardIndexes.push_back(ix);
        const auto base = static_cast<int64_t>(testing::U64At(file, ix->data() + 12));
        EXPECT_EQ(base, movi->data());
        ASSERT_EQ(U32At(file, ix->data() + 4), chunks.size());
        for (size_t i = 0; i < chunks.size(); ++i, ++sample) {
            SCOPED_TRACE("sample " + std::to_string(sample));
            const int64_t entry = ix->data() + 24 + 8 * static_cast<int64_t>(i);
            EXPECT_EQ(base + U32At(file, entry), chunks[i]->data());
            const bool empty = sample == 0 || sample == kSkipped;
            EXPECT_EQ(U32At(file, entry + 4), empty ? 0x80000000u : 3600u);
            if (!empty) {
                EXPECT_EQ(file.mid(chunks[i]->data(), chunks[i]->size),
                          BitsArray(TestFrame(40, 30, static_cast<int>(sample))));
            }
        }
        const RiffChunk* idx1 = riff.find("idx1");
        ASSERT_EQ(idx1 != nullptr, r == 0);  // the old index covers the first list only
        if (idx1 != nullptr) {
            EXPECT_EQ(idx1->size, 16 * chunks.size());
            EXPECT_EQ(U32At(file, idx1->data() + 8), 4u);  // sample 0 right after 'movi'
        }
    }
    EXPECT_EQ(sample, kLast + 1u);

    // The headers: avih counts the first list's frames, strh and dmlh the whole stream, and the
    // super index points at each list's ix00 with its duration.
    const RiffChunk* hdrl = top[0].find("LIST", "hdrl");
    const RiffChunk* strl = hdrl->find("LIST", "strl");
    EXPECT_EQ(U32At(file, hdrl->find("avih")->data() + 16), top[0].find("idx1")->size / 16);
    EXPECT_EQ(U32At(file, strl->find("strh")->data() + 32), kLast + 1u);
    EXPECT_EQ(U32At(file, hdrl->find("LIST", "odml")->find("dmlh")->data()), kLast + 1u);
    const RiffChunk* indx = strl->find("indx");
    ASSERT_NE(indx, nullptr);
    ASSERT_EQ(U32At(file, indx->data() + 4), 3u);
    uint32_t duration = 0;
    for (size_t r = 0; r < 3; ++r) {
        const int64_t entry = indx->data() + 24 + 16 * static_cast<int64_t>(r);
        EXPECT_EQ(static_cast<int64_t>(testing::U64At(file, entry)), standardIndexes[r]->offset);
        EXPECT_EQ(U32At(file, entry + 8), standardIndexes[r]->size + 8);
        duration += U32At(file, entry + 12);
    }
    EXPECT_EQ(duration, kLast + 1u);

    if (HaveFfprobe()) {
        EXPECT_EQ(ProbeStream(path),
                  "codec_name=rawvideo\nwidth=40\nheight=30\nr_frame_rate=10/1\n"
                  "nb_frames=601\nnb_read_frames=599\n");
        EXPECT_TRUE(DecodeBgr(path).endsWith(TopDownBgr(TestFrame(40, 30, kLast))));
    }
}

TEST(AviWriter, RefusedCallsAreResults) {
    QTemporaryDir dir;
    const BitmapData frame = TestFrame(8, 4, 1);
    for (const QString& path : {dir.filePath("no/such/folder/x.avi"), dir.path()}) {
        SCOPED_TRACE(path.toStdString());
        AviWriter writer;
        EXPECT_EQ(writer.open(path), AviStatus::CannotOpen);
        EXPECT_TRUE(writer.errorString().contains(path));
        EXPECT_EQ(writer.createStream(InfoOf(frame)), AviStatus::NotReady);
        EXPECT_EQ(writer.writeFrame(1, BitsOf(frame)), AviStatus::CannotOpen);
        EXPECT_EQ(writer.close(), AviStatus::CannotOpen);
    }
    {
        SCOPED_TRACE("no stream: the file stays empty");
        const QString path = dir.filePath("empty.avi");
        AviWriter writer;
        ASSERT_EQ(writer.open(path), AviStatus::Ok);
        EXPECT_EQ(writer.writeFrame(1, BitsOf(frame)), AviStatus::NotReady);
        EXPECT_EQ(writer.close(), AviStatus::Ok);
        EXPECT_TRUE(QFileInfo::exists(path));
        EXPECT_EQ(QFileInfo(path).size(), 0);
    }
    std::vector<uint8_t> eightBit(InfoOf(frame).begin(), InfoOf(frame).end());
    eightBit[14] = 8;
    const struct {
        const char* name;
        std::span<const uint8_t> info;
        uint32_t handler;
    } badFormats[] = {
        {"short header", InfoOf(frame).first(20), kCompressorDib},
        {"8-bit frames for Motion JPEG", eightBit, kCompressorMjpeg},
        {"unknown compressor", InfoOf(frame), FourCC("XVID")},
    };
    for (const auto& bad : badFormats) {
        SCOPED_TRACE(bad.name);
        AviWriter writer;
        ASSERT_EQ(writer.open(dir.filePath("bad.avi")), AviStatus::Ok);
        EXPECT_EQ(writer.createStream(bad.info, {.handler = bad.handler}), AviStatus::BadFormat);
        EXPECT_EQ(writer.writeFrame(1, BitsOf(frame)), AviStatus::BadFormat);
        EXPECT_EQ(writer.close(), AviStatus::BadFormat);
    }
    // Frames of the wrong size or at a used sample are refused and leave the file usable.
    const QString path = dir.filePath("refused.avi");
    AviWriter writer;
    ASSERT_EQ(writer.open(path), AviStatus::Ok);
    ASSERT_EQ(writer.createStream(InfoOf(frame)), AviStatus::Ok);
    EXPECT_EQ(writer.writeFrame(1, BitsOf(TestFrame(8, 5, 1))), AviStatus::BadFrame);
    EXPECT_EQ(writer.writeFrame(2, BitsOf(frame)), AviStatus::Ok);
    EXPECT_EQ(writer.writeFrame(2, BitsOf(frame)), AviStatus::BadSample);
    EXPECT_EQ(writer.writeFrame(3, BitsOf(frame)), AviStatus::Ok);
    EXPECT_EQ(writer.length(), 4);
    EXPECT_EQ(writer.close(), AviStatus::Ok);
    EXPECT_EQ(MoviData(ReadFile(path), "00db").size(), 4u);
}

// A write limit on the process stands in for a full disk.
TEST(AviWriter, FullDiskKeepsTheWholeFrames) {
    QTemporaryDir dir;
    const QString path = dir.filePath("full.avi");
    const BitmapData frame = TestFrame(40, 30, 1);  // 3600 bytes
    AviWriter writer;
    ASSERT_EQ(writer.open(path), AviStatus::Ok);
    ASSERT_EQ(writer.createStream(InfoOf(frame)), AviStatus::Ok);

    // Room for the empty sample 0, five frames and half of the sixth.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = static_cast<rlim_t>(QFileInfo(path).size()) + 8 + 5 * (8 + 3600) + 1800;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<AviStatus> statuses;
    for (int k = 1; k <= 7; ++k) {
        statuses.push_back(writer.writeFrame(k, BitsOf(frame)));
    }
    statuses.push_back(writer.close());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    std::vector<AviStatus> expected(5, AviStatus::Ok);
    expected.resize(8, AviStatus::WriteFailed);  // frames 6 and 7, and the close
    EXPECT_EQ(statuses, expected);
    const QByteArray file = ReadFile(path);
    const std::vector<RiffChunk> top = testing::ParseRiff(file);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].size + 8, file.size());
    EXPECT_EQ(MoviData(file, "00db").size(), 6u);
    ASSERT_NE(top[0].find("idx1"), nullptr);
    EXPECT_EQ(top[0].find("idx1")->size, 6 * 16u);
    if (HaveFfprobe()) {
        EXPECT_TRUE(ProbeStream(path).endsWith("nb_frames=6\nnb_read_frames=5\n"));
    }
}

TEST(CompressorChoice, IsAskedOncePerJob) {
    testing::RecordingHost host;
    CompressorChoice choice;
    host.compressorReplies = {-1, 1, 0, 2};
    // Dismissed: this song gets no frames and nothing is kept.
    EXPECT_EQ(ChooseCompressor(choice, host, kCompressorDib), std::nullopt);
    EXPECT_FALSE(choice.CompressorChosen);
    // The next song asks again and the answer stays for the job.
    EXPECT_EQ(ChooseCompressor(choice, host, kCompressorMjpeg), kCompressorMjpeg);
    EXPECT_EQ(ChooseCompressor(choice, host, kCompressorDib), kCompressorMjpeg);
    EXPECT_EQ(host.compressorSuggestions, (std::vector<int>{0, 1}));
    EXPECT_EQ(choice.CompressorHandler, kCompressorMjpeg);
    // A new job asks again; an answer outside the list counts as dismissed.
    choice = {};
    EXPECT_EQ(ChooseCompressor(choice, host, kCompressorMjpeg), kCompressorDib);
    choice = {};
    EXPECT_EQ(ChooseCompressor(choice, host, kCompressorMjpeg), std::nullopt);
    EXPECT_FALSE(choice.CompressorChosen);
    EXPECT_TRUE(host.compressorReplies.empty());

    EXPECT_EQ(CompressorNames().size(), 2);
    EXPECT_EQ(CompressorIndex(kCompressorMjpeg), 1);
    EXPECT_EQ(CompressorIndex(FourCC("XVID")), -1);
}

}  // namespace
}  // namespace lumek
