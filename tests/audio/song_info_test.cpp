#include "audio/song_info.h"
#include "audio/audio_engine.h"
#include "audio/audio_fixtures.h"
#include "audio/mp3_info.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace lumek {
namespace {

using namespace lumek::testing;

QStringList Args(std::initializer_list<const char*> args) {
    QStringList list;
    for (const char* arg : args) {
        list.append(QString::fromLatin1(arg));
    }
    return list;
}

// The number of MPEG frames ffprobe decodes, a count independent of the code under test.
int FramesByFfprobe(const QString& path) {
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), Args({"-v", "error", "-count_frames", "-show_entries",
                                                 "stream=nb_read_frames", "-of", "csv=p=0"})
                                               << path);
    probe.waitForFinished(30000);
    return probe.readAllStandardOutput().trimmed().toInt();
}

class SongAnalysis : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(engine.create(), 0); }

    SongInfo Analyze(const QString& path, bool expectValid = true) {
        SongInfo info;
        EXPECT_EQ(AnalyzeSong(path, info, engine, host), expectValid) << path.toStdString();
        return info;
    }
    SongInfo AnalyzeBytes(const QString& name, const QByteArray& bytes, bool expectValid = true) {
        return Analyze(WriteTempFile(name, bytes), expectValid);
    }

    AudioEngine engine;
    RecordingHost host;
};

TEST_F(SongAnalysis, EncodedFiles) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const struct {
        const char* name;
        QStringList args;
        const char* format;
        int sampleRate;
        const char* channelMode;  // nullptr: the encoder's choice
        bool isVbr;
        int bitrate;  // -1: from the VBR header, anything plausible
        int id3v1;
        int id3v2;
    } cases[] = {
        {"cbr_stereo.mp3",
         Args({"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k", "-joint_stereo", "0",
               "-write_xing", "0"}),
         "version 1 layer 3", 44100, "Stereo", false, 128, -1, 4},
        {"cbr_info.mp3", Args({"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k"}),
         "version 1 layer 3", 44100, nullptr, true, -1, -1, 4},
        {"vbr.mp3", Args({"-ac", "2", "-c:a", "libmp3lame", "-q:a", "4", "-id3v2_version", "3"}),
         "version 1 layer 3", 44100, nullptr, true, -1, -1, 3},
        {"mpeg2_mono.mp3",
         Args({"-ar", "22050", "-ac", "1", "-c:a", "libmp3lame", "-b:a", "32k", "-write_xing", "0",
               "-write_id3v1", "1", "-metadata", "track=7"}),
         "version 2 layer 3", 22050, "Mono", false, 32, 1, 4},
        {"mpeg25_mono.mp3",
         Args({"-ar", "8000", "-ac", "1", "-c:a", "libmp3lame", "-b:a", "16k", "-write_xing", "0",
               "-write_id3v1", "1", "-metadata", "title=x"}),
         "version 2.5 layer 3", 8000, "Mono", false, 16, 0, 4},
        {"layer2.mp3", Args({"-c:a", "mp2", "-b:a", "192k", "-f", "mp2"}), "version 1 layer 2",
         44100, "Mono", false, 192, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = FfmpegMp3(QString::fromLatin1(c.name), c.args);
        ASSERT_FALSE(path.isEmpty());
        const SongInfo info = Analyze(path);
        EXPECT_EQ(info.Format, QString::fromLatin1(c.format));
        EXPECT_EQ(info.SampleRate, c.sampleRate);
        if (c.channelMode != nullptr) {
            EXPECT_EQ(info.ChannelMode, QString::fromLatin1(c.channelMode));
        }
        EXPECT_EQ(info.IsVBR, c.isVbr);
        if (c.bitrate >= 0) {
            EXPECT_EQ(info.Bitrate, c.bitrate);
        } else {
            EXPECT_GE(info.Bitrate, 32);
            EXPECT_LE(info.Bitrate, 320);
        }
        EXPECT_EQ(info.Id3v1, c.id3v1);
        EXPECT_EQ(info.Id3v2, c.id3v2);
        EXPECT_EQ(info.FileSize, QFileInfo(path).size());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        file.seek(info.FirstFrame);
        EXPECT_EQ(static_cast<uint8_t>(file.read(1).at(0)), 0xFF);
        EXPECT_FALSE(info.Protected);
        EXPECT_GT(info.Duration, 0.99);
    }
}

