// End-to-end make jobs: songs made by ffmpeg, the job driven through a Studio as the make button
// drives it, the videos checked with ffprobe and decoded with ffmpeg.

#include "app/studio.h"
#include "audio/audio_fixtures.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "pipeline/compressor_choice.h"
#include "pipeline/encoder.h"
#include "pipeline/frame_codec.h"
#include "pipeline/pipeline_fixtures.h"
#include "render/frame_composer.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include <unistd.h>

namespace lumek {
namespace {

using testing::RecordingHost;

const QString kStopped = QStringLiteral("작업이 중지되었습니다.");
const QString kAllDone = QStringLiteral("모든 작업이 완료되었습니다.");
// A port nothing listens on: a missing lyric file becomes the placeholder at once.
const QString kNoLyricsService = QStringLiteral("http://127.0.0.1:9/");

std::string Joined(const std::vector<QString>& texts) {
    QString all;
    for (const QString& text : texts) {
        all += QStringLiteral("\n  ") + text;
    }
    return all.toStdString();
}

// What ffprobe says about a video: its streams, its container duration and the video packets'
// times in tenths (1 is the first frame's 0.1 s).
struct Probe {
    bool ok = false;
    QJsonObject video;
    QJsonObject audio;
    QString formatName;
    double duration = 0;
    std::vector<int64_t> videoTenths;
};

Probe ProbeVideo(const QString& path) {
    Probe probe;
    const testing::ToolRun run = testing::RunTool(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-of"),
         QStringLiteral("json"), QStringLiteral("-show_streams"), QStringLiteral("-show_format"),
         QStringLiteral("-show_entries"), QStringLiteral("packet=stream_index,pts_time"), path});
    if (run.exitCode != 0) {
        return probe;
    }
    const QJsonObject root = QJsonDocument::fromJson(run.out).object();
    int videoIndex = -1;
    for (const QJsonValue& value : root.value(u"streams").toArray()) {
        const QJsonObject stream = value.toObject();
        if (stream.value(u"codec_type").toString() == u"video") {
            probe.video = stream;
            videoIndex = stream.value(u"index").toInt();
        } else if (stream.value(u"codec_type").toString() == u"audio") {
            probe.audio = stream;
        }
    }
    for (const QJsonValue& value : root.value(u"packets").toArray()) {
        const QJsonObject packet = value.toObject();
        if (packet.value(u"stream_index").toInt() == videoIndex) {
            probe.videoTenths.push_back(
                std::llround(packet.value(u"pts_time").toString().toDouble() * 10));
        }
    }
    std::sort(probe.videoTenths.begin(), probe.videoTenths.end());
    const QJsonObject format = root.value(u"format").toObject();
    probe.formatName = format.value(u"format_name").toString();
    probe.duration = format.value(u"duration").toString().toDouble();
    probe.ok = true;
    return probe;
}

double StreamDuration(const QJsonObject& stream) {
    return stream.value(u"duration").toString().toDouble();
}

// 1, 2, ... count: the frame times of a video that has every tenth from 0.1 s on.
std::vector<int64_t> Tenths(int64_t count) {
    std::vector<int64_t> tenths;
    for (int64_t k = 1; k <= count; ++k) {
        tenths.push_back(k);
    }
    return tenths;
}

// Every frame of a video as decoded, in order, as RGB pictures of the video's size.
std::vector<QImage> DecodeFrames(const QString& path, int width, int height) {
    const testing::ToolRun run = testing::RunTool(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
         QStringLiteral("-i"), path, QStringLiteral("-fps_mode"), QStringLiteral("passthrough"),
         QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"),
         QStringLiteral("rgb24"), QStringLiteral("pipe:1")});
    std::vector<QImage> frames;
    const qsizetype frameBytes = qsizetype{width} * height * 3;
    if (run.exitCode != 0 || frameBytes == 0) {
        return frames;
    }
    for (qsizetype at = 0; at + frameBytes <= run.out.size(); at += frameBytes) {
        QImage frame(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y) {
            std::copy_n(run.out.constData() + at + qsizetype{y} * width * 3, width * 3,
                        reinterpret_cast<char*>(frame.scanLine(y)));
        }
        frames.push_back(frame);
    }
    return frames;
}

// The mean absolute difference of two pictures of one size, per channel (red, green, blue),
// and the largest of the three.
double MeanDifference(const QImage& a, const QImage& b) {
    const QImage first = a.convertToFormat(QImage::Format_RGB888);
    const QImage second = b.convertToFormat(QImage::Format_RGB888);
    if (first.size() != second.size() || first.isNull()) {
        return 255;
    }
    double sums[3] = {0, 0, 0};
    for (int y = 0; y < first.height(); ++y) {
        const uchar* p = first.constScanLine(y);
        const uchar* q = second.constScanLine(y);
        for (int x = 0; x < first.width() * 3; ++x) {
            sums[x % 3] += std::abs(int{p[x]} - int{q[x]});
        }
    }
    const double pixels = double(first.width()) * first.height();
    return std::max({sums[0], sums[1], sums[2]}) / pixels;
}

