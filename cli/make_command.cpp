#include "app/studio.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/stop_signals.h"
#include "cli/terminal_host.h"
#include "pipeline/compressor_choice.h"
#include "pipeline/encoder.h"
#include "pipeline/frame_codec.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <optional>

namespace lumek::cli {

namespace {

// How long the encoder may take over the frames made before a SIGTERM, ms.
constexpr int kTermEncodeMs = 10000;

int Usage(const QString& problem) {
    return UsageError(QStringLiteral("make"), problem, kMakeUsage);
}

// Puts the songs into the encoding list as the window's actions do: runs of files as one
// drop, each folder as an added folder. False when a path is neither.
bool AddSongs(Studio& studio, TerminalHost& host, const QStringList& paths) {
    ListContext adding = studio.listContext();
    QStringList files;
    const auto dropFiles = [&] {
        if (!files.isEmpty()) {
            AddDroppedFiles(adding, files);
            files.clear();
        }
    };
    bool allFound = true;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            dropFiles();
            host.folderAnswer = info.absoluteFilePath();
            AddFolder(adding);
        } else if (info.isFile()) {
            if (info.suffix().compare(u"mp3", Qt::CaseInsensitive) != 0) {
                PrintError(QStringLiteral("%1: not an .mp3 file, skipped").arg(path));
                allFound = false;
            }
            files.append(info.absoluteFilePath());
        } else {
            PrintError(QStringLiteral("%1: no such file or folder").arg(path));
            allFound = false;
        }
    }
    dropFiles();
    return allFound;
}

}  // namespace

int RunMakeCommand(const QStringList& args) {
    const ParseResult parsed = ParseArguments(
        args,
        {QStringLiteral("--output"), QStringLiteral("--one-file"), QStringLiteral("--settings"),
         QStringLiteral("--preset"), QStringLiteral("--lyrics-url"), QStringLiteral("--codec")},
        {QStringLiteral("--quiet")});
    if (!parsed.error.isEmpty()) {
        return Usage(parsed.error);
    }
    const Arguments& a = parsed.arguments;
    const QString folder = a.option(QStringLiteral("--output"));
    const QString oneFile = a.option(QStringLiteral("--one-file"));
    if (a.positional.isEmpty() || folder.isEmpty() == oneFile.isEmpty()) {
        return Usage(QStringLiteral("give songs and either -o DIR or --one-file OUT"));
    }
    const QString codec = a.option(QStringLiteral("--codec"));
    if (a.options.contains(QStringLiteral("--codec")) && codec != u"mjpeg" && codec != u"raw") {
        return Usage(QStringLiteral("--codec is raw or mjpeg"));
    }
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        PrintError(QStringLiteral("%1: no such folder").arg(folder));
        return kExitFailed;
    }

    if (FindEncoder().isEmpty()) {
        PrintError(QStringLiteral("lumek make: ffmpeg is not on PATH; install it to make videos"));
        return kExitFailed;
    }

    TerminalHost host;
    host.quiet = a.has(QStringLiteral("--quiet"));
    host.saveFileAnswer = oneFile.isEmpty() ? QString() : QFileInfo(oneFile).absoluteFilePath();
    if (!codec.isEmpty()) {
        host.compressorAnswer =
            CompressorIndex(codec == u"raw" ? kCompressorDib : kCompressorMjpeg);
    }

    Studio studio(host);
    if (const std::optional<QString> problem = LoadCommandSettings(studio, a)) {
        return Usage(*problem);
    }
    if (a.options.contains(QStringLiteral("--lyrics-url"))) {
        studio.edit(u"LyricsURL", a.option(QStringLiteral("--lyrics-url")));
    }
    studio.edit(u"VideoMode", oneFile.isEmpty() ? QStringLiteral("0") : QStringLiteral("1"));
    if (!studio.PrepareDecoder()) {
        PrintError(QStringLiteral("lumek make: the audio library can't be started"));
        return kExitFailed;
    }
    // A stop signal is the make button's second press: the job stops after the current frame,
    // the frames made so far are encoded and the temporary files go. After SIGTERM the encoder
    // gets kTermEncodeMs for that, then it is ended.
    WindDownOnStop();
    std::optional<QDeadlineTimer> encoderDeadline;
    host.onPump = [&studio, &encoderDeadline] {
        if (const int signalNumber = TakeStopSignal()) {
            if (studio.job().Working) {
                studio.PressMakeButton();
            }
            if (signalNumber == SIGTERM) {
                encoderDeadline.emplace(kTermEncodeMs);
            }
        }
        if (encoderDeadline && encoderDeadline->hasExpired()) {
            KillRunningEncoderNow();
            encoderDeadline.reset();
        }
    };

    bool ok = AddSongs(studio, host, a.positional);
    if (StopSignalReceived() != 0) {
        return 128 + StopSignalReceived();
    }
    if (studio.list().isEmpty()) {
        PrintError(QStringLiteral("lumek make: no valid MP3 file to make a video of"));
        return kExitFailed;
    }
    // The job asks for its output folder last.
    host.folderAnswer = QDir(folder).absolutePath();
    const JobOutcome outcome = studio.PressMakeButton();
    for (const QString& video : outcome.videos) {
        PrintOutput(video);
    }
    if (StopSignalReceived() != 0) {
        return 128 + StopSignalReceived();
    }
    ok = ok && outcome.failed == 0 && !studio.job().CancelRequested;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace lumek::cli
