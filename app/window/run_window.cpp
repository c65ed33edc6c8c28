#include "app/window/run_window.h"

#include "app/studio.h"
#include "app/window/look.h"
#include "app/window/main_window.h"
#include "app/window/quit_signals.h"

#include <QApplication>
#include <QSessionManager>

namespace lumek {

int RunWindow(int& argc, char** argv, const QStringList& paths) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumek"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMEK_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Lumek"));
    QGuiApplication::setDesktopFileName(QStringLiteral("lumek"));
    ApplyLumekLook(app);

    MainWindow window;
    QuitSignals quitSignals;
    // Open dialogs close too (a question answered "no"), so that nothing keeps the program up.
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, &app,
                     [] { QApplication::closeAllWindows(); });
    // A logout saves like a close does; the session may end the process right after.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.shutDown(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&window] { window.shutDown(); });

    window.show();
    if (!window.startUp()) {
        // Ended by a signal during start-up, or the audio engine failed.
        return window.studio().audioReady() ? 0 : 1;
    }
    window.addPaths(paths);
    if (window.isShutDown()) {
        return 0;
    }
    return app.exec();
}

}  // namespace lumek
