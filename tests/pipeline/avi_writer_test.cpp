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

QByteArray DataOf(const QByteArray& file, const RiffChunk& chunk) {
    return file.mid(chunk.data(), chunk.size);
}

QByteArray BitsArray(const cDIB& frame) {
    return QByteArray(reinterpret_cast<const char*>(frame.PointerToBits()), frame.SizeImage());
}

// The frame as a reader decodes it: rows top-down, blue-green-red, no padding.
QByteArray TopDownBgr(const cDIB& frame) {
    const QByteArray bits = BitsArray(frame);
    const int rowBytes = frame.Width() * 3;
    const int stride = (rowBytes + 3) / 4 * 4;
    QByteArray rows;
    for (int y = frame.Height() - 1; y >= 0; --y) {
        rows += bits.mid(y * stride, rowBytes);
    }
    return rows;
}

QString Ffprobe() {
    return QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
}

// What ffprobe reads of the video stream, as "key=value" lines.
QString ProbeStream(const QString& path) {
    const testing::ToolRun run = testing::RunTool(
        Ffprobe(), {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                    "stream=codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames", "-of",
                    "default=noprint_wrappers=1", path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QString::fromUtf8(run.out);
}

QByteArray DecodeBgr(const QString& path) {
    const testing::ToolRun run = testing::RunTool(
        QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
        {"-nostdin", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "bgr24", "-"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return run.out;
}

TEST(AviWriter, RawFileLayoutMatchesReference) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raw.avi"));
    ASSERT_EQ(testing::WriteTestAvi(path, kCompressorDib, 5, 3, 3), AviStatus::Ok);
    const QByteArray file = ReadFile(path);
    testing::ExpectMatchesReference(testing::DumpAvi(file), QStringLiteral("avi_raw_5x3.txt"));

    // Sample k holds frame k's pixel bytes as given; sample 0 is empty.
    const std::vector<RiffChunk> top = testing::ParseRiff(file);
    ASSERT_EQ(top.size(), 1u);
    const RiffChunk* movi = top[0].find("LIST", "movi");
    ASSERT_NE(movi, nullptr);
    ASSERT_EQ(movi->children.size(), 4u);
    EXPECT_EQ(movi->children[0].size, 0u);
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(DataOf(file, movi->children[static_cast<size_t>(k)]),
                  BitsArray(TestFrame(5, 3, k)));
    }
}

TEST(AviWriter, RealReaderTakesBothCodecs) {
    if (Ffprobe().isEmpty()) {
        GTEST_SKIP() << "ffprobe is not installed";
    }
    QTemporaryDir dir;
    for (const uint32_t handler : {kCompressorDib, kCompressorMjpeg}) {
        SCOPED_TRACE(handler == kCompressorDib ? "DIB" : "MJPEG");
        const QString path = dir.filePath(QStringLiteral("probe.avi"));
        ASSERT_EQ(testing::WriteTestAvi(path, handler, 32, 24, 12), AviStatus::Ok);
        // The stream counts the empty sample 0; the reader skips it, so frame 1 plays at 0.1 s.
        const QString codec = handler == kCompressorDib ? "rawvideo" : "mjpeg";
        EXPECT_EQ(ProbeStream(path), "codec_name=" + codec +
                                         "\nwidth=32\nheight=24\nr_frame_rate=10/1\n"
                                         "nb_frames=13\nnb_read_frames=12\n");

        QByteArray expected;
        for (int k = 1; k <= 12; ++k) {
            expected += TopDownBgr(TestFrame(32, 24, k));
        }
        const QByteArray decoded = DecodeBgr(path);
        ASSERT_EQ(decoded.size(), expected.size());
        if (handler == kCompressorDib) {
            EXPECT_TRUE(decoded == expected) << "raw frames decode to other pixels";
        } else {
            int64_t sum = 0;
            int worst = 0;
            for (qsizetype i = 0; i < decoded.size(); ++i) {
                const int error =
                    std::abs(static_cast<uint8_t>(decoded[i]) - static_cast<uint8_t>(expected[i]));
                sum += error;
                worst = std::max(worst, error);
            }
            EXPECT_LT(static_cast<double>(sum) / static_cast<double>(decoded.size()), 5.0);
            EXPECT_LT(worst, 32);  // a flipped or shifted picture would be far off
        }
    }
}

TEST(AviWriter, MotionJpegReusesTheLastJpegForARepeatedFrame) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mjpeg.avi"));
    AviWriter writer;
    ASSERT_EQ(writer.open(path), AviStatus::Ok);
    const cDIB first = TestFrame(16, 8, 1);
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
    const int64_t strh = strl->find("strh")->data();
    EXPECT_EQ(U32At(file, strh + 4), kCompressorMjpeg);
    // The stored format: the frame's header with the codec, size of a decoded frame kept.
    const QByteArray strf = DataOf(file, *strl->find("strf"));
    QByteArray expected(reinterpret_cast<const char*>(first.PointerToBitmapInfo()),
                        first.SizeBitmapInfo());
    expected.replace(16, 4, "MJPG");
    EXPECT_EQ(strf, expected);

    const RiffChunk* movi = top[0].find("LIST", "movi");
    ASSERT_EQ(movi->children.size(), 6u);
    for (const RiffChunk& chunk : movi->children) {
        EXPECT_EQ(chunk.id, "00dc");
    }
    const QByteArray jpeg1 = DataOf(file, movi->children[1]);
    EXPECT_TRUE(jpeg1.startsWith("\xFF\xD8") && jpeg1.endsWith("\xFF\xD9"));
    EXPECT_EQ(DataOf(file, movi->children[2]), jpeg1);
    EXPECT_NE(DataOf(file, movi->children[3]), jpeg1);
    EXPECT_EQ(DataOf(file, movi->children[5]), jpeg1);
}

TEST(AviWriter, BecomesOpenDmlPastTheRiffLimit) {
    constexpr int64_t kLimit = 1000000;
    constexpr int kLast = 600;  // 3600-byte frames: three RIFF lists
    constexpr int kSkipped = 300;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("odml.avi"));
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
    int64_t fileEnd = 0;
    uint32_t sample = 0;
    std::vector<const RiffChunk*> standardIndexes;
    for (size_t r = 0; r < top.size(); ++r) {
        SCOPED_TRACE("RIFF " + std::to_string(r));
        const RiffChunk& riff = top[r];
        EXPECT_EQ(riff.id, "RIFF");
        EXPECT_EQ(riff.type, r == 0 ? "AVI " : "AVIX");
        EXPECT_LE(riff.size + 8, kLimit);
        if (r > 0) {
            // The previous list had no room left for one more frame and its index entries.
            EXPECT_GT(top[r - 1].size + 8 + (8 + 3600) + 8 + 16, kLimit);
        }
        fileEnd = riff.data() + riff.size;

        const RiffChunk* movi = riff.find("LIST", "movi");
        ASSERT_NE(movi, nullptr);
        const std::vector<const RiffChunk*> chunks = movi->all("00db");
        const std::vector<const RiffChunk*> ix = movi->all("ix00");
        ASSERT_EQ(ix.size(), 1u);
        EXPECT_EQ(&movi->children.back(), ix[0]);  // the list's own index closes it
        standardIndexes.push_back(ix[0]);
        const int64_t base = static_cast<int64_t>(testing::U64At(file, ix[0]->data() + 12));
        EXPECT_EQ(base, movi->data());
        ASSERT_EQ(U32At(file, ix[0]->data() + 4), chunks.size());
        for (size_t i = 0; i < chunks.size(); ++i, ++sample) {
            SCOPED_TRACE("sample " + std::to_string(sample));
            const int64_t entry = ix[0]->data() + 24 + 8 * static_cast<int64_t>(i);
            EXPECT_EQ(base + U32At(file, entry), chunks[i]->data());
            const bool empty = sample == 0 || sample == kSkipped;
            EXPECT_EQ(U32At(file, entry + 4), empty ? 0x80000000u : 3600u);
            if (!empty) {
                EXPECT_EQ(DataOf(file, *chunks[i]),
                          BitsArray(TestFrame(40, 30, static_cast<int>(sample))));
            }
        }
        const RiffChunk* idx1 = riff.find("idx1");
        EXPECT_EQ(idx1 != nullptr, r == 0);  // the old index covers the first list only
        if (idx1 != nullptr) {
            EXPECT_EQ(idx1->size, 16 * chunks.size());
            EXPECT_EQ(U32At(file, idx1->data() + 8), 4u);  // sample 0 right after 'movi'
        }
    }
    EXPECT_EQ(fileEnd, file.size());
    EXPECT_EQ(sample, static_cast<uint32_t>(kLast + 1));

    const RiffChunk* hdrl = top[0].find("LIST", "hdrl");
    const RiffChunk* strl = hdrl->find("LIST", "strl");
    const int64_t avih = hdrl->find("avih")->data();
    const uint32_t firstFrames = top[0].find("idx1")->size / 16;
    EXPECT_EQ(U32At(file, avih + 16), firstFrames);
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

    if (!Ffprobe().isEmpty()) {
        EXPECT_EQ(ProbeStream(path),
                  "codec_name=rawvideo\nwidth=40\nheight=30\nr_frame_rate=10/1\n"
                  "nb_frames=601\nnb_read_frames=599\n");
        const QByteArray decoded = DecodeBgr(path);
        EXPECT_TRUE(decoded.endsWith(TopDownBgr(TestFrame(40, 30, kLast))));
    }
}

