#include "cli/options.h"

namespace lumek::cli {

ParseResult ParseArguments(const QStringList& args, const QSet<QString>& valueOptions,
                           const QSet<QString>& flagOptions) {
    ParseResult result;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
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

}  // namespace lumek::cli
