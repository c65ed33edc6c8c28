#pragma once

#include <QStringList>

namespace lumek {

// The desktop program: makes the application with its look, opens the main window, adds the
// songs and folders given, and runs until the window closes (also on SIGTERM, SIGINT or a
// session logout, which close it through its shut-down). Returns the exit status.
int RunWindow(int& argc, char** argv, const QStringList& paths);

}  // namespace lumek
