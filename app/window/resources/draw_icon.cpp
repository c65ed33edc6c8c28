// Writes the program's icon as hicolor/<side>x<side>/apps/lumek.png under the given folder, for
// the desktop's icon theme.

#include "app/window/app_icon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumek_draw_icon FOLDER\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const QString folder = QStringLiteral("hicolor/%1x%1/apps").arg(side);
        const QString path = root.filePath(folder + QStringLiteral("/lumek.png"));
        if (!root.mkpath(folder) || !lumek::DrawLumekIcon(side).save(path)) {
            std::fprintf(stderr, "lumek_draw_icon: can't write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
