#include "app/window/page_dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

namespace lumek {

namespace {

// Colours are 0x00BBGGRR: red in the low byte.
QColor ToQColor(int32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int32_t FromQColor(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

}  // namespace

std::optional<int32_t> QtPageDialogs::pickColour(int32_t initial) {
    // QColorDialog keeps its custom colours for the life of the application.
    const QColor chosen = QColorDialog::getColor(ToQColor(initial), owner_);
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return FromQColor(chosen);
}

std::optional<PageDialogs::Font> QtPageDialogs::pickFont(const Font& initial) {
    QFont font(initial.face);
    font.setPointSizeF(initial.size > 0 ? initial.size : 10);
    font.setBold(initial.bold);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, owner_);
    if (!ok) {
        return std::nullopt;
    }
    return Font{chosen.family(), chosen.pointSizeF(), chosen.bold()};
}

QString QtPageDialogs::askImageFile(const QString& title, const QString& startFolder) {
    return QFileDialog::getOpenFileName(
        owner_, title, startFolder,
        QStringLiteral("Image Files (*.bmp *.gif *.ico *.jpg *.jpeg *.png)"));
}

}  // namespace lumek
