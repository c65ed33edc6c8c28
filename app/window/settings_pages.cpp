#include "app/window/settings_pages.h"

#include <QWidget>

namespace lumek {

// Scaffold until the pages' controls land: an empty page.
QWidget* CreateSettingsPage(int, const PageContext&, QWidget* parent) {
    return new QWidget(parent);
}

}  // namespace lumek
