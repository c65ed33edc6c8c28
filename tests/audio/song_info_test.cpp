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

#include <random>

namespace lumek {
namespace {

using namespace lumek::testing;

QByteArray Xing(uint32_t frames, uint32_t bytes, int flags = 3) {
    return QByteArray("Xing") + BigEndian(static_cast<uint32_t>(flags)) + BigEndian(frames) +
           BigEndian(bytes);
}

const QByteArray kCbrFrame = MpegFrame(0xFB, 0x90, 0x00, 417);  // MPEG 1 layer 3, 128k, 44.1k

class SongAnalysis : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(engine.create(), 0); }

    SongInfo Analyze(const QString& path, bool expectValid = true) {
        SongInfo info;
        EXPECT_EQ(AnalyzeSong(path, info, engine, host), expectValid) << path.toStdString();
        return info;
    }
    SongInfo AnalyzeBytes(const QByteArray& bytes, bool expectValid = true) {
        return Analyze(WriteTempFile(QStringLiteral("analyze.mp3"), bytes), expectValid);
    }

    AudioEngine engine;
    RecordingHost host;
};

// The header fields in one line; bitrates in kbit/s.
std::string Describe(const SongInfo& info) {
    return QStringLiteral("%1, %2 Hz, %3, %4 %5,%6 ID3v1 %7, ID3v2 %8")
        .arg(info.Format)
        .arg(info.SampleRate)
        .arg(info.ChannelMode, info.IsVBR ? u"VBR" : u"CBR")
        .arg(info.Bitrate)
        .arg(info.Protected ? u" CRC," : u"")
        .arg(info.Id3v1)
        .arg(info.Id3v2)
        .toStdString();
}

TEST_F(SongAnalysis, EncodedFiles) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    // The bitrate and channel mode of a VBR header's frame are the encoder's choice: shown as 0
    // and "?".
    const std::pair<const char*, const char*> cases[] = {
        {"-ac 2 -c:a libmp3lame -b:a 128k -joint_stereo 0 -write_xing 0",
         "version 1 layer 3, 44100 Hz, Stereo, CBR 128, ID3v1 -1, ID3v2 4"},
        {"-ac 2 -c:a libmp3lame -b:a 128k",
         "version 1 layer 3, 44100 Hz, ?, VBR 0, ID3v1 -1, ID3v2 4"},
        {"-ac 2 -c:a libmp3lame -q:a 4 -id3v2_version 3",
         "version 1 layer 3, 44100 Hz, ?, VBR 0, ID3v1 -1, ID3v2 3"},
        {"-ar 22050 -ac 1 -c:a libmp3lame -b:a 32k -write_xing 0 -write_id3v1 1 -metadata track=7",
         "version 2 layer 3, 22050 Hz, Mono, CBR 32, ID3v1 1, ID3v2 4"},
        {"-ar 8000 -ac 1 -c:a libmp3lame -b:a 16k -write_xing 0 -write_id3v1 1 -metadata title=x",
         "version 2.5 layer 3, 8000 Hz, Mono, CBR 16, ID3v1 0, ID3v2 4"},
        {"-c:a mp2 -b:a 192k -f mp2",
         "version 1 layer 2, 44100 Hz, Mono, CBR 192, ID3v1 -1, ID3v2 -1"},
    };
    for (const auto& [args, expected] : cases) {
        SCOPED_TRACE(args);
        const QString path = FfmpegMp3(
            QStringLiteral("encoded_%1.mp3").arg(qHash(QLatin1String(args))), Words(args));
        ASSERT_FALSE(path.isEmpty());
        SongInfo info = Analyze(path);
        EXPECT_EQ(info.FileSize, QFileInfo(path).size());
        EXPECT_GT(info.Duration, 0.99);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly) && file.seek(info.FirstFrame));
        EXPECT_EQ(static_cast<uint8_t>(file.read(1).at(0)), 0xFF);
        if (info.IsVBR) {
            EXPECT_TRUE(info.Bitrate >= 32 && info.Bitrate <= 320) << info.Bitrate;
            info.Bitrate = 0;
            info.ChannelMode = QStringLiteral("?");
        }
        EXPECT_EQ(Describe(info), expected);
    }

    SCOPED_TRACE("the encoder header's delay and padding are removed: the source length");
    EXPECT_NEAR(Analyze(FfmpegMp3(QStringLiteral("three_seconds.mp3"),
                                  Words("-ac 2 -c:a libmp3lame -b:a 128k"), 3.0))
                    .Duration,
                3.0, 0.001);
    SCOPED_TRACE("without that header every frame counts, as many as ffprobe decodes");
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), Words("-v error -count_frames -show_entries "
                                                 "stream=nb_read_frames -of csv=p=0")
                                               << CbrMp3());
    probe.waitForFinished(30000);
    const int frames = probe.readAllStandardOutput().trimmed().toInt();
    ASSERT_GT(frames, 0);
    EXPECT_NEAR(Analyze(CbrMp3()).Duration, frames * 1152 / 44100.0, 0.001);
}