TEST(AviWriter, RateIsLimitedTo1To30) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rate.avi"));
    const struct {
        int32_t asked;
        uint32_t rate;
        uint32_t microseconds;
    } cases[] = {{0, 1, 1000000}, {10, 10, 100000}, {31, 30, 33333}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        AviWriter writer;
        ASSERT_EQ(writer.open(path), AviStatus::Ok);
        ASSERT_EQ(writer.createStream(InfoOf(TestFrame(4, 4, 1)), {.rate = c.asked}),
                  AviStatus::Ok);
        ASSERT_EQ(writer.close(), AviStatus::Ok);
        const QByteArray file = ReadFile(path);
        EXPECT_EQ(U32At(file, 32), c.microseconds);    // avih
        EXPECT_EQ(U32At(file, 100 + 8 + 24), c.rate);  // strh dwRate
    }
}

TEST(AviWriter, RefusedCallsAreResults) {
    QTemporaryDir dir;
    const cDIB frame = TestFrame(8, 4, 1);
    {
        SCOPED_TRACE("missing folder");
        AviWriter writer;
        EXPECT_EQ(writer.open(dir.filePath(QStringLiteral("no/such/folder/x.avi"))),
                  AviStatus::CannotOpen);
        EXPECT_TRUE(writer.errorString().contains(QStringLiteral("x.avi")));
        EXPECT_EQ(writer.createStream(InfoOf(frame)), AviStatus::NotReady);
        EXPECT_EQ(writer.writeFrame(1, BitsOf(frame)), AviStatus::CannotOpen);
        EXPECT_EQ(writer.close(), AviStatus::CannotOpen);
    }
    {
        SCOPED_TRACE("a folder as the file");
        AviWriter writer;
        EXPECT_EQ(writer.open(dir.path()), AviStatus::CannotOpen);
    }
    {
        SCOPED_TRACE("no stream");
        const QString path = dir.filePath(QStringLiteral("empty.avi"));
        AviWriter writer;
        ASSERT_EQ(writer.open(path), AviStatus::Ok);
        EXPECT_EQ(writer.writeFrame(1, BitsOf(frame)), AviStatus::NotReady);
        EXPECT_EQ(writer.close(), AviStatus::Ok);
        EXPECT_TRUE(QFileInfo::exists(path));
        EXPECT_EQ(QFileInfo(path).size(), 0);
    }
    QByteArray eightBit(InfoOf(frame).size(), '\0');
    std::copy(InfoOf(frame).begin(), InfoOf(frame).end(), eightBit.begin());
    eightBit[14] = 8;
    const auto span = [](const QByteArray& bytes) {
        return std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                         static_cast<size_t>(bytes.size()));
    };
    const struct {
        const char* name;
        std::span<const uint8_t> info;
        uint32_t handler;
    } badFormats[] = {
        {"short header", InfoOf(frame).first(20), kCompressorDib},
        {"8-bit frames for Motion JPEG", span(eightBit), kCompressorMjpeg},
        {"unknown compressor", InfoOf(frame), FourCC("XVID")},
    };
    for (const auto& bad : badFormats) {
        SCOPED_TRACE(bad.name);
        AviWriter writer;
        ASSERT_EQ(writer.open(dir.filePath(QStringLiteral("bad.avi"))), AviStatus::Ok);
        EXPECT_EQ(writer.createStream(bad.info, {.handler = bad.handler}), AviStatus::BadFormat);
        EXPECT_EQ(writer.writeFrame(1, BitsOf(frame)), AviStatus::BadFormat);
        EXPECT_EQ(writer.close(), AviStatus::BadFormat);
    }
    {
        SCOPED_TRACE("wrong frames leave the file usable");
        const QString path = dir.filePath(QStringLiteral("refused.avi"));
        AviWriter writer;
        ASSERT_EQ(writer.open(path), AviStatus::Ok);
        ASSERT_EQ(writer.createStream(InfoOf(frame)), AviStatus::Ok);
        EXPECT_EQ(writer.writeFrame(1, BitsOf(TestFrame(8, 5, 1))), AviStatus::BadFrame);
        EXPECT_EQ(writer.writeFrame(2, BitsOf(frame)), AviStatus::Ok);
        EXPECT_EQ(writer.writeFrame(2, BitsOf(frame)), AviStatus::BadSample);
        EXPECT_EQ(writer.writeFrame(3, BitsOf(frame)), AviStatus::Ok);
        EXPECT_EQ(writer.length(), 4);
        EXPECT_EQ(writer.close(), AviStatus::Ok);
        const std::vector<RiffChunk> top = testing::ParseRiff(ReadFile(path));
        ASSERT_EQ(top.size(), 1u);
        EXPECT_EQ(top[0].find("LIST", "movi")->children.size(), 4u);
    }
}

