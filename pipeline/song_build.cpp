#include "pipeline/song_build.h"

#include "audio/song_info.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/temp_folder.h"
#include "base/text_file.h"
#include "base/ui_host.h"
#include "lyrics/lyric_sheet.h"
#include "pipeline/avi_writer.h"
#include "pipeline/encoder.h"
#include "pipeline/encoding_list.h"
#include "pipeline/job_state.h"
#include "pipeline/video_pipe.h"
#include "render/bitmap.h"
#include "render/frame_composer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>
#include <span>

#include <fcntl.h>
#include <unistd.h>

namespace lumek {

namespace {

const QString kFailed = QStringLiteral("작업을 실패했습니다.");
const QString kCompleted = QStringLiteral("작업을 완료했습니다.");
const QString kStopped = QStringLiteral("작업이 중지되었습니다.");
const QString kEncoding = QStringLiteral("동영상파일을 Mpeg4로 인코딩중..");

QString SongTag(int songNumber, int songCount) {
    return QStringLiteral(" [%1 / %2]").arg(songNumber).arg(songCount);
}

// The closing status of a song that failed: the failure, then a line on why.
QString FailureText(const QString& tag, const QString& why) {
    return kFailed + tag + (why.isEmpty() ? QString() : QStringLiteral("\r\n") + why);
}

QString SaveProblem(const QString& path, const QString& reason) {
    return QStringLiteral("동영상 파일을 저장하지 못했습니다: %1 (%2)").arg(path, reason);
}

// The AVI side of a build: the file, the frame image it is fed from, and the result code that
// decides the closing status.
struct VideoFrames {
    EncoderProcess encoder;  // while it reads the frames through a pipe; outlives the writer
    FileTarget target;       // where the video goes
    QString partial;         // what the encoder writes, beside the target under a hidden name
    std::optional<PendingFile> pendingPartial;
    AviWriter writer;
    BitmapData frame;
    AviStatus last = AviStatus::Ok;
    bool streaming = false;  // frames can be written

