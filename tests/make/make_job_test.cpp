// End-to-end make jobs: songs made by ffmpeg, the job driven through a Studio as the make button
// drives it, the videos checked with ffprobe and decoded with ffmpeg.

#include "app/studio.h"
#include "audio/audio_fixtures.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "lyrics/lyric_sheet.h"
#include "pipeline/compressor_choice.h"
#include "pipeline/encoder.h"
#include "pipeline/frame_codec.h"
#include "pipeline/pipeline_fixtures.h"
#include "render/frame_composer.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QElapsedTimer>
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
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <numeric>
#include <optional>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace lumek {
namespace {

using Texts = std::vector<QString>;

const QString kStopped = QStringLiteral("작업이 중지되었습니다.");
const QString kAllDone = QStringLiteral("모든 작업이 완료되었습니다.");
const QString kEncoding = QStringLiteral("동영상파일을 Mpeg4로 인코딩중.. [1 / 1]");
const QString kSongDone = QStringLiteral("작업을 완료했습니다. [1 / 1]");
const QString kSongFailed = QStringLiteral("작업을 실패했습니다. [1 / 1]");
// A port nothing listens on: a missing lyric file becomes the placeholder at once.
const QString kNoLyricsService = QStringLiteral("http://127.0.0.1:9/");

std::string Joined(const Texts& texts) {
    return QStringList(texts.begin(), texts.end()).join("\n  ").toStdString();
}

// What ffprobe says about a video, and the video packets' times in tenths (1 is the first
// frame's 0.1 s).
struct Probe {
    QString format;  // names, "mov,mp4,..."
    QString video;   // "mpeg4 256x192"
    QString audio;   // "aac 2 44100": channels and sample rate
    double seconds = 0;
    double audioSeconds = 0;
    std::vector<int64_t> videoTenths;
};

Probe ProbeVideo(const QString& path) {
    const testing::ToolRun run =
        testing::RunTool("ffprobe", {"-v", "error", "-of", "json", "-show_streams", "-show_format",
                                     "-show_entries", "packet=stream_index,pts_time", path});
    const QJsonObject root = QJsonDocument::fromJson(run.out).object();
    Probe probe;
    int videoIndex = -1;
    for (const QJsonValue& s : root[u"streams"].toArray()) {
        if (s[u"codec_type"].toString() == u"video") {
            videoIndex = s[u"index"].toInt();
            probe.video =
                QStringLiteral("%1 %2x%3")
                    .arg(s[u"codec_name"].toString(), QString::number(s[u"width"].toInt()),
                         QString::number(s[u"height"].toInt()));
        } else if (s[u"codec_type"].toString() == u"audio") {
            probe.audio =
                QStringLiteral("%1 %2 %3")
                    .arg(s[u"codec_name"].toString(), QString::number(s[u"channels"].toInt()),
                         s[u"sample_rate"].toString());
            probe.audioSeconds = s[u"duration"].toString().toDouble();
        }
    }
    for (const QJsonValue& packet : root[u"packets"].toArray()) {
        if (packet[u"stream_index"].toInt() == videoIndex) {
            probe.videoTenths.push_back(
                std::llround(packet[u"pts_time"].toString().toDouble() * 10));
        }
    }
    std::sort(probe.videoTenths.begin(), probe.videoTenths.end());
    probe.format = root[u"format"][u"format_name"].toString();
    probe.seconds = root[u"format"][u"duration"].toString().toDouble();
    return probe;
}

// 1, 2, ... count: the frame times of a video that has every tenth from 0.1 s on.
std::vector<int64_t> Tenths(int64_t count) {
    std::vector<int64_t> tenths(static_cast<size_t>(count));
    std::iota(tenths.begin(), tenths.end(), 1);
    return tenths;
}

// Every frame of a video as decoded, in order, as RGB pictures of the video's size.
std::vector<QImage> DecodeFrames(const QString& path, int width, int height) {
    const testing::ToolRun run = testing::RunTool(
        "ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-fps_mode", "passthrough", "-f",
                   "rawvideo", "-pix_fmt", "rgb24", "pipe:1"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    std::vector<QImage> frames;
    const qsizetype frameBytes = qsizetype{width} * height * 3;
    for (qsizetype at = 0; at + frameBytes <= run.out.size(); at += frameBytes) {
        frames.push_back(QImage(reinterpret_cast<const uchar*>(run.out.constData() + at), width,
                                height, width * 3, QImage::Format_RGB888)
                             .copy());
    }
    return frames;
}

// The mean absolute difference of two pictures of one size, the largest of the three
// channels'.
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
    return std::max({sums[0], sums[1], sums[2]}) / (double(first.width()) * first.height());
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
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return FrameStatus{m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()};
}

// A small tmpfs mounted on a new folder for as long as it lives (mounting needs root).
struct Tmpfs {
    QString folder;
    bool mounted;
    Tmpfs(const QString& at, unsigned long flags, const char* options)
        : folder(at),
          mounted(QDir().mkpath(at) && ::mount("tmpfs", QFile::encodeName(at).constData(), "tmpfs",
                                               flags, options) == 0) {}
    ~Tmpfs() {
        if (mounted) {
            ::umount(QFile::encodeName(folder).constData());
        }
    }
};

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
        ASSERT_TRUE(QDir(folder_.path()).mkpath("out"));
        ASSERT_TRUE(studio.PrepareDecoder());
        studio.ApplyPreset(Preset::Phone);
        studio.edit(u"Output Ext", QStringLiteral("0"));
        studio.edit(u"LyricsURL", kNoLyricsService);
        // A short intro, so that a few seconds show the cover fade, the title bar and lyrics.
        studio.edit(u"CoverShowTime", QStringLiteral("3"));
        studio.edit(u"CoverFadeTime", QStringLiteral("3"));
    }

    QString path(const QString& name) const { return QDir(folder_.path()).filePath(name); }
    QString outFolder() const { return path("out"); }
    QString output(const QString& name) const { return QDir(outFolder()).filePath(name); }

    QString song(const QString& name, double seconds, const QStringList& lyrics = {}) {
        return testing::SongIn(folder_.path(), name, seconds, lyrics);
    }
    // Songs of 1.04 s, 2.03 s and 0.59 s, to be put into one video saved as out/joined.mp4.
    QStringList threeSongsInOneVideo() {
        studio.edit(u"VideoMode", QStringLiteral("1"));
        host.saveFileReplies.push_back("  " + output("joined.mp4") + " ");
        return {song("a.mp3", 1.04, {"[00:00.10]가"}), song("b.mp3", 2.03, {"[00:00.10]나"}),
                song("c.mp3", 0.59, {"[00:00.10]다"})};
    }

    // Puts the songs into the encoding list and presses the make button; the folder and codec
    // questions are answered with the given folder (else the output folder) and codec.
    JobOutcome make(const QStringList& songs, uint32_t codec = kCompressorMjpeg,
                    const QString& folder = {}) {
        for (const QString& s : songs) {
            studio.list().append(s);
        }
        host.folderReplies.push_back(folder.isEmpty() ? outFolder() : folder);
        host.compressorReplies.push_back(CompressorIndex(codec));
        BuildContext build = studio.buildContext();
        build.encoder = encoder.value_or(build.encoder);
        build.encoderStallMs = stallMs.value_or(build.encoderStallMs);
        ListContext adding = studio.listContext();
        return StartOrCancelJob(build, adding);
    }
    std::optional<QString> encoder;  // in place of the ffmpeg found on PATH
    std::optional<int> stallMs;      // in place of kEncoderStallMs

    // Presses the make button from inside the running job, once, at the first pump after a
    // status that starts with the given text (after `more` further pumps).
    void pressWhenStatus(const QString& prefix, int more = 0) {
        pressedAt = -1;
        host.onPump = [this, prefix, more, seen = -1]() mutable {
            if (seen < 0 && !host.statuses.empty() && host.statuses.back().startsWith(prefix)) {
                seen = 0;
            } else if (seen >= 0) {
                ++seen;
            }
            if (seen == more && pressedAt < 0) {
                pressedAt = std::ssize(host.statuses) - 1;
                studio.PressMakeButton();
            }
        };
    }
    std::ptrdiff_t pressedAt = -1;  // the index of the last status before the press
    Texts statusesFromPress() const {
        return pressedAt < 0 ? Texts{}
                             : Texts(host.statuses.begin() + pressedAt, host.statuses.end());
    }
    Texts lastStatuses(size_t count) const {
        return {host.statuses.end() - static_cast<std::ptrdiff_t>(count), host.statuses.end()};
    }
    // A new job: an empty list and no statuses yet.
    void nextJob() {
        studio.list() = {};
        host.statuses.clear();
        host.compressorSuggestions.clear();
    }

    QStringList outputFiles() const {
        return QDir(outFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    // The list entry the job reported as being built, -1 when none is.
    int entryBeingBuilt() const {
        int entry = -1;
        for (const testing::RecordingHost::Event& e : host.events) {
            entry = e.event == JobEvent::SongStarted ? e.songIndex : -1;
        }
        return entry;
    }
    // The window is back to idle, no entry is being built and the temporary folder is empty.
    void expectCleanEnd() {
        EXPECT_FALSE(studio.job().Working);
        EXPECT_FALSE(studio.job().JobRunning);
        ASSERT_FALSE(host.events.empty());
        EXPECT_EQ(host.events.back().event, JobEvent::Finished);
        EXPECT_EQ(entryBeingBuilt(), -1);
        const QStringList temp = QDir(studio.buildContext().tempFolder)
                                     .entryList(QDir::Files | QDir::Hidden | QDir::System);
        EXPECT_TRUE(temp.isEmpty()) << temp.join(u' ').toStdString();
    }

    // Runs lumek with more environment variables (and in a folder of its own).
    struct CliRun {
        int exitCode = -1;
        QString out;
        QString err;
    };
    // Unless the environment names one, $TMPDIR is a new folder that must be empty afterwards.
    CliRun runLumek(const QStringList& arguments, const std::map<QString, QString>& environment,
                    const QString& workFolder = {}) const {
        QProcess lumek;
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.remove("XDG_RUNTIME_DIR");
        const QString tmp = freshTmp();
        variables.insert("TMPDIR", tmp);
        for (const auto& [name, value] : environment) {
            variables.insert(name, value);
        }
        lumek.setProcessEnvironment(variables);
        lumek.setWorkingDirectory(workFolder.isEmpty() ? folder_.path() : workFolder);
        lumek.start(LUMEK_BINARY, arguments);
        CliRun run;
        if (lumek.waitForFinished(120000) && lumek.exitStatus() == QProcess::NormalExit) {
            run.exitCode = lumek.exitCode();
        }
        run.out = QString::fromUtf8(lumek.readAllStandardOutput());
        run.err = QString::fromUtf8(lumek.readAllStandardError());
        if (!environment.contains("TMPDIR")) {
            expectEmpty(tmp);
        }
        return run;
    }
    QString freshTmp() const {
        static int serial = 0;
        const QString tmp = path(QStringLiteral("tmp-%1").arg(++serial));
        EXPECT_TRUE(QDir().mkpath(tmp));
        return tmp;
    }
    static void expectEmpty(const QString& folder) {
        const QStringList left =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        EXPECT_TRUE(left.isEmpty()) << folder.toStdString() << ": " << left.join(' ').toStdString();
    }

    // The arguments of `lumek make` for one song with the phone preset.
    QStringList makeCommand(const QString& mp3, const QString& folder) const {
        return {"make", mp3, "-o", folder, "--preset", "phone", "--lyrics-url", kNoLyricsService};
    }

    QTemporaryDir folder_;
    testing::RecordingHost host;
    Studio studio{host};
};

TEST_F(MakeJob, OneSongGivesAnMpeg4VideoWithTheSongsSound) {
    // The video size differs from the 320 x 240 canvas: the encoder scales.
    studio.edit(u"ScreenWidth", QStringLiteral("256"));
    studio.edit(u"ScreenHeight", QStringLiteral("192"));
    // Quotes, spaces and Hangul in the name reach the encoder whole.
    const QString name = QStringLiteral("노래 \"따옴표\" it's 제목 (1)");
    const QString mp3 =
        song(name + ".mp3", 2.37, {"[00:00.50]첫 줄 first line", "[00:01.40]둘째 줄 second line"});
    // This encoder refuses a pipe for its video input ($3, after -nostdin -i).
    const QString refusing = path("encoder.sh");
    ASSERT_TRUE(
        testing::WriteFile(refusing, "#!/bin/sh\n[ -p \"$3\" ] && exit 1\nexec ffmpeg \"$@\"\n"));
    ASSERT_TRUE(QFile::setPermissions(refusing, QFile::ReadOwner | QFile::ExeOwner));
    bool aviOnDisk = false;
    host.onPump = [&, avi = QDir(studio.buildContext().tempFolder).filePath(kTempAvi)] {
        aviOnDisk = aviOnDisk || QFileInfo(avi).size() > 0;
    };
    for (const bool pipe : {true, false}) {
        // Frames on their way through a pipe go uncompressed; frames for the AVI file that the
        // encoder reads once they are all there are suggested Motion JPEG.
        SCOPED_TRACE(pipe ? "through a pipe" : "through the AVI file");
        nextJob();
        aviOnDisk = false;
        encoder = pipe ? std::nullopt : std::optional(refusing);
        // The second pass replaces the first pass's video.
        const JobOutcome outcome = make({mp3});
        EXPECT_EQ(aviOnDisk, !pipe);
        EXPECT_EQ(host.compressorSuggestions,
                  std::vector<int>{CompressorIndex(pipe ? kCompressorDib : kCompressorMjpeg)});
        ASSERT_EQ(outcome.videos, QStringList{output(name + ".mp4")}) << Joined(host.statuses);
        EXPECT_EQ(outcome.failed, 0);
        ASSERT_DOUBLE_EQ(studio.song().Duration, 2.37);

        const Probe probe = ProbeVideo(outcome.videos[0]);
        EXPECT_EQ(probe.video, "mpeg4 256x192");
        EXPECT_EQ(probe.audio, "aac 2 44100");
        EXPECT_NEAR(probe.seconds, 2.37, 0.2);
        EXPECT_NEAR(probe.audioSeconds, 2.37, 0.2);
        // Int(2.37 x 10) frames, frame k at k tenths.
        EXPECT_EQ(probe.videoTenths, Tenths(23));

        // Progress at the exports; a frame may export more than once (the intro, then the title
        // bar). Frame 1 always exports: the song header is drawn on it.
        int lastFrame = 0;
        int frameStatuses = 0;
        for (const QString& text : host.statuses) {
            if (const std::optional<FrameStatus> s = ParseFrameStatus(text)) {
                ++frameStatuses;
                EXPECT_TRUE(s->frame >= lastFrame && s->frame <= 23) << text.toStdString();
                EXPECT_TRUE(s->song == 1 && s->count == 1) << text.toStdString();
                lastFrame = s->frame;
            }
        }
        EXPECT_GT(frameStatuses, 5) << Joined(host.statuses);
        EXPECT_EQ(host.statuses[0], "1 번째 프레임 저장중.. (4.3%) [1 / 1]")
            << Joined(host.statuses);
        EXPECT_EQ(lastStatuses(3), (Texts{kEncoding, kSongDone, kAllDone}));
        expectCleanEnd();
        EXPECT_EQ(QDir(studio.job().LastOutputFolder).canonicalPath(),
                  QDir(outFolder()).canonicalPath());
        EXPECT_EQ(outputFiles(), QStringList{name + ".mp4"});
    }
}

TEST_F(MakeJob, VideoFramesMatchTheComposedFrames) {
    // The cover fades out at frames 4 and 5, the title bar comes down over the next 10 frames
    // and then stands still (its title fits); the second and third lyric lines are fully shown
    // at 2.0 s and 3.0 s (frames 20 and 30).
    studio.edit(u"CoverShowTime", QStringLiteral("2"));
    studio.edit(u"CoverFadeTime", QStringLiteral("2"));
    studio.edit(u"TitleBarTextLength", QStringLiteral("100"));
    const QString mp3 =
        song("frames.mp3", 4.0,
             {"[00:00.50]바람이 분다", "[00:02.00]Here comes the wind", "[00:03.00]다시 또 바람"});
    const QString settingsPath = path("settings.ini");
    ASSERT_TRUE(studio.SaveSettings(settingsPath));
    const QString framesFolder = path("frames");
    const testing::ToolRun frames = testing::RunTool(
        LUMEK_BINARY, {"frames", mp3, "-o", framesFolder, "--settings", settingsPath, "--quiet"});
    ASSERT_EQ(frames.exitCode, 0) << frames.err.toStdString();
    const int count = FrameCount(4.0);
    std::vector<QImage> composed;
    for (int k = 1; k <= count; ++k) {
        composed.emplace_back(
            QDir(framesFolder).filePath(QStringLiteral("frame_%1.png").arg(k, 5, 10, QChar('0'))));
        ASSERT_FALSE(composed.back().isNull()) << "frame " << k;
    }
    // The rows of the main lyric line: a line's height around the reference point.
    const int fontSize = studio.settings().FontSize;
    const QRect lyricBand(0, studio.settings().PointY - fontSize, 320, 2 * fontSize);

    // Raw frames reach the encoder exactly as composed: the video is what ffmpeg makes of the
    // composed frames in a 24-bit BGR AVI at 10 frames per second, pixel for pixel.
    const QString avi = path("frames.avi");
    const QString video = path("frames.mp4");
    const testing::ToolRun pack =
        testing::RunTool("ffmpeg", {"-nostdin", "-v", "error", "-framerate", "10", "-start_number",
                                    "1", "-i", QDir(framesFolder).filePath("frame_%05d.png"),
                                    "-pix_fmt", "bgr24", "-vcodec", "rawvideo", avi});
    ASSERT_EQ(pack.exitCode, 0) << pack.err.toStdString();
    ASSERT_EQ(testing::RunTool("ffmpeg",
                               EncoderArguments(avi, mp3, video, studio.settings(),
                                                DeriveSettings(studio.settings()), studio.song()))
                  .exitCode,
              0);
    const std::vector<QImage> expected = DecodeFrames(video, 320, 240);
    ASSERT_EQ(expected.size(), static_cast<size_t>(count));
    const JobOutcome raw = make({mp3}, kCompressorDib);
    ASSERT_EQ(raw.videos.size(), 1) << Joined(host.statuses);
    const std::vector<QImage> rawVideo = DecodeFrames(raw.videos[0], 320, 240);
    ASSERT_EQ(rawVideo.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_TRUE(rawVideo[k] == expected[k]) << "frame " << k + 1;
    }

    // Motion JPEG frames and the encoder's loss (YUV 4:2:0, MPEG-4 at quantiser 1) leave a mean
    // difference of 1.9-2.9 per channel, 3.6-4.7 in the lyric rows, where the text's edges are.
    // The bounds must still tell the frames apart: a frame of the cover's fade from the one
    // before it (about 37), and the lyric rows of frame 20 from those of frame 30 (about 13.5).
    constexpr double kTolerance = 4.5;
    constexpr double kLyricTolerance = 5.5;
    ASSERT_GT(MeanDifference(composed[3], composed[2]), 2 * kTolerance);
    ASSERT_GT(MeanDifference(composed[19].copy(lyricBand), composed[29].copy(lyricBand)),
              2 * kLyricTolerance);
    const JobOutcome mjpeg = make({mp3}, kCompressorMjpeg);
    ASSERT_EQ(mjpeg.videos.size(), 1) << Joined(host.statuses);
    const std::vector<QImage> decoded = DecodeFrames(mjpeg.videos[0], 320, 240);
    ASSERT_EQ(decoded.size(), static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        EXPECT_LT(MeanDifference(decoded[k], composed[k]), kTolerance) << "frame " << k + 1;
    }
    for (const int k : {19, 29}) {
        EXPECT_LT(MeanDifference(decoded[k].copy(lyricBand), composed[k].copy(lyricBand)),
                  kLyricTolerance)
            << "lyric rows of frame " << k + 1;
    }
}

TEST_F(MakeJob, OneFileModeCarriesTheFractionsOfTenths) {
    // While song 1 is built the carry takes song 2's 0.3 tenth (10 frames), while song 2 is
    // built song 3's 0.9 makes it 1.2, so song 2 gets 20 + 1 frames and 0.2 is kept; song 3,
    // the last, has its 5. The first song's own fraction never counts.
    const QStringList songs = threeSongsInOneVideo();
    // At each export, the song whose frames are made is the entry being built and selected.
    size_t statusesSeen = 0;
    int entryChecks = 0;
    host.onPump = [&] {
        if (host.statuses.size() == statusesSeen) {
            return;
        }
        statusesSeen = host.statuses.size();
        if (const std::optional<FrameStatus> s = ParseFrameStatus(host.statuses.back())) {
            ++entryChecks;
            EXPECT_EQ(entryBeingBuilt(), s->song - 1) << host.statuses.back().toStdString();
            EXPECT_EQ(studio.list().selection(), QList<int>{s->song - 1});
        }
    };
    const JobOutcome outcome = make(songs);
    EXPECT_GT(entryChecks, 3);
    ASSERT_EQ(outcome.videos, QStringList{output("joined.mp4")}) << Joined(host.statuses);
    EXPECT_EQ(outcome.failed, 0);

    // Samples 1 to 36 without a gap: every tenth from 0.1 s to 3.6 s has its frame, over the
    // three songs' sound with the encoder delay and padding each MP3 keeps.
    const Probe probe = ProbeVideo(outcome.videos[0]);
    EXPECT_EQ(probe.videoTenths, Tenths(10 + 21 + 5));
    EXPECT_EQ(probe.audio, "aac 2 44100");
    EXPECT_NEAR(probe.audioSeconds, 1.04 + 2.03 + 0.59, 0.2);

    // Each song's exports count on from the frames before it; the first frame of each song
    // exports (it draws the song header), so the offsets show at the first status of each.
    std::map<int, int> first;  // song -> frame number
    std::map<int, int> last;
    for (const QString& text : host.statuses) {
        if (const std::optional<FrameStatus> s = ParseFrameStatus(text)) {
            EXPECT_FALSE(text.contains(u'%')) << text.toStdString();
            EXPECT_EQ(s->count, 3);
            first.try_emplace(s->song, s->frame);
            last[s->song] = s->frame;
        }
    }
    EXPECT_EQ(first, (std::map<int, int>{{1, 1}, {2, 11}, {3, 32}}));
    EXPECT_TRUE(last[1] <= 10 && last[2] <= 31 && last[3] <= 36);

    EXPECT_EQ(host.statuses[0], "MP3파일들을 하나로 합치는 중..");
    EXPECT_EQ(std::ranges::count(host.statuses, QStringLiteral("MP3파일 합치기 완료.")), 1);
    EXPECT_EQ(lastStatuses(3),
              (Texts{"동영상파일을 Mpeg4로 인코딩중..", "작업을 완료했습니다.", kAllDone}));
    expectCleanEnd();
    EXPECT_EQ(outputFiles(), QStringList{"joined.mp4"});
}

TEST_F(MakeJob, CancelStopsAfterTheFramePressedAt) {
    {
        SCOPED_TRACE("one .skm video per song, cancelled at frame 12 of song 1 of 2");
        studio.edit(u"Output Ext", QStringLiteral("2"));
        const QString frameStatus = QStringLiteral("12 번째 프레임 저장중.. (40%) [1 / 2]");
        pressWhenStatus(frameStatus);
        const JobOutcome outcome = make(
            {song("one.mp3", 3.0, {"[00:01.00]하나"}), song("two.mp3", 3.0, {"[00:01.00]둘"})});
        // The build stops after writing frame 12, encodes what it has with the whole song's
        // sound, and the job ends before song 2.
        EXPECT_EQ(statusesFromPress(),
                  (Texts{frameStatus, kStopped, "동영상파일을 Mpeg4로 인코딩중.. [1 / 2]", kStopped,
                         kStopped}));
        ASSERT_EQ(outcome.videos, QStringList{output("one.skm")});
        // Still MPEG-4 video in an MP4 file inside: only the name changed.
        const Probe probe = ProbeVideo(outcome.videos[0]);
        EXPECT_TRUE(probe.format.contains(u"mp4")) << probe.format.toStdString();
        EXPECT_EQ(probe.video + ", " + probe.audio, "mpeg4 320x240, aac 2 44100");
        EXPECT_EQ(probe.videoTenths, Tenths(12));
        EXPECT_NEAR(probe.audioSeconds, 3.0, 0.2);
        EXPECT_EQ(outputFiles(), QStringList{"one.skm"});
        EXPECT_TRUE(studio.job().CancelRequested);
        expectCleanEnd();
        QFile::remove(outcome.videos[0]);
        studio.edit(u"Output Ext", QStringLiteral("0"));
    }
    {
        SCOPED_TRACE("one video of three songs, cancelled at frame 15, in song 2");
        nextJob();
        const QString frameStatus = QStringLiteral("15 번째 프레임 저장중.. [2 / 3]");
        pressWhenStatus(frameStatus);
        const JobOutcome outcome = make(threeSongsInOneVideo());
        EXPECT_EQ(
            statusesFromPress(),
            (Texts{frameStatus, kStopped, "동영상파일을 Mpeg4로 인코딩중..", kStopped, kAllDone}));
        ASSERT_EQ(outcome.videos, QStringList{output("joined.mp4")});
        // Song 1 and the first 5 frames of song 2, over the whole joined sound track.
        const Probe probe = ProbeVideo(outcome.videos[0]);
        EXPECT_EQ(probe.videoTenths, Tenths(15));
        EXPECT_GT(probe.audioSeconds, 3.6);
        EXPECT_EQ(outputFiles(), QStringList{"joined.mp4"});
        expectCleanEnd();
    }
    {
        SCOPED_TRACE("cancelled while the encoder runs");
        nextJob();
        studio.edit(u"VideoMode", QStringLiteral("0"));
        // The first pump after the status comes before the encoder starts; the next ones are
        // its polls.
        pressWhenStatus(kEncoding, 1);
        make({song("three.mp3", 3.0, {"[00:01.00]셋"})});
        EXPECT_EQ(statusesFromPress(), (Texts{kEncoding, kStopped, kAllDone}));
        expectCleanEnd();
    }
}

TEST_F(MakeJob, CtrlCStopsTheJobButNotTheEncoder) {
    const QString mp3 = song("long.mp3", 30.0, {"[00:01.00]길다"});
    // A job of its own on a terminal: Ctrl-C goes to its whole process group.
    QProcess lumek;
    lumek.setChildProcessModifier([] { ::setsid(); });
    lumek.setReadChannel(QProcess::StandardError);
    lumek.start(LUMEK_BINARY, makeCommand(mp3, outFolder()));
    QByteArray errors;
    while (!errors.contains("song 1/1:") && lumek.waitForReadyRead(30000)) {
        errors += lumek.readAllStandardError();
    }
    ASSERT_TRUE(errors.contains("song 1/1:")) << errors.toStdString();
    ::kill(-static_cast<pid_t>(lumek.processId()), SIGINT);
    ASSERT_TRUE(lumek.waitForFinished(60000));
    const QString messages = QString::fromUtf8(errors + lumek.readAllStandardError());
    EXPECT_TRUE(messages.contains(kStopped)) << messages.toStdString();
    EXPECT_FALSE(messages.contains("작업을 실패했습니다")) << messages.toStdString();
    // The encoder kept reading: the frames made so far are encoded with the whole sound, into
    // the phone preset's .k3g.
    const Probe probe = ProbeVideo(output("long.k3g"));
    ASSERT_FALSE(probe.format.isEmpty()) << outputFiles().join(u' ').toStdString();
    EXPECT_LT(probe.videoTenths.size(), 300u);
    EXPECT_NEAR(probe.audioSeconds, 30.0, 0.2);
}

TEST_F(MakeJob, FailuresEndTheSongCleanly) {
    const QString plain = path("plain.txt");
    ASSERT_TRUE(WriteTextFile(plain, "not a folder"));
    const Tmpfs full(path("full"), 0, "size=32k");
    const QString encoderFailed = kSongFailed + "\r\n" + FindEncoder() + ": ";
    // A missing encoder says so when its turn comes; an output folder that can't take the video
    // ends the song before its frames are made; a song too short for a frame writes none and the
    // encoder refuses the empty stream; a full disk keeps no part of the video. The failure (the
    // status before the last) is matched whole, or by its start and `detail`.
    struct Case {
        const char* song;
        double seconds;
        int frames;
        QString folder;
        std::optional<QString> encoder;
        Texts last;
        QString detail = {};
    };
    const QString noEncoder = "ffmpeg 프로그램을 찾을 수 없습니다. ffmpeg를 설치해 주세요.";
    const QString notSaved = kSongFailed + "\r\n동영상 파일을 저장하지 못했습니다: " + plain +
                             "/sub/fail.mp4 (Not a directory)";
    std::vector<Case> cases = {
        {"fail.mp3", 1.0, 10, {}, QString(), {kEncoding, noEncoder, kAllDone}},
        {"fail.mp3", 1.0, 10, plain + "/sub", std::nullopt, {notSaved, kAllDone}},
        {"blip.mp3", 0.05, 0, {}, std::nullopt, {kEncoding, encoderFailed, kAllDone}, ": "},
    };
    if (full.mounted) {
        cases.push_back({"full.mp3",
                         2.0,
                         20,
                         full.folder,
                         std::nullopt,
                         {encoderFailed, kAllDone},
                         "No space left on device"});
    } else {
        std::cerr << "full disk row skipped: can't mount a small tmpfs here\n";
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.song + (" to " + c.folder.toStdString()));
        nextJob();
        encoder = c.encoder;
        const JobOutcome outcome =
            make({song(c.song, c.seconds, {"[00:00.00]하나"})}, kCompressorMjpeg, c.folder);
        EXPECT_EQ(FrameCount(studio.song().Duration), c.frames);
        EXPECT_TRUE(outcome.videos.isEmpty());
        EXPECT_EQ(outcome.failed, 1);
        ASSERT_GE(host.statuses.size(), c.last.size()) << Joined(host.statuses);
        Texts last = lastStatuses(c.last.size());
        if (!c.detail.isEmpty()) {
            QString& failure = last[last.size() - 2];
            EXPECT_TRUE(failure.startsWith(c.last[last.size() - 2]) && failure.contains(c.detail))
                << failure.toStdString();
            failure = c.last[last.size() - 2];
        }
        EXPECT_EQ(last, c.last);
        if (c.frames == 0) {
            EXPECT_EQ(host.statuses.size(), 3u) << Joined(host.statuses);
        }
        EXPECT_TRUE(outputFiles().isEmpty());
        EXPECT_TRUE(QFileInfo(plain).isFile());
        EXPECT_TRUE(QDir(full.folder)
                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty());
        expectCleanEnd();
    }
}

