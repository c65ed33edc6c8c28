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

    // The demo song is copied under its title (selecting a song may pad its lyric file), into
    // a folder of a fixed name so that the picture is the same at every run.
    QDir work(QDir::temp().filePath(QStringLiteral("lumek-screenshot")));
    work.removeRecursively();
    QDir().mkpath(work.path());
    const QString song = work.filePath(QStringLiteral("반짝반짝 작은 별.mp3"));
    for (const QString& extension : {QStringLiteral("mp3"), QStringLiteral("lrc")}) {
        const QString from = examples.filePath(QStringLiteral("demo.") + extension);
        if (!QFile::copy(from, song.chopped(3) + extension)) {
            std::fprintf(stderr, "lumek_screenshot: can't copy %s\n", qPrintable(from));
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
    window.addPaths({song});
    window.encodingList().setCurrentRow(0);
    window.previewPane().slider()->setValue(tenths);
    window.ShowPage(page);
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    const bool saved = window.grab().save(output);
    window.shutDown();
    work.removeRecursively();
    if (!saved) {
        std::fprintf(stderr, "lumek_screenshot: can't write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