TEST_F(SongAnalysis, HeadersAndFirstFrame) {
    const QByteArray cbr = kCbrFrame;
    const QByteArray vbri =
        QByteArray("VBRI") + QByteArray(6, '\0') + BigEndian(1011) + BigEndian(2);
    const QByteArray xing = MpegFrame(0xF3, 0x80, 0xC0, 288).replace(13, 16, Xing(1000, 1000000));
    const QByteArray xingFramesOnly = QByteArray(cbr).replace(36, 16, Xing(3, 0, 1));
    const struct {
        const char* name;
        QByteArray bytes;
        const char* expected;
        int64_t firstFrame;
    } cases[] = {
        {"MPEG 2 mono, Xing 1000 frames and 1000000 bytes after 9 bytes of side info", xing + xing,
         "version 2 layer 3, 22050 Hz, Mono, VBR 306, ID3v1 -1, ID3v2 -1", 0},
        {"VBRI: 1011 bytes in 2 frames at 48 kHz is 168.5, rounded to even",
         MpegFrame(0xFB, 0x94, 0xC0, 384).replace(36, 18, vbri),
         "version 1 layer 3, 48000 Hz, Mono, VBR 168, ID3v1 -1, ID3v2 -1", 0},
        // The Xing byte count's last byte is the 'V' of VBRI.
        {"VBRI overrides Xing (MPEG 1 mono: Xing at 21, VBRI at 36)",
         MpegFrame(0xFB, 0x94, 0xC0, 384).replace(21, 16, Xing(5, 0x156)).replace(36, 18, vbri),
         "version 1 layer 3, 48000 Hz, Mono, VBR 168, ID3v1 -1, ID3v2 -1", 0},
        {"a Xing header with only a frame count: CBR bitrate of the frames",
         xingFramesOnly + xingFramesOnly + xingFramesOnly,
         "version 1 layer 3, 44100 Hz, Stereo, CBR 128, ID3v1 -1, ID3v2 -1", 0},
        {"Info and the reserved sample rate: SampleRate and Bitrate 0, still valid",
         MpegFrame(0xFB, 0x9C, 0x00, 417)
             .replace(36, 16, QByteArray("Info") + Xing(10, 5000).mid(4)),
         "version 1 layer 3, 0 Hz, Stereo, VBR 0, ID3v1 -1, ID3v2 -1", 0},
        {"a version 4 footer moves the search 10 bytes on; ID3v1.1 at the end",
         Id3v2Tag(4, 0x10, Filler(4096)) + "3DI\x04" + MpegFrame(0xEB, 0, 0, 6) + cbr + cbr +
             Id3v1Tag('\0', '\x07'),
         "version 1 layer 3, 44100 Hz, Stereo, CBR 128, ID3v1 1, ID3v2 4", 4096 + 10 + 10},
        {"a tag size with a top bit set is a plain number",
         QByteArray("ID3\x03\0\0", 6) + QByteArray::fromHex("00000280") + Filler(0x280) + cbr + cbr,
         "version 1 layer 3, 44100 Hz, Stereo, CBR 128, ID3v1 -1, ID3v2 3", 0x280 + 10},
        {"leading junk without sync; the bitrate reader gives up 10240 bytes into it",
         Filler(300000) + cbr + cbr + cbr,
         "version 1 layer 3, 44100 Hz, Stereo, CBR 0, ID3v1 -1, ID3v2 -1", 300000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SongInfo info = AnalyzeBytes(c.bytes);
        EXPECT_EQ(Describe(info), c.expected);
        EXPECT_EQ(info.FirstFrame, c.firstFrame);
        EXPECT_FALSE(info.Copyright || info.Original || info.Emphasis);
    }
    SCOPED_TRACE("CRC, copyright, original and emphasis bits; dual channel");
    const SongInfo bits = AnalyzeBytes(MpegFrame(0xFA, 0x90, 0x8D, 417) + cbr);
    EXPECT_EQ(Describe(bits),
              "version 1 layer 3, 44100 Hz, Dual channel, CBR 128, CRC, ID3v1 -1, ID3v2 -1");
    EXPECT_TRUE(bits.Copyright && bits.Original && bits.Emphasis);
    SCOPED_TRACE("the first sync decides: a reserved version or layer makes the file invalid");
    EXPECT_EQ(
        AnalyzeBytes(Filler(50) + MpegFrame(0xEB, 0x90, 0x00, 100) + cbr + cbr, false).FirstFrame,
        50);
    AnalyzeBytes(MpegFrame(0xF9, 0x90, 0x00, 417) + cbr, false);
}

TEST_F(SongAnalysis, BadInput) {
    const std::pair<const char*, QString> cases[] = {
        {"missing", TempPath(QStringLiteral("no_such.mp3"))},
        {"directory", QDir::tempPath()},
        {"zero length", WriteTempFile(QStringLiteral("empty.mp3"), {})},
        {"three bytes", WriteTempFile(QStringLiteral("three.mp3"), QByteArray("\xFF\xFB\x90", 3))},
        {"no sync", WriteTempFile(QStringLiteral("text.mp3"), QByteArray(5000, 'a'))},
        {"tag larger than the file",
         WriteTempFile(QStringLiteral("big_tag.mp3"), Id3v2Tag(3, 0, kCbrFrame).left(300))},
        {"absurd tag size", WriteTempFile(QStringLiteral("absurd_tag.mp3"),
                                          QByteArray::fromHex("494433030000ffffffff") + kCbrFrame)},
    };
    for (const auto& [name, path] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Analyze(path, false).Duration, 0.0);
    }
    const QString locked = WriteTempFile(QStringLiteral("locked.mp3"), kCbrFrame + kCbrFrame);
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    if (QFile probe(locked); !probe.open(QIODevice::ReadOnly)) {  // not as root
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

    const QByteArray lone = MpegFrame(0xF3, 0x80, 0xC0, 50);
    MP3Info info;
    ASSERT_TRUE(info.ReadMP3Info(WriteTempFile(
        QStringLiteral("info.mp3"), Id3v2Tag(3, 0, Filler(100)) + lone + kCbrFrame + kCbrFrame)));
    EXPECT_EQ(info.FirstFrame(), 110 + 50) << "a header is taken only with a successor";
    EXPECT_EQ(info.bitrate(), 128000);
    EXPECT_EQ(info.Samplerate(), 44100);
    EXPECT_EQ(info.MPEGVersion(), 1);
    EXPECT_EQ(info.Layer(), 3);
    EXPECT_FALSE(info.ReadMP3Info(
        WriteTempFile(QStringLiteral("info_far.mp3"), Filler(10241) + kCbrFrame + kCbrFrame)));
}

// Mutated frames and tags: a clear answer every time, never a crash, hang or over-read.
TEST_F(SongAnalysis, RandomInput) {
    std::mt19937 random(11);
    const QByteArray xingFrame =
        MpegFrame(0xF3, 0x80, 0xC0, 288).replace(13, 16, Xing(1000, 1000000));
    const QByteArray seeds[] = {
        Id3v2Tag(4, 0x10, Filler(64)) + QByteArray(10, '\0') + kCbrFrame + kCbrFrame +
            Id3v1Tag(0, 3),
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
        EXPECT_TRUE(info.Duration >= 0.0 && info.Duration < 10.0) << info.Duration;
    }
    EXPECT_GT(valid, 20);
}

}  // namespace
}  // namespace lumek