// `lumek make` runs that fail: exit status 1, nothing on standard output, no video, the user's
// files of the temporary files' names left where they are, and nothing new in /.
TEST_F(MakeJob, FailedCommandRunsLeaveNothingBehind) {
    const QString mp3 = song("broken.mp3", 1.0, {"[00:00.20]하나"});
    const QString work = path("work");
    ASSERT_TRUE(QDir().mkpath(work));
    for (const QString& name : {kTempAvi, QStringLiteral("Lumek_Temp.mp4")}) {
        ASSERT_TRUE(testing::WriteFile(QDir(work).filePath(name), "mine"));
    }
    ASSERT_TRUE(testing::WriteFile(path("plain"), "a file"));
    const Tmpfs readOnly(path("read-only"), MS_RDONLY, "size=16k");
    const auto rootEntries = [] {
        return QDir("/").entryList({"lumek-*", "runtime-*"}, QDir::AllEntries | QDir::Hidden);
    };
    const QStringList rootBefore = rootEntries();
    // A stand-in "ffmpeg" first on PATH (the first two have the real one make a whole video),
    // no ffmpeg at all, or a temporary folder that can't be made.
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    const QString programs = path("programs");
    ASSERT_TRUE(QDir().mkpath(programs));
    const QString standIn = QDir(programs).filePath("ffmpeg");
    const QString standInFirst = programs + ':' + qEnvironmentVariable("PATH");
    struct Case {
        const char* name;
        QString variable;
        QString value;
        QString script;  // the stand-in's
        QString err;     // what the stand-in's failure, or the temporary folder's, says
    };
    std::vector<Case> cases = {
        {"exits 1 after writing", "PATH", standInFirst,
         '"' + ffmpeg + "\" \"$@\"; echo 'stand-in gave up' >&2; exit 1",
         "종료 코드 1로 끝났습니다: stand-in gave up"},
        {"killed", "PATH", standInFirst, '"' + ffmpeg + "\" \"$@\"; kill -KILL $$",
         "신호 9을 받고 끝났습니다"},
        {"prints garbage", "PATH", standInFirst,
         "for last; do :; done; head -c 60000 /dev/urandom > \"$last\"; printf 'x\\001\\377y' >&2",
         QStringLiteral("완전한 동영상을 만들지 못했습니다: x?\uFFFDy")},
        {"no ffmpeg", "PATH", path("nothing"), {}, "ffmpeg is not on PATH"},
        {"missing temporary folder", "TMPDIR", path("missing"), {}, "No such file or directory"},
        {"file as temporary folder", "TMPDIR", path("plain"), {}, "Not a directory"},
    };
    if (readOnly.mounted) {
        cases.push_back({"read-only", "TMPDIR", readOnly.folder, {}, "Read-only file system"});
    } else {
        std::cerr << "read-only row skipped: can't mount a tmpfs here\n";
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.script.isEmpty()) {
            ASSERT_TRUE(testing::WriteFile(standIn, "#!/bin/sh\n" + c.script.toUtf8() + "\n"));
            ASSERT_TRUE(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
        }
        const CliRun run = runLumek(makeCommand(mp3, outFolder()), {{c.variable, c.value}}, work);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        if (c.variable == u"TMPDIR") {
            EXPECT_EQ(run.err,
                      "lumek: 임시 폴더를 만들 수 없습니다: " + c.value + " (" + c.err + ")\n");
        } else {
            const QString says =
                c.script.isEmpty() ? c.err : kSongFailed + "\n" + standIn + ": " + c.err;
            EXPECT_TRUE(run.err.contains(says)) << run.err.toStdString();
        }
        EXPECT_TRUE(outputFiles().isEmpty()) << outputFiles().join(u' ').toStdString();
        EXPECT_EQ(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  (QStringList{kTempAvi, "Lumek_Temp.mp4"}));
        EXPECT_EQ(rootEntries(), rootBefore);
    }
}