// Frame statuses of a song build: "N 번째 프레임 저장중.. (P%) [s / c]", and of the joined
// build without the percentage.
struct FrameStatus {
    int frame = 0;
    int song = 0;
    int count = 0;
};

std::optional<FrameStatus> ParseFrameStatus(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d+) 번째 프레임 저장중\.\.(?: \([0-9.]+%\))? \[(\d+) / (\d+)\]$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return FrameStatus{match.captured(1).toInt(), match.captured(2).toInt(),
                       match.captured(3).toInt()};
}

// One job's world: a studio with the phone preset (a 320 x 240 canvas), songs in a folder of
// their own and an output folder. Each test gets a new one, so the studio's temporary folder is
// its own.
class MakeJob : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::HaveFfmpeg() ||
            QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty()) {
            GTEST_SKIP() << "ffmpeg and ffprobe are needed";
        }
        ASSERT_TRUE(folder_.isValid());
        ASSERT_TRUE(QDir(folder_.path()).mkpath(QStringLiteral("out")));
        ASSERT_EQ(studio.audio.create(), 0);
        studio.ApplyPreset(Preset::Phone);
        studio.settings.OutputExt = 0;
        studio.settings.LyricsURL = kNoLyricsService;
        // A short intro, so that a few seconds show the cover fade, the title bar and lyrics.
        studio.settings.CoverShowTime = QStringLiteral("3");
        studio.settings.CoverFadeTime = QStringLiteral("3");
    }

    QString path(const QString& name) const { return QDir(folder_.path()).filePath(name); }
    QString outFolder() const { return path(QStringLiteral("out")); }
    QString output(const QString& name) const { return QDir(outFolder()).filePath(name); }

    // A sine song of the given length (44.1 kHz stereo, 128 kbit/s) under the given name, with
    // a lyric file beside it when lyric lines are given.
    QString song(const QString& name, double seconds, const QStringList& lyrics = {}) {
        const QString made = testing::FfmpegMp3(
            QStringLiteral("sine_%1.mp3").arg(seconds),
            {QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
             QStringLiteral("libmp3lame"), QStringLiteral("-b:a"), QStringLiteral("128k")},
            seconds);
        const QString target = path(name);
        if (made.isEmpty() || !QFile::copy(made, target)) {
            ADD_FAILURE() << "can't make " << name.toStdString();
            return {};
        }
        if (!lyrics.isEmpty()) {
            // Artist, title and album come first; lyric lines start at index 3.
            const QStringList sheet =
                QStringList{QStringLiteral("[ar:Lumek]"), QStringLiteral("[ti:") + name + u']',
                            QStringLiteral("[al:Tests]")} +
                lyrics;
            EXPECT_TRUE(WriteTextFile(LyricPathFor(target), sheet.join(QStringLiteral("\r\n"))));
        }
        return target;
    }

    // Puts the songs into the encoding list and presses the make button; the folder and codec
    // questions are answered with the output folder and the given codec.
    JobOutcome make(const QStringList& songs, uint32_t codec = kCompressorMjpeg) {
        for (const QString& s : songs) {
            studio.list.append(s);
        }
        host.folderReplies.push_back(outFolder());
        host.compressorReplies.push_back(CompressorIndex(codec));
        return studio.PressMakeButton();
    }

    // Presses the make button from inside the running job, once, at the first pump after a
    // status that starts with the given text (after `more` further pumps).
    void pressWhenStatus(const QString& prefix, int more = 0) {
        host.onPump = [this, prefix, more, seen = -1, pressed = false]() mutable {
            if (pressed) {
                return;
            }
            if (seen < 0 && !host.statuses.empty() && host.statuses.back().startsWith(prefix)) {
                seen = 0;
            } else if (seen >= 0) {
                ++seen;
            }
            if (seen == more) {
                pressed = true;
                pressedAfter = host.statuses.size();
                studio.PressMakeButton();
            }
        };
    }
    // How many statuses had been written when the button was pressed.
    size_t pressedAfter = 0;

    std::vector<QString> statusesFromPress() const {
        return {host.statuses.begin() + static_cast<std::ptrdiff_t>(pressedAfter),
                host.statuses.end()};
    }

    // Files left in the studio's private temporary folder.
    QStringList tempFiles() {
        return QDir(studio.buildContext().tempFolder)
            .entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QStringList outputFiles() const {
        return QDir(outFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    // The window is back to idle and no entry is bold.
    void expectIdle() {
        EXPECT_TRUE(studio.job.ControlsEnabled);
        EXPECT_FALSE(studio.job.JobRunning);
        for (int i = 0; i < studio.list.count(); ++i) {
            EXPECT_FALSE(studio.list.isBold(i)) << "entry " << i;
        }
    }

    QTemporaryDir folder_;
    RecordingHost host;
    Studio studio{host};
};

TEST_F(MakeJob, OneSongGivesAnMpeg4VideoWithTheSongsSound) {
    // The video size differs from the 320 x 240 canvas: the encoder scales.
    studio.settings.ScreenWidth = QStringLiteral("256");
    studio.settings.ScreenHeight = QStringLiteral("192");
    const QString mp3 = song(QStringLiteral("song.mp3"), 2.37,
                             {QStringLiteral("[00:00.50]첫 줄 first line"),
                              QStringLiteral("[00:01.40]둘째 줄 second line")});
    ASSERT_FALSE(mp3.isEmpty());

    // The frames go straight to the encoder: no AVI file ever lands in the temporary folder.
    const QString tempAvi = QDir(studio.buildContext().tempFolder).filePath(kTempAvi);
    bool aviOnDisk = false;
    host.onPump = [&] { aviOnDisk = aviOnDisk || QFileInfo(tempAvi).size() > 0; };

    const JobOutcome outcome = make({mp3});
    EXPECT_FALSE(aviOnDisk);
    // Frames on their way through a pipe: the codec choice suggests no compression.
    EXPECT_EQ(host.compressorSuggestions, std::vector<int>{CompressorIndex(kCompressorDib)});
    const QString video = output(QStringLiteral("song.mp4"));
    ASSERT_EQ(outcome.videos, QStringList{video}) << Joined(host.statuses);
    EXPECT_EQ(outcome.failed, 0);
    ASSERT_DOUBLE_EQ(studio.song.Duration, 2.37);

    const Probe probe = ProbeVideo(video);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.video.value(u"codec_name").toString(), u"mpeg4");
    EXPECT_EQ(probe.video.value(u"width").toInt(), 256);
    EXPECT_EQ(probe.video.value(u"height").toInt(), 192);
    EXPECT_EQ(probe.audio.value(u"codec_name").toString(), u"aac");
    EXPECT_EQ(probe.audio.value(u"channels").toInt(), 2);
    EXPECT_EQ(probe.audio.value(u"sample_rate").toString(), u"44100");
    EXPECT_NEAR(probe.duration, 2.37, 0.2);
    EXPECT_NEAR(StreamDuration(probe.audio), 2.37, 0.2);
    // Int(2.37 x 10) frames, frame k at k tenths.
    EXPECT_EQ(probe.videoTenths, Tenths(23));

    // Progress at the exports, then the encoder and the closing texts.
    ASSERT_GE(host.statuses.size(), 3u);
    int lastFrame = 0;
    int frameStatuses = 0;
    for (const QString& text : host.statuses) {
        if (const std::optional<FrameStatus> s = ParseFrameStatus(text)) {
            ++frameStatuses;
            // A frame may export more than once (the intro, then the title bar).
            EXPECT_GE(s->frame, lastFrame) << text.toStdString();
            EXPECT_LE(s->frame, 23);
            EXPECT_EQ(s->song, 1);
            EXPECT_EQ(s->count, 1);
            lastFrame = s->frame;
        }
    }
    EXPECT_GT(frameStatuses, 5) << Joined(host.statuses);
    // Frame 1 always exports: the song header is drawn on it.
    EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(),
                        QStringLiteral("1 번째 프레임 저장중.. (4.3%) [1 / 1]")),
              host.statuses.end())
        << Joined(host.statuses);
    const std::vector<QString> ending(host.statuses.end() - 3, host.statuses.end());
    EXPECT_EQ(ending,
              (std::vector<QString>{QStringLiteral("동영상파일을 Mpeg4로 인코딩중.. [1 / 1]"),
                                    QStringLiteral("작업을 완료했습니다. [1 / 1]"), kAllDone}));

    expectIdle();
    EXPECT_EQ(QDir(studio.job.LastOutputFolder).canonicalPath(), QDir(outFolder()).canonicalPath());
    EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("song.mp4")});
}

