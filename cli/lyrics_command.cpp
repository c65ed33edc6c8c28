#include "app/studio.h"
#include "audio/audio_engine.h"
#include "audio/song_info.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/terminal_host.h"
#include "lyrics/lyric_download.h"

#include <QFileInfo>

#include <optional>

namespace lumek::cli {

namespace {

int Usage(const QString& problem) {
    return UsageError(QStringLiteral("lyrics"), problem, kLyricsUsage);
}

}  // namespace

int RunLyricsCommand(const QStringList& args) {
    const ParseResult parsed = ParseArguments(
        args,
        {QStringLiteral("--lyrics-url"), QStringLiteral("--settings"), QStringLiteral("--preset")},
        {QStringLiteral("--quiet")});
    if (!parsed.error.isEmpty()) {
        return Usage(parsed.error);
    }
    const Arguments& a = parsed.arguments;
    if (a.positional.size() != 1) {
        return Usage(QStringLiteral("give one MP3 file"));
    }
    if (const std::optional<QString> problem = PresetProblem(a)) {
        return Usage(*problem);
    }
    const QString song = a.positional.first();
    const QString lrcPath = LyricPathFor(song);
    if (!QFileInfo(song).isFile() || lrcPath.isEmpty()) {
        PrintError(QStringLiteral("%1: no such file").arg(song));
        return kExitFailed;
    }
    if (FileExists(lrcPath)) {
        PrintOutput(QStringLiteral("found ") + lrcPath);
        return kExitOk;
    }

    TerminalHost host;
    host.quiet = a.has(QStringLiteral("--quiet"));
    LyricService service;
    if (a.options.contains(QStringLiteral("--lyrics-url"))) {
        service.url = a.option(QStringLiteral("--lyrics-url"));
    } else {
        Studio studio(host);
        if (const std::optional<QString> problem = LoadCommandSettings(studio, a)) {
            return Usage(*problem);
        }
        service.url = studio.settings().LyricsURL;
    }

    AudioEngine engine;
    if (engine.create() != 0) {
        PrintError(QStringLiteral("lumek lyrics: the audio library can't be started"));
        return kExitFailed;
    }
    SongInfo info;
    const bool valid = AnalyzeSong(song, info, engine, host);
    if (!valid && !host.quiet) {
        PrintError(
            QStringLiteral("%1: not a valid MP3 file; asking with an empty checksum").arg(song));
    }
    const LyricDownload download = DownloadLyrics(
        song, LengthInTenths(info.Duration),
        valid ? std::optional<int64_t>(info.FirstFrame) : std::nullopt, host, service);
    if (!download.written) {
        PrintError(
            QStringLiteral("%1: can't write the lyric file (%2)").arg(lrcPath, download.problem));
        return kExitFailed;
    }
    PrintOutput(
        (download.placeholder ? QStringLiteral("placeholder ") : QStringLiteral("downloaded ")) +
        lrcPath);
    return kExitOk;
}

}  // namespace lumek::cli