TEST_F(SongAnalysis, Duration) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    {
        SCOPED_TRACE("the encoder header's delay and padding are removed: the source length");
        const QString path =
            FfmpegMp3(QStringLiteral("three_seconds.mp3"),
                      Args({"-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k"}), 3.0);
        EXPECT_NEAR(Analyze(path).Duration, 3.0, 0.001);
    }
    {
        SCOPED_TRACE("without that header every frame counts");
        const QString path = CbrMp3();
        const int frames = FramesByFfprobe(path);
        ASSERT_GT(frames, 0);
        EXPECT_NEAR(Analyze(path).Duration, frames * 1152 / 44100.0, 0.001);
    }
}

QByteArray Xing(uint32_t frames, uint32_t bytes, int flags = 3) {
    return QByteArray("Xing") + BigEndian(static_cast<uint32_t>(flags)) + BigEndian(frames) +
           BigEndian(bytes);
}

TEST_F(SongAnalysis, VbrHeaders) {
    {
        SCOPED_TRACE("MPEG 2 mono, Xing 1000 frames and 1000000 bytes after 9 bytes of side info");
        QByteArray frame = MpegFrame(0xF3, 0x80, 0xC0, 288);
        frame.replace(13, 16, Xing(1000, 1000000));
        const SongInfo info = AnalyzeBytes(QStringLiteral("xing_mpeg2.mp3"), frame + frame);
        EXPECT_EQ(info.Format, QStringLiteral("version 2 layer 3"));
        EXPECT_EQ(info.SampleRate, 22050);
        EXPECT_TRUE(info.IsVBR);
        EXPECT_EQ(info.Bitrate, 306);
    }
    {
        SCOPED_TRACE("VBRI: 1011 bytes in 2 frames at 48 kHz is 168.5, rounded to even");
        QByteArray frame = MpegFrame(0xFB, 0x94, 0xC0, 384);
        frame.replace(36, 18,
                      QByteArray("VBRI") + QByteArray(6, '\0') + BigEndian(1011) + BigEndian(2));
        const SongInfo info = AnalyzeBytes(QStringLiteral("vbri.mp3"), frame);
        EXPECT_TRUE(info.IsVBR);
        EXPECT_EQ(info.SampleRate, 48000);
        EXPECT_EQ(info.Bitrate, 168);
    }
    {
        SCOPED_TRACE("VBRI overrides Xing (MPEG 1 mono: Xing at 21, VBRI at 36)");
        QByteArray frame = MpegFrame(0xFB, 0x94, 0xC0, 384);
        frame.replace(21, 16, Xing(5, 0x00000156));  // the byte count's last byte is 'V'
        frame.replace(36, 18,
                      QByteArray("VBRI") + QByteArray(6, '\0') + BigEndian(1011) + BigEndian(2));
        EXPECT_EQ(AnalyzeBytes(QStringLiteral("xing_vbri.mp3"), frame).Bitrate, 168);
    }
    {
        SCOPED_TRACE("a Xing header with only a frame count: CBR bitrate of the frames");
        QByteArray frame = MpegFrame(0xFB, 0x90, 0x00, 417);
        frame.replace(36, 16, Xing(3, 0, 1));
        const SongInfo info =
            AnalyzeBytes(QStringLiteral("xing_frames_only.mp3"), frame + frame + frame);
        EXPECT_FALSE(info.IsVBR);
        EXPECT_EQ(info.Bitrate, 128);
    }
    {
        SCOPED_TRACE("Info and the reserved sample rate: SampleRate and Bitrate 0, still valid");
        QByteArray frame = MpegFrame(0xFB, 0x9C, 0x00, 417);
        frame.replace(36, 16, QByteArray("Info") + Xing(10, 5000).mid(4));
        const SongInfo info = AnalyzeBytes(QStringLiteral("reserved_rate.mp3"), frame);
        EXPECT_TRUE(info.IsVBR);
        EXPECT_EQ(info.SampleRate, 0);
        EXPECT_EQ(info.Bitrate, 0);
    }
}