// The frames `lumek frames` writes for a song: frame_00001.png ... in the given folder.
bool RunFramesCommand(const QString& mp3, const QString& settingsPath, const QString& folder) {
    const testing::ToolRun run =
        testing::RunTool(QStringLiteral(LUMEK_BINARY),
                         {QStringLiteral("frames"), mp3, QStringLiteral("-o"), folder,
                          QStringLiteral("--settings"), settingsPath, QStringLiteral("--quiet")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return run.exitCode == 0;
}

QImage FramePicture(const QString& folder, int frame) {
    return QImage(
        QDir(folder).filePath(QStringLiteral("frame_%1.png").arg(frame, 5, 10, QLatin1Char('0'))));
}

// What ffmpeg itself makes of the given frames when they reach it as the song build hands them
// over (a 24-bit BGR AVI at 10 frames per second) and it runs with the song build's options.
QString EncodeFramesLikeASongBuild(const QString& framesFolder, const QString& mp3,
                                   const QString& work, const Settings& settings,
                                   const SongInfo& song) {
    const QString avi = QDir(work).filePath(QStringLiteral("frames.avi"));
    const QString video = QDir(work).filePath(QStringLiteral("frames.mp4"));
    const testing::ToolRun pack = testing::RunTool(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
         QStringLiteral("-framerate"), QStringLiteral("10"), QStringLiteral("-start_number"),
         QStringLiteral("1"), QStringLiteral("-i"),
         QDir(framesFolder).filePath(QStringLiteral("frame_%05d.png")), QStringLiteral("-pix_fmt"),
         QStringLiteral("bgr24"), QStringLiteral("-vcodec"), QStringLiteral("rawvideo"), avi});
    EXPECT_EQ(pack.exitCode, 0) << pack.err.toStdString();
    const testing::ToolRun encode = testing::RunTool(
        QStringLiteral("ffmpeg"), EncoderArguments(avi, mp3, video, settings, song));
    EXPECT_EQ(encode.exitCode, 0) << encode.err.toStdString();
    return video;
}

TEST_F(MakeJob, VideoFramesMatchTheComposedFrames) {
    // The cover fades out at frames 4 and 5, the title bar comes down over the next 10 frames
    // and then stands still (its title fits); the second and third lyric lines are fully shown
    // at 2.0 s and 3.0 s (frames 20 and 30).
    studio.settings.CoverShowTime = QStringLiteral("2");
    studio.settings.CoverFadeTime = QStringLiteral("2");
    studio.settings.TitleBarTextLength = QStringLiteral("100");
    const QString mp3 = song(
        QStringLiteral("frames.mp3"), 4.0,
        {QStringLiteral("[00:00.50]바람이 분다"), QStringLiteral("[00:02.00]Here comes the wind"),
         QStringLiteral("[00:03.00]다시 또 바람")});
    ASSERT_FALSE(mp3.isEmpty());
    const QString settingsPath = path(QStringLiteral("settings.ini"));
    ASSERT_TRUE(studio.SaveSettings(settingsPath));
    const QString framesFolder = path(QStringLiteral("frames"));
    ASSERT_TRUE(RunFramesCommand(mp3, settingsPath, framesFolder));
    const int count = FrameCount(4.0);
    std::vector<QImage> composed;
    for (int k = 1; k <= count; ++k) {
        composed.push_back(FramePicture(framesFolder, k));
        ASSERT_FALSE(composed.back().isNull()) << "frame " << k;
    }
    // The rows of the main lyric line: a line's height around the reference point.
    const int fontSize = studio.settings.FontSize;
    const QRect lyricBand(0, studio.settings.PointY - fontSize, 320, 2 * fontSize);

    // The encoder's loss on these frames: its 24-bit BGR to YUV 4:2:0 conversion and MPEG-4 at
    // quantiser 1 leave a mean difference of 2.4-3.5 per channel when it encodes the composed
    // frames itself, 3.0-3.6 through a song build with raw frames and 1.9-2.9 with Motion JPEG
    // frames (whose decoder works in full-range YUV); 3.6-4.7 in the lyric rows, where the
    // text's edges are.
    constexpr double kTolerance = 4.5;
    constexpr double kLyricTolerance = 5.5;
    // The bounds must tell the frames apart: a frame of the cover's fade from the one before
    // it (about 37), and the lyric rows of frame 20 from those of frame 30 (about 13.5).
    ASSERT_GT(MeanDifference(composed[3], composed[2]), 2 * kTolerance);
    ASSERT_GT(MeanDifference(composed[19].copy(lyricBand), composed[29].copy(lyricBand)),
              2 * kLyricTolerance);

    for (const uint32_t codec : {kCompressorDib, kCompressorMjpeg}) {
        SCOPED_TRACE(codec == kCompressorDib ? "raw frames" : "Motion JPEG frames");
        QFile::remove(output(QStringLiteral("frames.mp4")));
        const JobOutcome outcome = make({mp3}, codec);
        ASSERT_EQ(outcome.videos.size(), 1) << Joined(host.statuses);
        const std::vector<QImage> decoded = DecodeFrames(outcome.videos[0], 320, 240);
        ASSERT_EQ(decoded.size(), static_cast<size_t>(count));
        for (int k = 1; k <= count; ++k) {
            EXPECT_LT(MeanDifference(decoded[k - 1], composed[k - 1]), kTolerance) << "frame " << k;
        }
        for (const int k : {20, 30}) {
            EXPECT_LT(
                MeanDifference(decoded[k - 1].copy(lyricBand), composed[k - 1].copy(lyricBand)),
                kLyricTolerance)
                << "lyric rows of frame " << k;
        }
        if (codec == kCompressorDib) {
            // Raw frames reach the encoder exactly as composed: the video is what ffmpeg makes
            // of the composed frames, pixel for pixel.
            const std::vector<QImage> expected =
                DecodeFrames(EncodeFramesLikeASongBuild(framesFolder, mp3, path(QString()),
                                                        studio.settings, studio.song),
                             320, 240);
            ASSERT_EQ(expected.size(), decoded.size());
            for (int k = 1; k <= count; ++k) {
                EXPECT_EQ(MeanDifference(decoded[k - 1], expected[k - 1]), 0) << "frame " << k;
            }
        }
    }
}

TEST_F(MakeJob, OtherExtensionsRenameTheEncodersOutput) {
    const QString mp3 = song(QStringLiteral("ext.mp3"), 1.0, {QStringLiteral("[00:00.20]하나")});
    ASSERT_FALSE(mp3.isEmpty());
    for (const auto& [index, name] : {std::pair{1, "ext.k3g"}, std::pair{2, "ext.skm"}}) {
        SCOPED_TRACE(name);
        studio.settings.OutputExt = index;
        const JobOutcome outcome = make({mp3});
        const QString video = output(QString::fromLatin1(name));
        ASSERT_EQ(outcome.videos, QStringList{video}) << Joined(host.statuses);
        // Still an MP4 file inside: only the name changed.
        const Probe probe = ProbeVideo(video);
        ASSERT_TRUE(probe.ok);
        EXPECT_TRUE(probe.formatName.contains(u"mp4")) << probe.formatName.toStdString();
        EXPECT_EQ(probe.video.value(u"codec_name").toString(), u"mpeg4");
        EXPECT_EQ(probe.audio.value(u"codec_name").toString(), u"aac");
        EXPECT_EQ(probe.videoTenths, Tenths(10));
        EXPECT_FALSE(QFile::exists(output(QStringLiteral("ext.mp4"))));
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    }
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("ext.k3g"), QStringLiteral("ext.skm")}));
}

