#include "app/studio.h"
#include "base/settings_keys.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/terminal_host.h"

#include <optional>

namespace lumek::cli {

namespace {

std::optional<Preset> PresetNamed(const QString& name) {
    if (name == u"iphone") {
        return Preset::IPhone;
    }
    if (name == u"phone") {
        return Preset::Phone;
    }
    return std::nullopt;
}

int Usage(const QString& problem) {
    return UsageError(QStringLiteral("settings"), problem, kSettingsUsage);
}

}  // namespace

int RunSettingsCommand(const QStringList& args) {
    const ParseResult parsed = ParseArguments(
        args, {QStringLiteral("--init"), QStringLiteral("--settings"), QStringLiteral("--preset")},
        {QStringLiteral("--print"), QStringLiteral("--quiet")});
    if (!parsed.error.isEmpty()) {
        return Usage(parsed.error);
    }
    const Arguments& a = parsed.arguments;
    const bool init = a.options.contains(QStringLiteral("--init"));
    if (!a.positional.isEmpty() || init == a.has(QStringLiteral("--print"))) {
        return Usage(QStringLiteral("give either --init or --print"));
    }

    TerminalHost host;
    host.quiet = a.has(QStringLiteral("--quiet"));
    Studio studio(host);
    if (init) {
        const QString settingsPath = a.option(QStringLiteral("--settings"));
        const std::optional<Preset> preset = PresetNamed(a.option(QStringLiteral("--init")));
        if (!preset || settingsPath.isEmpty()) {
            return Usage(QStringLiteral("--init needs iphone or phone, and --settings FILE"));
        }
        studio.ApplyPreset(*preset);
        QString reason;
        if (!studio.SaveSettings(settingsPath, &reason)) {
            PrintError(
                QStringLiteral("%1: can't write the settings file (%2)").arg(settingsPath, reason));
            return kExitFailed;
        }
        return kExitOk;
    }

    if (const std::optional<QString> problem = LoadCommandSettings(studio, a)) {
        return Usage(*problem);
    }
    for (const auto& [key, value] : EncodeSettings(studio.settings())) {
        PrintOutput(key + u'=' + value);
    }
    return kExitOk;
}

}  // namespace lumek::cli
