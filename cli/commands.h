#pragma once

#include <QStringList>

namespace lumek::cli {

// Exit statuses of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Each command with its usage lines.
int RunSettingsCommand(const QStringList& args);
inline const char* const kSettingsUsage =
    "lumek settings --init iphone|phone --settings FILE\n"
    "lumek settings --print [--settings FILE | --preset iphone|phone]";

int RunAnalyzeCommand(const QStringList& args);
inline const char* const kAnalyzeUsage = "lumek analyze SONG.mp3 [--json]";
int RunMergeCommand(const QStringList& args);
inline const char* const kMergeUsage = "lumek merge OUT.mp3 SONG.mp3...";
int RunCoverCommand(const QStringList& args);
inline const char* const kCoverUsage = "lumek cover SONG.mp3 -o COVER.png";
int RunLyricsCommand(const QStringList& args);
inline const char* const kLyricsUsage =
    "lumek lyrics SONG.mp3 [--lyrics-url URL] [--settings FILE | --preset iphone|phone] [--quiet]";
int RunFrameCommand(const QStringList& args);
inline const char* const kFrameUsage =
    "lumek frame SONG.mp3 --at SECONDS -o FRAME.png [--settings FILE | --preset iphone|phone] "
    "[--quiet]";
int RunFramesCommand(const QStringList& args);
inline const char* const kFramesUsage =
    "lumek frames SONG.mp3 -o DIR [--from N] [--to M] [--settings FILE | --preset iphone|phone] "
    "[--quiet]";

int RunMakeCommand(const QStringList& args);
inline const char* const kMakeUsage =
    "lumek make SONG.mp3|FOLDER... (-o DIR | --one-file OUT.mp4) [--settings FILE | --preset "
    "iphone|phone] [--lyrics-url URL] [--codec raw|mjpeg] [--quiet]";

}  // namespace lumek::cli
