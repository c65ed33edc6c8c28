#pragma once

#include <QStringList>

#include <optional>

namespace lumek::cli {

// The program's own options, looked at before a command runs. "--help" (or "-h") and
// "--version" in the command's place print the program's help or version to stdout and give
// 0; "--help" anywhere among a command's arguments prints that command's help and gives 0.
// Another option in the command's place is bad usage, named on stderr. Nothing when the
// arguments are a command's (or nothing) to run.
std::optional<int> RunProgramOptions(const QStringList& args);

}  // namespace lumek::cli
