#include "audio/audio_engine.h"
#include "audio/mp3_merge.h"
#include "audio/song_info.h"
#include "base/temp_folder.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/terminal_host.h"
#include "render/cover_art.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <vector>

namespace lumek::cli {

namespace {

// Why a song can't be used, named for the user.
QString SongProblem(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists()) {
        return QStringLiteral("%1: no such file").arg(path);
    }
    if (file.isDir()) {
        return QStringLiteral("%1: is a folder, not an MP3 file").arg(path);
    }
    if (!file.isFile() || !file.isReadable()) {
        return QStringLiteral("%1: can't be read").arg(path);
    }
    return QStringLiteral("%1: not a valid MP3 file (no MPEG audio frame header after its tag)")
        .arg(path);
}

QString JsonString(const QString& text) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\') {
            quoted += u'\\';
            quoted += c;
        } else if (c.unicode() < 0x20) {
            quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            quoted += c;
        }
    }
    return quoted + u'"';
}

QString Bool(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

struct Field {
    QString name;
    QString value;
    bool isText = false;  // quoted in JSON
};

// The fields in their record order.
std::vector<Field> SongFields(const SongInfo& info) {
    return {
        {QStringLiteral("Format"), info.Format, true},
        {QStringLiteral("Protected"), Bool(info.Protected)},
        {QStringLiteral("Bitrate"), QString::number(info.Bitrate)},
        {QStringLiteral("SampleRate"), QString::number(info.SampleRate)},
        {QStringLiteral("IsVBR"), Bool(info.IsVBR)},
        {QStringLiteral("ChannelMode"), info.ChannelMode, true},
        {QStringLiteral("Copyright"), Bool(info.Copyright)},
        {QStringLiteral("Original"), Bool(info.Original)},
        {QStringLiteral("Emphasis"), Bool(info.Emphasis)},
        {QStringLiteral("Duration"), QString::number(info.Duration, 'f', 4)},
        {QStringLiteral("Id3v1"), QString::number(info.Id3v1)},
        {QStringLiteral("Id3v2"), QString::number(info.Id3v2)},
        {QStringLiteral("FileSize"), QString::number(info.FileSize)},
        {QStringLiteral("FirstFrame"), QString::number(info.FirstFrame)},
    };
}

}  // namespace

int RunAnalyzeCommand(const QStringList& args) {
    const ParseResult parsed = ParseArguments(args, {}, {QStringLiteral("--json")});
    if (!parsed.error.isEmpty()) {
        return UsageError(QStringLiteral("analyze"), parsed.error, kAnalyzeUsage);
    }
    if (parsed.arguments.positional.size() != 1) {
        return UsageError(QStringLiteral("analyze"), QStringLiteral("give one MP3 file"),
                          kAnalyzeUsage);
    }
    const QString path = parsed.arguments.positional.first();
    TerminalHost host;
    AudioEngine engine;
    if (engine.create() != 0) {
        PrintError(QStringLiteral("lumek analyze: the audio library can't be started"));
        return kExitFailed;
    }
    SongInfo info;
    if (!AnalyzeSong(path, info, engine, host)) {
        PrintError(SongProblem(path));
        return kExitFailed;
    }

    const std::vector<Field> fields = SongFields(info);
    if (parsed.arguments.has(QStringLiteral("--json"))) {
        QStringList members;
        for (const Field& field : fields) {
            members.append(
                QStringLiteral("  \"%1\": %2")
                    .arg(field.name, field.isText ? JsonString(field.value) : field.value));
        }
        PrintOutput(QStringLiteral("{\n") + members.join(QStringLiteral(",\n")) +
                    QStringLiteral("\n}"));
    } else {
        for (const Field& field : fields) {
            PrintOutput(field.name + QStringLiteral(": ") + field.value);
        }
    }
    return kExitOk;
}

int RunMergeCommand(const QStringList& args) {
    const ParseResult parsed = ParseArguments(args, {}, {});
    if (!parsed.error.isEmpty()) {
        return UsageError(QStringLiteral("merge"), parsed.error, kMergeUsage);
    }
    QStringList songs = parsed.arguments.positional;
    if (songs.size() < 2) {
        return UsageError(QStringLiteral("merge"),
                          QStringLiteral("give the output and at least one MP3"), kMergeUsage);
    }
    const QString output = songs.takeFirst();
    const QFileInfo outputInfo(output);
    for (const QString& song : songs) {
        const QFileInfo songInfo(song);
        if (songInfo.exists() && outputInfo.exists() &&
            songInfo.canonicalFilePath() == outputInfo.canonicalFilePath()) {
            return UsageError(QStringLiteral("merge"),
                              QStringLiteral("%1: the output is also an input").arg(output),
                              kMergeUsage);
        }
    }
    if (outputInfo.isDir()) {
        PrintError(QStringLiteral("%1: is a folder").arg(output));
        return kExitFailed;
    }
    // The output starts empty, as the merge file of a one-file job does.
    if (outputInfo.exists() && !QFile::remove(output)) {
        PrintError(QStringLiteral("%1: can't replace the file").arg(output));
        return kExitFailed;
    }

    TerminalHost host;
    AudioEngine engine;
    engine.create();
    // A merge cut short by a signal leaves no half-written output.
    const PendingFile pending(output);
    int status = kExitOk;
    for (const QString& song : songs) {
        SongInfo info;
        if (!ReadSongHeader(song, info).value_or(false)) {
            // Joined as the job would join it, but the user hears of it.
            PrintError(SongProblem(song));
            status = kExitFailed;
        }
        if (!AppendMp3(song, output, engine, host)) {
            if (!QFileInfo(output).isFile()) {
                PrintError(QStringLiteral("%1: can't write the file").arg(output));
                return kExitFailed;
            }
        }
    }
    if (!QFileInfo(output).isFile()) {
        PrintError(QStringLiteral("%1: can't write the file").arg(output));
        return kExitFailed;
    }
    return status;
}

int RunCoverCommand(const QStringList& args) {
    const ParseResult parsed = ParseArguments(args, {QStringLiteral("--output")}, {});
    if (!parsed.error.isEmpty()) {
        return UsageError(QStringLiteral("cover"), parsed.error, kCoverUsage);
    }
    const QString output = parsed.arguments.option(QStringLiteral("--output"));
    if (parsed.arguments.positional.size() != 1 || output.isEmpty()) {
        return UsageError(QStringLiteral("cover"),
                          QStringLiteral("give one MP3 file and -o PICTURE"), kCoverUsage);
    }
    const QString song = parsed.arguments.positional.first();
    const QFileInfo songInfo(song);
    if (!songInfo.isFile() || !songInfo.isReadable()) {
        PrintError(SongProblem(song));
        return kExitFailed;
    }
    QString problem;
    const std::optional<QImage> cover = ReadCoverArt(song, {}, &problem);
    if (!cover) {
        PrintError(problem.isEmpty()
                       ? QStringLiteral("%1: no cover picture in the ID3v2 tag").arg(song)
                       : CoverArtProblem(song, problem));
        return kExitFailed;
    }
    const PendingFile pending(output);  // written in place
    if (!cover->save(output)) {
        PrintError(QStringLiteral("%1: can't write the picture (the extension names the format: "
                                  ".png, .jpg, .bmp)")
                       .arg(output));
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace lumek::cli
