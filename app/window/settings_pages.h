#pragma once

#include <QString>

class QWidget;

namespace lumek {

class PageDialogs;
class Studio;

// What the settings pages share with the window.
struct PageContext {
    Studio& studio;
    PageDialogs& dialogs;
    // Start folder of the image dialogs: the documents folder at every start, then the folder of
    // the image chosen last.
    QString& imageFolder;
};

// The content of settings page index (0, 1, 2, 4, 5, 6 or 8): its controls, each named as the
// settings it edits are, changing settings only through Studio::edit and following the studio's
// change notifications. The window puts it into its page container Sv<index> with the page
// buttons; the window redraws the preview after every change.
QWidget* CreateSettingsPage(int index, const PageContext& context, QWidget* parent);

}  // namespace lumek
