#pragma once

#include <QString>

#include <cstddef>

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

// A file on its way to its place outside the temporary folder (a partial file beside its
// target, an output written in place) for as long as the object lives: an ending on a signal
// removes it. At most kMaxPendingFiles are noted at once; more are not noted.
class PendingFile {
public:
    static constexpr size_t kMaxPendingFiles = 8;

    explicit PendingFile(const QString& path);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

private:
    int slot_ = -1;
};

// For a program ending on a signal, from the handler: removes the pending files and the run's
// temporary folder with everything in it, with async-signal-safe calls only.
void RemoveRunFilesNow();

}  // namespace lumek
