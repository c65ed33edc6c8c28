#include "cli/commands.h"
#include "cli/help.h"
#include "cli/terminal_host.h"

#include <QGuiApplication>

#include <exception>

namespace {

int Usage() {
    const QStringList usages = {
        QString::fromUtf8(lumek::cli::kMakeUsage),    QString::fromUtf8(lumek::cli::kSettingsUsage),
        QString::fromUtf8(lumek::cli::kAnalyzeUsage), QString::fromUtf8(lumek::cli::kMergeUsage),
        QString::fromUtf8(lumek::cli::kCoverUsage),   QString::fromUtf8(lumek::cli::kLyricsUsage),
        QString::fromUtf8(lumek::cli::kFrameUsage),   QString::fromUtf8(lumek::cli::kFramesUsage)};
    lumek::cli::PrintError(QStringLiteral("usage:\n") + usages.join(u'\n'));
    return lumek::cli::kExitUsage;
}

QtMessageHandler qtHandler = nullptr;

// Headless servers often have no runtime folder; Qt's complaint about it says nothing to the user.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) {
        qtHandler(type, context, message);
    }
}

}  // namespace

int main(int argc, char** argv) {
    qtHandler = qInstallMessageHandler(QuietHandler);
    // Text is drawn through the platform's fonts; without a display the drawing stays off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumek"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (const std::optional<int> status = lumek::cli::RunProgramOptions(args)) {
        return *status;
    }
    if (args.isEmpty()) {
        return Usage();
    }
    const QString command = args.takeFirst();
    try {
        if (command == u"make") {
            return lumek::cli::RunMakeCommand(args);
        }
        if (command == u"settings") {
            return lumek::cli::RunSettingsCommand(args);
        }
        if (command == u"analyze") {
            return lumek::cli::RunAnalyzeCommand(args);
        }
        if (command == u"merge") {
            return lumek::cli::RunMergeCommand(args);
        }
        if (command == u"cover") {
            return lumek::cli::RunCoverCommand(args);
        }
        if (command == u"lyrics") {
            return lumek::cli::RunLyricsCommand(args);
        }
        if (command == u"frame") {
            return lumek::cli::RunFrameCommand(args);
        }
        if (command == u"frames") {
            return lumek::cli::RunFramesCommand(args);
        }
    } catch (const std::exception& e) {
        // Outcomes are return values; an exception is a broken assumption worth reporting.
        lumek::cli::PrintError(QStringLiteral("lumek %1: internal error: %2")
                                   .arg(command, QString::fromUtf8(e.what())));
        return lumek::cli::kExitFailed;
    }
    return Usage();
}
