#include <QGuiApplication>
#include <QFile>
#include <QTemporaryDir>
#ifdef LUMEK_TEST_WIDGETS
#include <QApplication>
#endif

#include <gtest/gtest.h>

// Every suite runs with a (headless) GUI application so that fonts and image plugins work; the
// window's suite needs the widgets' application.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a runtime folder Qt makes one in $TMPDIR and leaves it; the suite uses its own.
    const QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
#ifdef LUMEK_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QGuiApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