TEST_F(MakeJob, OneFileModeCarriesTheFractionsOfTenths) {
    // 1.04 s, 2.03 s and 0.59 s: while song 1 is built the carry takes song 2's 0.3 tenth (10
    // frames), while song 2 is built song 3's 0.9 makes it 1.2, so song 2 gets 20 + 1 frames
    // and 0.2 is kept; song 3, the last, has its 5. The first song's own fraction never counts.
    const QString a = song(QStringLiteral("a.mp3"), 1.04, {QStringLiteral("[00:00.10]가")});
    const QString b = song(QStringLiteral("b.mp3"), 2.03, {QStringLiteral("[00:00.10]나")});
    const QString c = song(QStringLiteral("c.mp3"), 0.59, {QStringLiteral("[00:00.10]다")});
    ASSERT_FALSE(a.isEmpty() || b.isEmpty() || c.isEmpty());
    studio.settings.VideoMode = 1;
    const QString joined = output(QStringLiteral("joined.mp4"));
    host.saveFileReplies.push_back(QStringLiteral("  ") + joined + QStringLiteral(" "));
    for (const QString& s : {a, b, c}) {
        studio.list.append(s);
    }
    host.compressorReplies.push_back(CompressorIndex(kCompressorMjpeg));
    // At each export, the song whose frames are made is the one bold and selected entry.
    size_t statusesSeen = 0;
    int boldChecks = 0;
    host.onPump = [&] {
        if (host.statuses.size() == statusesSeen) {
            return;
        }
        statusesSeen = host.statuses.size();
        if (const std::optional<FrameStatus> s = ParseFrameStatus(host.statuses.back())) {
            ++boldChecks;
            for (int i = 0; i < studio.list.count(); ++i) {
                EXPECT_EQ(studio.list.isBold(i), i == s->song - 1)
                    << "entry " << i << " at " << host.statuses.back().toStdString();
            }
            EXPECT_EQ(studio.list.selection(), QList<int>{s->song - 1});
        }
    };
    const JobOutcome outcome = studio.PressMakeButton();
    EXPECT_GT(boldChecks, 3);
    ASSERT_EQ(outcome.videos, QStringList{joined}) << Joined(host.statuses);
    EXPECT_EQ(outcome.failed, 0);

    // Samples 1 to 36 without a gap: every tenth from 0.1 s to 3.6 s has its frame.
    const Probe probe = ProbeVideo(joined);
    ASSERT_TRUE(probe.ok);
    EXPECT_EQ(probe.videoTenths, Tenths(10 + 21 + 5));
    EXPECT_EQ(probe.audio.value(u"codec_name").toString(), u"aac");
    // The joined sound track: the three songs with the encoder delay and padding each MP3 keeps.
    EXPECT_NEAR(StreamDuration(probe.audio), 1.04 + 2.03 + 0.59, 0.2);

    // Each song's exports count on from the frames before it; the first frame of each song
    // exports (it draws the song header), so the offsets show at the first status of each.
    std::map<int, std::pair<int, int>> framesBySong;  // song -> first and last frame number
    for (const QString& text : host.statuses) {
        if (const std::optional<FrameStatus> s = ParseFrameStatus(text)) {
            EXPECT_FALSE(text.contains(u'%')) << text.toStdString();
            EXPECT_EQ(s->count, 3);
            auto [it, added] = framesBySong.try_emplace(s->song, s->frame, s->frame);
            it->second.second = s->frame;
        }
    }
    EXPECT_EQ(framesBySong[1].first, 1);
    EXPECT_LE(framesBySong[1].second, 10);
    EXPECT_EQ(framesBySong[2].first, 11);
    EXPECT_LE(framesBySong[2].second, 31);
    EXPECT_EQ(framesBySong[3].first, 32);
    EXPECT_LE(framesBySong[3].second, 36);

    ASSERT_GE(host.statuses.size(), 5u);
    EXPECT_EQ(host.statuses[0], QStringLiteral("MP3파일들을 하나로 합치는 중.."));
    EXPECT_NE(std::find(host.statuses.begin(), host.statuses.end(),
                        QStringLiteral("MP3파일 합치기 완료.")),
              host.statuses.end());
    const std::vector<QString> ending(host.statuses.end() - 3, host.statuses.end());
    EXPECT_EQ(ending, (std::vector<QString>{QStringLiteral("동영상파일을 Mpeg4로 인코딩중.."),
                                            QStringLiteral("작업을 완료했습니다."), kAllDone}));
    expectIdle();
    EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("joined.mp4")});
}