TEST_F(MakeJob, SpecialFilesAsLyricFilesAreLeftAlone) {
    // A device behind a link, a named pipe and a folder stand where lyric files belong; a
    // lyric file over the size limit is named and its song drawn without lyrics. The last song
    // has an odd name and no lyric file: the unreachable lyrics service leaves the placeholder.
    const QString device = path("device");
    if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "can't make a device node here (needs root): " << std::strerror(errno);
    }
    struct Case {
        const char* name;
        std::function<bool(const QString&)> make;
        mode_t type;  // of what the lyric path leads to, afterwards
    };
    const Case cases[] = {
        {"device.mp3", [&](const QString& lrc) { return QFile::link(device, lrc); }, S_IFCHR},
        {"pipe.mp3",
         [](const QString& lrc) { return ::mkfifo(QFile::encodeName(lrc).constData(), 0600) == 0; },
         S_IFIFO},
        {"folder.mp3", [](const QString& lrc) { return QDir().mkdir(lrc); }, S_IFDIR},
    };
    QStringList songs;
    for (const Case& c : cases) {
        songs << song(c.name, 0.5);
        ASSERT_TRUE(c.make(LyricPathFor(songs.back()))) << c.name;
    }
    const QString big = song("big.mp3", 0.5);
    QFile bigLyrics(LyricPathFor(big));
    ASSERT_TRUE(bigLyrics.open(QIODevice::WriteOnly) && bigLyrics.resize(kMaxTextFileBytes + 1));
    bigLyrics.close();
    const QString name = QStringLiteral("노래 \"따옴표\" it's 제목 (1)");
    songs << big << song(name + ".mp3", 0.5);

    const QStringList command = makeCommand(songs[0], outFolder()) + QStringList{"--codec", "raw"};
    const CliRun run = runLumek(command.mid(0, 2) + songs.mid(1) + command.mid(2), {});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(outputFiles(), (QStringList{"big.k3g", name + ".k3g"})) << run.err.toStdString();
    EXPECT_EQ(run.out, output("big.k3g") + "\n" + output(name + ".k3g") + "\n");
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const QString lrc = LyricPathFor(songs[static_cast<qsizetype>(i)]);
        EXPECT_TRUE(
            run.err.contains(QStringLiteral("작업을 실패했습니다. [%1 / 5]\n가사 파일을 "
                                            "준비하지 못했습니다: %2 (일반 파일이 아닙니다)")
                                 .arg(i + 1)
                                 .arg(lrc)))
            << run.err.toStdString();
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(lrc).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, cases[i].type);
    }
    EXPECT_TRUE(QFileInfo(LyricPathFor(songs[0])).isSymLink());
    EXPECT_EQ(
        run.err.count("가사 파일을 읽을 수 없습니다: " + LyricPathFor(big) + " (File too large)"),
        1)
        << run.err.toStdString();
    EXPECT_EQ(QFileInfo(LyricPathFor(big)).size(), kMaxTextFileBytes + 1);
    EXPECT_TRUE(QFileInfo(LyricPathFor(songs.back())).isFile());
    // The phone preset's .k3g is still MPEG-4 video in an MP4 file: only the name changed.
    const Probe probe = ProbeVideo(output(name + ".k3g"));
    EXPECT_TRUE(probe.format.contains(u"mp4")) << probe.format.toStdString();
    EXPECT_EQ(probe.video + ", " + probe.audio, "mpeg4 320x240, aac 2 44100");
    EXPECT_EQ(probe.videoTenths, Tenths(5));
}