TEST_F(SongAnalysis, HeaderFieldsAndFirstFrame) {
    const QByteArray cbr = MpegFrame(0xFB, 0x90, 0x00, 417);
    {
        SCOPED_TRACE("CRC, copyright, original and emphasis bits; dual channel");
        const SongInfo info =
            AnalyzeBytes(QStringLiteral("bits.mp3"), MpegFrame(0xFA, 0x90, 0x8D, 417) + cbr);
        EXPECT_TRUE(info.Protected);
        EXPECT_TRUE(info.Copyright);
        EXPECT_TRUE(info.Original);
        EXPECT_TRUE(info.Emphasis);
        EXPECT_EQ(info.ChannelMode, QStringLiteral("Dual channel"));
        EXPECT_EQ(info.Bitrate, 128);
        EXPECT_EQ(info.Id3v1, -1);
        EXPECT_EQ(info.Id3v2, -1);
    }
    {
        SCOPED_TRACE("the first sync decides: a reserved version makes the file invalid");
        const SongInfo info =
            AnalyzeBytes(QStringLiteral("reserved_version.mp3"),
                         Filler(50) + MpegFrame(0xEB, 0x90, 0x00, 100) + cbr + cbr, false);
        EXPECT_EQ(info.FirstFrame, 50);
        AnalyzeBytes(QStringLiteral("reserved_layer.mp3"), MpegFrame(0xF9, 0x90, 0x00, 417) + cbr,
                     false);
    }
    {
        SCOPED_TRACE("a version 4 footer moves the search 10 bytes on; ID3v1.1 at the end");
        const QByteArray tag =
            Id3v2Tag(4, 0x10, Filler(4096)) + "3DI\x04" + MpegFrame(0xEB, 0, 0, 6);
        const SongInfo info =
            AnalyzeBytes(QStringLiteral("footer.mp3"), tag + cbr + cbr + Id3v1Tag('\0', '\x07'));
        EXPECT_EQ(info.FirstFrame, 4096 + 10 + 10);
        EXPECT_EQ(info.Id3v2, 4);
        EXPECT_EQ(info.Id3v1, 1);
    }
    {
        SCOPED_TRACE("a tag size with a top bit set is a plain number");
        const QByteArray tag =
            QByteArray("ID3\x03\0\0", 6) + QByteArray::fromHex("00000280") + Filler(0x280);
        EXPECT_EQ(AnalyzeBytes(QStringLiteral("plain_size.mp3"), tag + cbr + cbr).FirstFrame,
                  0x280 + 10);
    }
    {
        SCOPED_TRACE("leading junk without sync");
        const SongInfo info =
            AnalyzeBytes(QStringLiteral("junk.mp3"), Filler(300000) + cbr + cbr + cbr);
        EXPECT_EQ(info.FirstFrame, 300000);
        // The bitrate reader gives up 10240 bytes into the junk.
        EXPECT_EQ(info.Bitrate, 0);
    }
}