TEST_F(MakeJob, CancelStopsAfterTheFramePressedAt) {
    {
        SCOPED_TRACE("one video per song, cancelled at frame 12 of song 1 of 2");
        const QString one =
            song(QStringLiteral("one.mp3"), 3.0, {QStringLiteral("[00:01.00]하나")});
        const QString two = song(QStringLiteral("two.mp3"), 3.0, {QStringLiteral("[00:01.00]둘")});
        ASSERT_FALSE(one.isEmpty() || two.isEmpty());
        const QString frameStatus = QStringLiteral("12 번째 프레임 저장중.. (40%) [1 / 2]");
        pressWhenStatus(frameStatus);
        const JobOutcome outcome = make({one, two});
        ASSERT_GT(pressedAfter, 0u) << Joined(host.statuses);
        EXPECT_EQ(host.statuses[pressedAfter - 1], frameStatus);
        // The build stops after writing frame 12, encodes what it has, and the job ends before
        // song 2.
        EXPECT_EQ(statusesFromPress(),
                  (std::vector<QString>{kStopped,
                                        QStringLiteral("동영상파일을 Mpeg4로 인코딩중.. [1 / 2]"),
                                        kStopped, kStopped}));
        const QString video = output(QStringLiteral("one.mp4"));
        ASSERT_EQ(outcome.videos, QStringList{video});
        const Probe probe = ProbeVideo(video);
        EXPECT_EQ(probe.videoTenths, Tenths(12));
        // With the whole song's sound.
        EXPECT_NEAR(StreamDuration(probe.audio), 3.0, 0.2);
        EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("one.mp4")});
        EXPECT_TRUE(studio.job.CancelRequested);
        expectIdle();
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    }
    {
        SCOPED_TRACE("one video of three songs, cancelled at frame 15, in song 2");
        studio.list = {};
        host.statuses.clear();
        QFile::remove(output(QStringLiteral("one.mp4")));
        const QString a = song(QStringLiteral("a.mp3"), 1.04, {QStringLiteral("[00:00.10]가")});
        const QString b = song(QStringLiteral("b.mp3"), 2.03, {QStringLiteral("[00:00.10]나")});
        const QString c = song(QStringLiteral("c.mp3"), 0.59, {QStringLiteral("[00:00.10]다")});
        studio.settings.VideoMode = 1;
        const QString joined = output(QStringLiteral("joined.mp4"));
        host.saveFileReplies.push_back(joined);
        const QString frameStatus = QStringLiteral("15 번째 프레임 저장중.. [2 / 3]");
        pressWhenStatus(frameStatus);
        const JobOutcome outcome = make({a, b, c});
        ASSERT_GT(pressedAfter, 0u) << Joined(host.statuses);
        EXPECT_EQ(host.statuses[pressedAfter - 1], frameStatus);
        EXPECT_EQ(statusesFromPress(),
                  (std::vector<QString>{kStopped, QStringLiteral("동영상파일을 Mpeg4로 인코딩중.."),
                                        kStopped, kAllDone}));
        ASSERT_EQ(outcome.videos, QStringList{joined});
        // Song 1 and the first 5 frames of song 2, over the whole joined sound track.
        const Probe probe = ProbeVideo(joined);
        EXPECT_EQ(probe.videoTenths, Tenths(15));
        EXPECT_GT(StreamDuration(probe.audio), 3.6);
        EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("joined.mp4")});
        expectIdle();
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    }
    {
        SCOPED_TRACE("cancelled while the encoder runs");
        studio.list = {};
        host.statuses.clear();
        studio.settings.VideoMode = 0;
        const QString three =
            song(QStringLiteral("three.mp3"), 3.0, {QStringLiteral("[00:01.00]셋")});
        // The first pump after the status comes before the encoder starts; the next ones are
        // its polls.
        pressWhenStatus(QStringLiteral("동영상파일을 Mpeg4로 인코딩중.. [1 / 1]"), 1);
        make({three});
        ASSERT_GT(pressedAfter, 0u) << Joined(host.statuses);
        EXPECT_EQ(statusesFromPress(), (std::vector<QString>{kStopped, kAllDone}));
        expectIdle();
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    }
}