// The processes whose command line mentions the text: encoders working on a folder's files.
std::vector<pid_t> ProcessesMentioning(const QString& text) {
    std::vector<pid_t> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile commandLine("/proc/" + entry + "/cmdline");
        if (entry.toInt() > 0 && commandLine.open(QIODevice::ReadOnly) &&
            commandLine.readAll().contains(text.toUtf8())) {
            found.push_back(entry.toInt());
        }
    }
    return found;
}

// Whether a process is gone within 2 s (a zombie counts: it runs no more).
bool Gone(pid_t pid) {
    for (int tries = 0; tries < 200; ++tries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            return true;
        }
        const QByteArray line = stat.readAll();
        const qsizetype state = line.lastIndexOf(')') + 2;
        if (state < 2 || state >= line.size() || line[state] == 'Z' || line[state] == 'X') {
            return true;
        }
        ::usleep(10000);
    }
    return false;
}

TEST_F(MakeJob, StopSignalsEncodeWhatIsMadeAndLeaveNothingBehind) {
    const QString mp3 = song("signal.mp3", 30.0, {"[00:01.00]신호"});
    // The job pads the lyric file once (LrcCheck); after that it must not change.
    LrcCheck(mp3);
    const QByteArray songBytes = testing::ReadFile(mp3);
    const QByteArray lyricBytes = testing::ReadFile(LyricPathFor(mp3));
    // At 20% of the song's frames the first signal comes; a second follows at once or not.
    const struct {
        int first;
        int second;
        int exitCode;
        bool video;  // the frames made so far are encoded
    } cases[] = {
        {SIGTERM, 0, 143, true},
        {SIGINT, 0, 130, true},
        {SIGHUP, 0, 129, true},
        {SIGINT, SIGTERM, 143, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "signal " << c.first << " then " << c.second);
        const QString out = path(QStringLiteral("out-%1-%2").arg(c.first).arg(c.second));
        ASSERT_TRUE(QDir().mkpath(out));
        const QString tmp = freshTmp();
        QProcess lumek;
        QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
        variables.insert("TMPDIR", tmp);
        variables.remove("XDG_RUNTIME_DIR");
        lumek.setProcessEnvironment(variables);
        lumek.setReadChannel(QProcess::StandardError);
        lumek.start(LUMEK_BINARY, makeCommand(mp3, out));
        QByteArray errors;
        while (!errors.contains("song 1/1: 20%") && lumek.waitForReadyRead(30000)) {
            errors += lumek.readAllStandardError();
        }
        ASSERT_TRUE(errors.contains("song 1/1: 20%")) << errors.toStdString();
        // The encoder writes beside the video under a hidden name.
        const QString partial = QDir(out).filePath(".signal.k3g.lumek-");
        ASSERT_FALSE(ProcessesMentioning(partial).empty());
        const auto pid = static_cast<pid_t>(lumek.processId());
        ::kill(pid, c.first);
        if (c.second != 0) {
            ::kill(pid, c.second);
        }
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(lumek.waitForFinished(60000));
        EXPECT_LT(timer.elapsed(), 12000);
        EXPECT_EQ(lumek.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(lumek.exitCode(), c.exitCode);
        const QString messages = QString::fromUtf8(errors + lumek.readAllStandardError());
        expectEmpty(tmp);
        EXPECT_EQ(testing::ReadFile(mp3), songBytes);
        EXPECT_EQ(testing::ReadFile(LyricPathFor(mp3)), lyricBytes);
        const QStringList videos =
            QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        EXPECT_EQ(videos, c.video ? QStringList{"signal.k3g"} : QStringList{})
            << messages.toStdString();
        if (c.video) {
            EXPECT_TRUE(messages.contains(kStopped)) << messages.toStdString();
            const Probe probe = ProbeVideo(QDir(out).filePath("signal.k3g"));
            EXPECT_GE(probe.videoTenths.size(), 60u);
            EXPECT_LT(probe.videoTenths.size(), 300u);
        }
        // No encoder is left working on the folder.
        for (const pid_t encoderPid : ProcessesMentioning(partial)) {
            EXPECT_TRUE(Gone(encoderPid)) << encoderPid;
        }
    }
}

TEST_F(MakeJob, StalledEncodersEndTheSong) {
    const QStringList songs = {song("one.mp3", 1.0, {"[00:00.20]하나"}),
                               song("two.mp3", 1.0, {"[00:00.20]둘"})};
    const QString pids = path("pids");
    // Stand-ins that never read their video ($3): one never opens it, one opens it. Each
    // starts a helper in its process group and notes both process ids.
    const QString note = "echo $$ >> '" + pids + "'; sleep 1000 & echo $! >> '" + pids + "'; wait";
    const struct {
        const char* name;
        QString script;
        std::optional<int> stallMs;
        bool cancel;
    } cases[] = {
        {"never opens the video", note, 1000, false},
        {"opens the video and reads nothing", "exec 3< \"$3\"; " + note, 1000, false},
        {"reads nothing, cancelled", "exec 3< \"$3\"; " + note, std::nullopt, true},
    };
    const QString standIn = path("ffmpeg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nextJob();
        QFile::remove(pids);
        ASSERT_TRUE(testing::WriteFile(standIn, "#!/bin/sh\n" + c.script.toUtf8() + "\n"));
        ASSERT_TRUE(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::ExeOwner));
        encoder = standIn;
        stallMs = c.stallMs;
        QElapsedTimer sincePress;
        if (c.cancel) {
            pressWhenStatus(QStringLiteral("1 번째 프레임 저장중.. (10%) [1 / 2]"));
            host.onPump = [this, press = host.onPump, &sincePress] {
                press();
                if (pressedAt >= 0 && !sincePress.isValid()) {
                    sincePress.start();
                }
            };
        }
        QElapsedTimer timer;
        timer.start();
        const JobOutcome outcome = make(songs);
        EXPECT_TRUE(outcome.videos.isEmpty());
        EXPECT_TRUE(outputFiles().isEmpty()) << outputFiles().join(' ').toStdString();
        const QString stalled = standIn + QStringLiteral(
                                              ": %1초 동안 동영상을 읽지도 출력 파일에 "
                                              "쓰지도 않아 중지했습니다")
                                              .arg(c.cancel ? 2 : 1);
        if (c.cancel) {
            ASSERT_TRUE(sincePress.isValid());
            EXPECT_LT(sincePress.elapsed(), 3500);
            EXPECT_EQ(statusesFromPress().back(), "작업이 중지되었습니다.");
            EXPECT_TRUE(std::ranges::count(host.statuses,
                                           "작업을 실패했습니다. [1 / 2]\r\n" + stalled) == 1)
                << Joined(host.statuses);
        } else {
            // Each song fails on its own; the job goes on.
            EXPECT_EQ(outcome.failed, 2);
            EXPECT_LT(timer.elapsed(), 15000);
            for (const int n : {1, 2}) {
                const QString text =
                    QStringLiteral("작업을 실패했습니다. [%1 / 2]\r\n").arg(n) + stalled;
                EXPECT_EQ(std::ranges::count(host.statuses, text), 1) << Joined(host.statuses);
            }
            EXPECT_EQ(host.statuses.back(), kAllDone);
        }
        expectCleanEnd();
        const QStringList noted =
            QString::fromLatin1(testing::ReadFile(pids)).split('\n', Qt::SkipEmptyParts);
        EXPECT_GE(noted.size(), 2);
        for (const QString& pid : noted) {
            EXPECT_TRUE(Gone(pid.toInt())) << "process " << pid.toStdString() << " still runs";
        }
    }
}

}  // namespace
}  // namespace lumek
