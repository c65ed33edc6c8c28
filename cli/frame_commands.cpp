#include "app/studio.h"
#include "audio/audio_engine.h"
#include "audio/song_info.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/terminal_host.h"
#include "render/cover_art.h"
#include "render/frame_composer.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace lumek::cli {

namespace {

// Loads the song for the preview, its lyric file read as it is (the lyrics command downloads a
// missing one). False, with the reason printed, when it can't.
bool LoadSong(Studio& studio, const QString& path, const TerminalHost& host) {
    if (!studio.PrepareDecoder()) {
        PrintError(QStringLiteral("%1: the audio library can't be started").arg(path));
        return false;
    }
    QString lyricProblem;
    switch (studio.SelectPreviewSong(path, false, &lyricProblem)) {
        case SongLoad::Missing:
            PrintError(QStringLiteral("%1: no such file").arg(path));
            return false;
        case SongLoad::NotMp3:
            PrintError(QStringLiteral(
                           "%1: not a valid MP3 file (no MPEG audio frame header after its tag)")
                           .arg(path));
            return false;
        case SongLoad::Loaded:
            break;
    }
    const QString lrcPath = LyricPathFor(path);
    QString reason;
    const std::optional<QString> lyrics = TryReadTextFile(lrcPath, &reason);
    if (!lyrics && !host.quiet) {
        PrintError(
            QStringLiteral("%1: no lyric file (%2); drawing without lyrics").arg(lrcPath, reason));
    }
    return true;
}

std::optional<double> Seconds(const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<int32_t> FrameNumber(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1) {
        return std::nullopt;
    }
    return value;
}

// Light compression: the default level takes about ten times as long for a few per cent less.
constexpr int kPngQuality = 80;

QByteArray EncodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", kPngQuality);
    return bytes;
}

}  // namespace

int RunFrameCommand(const QStringList& args) {
    const ParseResult parsed =
        ParseArguments(args,
                       {QStringLiteral("--at"), QStringLiteral("--output"),
                        QStringLiteral("--settings"), QStringLiteral("--preset")},
                       {QStringLiteral("--quiet")});
    const QString command = QStringLiteral("frame");
    if (!parsed.error.isEmpty()) {
        return UsageError(command, parsed.error, kFrameUsage);
    }
    const Arguments& a = parsed.arguments;
    const QString output = a.option(QStringLiteral("--output"));
    const std::optional<double> at = Seconds(a.option(QStringLiteral("--at")));
    if (a.positional.size() != 1 || output.isEmpty() || !at) {
        return UsageError(command,
                          QStringLiteral("give one MP3 file, --at SECONDS (0 or more) and -o PNG"),
                          kFrameUsage);
    }

    TerminalHost host;
    host.quiet = a.has(QStringLiteral("--quiet"));
    Studio studio(host);
    if (const std::optional<QString> problem = LoadCommandSettings(studio, a)) {
        return UsageError(command, *problem, kFrameUsage);
    }
    if (!LoadSong(studio, a.positional.first(), host)) {
        return kExitFailed;
    }
    // The slider runs from 0 to the song's tenths - 1; position v shows the moment v + 1 tenths.
    const int32_t last = std::max(FrameCount(studio.song().Duration) - 1, 0);
    const int32_t position = std::clamp(FrameCount(*at) - 1, 0, last);
    studio.RenderPreview(position);
    QString reason;
    if (!WriteWholeFile(output, EncodePng(studio.canvas().image()), &reason)) {
        PrintError(QStringLiteral("%1: can't write the picture (%2)").arg(output, reason));
        return kExitFailed;
    }
    PrintOutput(output);
    return kExitOk;
}

int RunFramesCommand(const QStringList& args) {
    const ParseResult parsed = ParseArguments(
        args,
        {QStringLiteral("--output"), QStringLiteral("--from"), QStringLiteral("--to"),
         QStringLiteral("--settings"), QStringLiteral("--preset")},
        {QStringLiteral("--quiet")});
    const QString command = QStringLiteral("frames");
    if (!parsed.error.isEmpty()) {
        return UsageError(command, parsed.error, kFramesUsage);
    }
    const Arguments& a = parsed.arguments;
    const QString folder = a.option(QStringLiteral("--output"));
    if (a.positional.size() != 1 || folder.isEmpty()) {
        return UsageError(command, QStringLiteral("give one MP3 file and -o DIR"), kFramesUsage);
    }
    const bool hasFrom = a.options.contains(QStringLiteral("--from"));
    const bool hasTo = a.options.contains(QStringLiteral("--to"));
    const std::optional<int32_t> from =
        hasFrom ? FrameNumber(a.option(QStringLiteral("--from"))) : 1;
    const std::optional<int32_t> to =
        hasTo ? FrameNumber(a.option(QStringLiteral("--to")))
              : std::optional<int32_t>(std::numeric_limits<int32_t>::max());
    if (!from || !to || *from > *to) {
        return UsageError(command, QStringLiteral("--from and --to need frame numbers 1 <= N <= M"),
                          kFramesUsage);
    }

    TerminalHost host;
    host.quiet = a.has(QStringLiteral("--quiet"));
    Studio studio(host);
    if (const std::optional<QString> problem = LoadCommandSettings(studio, a)) {
        return UsageError(command, *problem, kFramesUsage);
    }
    const QString song = a.positional.first();
    if (!LoadSong(studio, song, host)) {
        return kExitFailed;
    }
    if (!QDir().mkpath(folder)) {
        PrintError(QStringLiteral("%1: can't make the folder").arg(folder));
        return kExitFailed;
    }

    // The frame loop of a song build, with the frame image kept as a picture: an export copies
    // the canvas, and every frame writes the picture it ends with.
    const RenderContext context = studio.renderContext();
    RenderState& state = context.state;
    const int32_t frames = FrameCount(studio.song().Duration);
    const int32_t last = std::min(*to, frames);
    QImage frameImage;
    int64_t exports = 0;
    FrameComposer composer([&](int32_t) {
        frameImage = studio.canvas().image().copy();
        ++exports;
    });
    ResetSongState(context);
    state.MakingVideo = true;
    DrawStartImage(context, studio.sheet());
    frameImage = studio.canvas().image().copy();
    composer.StartSong(context, studio.sheet(), {song, studio.coverOptions(), false});

    // Frames repeat their predecessor's picture until the next export; those bytes are reused.
    QByteArray png;
    int64_t encodedExports = -1;
    int32_t written = 0;
    for (int32_t frame = 1; frame <= last; ++frame) {
        composer.ComposeFrame(context, frame);
        ++state.CoverFrameCounter;
        if (frame >= *from) {
            if (encodedExports != exports) {
                png = EncodePng(frameImage);
                encodedExports = exports;
            }
            const QString path = QDir(folder).filePath(
                QStringLiteral("frame_%1.png").arg(frame, 5, 10, QLatin1Char('0')));
            QString reason;
            if (!WriteWholeFile(path, png, &reason)) {
                state.MakingVideo = false;
                PrintError(QStringLiteral("%1: can't write the picture (%2)").arg(path, reason));
                return kExitFailed;
            }
            ++written;
        }
        composer.EndFrame();
    }
    state.MakingVideo = false;
    PrintOutput(
        QStringLiteral("%1 frames of %2 written to %3").arg(written).arg(frames).arg(folder));
    return kExitOk;
}

}  // namespace lumek::cli