TEST_F(MakeJob, CtrlCStopsTheJobButNotTheEncoder) {
    const QString mp3 = song(QStringLiteral("long.mp3"), 30.0, {QStringLiteral("[00:01.00]길다")});
    ASSERT_FALSE(mp3.isEmpty());
    // A job of its own on a terminal: Ctrl-C goes to its whole process group.
    QProcess lumek;
    lumek.setChildProcessModifier([] { ::setsid(); });
    lumek.setReadChannel(QProcess::StandardError);
    lumek.start(
        QStringLiteral(LUMEK_BINARY),
        {QStringLiteral("make"), mp3, QStringLiteral("-o"), outFolder(), QStringLiteral("--preset"),
         QStringLiteral("phone"), QStringLiteral("--lyrics-url"), kNoLyricsService});
    QByteArray errors;
    while (!errors.contains("song 1/1:") && lumek.waitForReadyRead(30000)) {
        errors += lumek.readAllStandardError();
    }
    ASSERT_TRUE(errors.contains("song 1/1:")) << errors.toStdString();
    ::kill(-static_cast<pid_t>(lumek.processId()), SIGINT);
    ASSERT_TRUE(lumek.waitForFinished(60000));
    const QString messages = QString::fromUtf8(errors + lumek.readAllStandardError());
    // The encoder kept reading: the frames made so far are encoded with the whole sound.
    EXPECT_TRUE(messages.contains(kStopped)) << messages.toStdString();
    EXPECT_FALSE(messages.contains(QStringLiteral("작업을 실패했습니다")))
        << messages.toStdString();
    // The phone preset names its videos .k3g.
    const Probe probe = ProbeVideo(output(QStringLiteral("long.k3g")));
    ASSERT_TRUE(probe.ok) << outputFiles().join(u' ').toStdString();
    EXPECT_LT(probe.videoTenths.size(), 300u);
    EXPECT_NEAR(StreamDuration(probe.audio), 30.0, 0.2);
}

