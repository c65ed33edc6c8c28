#include "cli/help.h"

#include "cli/commands.h"
#include "cli/terminal_host.h"

#include <algorithm>
#include <span>

namespace lumek::cli {

namespace {

// Option lines shared by the commands that render or read the settings.
constexpr const char* kSettingsLine =
    "  --settings FILE         the settings file (default: LumekSetting.ini beside the program,\n"
    "                          else ~/.config/lumek/LumekSetting.ini)";
constexpr const char* kPresetLine =
    "  --preset iphone|phone   a preset's settings (480 x 320 or 320 x 240), no file";
constexpr const char* kQuietLine = "  --quiet                 no progress or status lines";

struct CommandHelp {
    const char* name;
    const char* usage;
    const char* brief;  // a line of the program's help
    QStringList options;
};

std::span<const CommandHelp> Commands() {
    const auto lines = [](std::initializer_list<const char*> texts) {
        QStringList list;
        for (const char* text : texts) {
            list.append(QString::fromUtf8(text));
        }
        return list;
    };
    static const CommandHelp commands[] = {
        {"make", kMakeUsage, "one video per song into DIR, or all songs in one video",
         lines({"  -o, --output DIR        one video per song into DIR, named after the song",
                "  --one-file OUT.mp4      all songs joined into one video", kSettingsLine,
                kPresetLine,
                "  --lyrics-url URL        the lyrics service asked for songs without a lyric file",
                "  --codec raw|mjpeg       how frames travel to ffmpeg (uncompressed or Motion "
                "JPEG)",
                kQuietLine})},
        {"frame", kFrameUsage, "the preview frame of a moment as a PNG picture",
         lines({"  --at SECONDS            the moment, 0 or more",
                "  -o, --output FRAME.png  the picture written", kSettingsLine, kPresetLine,
                kQuietLine})},
        {"frames", kFramesUsage, "the video's frames (ten a second) as PNG files",
         lines({"  -o, --output DIR        the folder the frames go into",
                "  --from N, --to M        only frames N to M (counted from 1)", kSettingsLine,
                kPresetLine, kQuietLine})},
        {"analyze", kAnalyzeUsage, "what the MP3 analysis finds",
         lines({"  --json                  one JSON object instead of Key: value lines"})},
        {"lyrics", kLyricsUsage,
         "make sure the song has its lyric file: found, downloaded or a placeholder",
         lines({"  --lyrics-url URL        the lyrics service (default: the settings' LyricsURL)",
                kSettingsLine, kPresetLine, kQuietLine})},
        {"cover", kCoverUsage, "the cover picture of the song's ID3v2 tag",
         lines({"  -o, --output COVER.png  the picture written; .png, .jpg or .bmp"})},
        {"merge", kMergeUsage, "join the songs' MPEG audio, without their tags", {}},
        {"settings", kSettingsUsage,
         "write a preset's settings file, or print every setting in save order",
         lines({"  --init iphone|phone     write the preset's settings to --settings FILE",
                "  --print                 print key=value lines", kSettingsLine, kPresetLine,
                kQuietLine})},
    };
    return commands;
}

constexpr const char* kExitStatusText =
    "Exit status: 0 success, 1 a song failed or a file can't be written, 2 bad usage.";

QString ProgramHelp() {
    QStringList text = {QStringLiteral("usage: lumek COMMAND [OPTION]... [FILE]...\n"
                                       "       lumek --help | --version\n"),
                        QStringLiteral("Makes lyric videos of MP3 songs and their time-stamped "
                                       "lyrics.\n"),
                        QStringLiteral("Commands:")};
    for (const CommandHelp& command : Commands()) {
        text.append(QStringLiteral("  %1  %2")
                        .arg(QString::fromUtf8(command.name), -8)
                        .arg(QString::fromUtf8(command.brief)));
    }
    text.append(
        QStringLiteral("\nOptions:\n"
                       "  -h, --help     this text; after a command, that command's help\n"
                       "  --version      the program's version\n"));
    text.append(QString::fromUtf8(kExitStatusText));
    text.append(QStringLiteral("Run 'lumek COMMAND --help' or see lumek(1) for more."));
    return text.join(u'\n');
}

QString CommandHelpText(const CommandHelp& command) {
    QStringList text = {
        QStringLiteral("usage: ") +
            QString::fromUtf8(command.usage).replace(u'\n', QStringLiteral("\n       ")),
        QString(),
        QStringLiteral("lumek %1: %2")
            .arg(QString::fromUtf8(command.name), QString::fromUtf8(command.brief))};
    if (!command.options.isEmpty()) {
        text.append(QString());
        text.append(QStringLiteral("Options:"));
        text.append(command.options);
    }
    text.append(QString());
    text.append(QString::fromUtf8(kExitStatusText));
    return text.join(u'\n');
}

bool IsHelp(const QString& arg) {
    return arg == u"--help" || arg == u"-h";
}

}  // namespace

std::optional<int> RunProgramOptions(const QStringList& args) {
    if (args.isEmpty()) {
        return std::nullopt;
    }
    const QString& first = args.first();
    if (IsHelp(first)) {
        PrintOutput(ProgramHelp());
        return kExitOk;
    }
    if (first == u"--version") {
        PrintOutput(QStringLiteral("lumek " LUMEK_VERSION));
        return kExitOk;
    }
    if (first.startsWith(u'-')) {
        PrintError(QStringLiteral("lumek: unknown option %1").arg(first));
        PrintError(QStringLiteral("Run 'lumek --help' for the commands and their options."));
        return kExitUsage;
    }
    // A value that is literally "--help" can't be told apart; no file or setting is named so.
    if (std::none_of(args.begin() + 1, args.end(), IsHelp)) {
        return std::nullopt;
    }
    for (const CommandHelp& command : Commands()) {
        if (first == QString::fromUtf8(command.name)) {
            PrintOutput(CommandHelpText(command));
            return kExitOk;
        }
    }
    return std::nullopt;
}

}  // namespace lumek::cli
