#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumek::cli {

// A command's arguments: "--name value" options, "--flag" switches and the plain arguments.
struct Arguments {
    QStringList positional;
    QMap<QString, QString> options;
    QSet<QString> flags;

    bool has(const QString& flag) const { return flags.contains(flag); }
    QString option(const QString& name) const { return options.value(name); }
};

// Splits args by the names the command knows; an unknown "--name" or a missing value gives an
// error text instead.
struct ParseResult {
    Arguments arguments;
    QString error;
};
ParseResult ParseArguments(const QStringList& args, const QSet<QString>& valueOptions,
                           const QSet<QString>& flagOptions);

}  // namespace lumek::cli
