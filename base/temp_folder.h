#pragma once

#include <QString>

namespace lumek {

// The run's private temporary folder, made at the first call inside $TMPDIR (/tmp when it is
// unset or empty) and removed, with what the run put in it, when the program ends. When it
// can't be made, path is empty and problem names the folder tried and the system's reason;
// nothing is then ever put in the current folder or the root instead.
struct TempFolder {
    QString path;
    QString problem;
};
const TempFolder& RunTempFolder();

}  // namespace lumek