// A write limit on the process stands in for a full disk.
TEST(AviWriter, FullDiskKeepsTheWholeFrames) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.avi"));
    const cDIB frame = TestFrame(40, 30, 1);  // 3600 bytes
    AviWriter writer;
    ASSERT_EQ(writer.open(path), AviStatus::Ok);
    ASSERT_EQ(writer.createStream(InfoOf(frame)), AviStatus::Ok);
    const auto headerSize = static_cast<rlim_t>(QFileInfo(path).size());

    // Room for the empty sample 0, five frames and half of the sixth.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = headerSize + 8 + 5 * (8 + 3600) + 1800;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::vector<AviStatus> statuses;
    for (int k = 1; k <= 7; ++k) {
        statuses.push_back(writer.writeFrame(k, BitsOf(frame)));
    }
    const AviStatus closed = writer.close();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(statuses, (std::vector<AviStatus>{AviStatus::Ok, AviStatus::Ok, AviStatus::Ok,
                                                AviStatus::Ok, AviStatus::Ok,
                                                AviStatus::WriteFailed, AviStatus::WriteFailed}));
    EXPECT_EQ(closed, AviStatus::WriteFailed);
    const QByteArray file = ReadFile(path);
    const std::vector<RiffChunk> top = testing::ParseRiff(file);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].size + 8, file.size());
    EXPECT_EQ(top[0].find("LIST", "movi")->children.size(), 6u);
    ASSERT_NE(top[0].find("idx1"), nullptr);
    EXPECT_EQ(top[0].find("idx1")->size, 6 * 16u);
    if (!Ffprobe().isEmpty()) {
        EXPECT_TRUE(ProbeStream(path).endsWith("nb_frames=6\nnb_read_frames=5\n"));
    }
}

