#include "cli/options.h"

#include "app/studio.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"

namespace lumek::cli {

ParseResult ParseArguments(const QStringList& args, const QSet<QString>& valueOptions,
                           const QSet<QString>& flagOptions) {
    ParseResult result;
    for (qsizetype i = 0; i < args.size(); ++i) {
        // "-o" is the usual short name of the output option.
        const QString arg = args[i] == u"-o" ? QStringLiteral("--output") : args[i];
        if (!arg.startsWith(QStringLiteral("--"))) {
            result.arguments.positional.append(arg);
        } else if (flagOptions.contains(arg)) {
            result.arguments.flags.insert(arg);
        } else if (valueOptions.contains(arg)) {
            if (i + 1 >= args.size()) {
                result.error = QStringLiteral("%1 needs a value").arg(arg);
                return result;
            }
            result.arguments.options.insert(arg, args[++i]);
        } else {
            result.error = QStringLiteral("unknown option %1").arg(arg);
            return result;
        }
    }
    return result;
}

int UsageError(const QString& command, const QString& problem, const char* usage) {
    PrintError(QStringLiteral("lumek %1: %2").arg(command, problem));
    PrintError(QStringLiteral("usage:\n") + QString::fromUtf8(usage));
    return kExitUsage;
}

std::optional<QString> PresetProblem(const Arguments& a) {
    if (!a.options.contains(QStringLiteral("--preset"))) {
        return std::nullopt;
    }
    const QString preset = a.option(QStringLiteral("--preset"));
    if ((preset != u"iphone" && preset != u"phone") ||
        a.options.contains(QStringLiteral("--settings"))) {
        return QStringLiteral("--preset needs iphone or phone, without --settings");
    }
    return std::nullopt;
}

std::optional<QString> LoadCommandSettings(Studio& studio, const Arguments& a) {
    if (std::optional<QString> problem = PresetProblem(a)) {
        return problem;
    }
    if (a.options.contains(QStringLiteral("--preset"))) {
        const bool phone = a.option(QStringLiteral("--preset")) == u"phone";
        studio.ApplyPreset(phone ? Preset::Phone : Preset::IPhone);
        return std::nullopt;
    }
    const QString path = a.options.value(QStringLiteral("--settings"), DefaultSettingsPath());
    const bool accepted = studio.LoadSettings(path);
    QString reason;
    if (!accepted && !studio.SaveSettings(path, &reason)) {
        PrintError(QStringLiteral("%1: can't write the settings file (%2)").arg(path, reason));
    }
    return std::nullopt;
}

}  // namespace lumek::cli
