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

}  // namespace lumek::cli
