// Shows the main window with the demo song listed and a moment of it in the preview, and saves
// a picture of the window: the README's screenshot. Run by screenshot.sh under a virtual display.

#include "app/studio.h"
#include "app/window/encoding_list_view.h"
#include "app/window/look.h"
#include "app/window/main_window.h"
#include "app/window/preview_pane.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// The first-run question gets Yes (the 480 x 320 preset); nothing else is asked.
class FirstRunYes : public lumek::WindowDialogs {
public:
    void message(const QString& title, const QString& text, lumek::MessageIcon) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    bool askYesNo(const QString&, const QString&) override { return true; }
    QString askFolder(const QString&, const QString&) override { return {}; }
    QString askSaveFile(const QString&, const QString&, const QString&) override { return {}; }
    QStringList askOpenFiles(const QString&, const QString&, const QString&) override { return {}; }
    int chooseCompressor(const QStringList&, int) override { return -1; }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: lumek_screenshot OUT.png EXAMPLES_FOLDER [PAGE [TENTHS]]\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QDir examples(QString::fromLocal8Bit(argv[2]));
    const int page = argc > 3 ? std::atoi(argv[3]) : 7;
    const int tenths = argc > 4 ? std::atoi(argv[4]) : 125;
    lumek::ApplyLumekLook(app);

    // The demo song is copied, because selecting a song may pad its lyric file.
    QTemporaryDir folder;
    const QDir work(folder.path());
    for (const QString& name : {QStringLiteral("demo.mp3"), QStringLiteral("demo.lrc")}) {
        if (!QFile::copy(examples.filePath(name), work.filePath(name))) {
            std::fprintf(stderr, "lumek_screenshot: can't copy %s\n",
                         qPrintable(examples.filePath(name)));
            return 1;
        }
    }
    lumek::WindowOptions options;
    options.settingsPath = work.filePath(QStringLiteral("LumekSetting.ini"));
    options.dialogs = std::make_unique<FirstRunYes>();
    options.closingAnimation = false;
    lumek::MainWindow window(std::move(options));
    window.show();
    if (!window.startUp()) {
        return 1;
    }
    window.addPaths({work.filePath(QStringLiteral("demo.mp3"))});
    window.encodingList().setCurrentRow(0);
    window.previewPane().slider()->setValue(tenths);
    window.ShowPage(page);
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    const bool saved = window.grab().save(output);
    window.shutDown();
    if (!saved) {
        std::fprintf(stderr, "lumek_screenshot: can't write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