TEST(CompressorChoice, IsAskedOncePerJob) {
    testing::RecordingHost host;
    CompressorChoice choice;
    host.compressorReplies = {-1, 1, 0};
    {
        SCOPED_TRACE("dismissed: this song gets no frames, nothing is kept");
        EXPECT_EQ(ChooseCompressor(choice, host, kCompressorDib), std::nullopt);
        EXPECT_FALSE(choice.CompressorChosen);
    }
    {
        SCOPED_TRACE("the next song asks again and the answer stays for the job");
        EXPECT_EQ(ChooseCompressor(choice, host, kCompressorMjpeg), kCompressorMjpeg);
        EXPECT_EQ(ChooseCompressor(choice, host, kCompressorDib), kCompressorMjpeg);
        EXPECT_EQ(host.compressorReplies.size(), 1u);
        EXPECT_EQ(choice.CompressorHandler, kCompressorMjpeg);
        EXPECT_EQ(host.compressorSuggestions, (std::vector<int>{0, 1}));
    }
    {
        SCOPED_TRACE("a new job asks again");
        choice = {};
        EXPECT_EQ(ChooseCompressor(choice, host, kCompressorMjpeg), kCompressorDib);
        EXPECT_TRUE(host.compressorReplies.empty());
    }
    {
        SCOPED_TRACE("an answer outside the list counts as dismissed");
        choice = {};
        host.compressorReplies = {2};
        EXPECT_EQ(ChooseCompressor(choice, host, kCompressorMjpeg), std::nullopt);
        EXPECT_FALSE(choice.CompressorChosen);
    }
    EXPECT_EQ(CompressorNames().size(), 2);
    EXPECT_EQ(CompressorIndex(kCompressorMjpeg), 1);
    EXPECT_EQ(CompressorIndex(FourCC("XVID")), -1);
}

}  // namespace
}  // namespace lumek
