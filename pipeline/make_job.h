#pragma once

#include <QStringList>

namespace lumek {

struct BuildContext;
struct ListContext;

// What a make job left behind.
struct JobOutcome {
    QStringList videos;  // the videos written, in the order they were made
    int failed = 0;      // songs (or the one joined video) that gave no video
};

// While a job (or an add action) works, cancels it: raises the cancel flag the running work
// polls and ends the working state at once. Otherwise starts a job over the encoding list
// (asking for songs when the list is empty): one video per song into a chosen folder, or, with
// VideoMode, one video of all songs joined.
JobOutcome StartOrCancelJob(BuildContext& build, ListContext& list);

}  // namespace lumek
