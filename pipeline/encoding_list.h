#pragma once

#include "lyrics/lyric_download.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace lumek {

class AudioEngine;
class UiHost;
struct JobState;
struct SongInfo;

// The songs the next make job turns into videos, in build order. Entries are full MP3 paths,
// never two the same (compared exactly, so a path spelled differently is another entry).
class EncodingList {
public:
    const QStringList& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    bool isEmpty() const { return items_.isEmpty(); }

    // Appends a path unless an entry already has exactly that text; false for a duplicate.
    bool append(const QString& path);

    // Selected entries (several may be selected for removal).
    const QList<int>& selection() const { return selection_; }
    void select(const QList<int>& indices);
    void selectOnly(int index);
    // Removes the selected entries; the files themselves are not touched.
    void removeSelected();
    // Moves the one selected entry up by one and keeps it selected. Ignored while a job runs,
    // with fewer than two entries, or when the first entry or nothing is selected.
    void moveSelectedUp(bool jobRunning);

private:
    QStringList items_;
    QList<int> selection_;  // ascending
};

// Enters (working) or leaves the working state and reports it as JobEvent::Started or
// JobEvent::Finished.
void SetWorking(JobState& job, UiHost& host, bool working);

// The ordinary files of a folder matching a wildcard pattern ("*.mp3", matched without regard
// to case), as folder + name in the order of their names, and with recurse those of its
// subfolders after them. Hidden files and folders are left out.
QStringList FindFiles(const QString& folder, const QString& pattern, bool recurse, UiHost& host);

// What the add actions work with.
struct ListContext {
    EncodingList& list;
    JobState& job;
    SongInfo& song;  // describes the file analysed last
    AudioEngine& engine;
    UiHost& host;
    LyricService lyrics;
};

// The three ways songs get into the list. Each analyses every file, downloads the lyrics of a
// song that has no lyric file, appends the valid songs, reports the files that are not MP3
// files in one message, and stops after the current file when a cancel is requested.
void AddFilesFromDialog(ListContext& context);
void AddFolder(ListContext& context);
void AddDroppedFiles(ListContext& context, const QStringList& paths);

}  // namespace lumek
