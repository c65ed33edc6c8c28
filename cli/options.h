#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumek {
class Studio;
}

namespace lumek::cli {

// A command's arguments: "--name value" options, "--flag" switches and the plain arguments.
struct Arguments {
    QStringList positional;
    QMap<QString, QString> options;
    QSet<QString> flags;

    bool has(const QString& flag) const { return flags.contains(flag); }
    QString option(const QString& name) const { return options.value(name); }
};

// Splits args by the names the command knows ("-o" stands for "--output"); an unknown "--name"
// or a missing value gives an error text instead.
struct ParseResult {
    Arguments arguments;
    QString error;
};
ParseResult ParseArguments(const QStringList& args, const QSet<QString>& valueOptions,
                           const QSet<QString>& flagOptions);

// Fills a studio's settings as every command does: "--preset iphone|phone", else the settings
// file ("--settings FILE" or the default one), created from the preset the first-run question
// takes when it is missing or of another version. A usage problem comes back as its text.
std::optional<QString> LoadCommandSettings(Studio& studio, const Arguments& arguments);
// Tells what is wrong with a command's arguments and how it is used; returns the exit status
// of bad usage.
int UsageError(const QString& command, const QString& problem, const char* usage);

// The usage problem of a "--preset" option, if any.
std::optional<QString> PresetProblem(const Arguments& arguments);

}  // namespace lumek::cli