TEST_F(MakeJob, FailuresEndTheSongCleanly) {
    const QString mp3 = song(QStringLiteral("fail.mp3"), 1.0, {QStringLiteral("[00:00.20]하나")});
    ASSERT_FALSE(mp3.isEmpty());
    studio.list.append(mp3);
    {
        SCOPED_TRACE("no encoder");
        BuildContext build = studio.buildContext();
        build.encoder.clear();
        ListContext adding = studio.listContext();
        host.folderReplies.push_back(outFolder());
        host.compressorReplies.push_back(CompressorIndex(kCompressorMjpeg));
        const JobOutcome outcome = PressMakeButton(build, adding);
        EXPECT_TRUE(outcome.videos.isEmpty());
        EXPECT_EQ(outcome.failed, 1);
        const std::vector<QString> ending(host.statuses.end() - 3, host.statuses.end());
        EXPECT_EQ(ending,
                  (std::vector<QString>{
                      QStringLiteral("동영상파일을 Mpeg4로 인코딩중.. [1 / 1]"),
                      QStringLiteral("ffmpeg 프로그램을 찾을 수 없습니다. ffmpeg를 설치해 주세요."),
                      kAllDone}));
        EXPECT_TRUE(outputFiles().isEmpty());
        expectIdle();
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    }
    {
        SCOPED_TRACE("output folder under a regular file");
        host.statuses.clear();
        const QString plain = path(QStringLiteral("plain.txt"));
        ASSERT_TRUE(WriteTextFile(plain, QStringLiteral("not a folder")));
        host.folderReplies.push_back(plain + QStringLiteral("/sub"));
        host.compressorReplies.push_back(CompressorIndex(kCompressorMjpeg));
        const JobOutcome outcome = studio.PressMakeButton();
        // The frames are made and encoded; only the move into the folder fails, the encoder's
        // output is deleted and the closing status names the video that could not be stored.
        EXPECT_TRUE(outcome.videos.isEmpty());
        EXPECT_EQ(outcome.failed, 1);
        const std::vector<QString> ending(host.statuses.end() - 3, host.statuses.end());
        EXPECT_EQ(ending,
                  (std::vector<QString>{QStringLiteral("동영상파일을 Mpeg4로 인코딩중.. [1 / 1]"),
                                        QStringLiteral("동영상 파일을 저장하지 못했습니다: ") +
                                            plain + QStringLiteral("/sub/fail.mp4 [1 / 1]"),
                                        kAllDone}));
        EXPECT_TRUE(QFileInfo(plain).isFile());
        expectIdle();
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    }
    {
        SCOPED_TRACE("a song too short for a frame");
        host.statuses.clear();
        studio.list = {};
        const QString blip =
            song(QStringLiteral("blip.mp3"), 0.05, {QStringLiteral("[00:00.00]짧다")});
        const JobOutcome outcome = make({blip});
        ASSERT_EQ(FrameCount(studio.song.Duration), 0);
        // No frame is written and the encoder still runs: whatever it makes of the empty
        // stream holds no picture.
        const std::vector<QString> expected = {
            QStringLiteral("동영상파일을 Mpeg4로 인코딩중.. [1 / 1]"),
            QStringLiteral("작업을 완료했습니다. [1 / 1]"), kAllDone};
        EXPECT_EQ(host.statuses, expected) << Joined(host.statuses);
        for (const QString& video : outcome.videos) {
            EXPECT_TRUE(ProbeVideo(video).videoTenths.empty());
            QFile::remove(video);
        }
        EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
    }
    {
        SCOPED_TRACE("lumek make without ffmpeg on PATH");
        QProcess lumek;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), path(QStringLiteral("no-programs-here")));
        lumek.setProcessEnvironment(environment);
        lumek.start(QStringLiteral(LUMEK_BINARY),
                    {QStringLiteral("make"), mp3, QStringLiteral("-o"), outFolder(),
                     QStringLiteral("--preset"), QStringLiteral("phone"),
                     QStringLiteral("--lyrics-url"), kNoLyricsService});
        ASSERT_TRUE(lumek.waitForFinished(60000));
        EXPECT_EQ(lumek.exitCode(), 1);
        EXPECT_TRUE(lumek.readAllStandardOutput().isEmpty());
        const QString errors = QString::fromUtf8(lumek.readAllStandardError());
        EXPECT_TRUE(errors.contains(QStringLiteral("ffmpeg is not on PATH")))
            << errors.toStdString();
        EXPECT_TRUE(outputFiles().isEmpty());
    }
}