    void takeCanvas(const Picture& canvas) { frame.CreateFromPicture(canvas); }
    std::span<const uint8_t> bits() const {
        return {frame.PointerToBits(), static_cast<size_t>(frame.SizeImage())};
    }
    std::span<const uint8_t> info() const {
        return {frame.PointerToBitmapInfo(), static_cast<size_t>(frame.SizeBitmapInfo())};
    }
    void close() {
        const AviStatus closed = writer.close();
        if (last == AviStatus::Ok) {
            last = closed;
        }
    }
};

// The song's lyric file, downloaded when it is missing. False, with the failure shown, when
// there is still none or the path holds something else than a regular file (which is left
// as it is).
bool SecureLyrics(BuildContext& c, const QString& songPath, const QString& tag) {
    const QString lyricPath = LyricPathFor(songPath);
    QString problem = NotRegularReason(lyricPath);
    if (problem.isEmpty() && !FileExists(lyricPath)) {
        const LyricDownload download = DownloadLyrics(songPath, LengthInTenths(c.song.Duration),
                                                      c.song.FirstFrame, c.host, c.lyrics);
        problem = download.written || download.problem.isEmpty() ? QString() : download.problem;
    }
    if (problem.isEmpty() && FileExists(lyricPath)) {
        return true;
    }
    c.host.status(
        FailureText(tag, QStringLiteral("가사 파일을 준비하지 못했습니다: %1 (%2)")
                             .arg(lyricPath, problem.isEmpty() ? kNotRegularFile : problem)));
    return false;
}

// The song's lyric sheet, padded by LrcCheck. A lyric file that can't be read is named once
// with the reason, and the song is drawn without lyrics.
LyricSheet LoadSongLyrics(BuildContext& c, const QString& songPath) {
    LrcCheck(songPath);
    const QString lyricPath = LyricPathFor(songPath);
    QString reason;
    const std::optional<QString> text = TryReadTextFile(lyricPath, &reason);
    if (!text) {
        c.host.status(
            QStringLiteral("가사 파일을 읽을 수 없습니다: %1 (%2)").arg(lyricPath, reason));
        return {};
    }
    return LyricSheet::FromText(*text);
}

// Where the video of a build goes: the file (a link leads to its file) and the hidden name
// beside it that the encoder writes first. The reason when no video can be stored there.
QString PrepareOutput(VideoFrames& v, const QString& output) {
    v.target = ResolveFileTarget(output);
    if (!v.target.problem.isEmpty()) {
        return v.target.problem;
    }
    v.partial = PartialPath(v.target, QStringLiteral(".mp4"));
    // A file made and removed again: the encoder never writes over an existing one.
    const int fd = ::open(QFile::encodeName(v.partial).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return SystemReason(errno);
    }
    ::close(fd);
    ::unlink(QFile::encodeName(v.partial).constData());
    v.pendingPartial.emplace(v.partial);
    return {};
}

QStringList EncoderCommand(const BuildContext& c, const QString& audioPath, const SongInfo& audio,
                           const QString& outputPath) {
    return EncoderArguments(c.tempFile(kTempAvi), audioPath, outputPath, c.settings, c.derived,
                            audio);
}

// Opens the AVI file, makes the start image the frame image, asks for the codec once per job and
// creates the stream in the frame's format. A dismissed codec choice writes no frames but is no
// failure. Where a pipe can take the AVI's place, the encoder starts now and encodes the frames
// as they come, with the audio options of the song given; else it runs once they are written.
void OpenVideo(BuildContext& c, VideoFrames& v, const LyricSheet& sheet, const QString& audioPath,
               const SongInfo& audio) {
    const QString avi = c.tempFile(kTempAvi);
    v.encoder.watch(v.partial, c.encoderStallMs);
    std::unique_ptr<VideoPipe> pipe;
    if (FileExists(c.encoder)) {
        pipe = VideoPipe::Start(avi, c.encoder, EncoderCommand(c, audioPath, audio, v.partial),
                                v.encoder, c.host, c.job.CancelRequested);
    }
    v.last = pipe ? v.writer.open(std::move(pipe)) : v.writer.open(avi);
    if (v.last != AviStatus::Ok) {
        return;
    }
    DrawStartImage(c.renderContext(), sheet);
    v.takeCanvas(c.pictures.Picture1);
    // Frames on their way through a pipe gain nothing from compression; a file is kept small.
    const std::optional<uint32_t> handler = ChooseCompressor(
        c.job.compressor, c.host, v.writer.writesToPipe() ? kCompressorDib : kCompressorMjpeg);
    if (!handler) {
        return;
    }
    v.last = v.writer.createStream(v.info(), {*handler});
    v.streaming = v.last == AviStatus::Ok;
}

// While a build runs the renderers draw a video's frames, not the preview's (a still title bar,
// for one, waits for the frame counter rather than the preview position).
class RenderingVideo {
public:
    explicit RenderingVideo(RenderState& state) : state_(state) { state_.MakingVideo = true; }
    ~RenderingVideo() { state_.MakingVideo = false; }
    RenderingVideo(const RenderingVideo&) = delete;
    RenderingVideo& operator=(const RenderingVideo&) = delete;

private:
    RenderState& state_;
};

enum class FrameRun { Done, Failed, Cancelled };

// Composes frames 1..count and writes frame k at sample offset + k; the composer's exports
// refresh the frame image, so an unchanged frame repeats the last one.
FrameRun WriteFrames(BuildContext& c, VideoFrames& v, FrameComposer& composer, int64_t count,
                     int64_t offset) {
    const RenderContext context = c.renderContext();
    for (int32_t k = 1; k <= count; ++k) {
        composer.ComposeFrame(context, k);
        ++c.render.CoverFrameCounter;
        v.last = v.writer.writeFrame(offset + k, v.bits());
        if (v.last != AviStatus::Ok) {
            return FrameRun::Failed;
        }
        if (c.job.CancelRequested) {
            return FrameRun::Cancelled;
        }
        composer.EndFrame();
        c.host.pump();
    }
    return FrameRun::Done;
}

// What the cancel of a running build does besides stopping the frames.
void StopJob(BuildContext& c) {
    c.host.status(kStopped);
    SetWorking(c.job, c.host, false);
    c.job.JobRunning = false;
}

struct Encoded {
    bool ran = false;      // the encoder could be started
    bool written = false;  // the video is in place
    bool stalled = false;  // the encoder was ended for making no progress
    QString problem;       // why not, once it ran
};

// Finishes the encoding (running the encoder now on the AVI file and the audio, unless it has
// read the frames from a pipe). Only a whole video from an encoder that ended well, of frames
// that were all written, takes the target's name; replace false never takes it from an
// existing file. Nothing else is left behind.
Encoded Encode(BuildContext& c, VideoFrames& v, const QString& audioPath, bool replace) {
    if (!v.encoder.started()) {
        v.encoder.start(c.encoder, EncoderCommand(c, audioPath, c.song, v.partial), c.host);
    }
    const RunResult run = v.encoder.wait(c.host, c.job.CancelRequested);
    c.host.pump();
    QFile::remove(c.tempFile(kTempAvi));
    Encoded result;
    result.ran = run.started;
    result.stalled = run.stalledMs != 0;
    if (run.started) {
        result.problem = EncoderProblem(c.encoder, run, v.partial);
    }
    if (!run.started || !result.problem.isEmpty() || v.last != AviStatus::Ok) {
        QFile::remove(v.partial);
        return result;
    }
    QString reason;
    result.written = PutInPlace(v.partial, v.target, replace, &reason);
    if (!result.written) {
        result.problem = SaveProblem(v.target.path, reason);
    }
    return result;
}

// The closing status by the last AVI result, the cancel flag and the encoding. A missing
// encoder has said so already and keeps the status line; a failure says why.
void ShowClosingStatus(BuildContext& c, const VideoFrames& v, const Encoded& encoded,
                       const QString& tag) {
    if (!encoded.ran) {
        return;
    }
    if (v.last != AviStatus::Ok) {
        // An encoder that ended early is why the frames could not be written.
        const QString why =
            encoded.problem.isEmpty()
                ? QStringLiteral("프레임을 쓰지 못했습니다 (%1)").arg(v.writer.errorString())
                : encoded.problem;
        c.host.status(FailureText(tag, why));
    } else if (c.job.CancelRequested && !encoded.stalled) {
        c.host.status(kStopped);
    } else if (!encoded.written) {
        c.host.status(FailureText(tag, encoded.problem));
    } else {
        c.host.status(kCompleted + tag);
    }
}

QString WithoutLast(const QString& text, int count) {
    return text.size() > count ? text.chopped(count) : QString();
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    return first.exists() && second.exists() &&
           first.canonicalFilePath() == second.canonicalFilePath();
}

}  // namespace

QString BuildContext::tempFile(const QString& name) const {
    // Without the private folder there is no temporary file: never one in the current folder.
    return tempFolder.isEmpty() ? QString() : QDir(tempFolder).filePath(name);
}

QString OutputExtension(int32_t index) {
    switch (index) {
        case 0:
            return QStringLiteral("mp4");
        case 1:
            return QStringLiteral("k3g");
        case 2:
            return QStringLiteral("skm");
        default:
            return {};
    }
}

QString FrameProgressText(int32_t frame, int32_t frameCount, int songNumber, int songCount) {
    // Tenths of a percent, rounded halves to even in whole numbers so no float error decides.
    const int64_t scaled = int64_t{frame} * 1000;
    const int64_t divisor = frameCount > 0 ? frameCount : 1;
    int64_t tenths = scaled / divisor;
    const int64_t remainder = scaled % divisor;
    if (2 * remainder > divisor || (2 * remainder == divisor && tenths % 2 != 0)) {
        ++tenths;
    }
    QString percent = QString::number(tenths / 10);
    if (tenths % 10 != 0) {
        percent += u'.' + QString::number(tenths % 10);
    }
    return QStringLiteral("%1 번째 프레임 저장중.. (%2%)").arg(frame).arg(percent) +
           SongTag(songNumber, songCount);
}

QString BuildSongVideo(BuildContext& c, const QString& songPath, int songNumber, int songCount) {
    const RenderingVideo rendering(c.render);
    ResetSongState(c.renderContext());
    if (!FileExists(songPath)) {
        c.job.JobRunning = false;
        SetWorking(c.job, c.host, false);
        return {};
    }
    const QString tag = SongTag(songNumber, songCount);
    const QString title = WithoutLast(GetFileName(songPath), 4);
    c.job.Mp3Folder = GetFolder(songPath);
    c.render.CurrentLyricText.clear();
    if (!AnalyzeSong(songPath, c.song, c.engine, c.host)) {
        c.host.status(kFailed + tag);
        return {};
    }
    if (!SecureLyrics(c, songPath, tag)) {
        return {};
    }
    const QString extension = OutputExtension(c.settings.OutputExt);
    const QString output = QDir(c.job.OutputFolder).filePath(title + u'.' + extension);
    // The song itself is never overwritten, whatever it is called.
    if (extension.isEmpty() || SameFile(output, songPath)) {
        c.host.status(QStringLiteral("출력 파일 이름을 정할 수 없어 ") + kFailed + tag);
        return {};
    }
    c.job.LastOutputFolder = GetFolder(output);
    VideoFrames v;
    if (const QString problem = PrepareOutput(v, output); !problem.isEmpty()) {
        c.host.status(FailureText(tag, SaveProblem(output, problem)));
        return {};
    }
    QFile::remove(c.tempFile(kTempAvi));
    const LyricSheet sheet = LoadSongLyrics(c, songPath);

    const int32_t frameCount = FrameCount(c.song.Duration);
    FrameComposer composer([&](int32_t frame) {
        v.takeCanvas(c.pictures.Picture1);
        c.host.status(FrameProgressText(frame, frameCount, songNumber, songCount));
        c.host.progress(songNumber, songCount, frameCount > 0 ? double(frame) / frameCount : 1.0);
        c.host.pump();
    });
    OpenVideo(c, v, sheet, songPath, c.song);
    FrameRun run = FrameRun::Failed;
    if (v.streaming) {
        composer.StartSong(c.renderContext(), sheet, {songPath, c.cover});
        run = WriteFrames(c, v, composer, frameCount, 0);
        if (run == FrameRun::Cancelled) {
            StopJob(c);
        }
    }
    v.close();

    c.host.status(kEncoding + tag);
    c.host.pump();
    // A finished video replaces an older one of the same name; a stopped one never does.
    const Encoded encoded = Encode(c, v, songPath, run == FrameRun::Done);
    ShowClosingStatus(c, v, encoded, tag);
    return encoded.written ? output : QString();
}

QString BuildMergedVideo(BuildContext& c, const QString& outputPath) {
    const RenderingVideo rendering(c.render);
    const int count = c.list.count();
    const QString mergedMp3 = c.tempFile(kMergedMp3);
    const QString target = WithoutLast(outputPath, 3) + OutputExtension(c.settings.OutputExt);
    VideoFrames v;
    bool prepared = false;
    int64_t offset = 0;
    // Parts of a tenth the frame counts have dropped so far, in thousandths of a tenth.
    int64_t carry = 0;
    FrameRun run = FrameRun::Done;
    int songIndex = 0;
    int32_t frames = 0;
    FrameComposer composer([&](int32_t frame) {
        v.takeCanvas(c.pictures.Picture1);
        c.host.status(QStringLiteral("%1 번째 프레임 저장중..").arg(frame + offset) +
                      SongTag(songIndex + 1, count));
        c.host.progress(songIndex + 1, count, frames > 0 ? double(frame) / frames : 1.0);
        c.host.pump();
    });
    const auto endWithoutVideo = [&] {
        v.close();
        v.encoder.abandon();
        QFile::remove(c.tempFile(kTempAvi));
        if (!v.partial.isEmpty()) {
            QFile::remove(v.partial);
        }
        return QString();
    };

    for (songIndex = 0; songIndex < count && run == FrameRun::Done; ++songIndex) {
        const QString path = c.list.items().value(songIndex);
        c.list.selectOnly(songIndex);
        c.host.jobEvent(JobEvent::SongStarted, songIndex);
        ResetSongState(c.renderContext());
        if (!FileExists(path)) {
            c.job.JobRunning = false;
            SetWorking(c.job, c.host, false);
            return endWithoutVideo();
        }
        c.job.Mp3Folder = GetFolder(path);
        c.render.CurrentLyricText.clear();
        if (!AnalyzeSong(path, c.song, c.engine, c.host)) {
            c.host.jobEvent(JobEvent::SongEnded, songIndex);
            c.host.status(kFailed);
            return endWithoutVideo();
        }
        if (!SecureLyrics(c, path, {})) {
            c.host.jobEvent(JobEvent::SongEnded, songIndex);
            return endWithoutVideo();
        }
        if (outputPath.isEmpty()) {
            c.job.JobRunning = false;
            SetWorking(c.job, c.host, false);
            return endWithoutVideo();
        }
        c.job.LastOutputFolder = GetFolder(outputPath);
        if (!prepared) {
            if (const QString problem = PrepareOutput(v, target); !problem.isEmpty()) {
                c.host.jobEvent(JobEvent::SongEnded, songIndex);
                c.host.status(FailureText({}, SaveProblem(target, problem)));
                return endWithoutVideo();
            }
        }
        const LyricSheet sheet = LoadSongLyrics(c, path);

        // The frames of a song are its whole tenths; the next song's fraction of a tenth is
        // carried, and a song gets one frame more each time the carry makes a whole tenth.
        int32_t extra = 0;
        SongInfo next;
        if (songIndex + 1 < count &&
            AnalyzeSong(c.list.items().value(songIndex + 1), next, c.engine, c.host)) {
            carry += std::llround(next.Duration * 10000) % 1000;
            if (carry >= 1000) {
                carry -= 1000;
                extra = 1;
            }
        }
        frames = FrameCount(c.song.Duration) + extra;

        if (!prepared) {
            prepared = true;
            QFile::remove(c.tempFile(kTempAvi));
            // The joined audio is encoded with the last song's sample rate and bitrate, which
            // the encoder needs before the first frame.
            SongInfo last;
            if (!ReadSongHeader(c.list.items().value(count - 1), last).value_or(false)) {
                last = c.song;
            }
            OpenVideo(c, v, sheet, mergedMp3, last);
        } else {
            DrawStartImage(c.renderContext(), sheet);
            v.takeCanvas(c.pictures.Picture1);
        }
        if (!v.streaming) {
            break;
        }
        composer.StartSong(c.renderContext(), sheet, {path, c.cover, true});
        run = WriteFrames(c, v, composer, frames, offset);
        c.host.jobEvent(JobEvent::SongEnded, songIndex);
        if (run == FrameRun::Cancelled) {
            StopJob(c);
        }
        offset += frames;
    }
    v.close();

    c.host.status(kEncoding);
    c.host.pump();
    const bool targetIsASong =
        std::any_of(c.list.items().begin(), c.list.items().end(),
                    [&](const QString& song) { return SameFile(target, song); });
    const Encoded encoded = Encode(c, v, mergedMp3, run == FrameRun::Done && !targetIsASong);
    QFile::remove(c.tempFile(kTempMp3));
    QFile::remove(mergedMp3);
    ShowClosingStatus(c, v, encoded, QString());
    return encoded.written ? target : QString();
}

}  // namespace lumek
