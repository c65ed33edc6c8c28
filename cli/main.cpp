#include "base/temp_folder.h"
#include "cli/commands.h"
#include "cli/help.h"
#include "cli/stop_signals.h"
#include "cli/terminal_host.h"

#include "app/window/run_window.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
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

const char kNoDisplay[] =
    "lumek: no display to open the window on; the commands work without one (lumek --help)\n";

QtMessageHandler qtHandler = nullptr;

// Headless servers often have no runtime folder; Qt's complaint about it says nothing to the user.
// A display that can't be reached ends the program in one line instead of Qt's abort.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool noDisplay = message.contains(QStringLiteral("could not connect to display")) ||
                           message.contains(QStringLiteral("Qt platform plugin"));
    if (noDisplay && type == QtFatalMsg) {
        std::fputs(kNoDisplay, stderr);
        std::_Exit(lumek::cli::kExitUsage);
    }
    if (noDisplay) {
        return;  // the fatal message that follows says it in one line
    }
    if (!message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) {
        qtHandler(type, context, message);
    }
}

const char* const kCommands[] = {"make",  "settings", "analyze", "merge",
                                 "cover", "lyrics",   "frame",   "frames"};

// No arguments, or songs and folders (as a file manager's "Open with" passes them): the window.
bool WantsWindow(int argc, char** argv) {
    if (argc < 2) {
        return true;
    }
    const QString first = QString::fromLocal8Bit(argv[1]);
    for (const char* command : kCommands) {
        if (first == QLatin1String(command)) {
            return false;
        }
    }
    return QFileInfo::exists(first) || first.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive);
}

bool HaveDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    qtHandler = qInstallMessageHandler(QuietHandler);
    // Every command's temporary files go into one private folder, made before any work.
    const lumek::TempFolder& temp = lumek::RunTempFolder();
    if (!temp.problem.isEmpty()) {
        lumek::cli::PrintError(QStringLiteral("lumek: ") + temp.problem);
        return lumek::cli::kExitFailed;
    }
    // Qt's runtime folder, when none is set, would otherwise be made beside it (or in the
    // root, for a $TMPDIR that does not exist).
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(temp.path));
    }
    if (WantsWindow(argc, argv)) {
        if (!HaveDisplay()) {
            std::fputs(kNoDisplay, stderr);
            return lumek::cli::kExitUsage;
        }
        QStringList paths;
        for (int i = 1; i < argc; ++i) {
            paths.append(QString::fromLocal8Bit(argv[i]));
        }
        return lumek::RunWindow(argc, argv, paths);
    }
    // Text is drawn through the platform's fonts; without a display the drawing stays off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // A command ended by a signal still leaves nothing behind.
    lumek::cli::CatchStopSignals();
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumek"));
    // Without a command the window has opened instead.
    QStringList args = QCoreApplication::arguments().mid(1);
    if (const std::optional<int> status = lumek::cli::RunProgramOptions(args)) {
        return *status;
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
