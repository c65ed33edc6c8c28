#pragma once

#include "pipeline/compressor_choice.h"

#include <QString>

namespace lumek {

// The make job's state, shared by the encoding list, the job driver and the song builds.
struct JobState {
    bool JobRunning = false;       // a make job's work is under way
    bool CancelRequested = false;  // the work was asked to stop; polled once per frame
    // A make job or an add action holds the working state: the next start-or-cancel cancels
    // it. A cancel ends the working state at once, while the build winds down with
    // JobRunning still set until its next frame.
    bool Working = false;
    QString OutputFolder;         // the folder of a per-file job, ending with a separator
    QString LastOutputFolder;     // folder of the last video written; start of the output dialogs
    QString Mp3Folder;            // start of the MP3 dialogs
    CompressorChoice compressor;  // the codec chosen once per job
};

}  // namespace lumek