TEST_F(MakeJob, AnEncoderThatCannotReadAPipeGetsTheFile) {
    // This encoder refuses a pipe for its video input ($3, after -nostdin -i).
    const QString encoder = path(QStringLiteral("encoder.sh"));
    ASSERT_TRUE(
        testing::WriteFile(encoder, "#!/bin/sh\n[ -p \"$3\" ] && exit 1\nexec ffmpeg \"$@\"\n"));
    ASSERT_TRUE(
        QFile::setPermissions(encoder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString mp3 = song(QStringLiteral("file.mp3"), 1.5, {QStringLiteral("[00:00.30]하나")});
    ASSERT_FALSE(mp3.isEmpty());
    studio.list.append(mp3);
    BuildContext build = studio.buildContext();
    build.encoder = encoder;
    ListContext adding = studio.listContext();
    const QString tempAvi = QDir(build.tempFolder).filePath(kTempAvi);
    bool aviOnDisk = false;
    host.onPump = [&] { aviOnDisk = aviOnDisk || QFileInfo(tempAvi).size() > 0; };
    host.folderReplies.push_back(outFolder());
    host.compressorReplies.push_back(CompressorIndex(kCompressorMjpeg));

    const JobOutcome outcome = PressMakeButton(build, adding);
    // The frames went to the AVI file, which the encoder read once they were all there.
    EXPECT_TRUE(aviOnDisk);
    EXPECT_EQ(host.compressorSuggestions, std::vector<int>{CompressorIndex(kCompressorMjpeg)});
    const QString video = output(QStringLiteral("file.mp4"));
    ASSERT_EQ(outcome.videos, QStringList{video}) << Joined(host.statuses);
    EXPECT_EQ(ProbeVideo(video).videoTenths, Tenths(15));
    EXPECT_EQ(host.statuses.end()[-2], QStringLiteral("작업을 완료했습니다. [1 / 1]"));
    EXPECT_TRUE(tempFiles().isEmpty()) << tempFiles().join(u' ').toStdString();
}

TEST_F(MakeJob, SongNameWithQuotesSpacesAndHangul) {
    const QString name = QStringLiteral("노래 \"따옴표\" it's 제목 (1)");
    // No lyric file: the unreachable lyrics service leaves the placeholder.
    const QString mp3 = song(name + QStringLiteral(".mp3"), 1.0);
    ASSERT_FALSE(mp3.isEmpty());
    {
        SCOPED_TRACE("through the studio");
        const JobOutcome outcome = make({mp3});
        const QString video = output(name + QStringLiteral(".mp4"));
        ASSERT_EQ(outcome.videos, QStringList{video}) << Joined(host.statuses);
        EXPECT_TRUE(QFileInfo(LyricPathFor(mp3)).isFile());
        const Probe probe = ProbeVideo(video);
        EXPECT_EQ(probe.videoTenths, Tenths(10));
        EXPECT_EQ(probe.audio.value(u"codec_name").toString(), u"aac");
    }
    {
        SCOPED_TRACE("lumek make, the phone preset's .k3g");
        const QString folder = path(QStringLiteral("cli out"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const testing::ToolRun run = testing::RunTool(
            QStringLiteral(LUMEK_BINARY),
            {QStringLiteral("make"), mp3, QStringLiteral("-o"), folder, QStringLiteral("--preset"),
             QStringLiteral("phone"), QStringLiteral("--codec"), QStringLiteral("raw"),
             QStringLiteral("--lyrics-url"), kNoLyricsService, QStringLiteral("--quiet")});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString video = QDir(folder).filePath(name + QStringLiteral(".k3g"));
        EXPECT_EQ(QString::fromUtf8(run.out), video + u'\n');
        const Probe probe = ProbeVideo(video);
        EXPECT_EQ(probe.videoTenths, Tenths(10));
    }
}

}  // namespace
}  // namespace lumek