TEST_F(SongAnalysis, BadInput) {
    const QByteArray cbr = MpegFrame(0xFB, 0x90, 0x00, 417);
    const struct {
        const char* name;
        QString path;
    } cases[] = {
        {"missing", TempPath(QStringLiteral("no_such.mp3"))},
        {"directory", QDir::tempPath()},
        {"zero length", WriteTempFile(QStringLiteral("empty.mp3"), {})},
        {"three bytes", WriteTempFile(QStringLiteral("three.mp3"), QByteArray("\xFF\xFB\x90", 3))},
        {"no sync", WriteTempFile(QStringLiteral("text.mp3"), QByteArray(5000, 'a'))},
        {"tag larger than the file",
         WriteTempFile(QStringLiteral("big_tag.mp3"), Id3v2Tag(3, 0, cbr).left(300))},
        {"absurd tag size", WriteTempFile(QStringLiteral("absurd_tag.mp3"),
                                          QByteArray::fromHex("494433030000ffffffff") + cbr)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SongInfo info = Analyze(c.path, false);
        EXPECT_EQ(info.Duration, 0.0);
    }
    const QString locked = WriteTempFile(QStringLiteral("locked.mp3"), cbr + cbr);
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    QFile probe(locked);
    if (!probe.open(QIODevice::ReadOnly)) {
        SCOPED_TRACE("unreadable");
        Analyze(locked, false);
    }
}

TEST(Mp3Info, BitstreamAndFrameSearch) {
    Bitstream bits;
    bits.SetData(QByteArray::fromHex("a5f0"));
    EXPECT_EQ(bits.ReadBits(3), 0b101u);
    bits.SkipBits(2);
    EXPECT_EQ(bits.ReadBits(7), 0b1011111u);
    EXPECT_EQ(bits.ReadBits(8), 0u) << "bits past the end read as 0";

    const QByteArray cbr = MpegFrame(0xFB, 0x90, 0x00, 417);
    const QByteArray lone = MpegFrame(0xF3, 0x80, 0xC0, 50);
    MP3Info info;
    ASSERT_TRUE(info.ReadMP3Info(
        WriteTempFile(QStringLiteral("info.mp3"), Id3v2Tag(3, 0, Filler(100)) + lone + cbr + cbr)));
    EXPECT_EQ(info.FirstFrame(), 110 + 50) << "a header is taken only with a successor";
    EXPECT_EQ(info.bitrate(), 128000);
    EXPECT_EQ(info.Samplerate(), 44100);
    EXPECT_EQ(info.MPEGVersion(), 1);
    EXPECT_EQ(info.Layer(), 3);
    EXPECT_FALSE(
        info.ReadMP3Info(WriteTempFile(QStringLiteral("info_far.mp3"), Filler(10241) + cbr + cbr)));
}

// Mutated frames and tags: a clear answer every time, never a crash, hang or over-read.
TEST_F(SongAnalysis, RandomInput) {
    std::mt19937 random(11);
    QByteArray xingFrame = MpegFrame(0xF3, 0x80, 0xC0, 288);
    xingFrame.replace(13, 16, Xing(1000, 1000000));
    const QByteArray seeds[] = {
        Id3v2Tag(4, 0x10, Filler(64)) + QByteArray(10, '\0') + MpegFrame(0xFB, 0x90, 0x00, 417) +
            MpegFrame(0xFB, 0x90, 0x00, 417) + Id3v1Tag(0, 3),
        xingFrame + xingFrame,
    };
    int valid = 0;
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes = seeds[round % 2];
        for (int e = 0; e < 6; ++e) {
            const auto at = static_cast<qsizetype>(random() % static_cast<uint32_t>(bytes.size()));
            if (random() % 5 == 0) {
                bytes.truncate(at);
                break;
            }
            bytes[at] = static_cast<char>(random() % 3 == 0 ? 0xFF : random());
        }
        SongInfo info;
        if (AnalyzeSong(WriteTempFile(QStringLiteral("fuzz.mp3"), bytes), info, engine, host)) {
            ++valid;
            EXPECT_FALSE(info.Format.isEmpty());
            EXPECT_LE(info.FirstFrame, bytes.size() - 4);
        }
        EXPECT_GE(info.Duration, 0.0);
        EXPECT_LT(info.Duration, 10.0);
    }
    EXPECT_GT(valid, 20);
}

}  // namespace
}  // namespace lumek
