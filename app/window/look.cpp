#include "app/window/look.h"

#include "app/window/app_icon.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace lumek {

namespace {

const QColor kAccent(0x6a, 0x4c, 0xf0);

// Object names and properties the window gives its parts: the side bar, page titles, the make
// button and the page buttons.
const char* const kStyleSheet = R"(
QWidget#sideBar { background: #272238; }
QWidget#sideBar QLabel#brand { color: white; font-size: 17pt; font-weight: bold; }
QWidget#sideBar QLabel#brandNote { color: #b8b0d8; }
QWidget#sideBar QPushButton {
    color: #e6e1f7; background: transparent; border: none; border-radius: 6px;
    padding: 9px 12px; text-align: left; font-size: 10.5pt;
}
QWidget#sideBar QPushButton:hover { background: #3a3352; }
QWidget#sideBar QPushButton:checked { background: #6a4cf0; color: white; font-weight: bold; }
QWidget#sideBar QPushButton:focus { border: 1px solid #b8a9ff; }
QPushButton {
    background: white; border: 1px solid #cbc4e3; border-radius: 5px; padding: 5px 14px;
}
QPushButton:hover { background: #f1edff; border-color: #9d8cf0; }
QPushButton:pressed { background: #e4ddff; }
QPushButton:disabled { color: #a8a3b8; background: #f4f2f9; border-color: #e0dcea; }
QPushButton:focus { border-color: #6a4cf0; }
QLabel[pageTitle="true"] { font-size: 14pt; font-weight: bold; color: #2f2945; }
QPushButton[pageButton="true"] {
    color: #5b3df5; background: transparent; border: 1px solid #cfc6f5; border-radius: 12px;
    padding: 4px 12px;
}
QPushButton[pageButton="true"]:hover { background: #efebff; }
QPushButton#cmdWriteAVI {
    color: white; background: #6a4cf0; border: none; border-radius: 6px;
    padding: 9px 28px; font-size: 12pt; font-weight: bold;
}
QPushButton#cmdWriteAVI:hover { background: #5b3df5; }
QPushButton#cmdWriteAVI:focus { border: 2px solid #b8a9ff; }
QPushButton#cmdWriteAVI[working="true"] { background: #d9465f; }
QFrame#pagePanel, QFrame#previewPanel {
    background: white; border: 1px solid #ddd8ea; border-radius: 8px;
}
QListWidget#M1 { border: 1px solid #ddd8ea; border-radius: 4px; }
QListWidget#M1::item { padding: 5px 4px; }
QLabel#lblStatus { color: #3d3654; }
)";

}  // namespace

void ApplyLumekLook(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = app.style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(0xf4, 0xf2, 0xf9));
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf5, 0xfc));
    palette.setColor(QPalette::Highlight, kAccent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, kAccent);
    palette.setColor(QPalette::Button, QColor(0xfb, 0xfa, 0xff));
    app.setPalette(palette);

    QFont font(QStringLiteral("NanumGothic"), 10);
    font.setFamilies({QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR"),
                      QStringLiteral("Sans Serif")});
    app.setFont(font);
    app.setStyleSheet(QString::fromUtf8(kStyleSheet));
    app.setWindowIcon(LumekIcon());
}

}  // namespace lumek
