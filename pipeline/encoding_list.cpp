#include "pipeline/encoding_list.h"

#include "audio/song_info.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "base/ui_host.h"
#include "pipeline/job_state.h"

#include <QDir>

#include <algorithm>

namespace lumek {

namespace {

const QString kAddingStatus = QStringLiteral("리스트에 파일을 추가하는 중..");
const QString kFilesAdded = QStringLiteral("파일 추가가 완료되었습니다.");

// Analyses one file and lists it when it is a valid MP3, securing its lyric file first. Returns
// false when a cancel asked to stop.
bool AddOneFile(ListContext& c, const QString& path, QString& rejected) {
    if (!AnalyzeSong(path, c.song, c.engine, c.host)) {
        rejected += path + QStringLiteral("\r\n");
        return true;
    }
    // Every listed song has a lyric file: the download writes a placeholder when it finds none.
    if (!FileExists(LyricPathFor(path))) {
        const std::optional<int64_t> firstFrame = c.song.FirstFrame;
        DownloadLyrics(path, LengthInTenths(c.song.Duration), firstFrame, c.host, c.lyrics);
    }
    c.list.append(path);
    c.host.pump();
    if (c.job.CancelRequested) {
        c.host.status(QStringLiteral("파일 추가가 취소되었습니다."));
        return false;
    }
    return true;
}

void AddAll(ListContext& c, const QStringList& paths, const QString& completion) {
    QString rejected;
    for (const QString& path : paths) {
        if (!AddOneFile(c, path, rejected)) {
            return;
        }
    }
    if (!rejected.isEmpty()) {
        c.host.message(QStringLiteral("에러"),
                       QStringLiteral("아래의 파일들은 옳바른 MP3파일이 아니므로 추가되지 "
                                      "못했습니다.\r\n") +
                           rejected);
    }
    c.host.status(completion);
    SetWorking(c.job, c.host, false);
}

void StartAdding(ListContext& c) {
    c.host.status(kAddingStatus);
    SetWorking(c.job, c.host, true);
}

}  // namespace

bool EncodingList::append(const QString& path) {
    if (items_.contains(path)) {
        return false;
    }
    items_.append(path);
    return true;
}

void EncodingList::select(const QList<int>& indices) {
    selection_.clear();
    for (int index : indices) {
        if (index >= 0 && index < count() && !selection_.contains(index)) {
            selection_.append(index);
        }
    }
    std::sort(selection_.begin(), selection_.end());
}

void EncodingList::selectOnly(int index) {
    select({index});
}

void EncodingList::removeSelected() {
    // From the last selection back, so the indices still to remove stay valid.
    for (auto it = selection_.crbegin(); it != selection_.crend(); ++it) {
        items_.removeAt(*it);
    }
    selection_.clear();
}

void EncodingList::moveSelectedUp(bool jobRunning) {
    if (jobRunning || count() < 2 || selection_.isEmpty() || selection_.first() == 0) {
        return;
    }
    const int index = selection_.first();
    items_.move(index, index - 1);
    selectOnly(index - 1);
}

void SetWorking(JobState& job, UiHost& host, bool working) {
    job.Working = working;
    host.jobEvent(working ? JobEvent::Started : JobEvent::Finished, -1);
}

QStringList FindFiles(const QString& folder, const QString& pattern, bool recurse, UiHost& host) {
    host.pump();
    const QDir dir(folder);
    QStringList found;
    for (const QString& name : dir.entryList({pattern}, QDir::Files, QDir::Name)) {
        found.append(dir.filePath(name));
    }
    if (recurse) {
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            found += FindFiles(dir.filePath(name), pattern, recurse, host);
        }
    }
    return found;
}

void AddFilesFromDialog(ListContext& c) {
    c.job.CancelRequested = false;
    const QStringList paths =
        c.host.askOpenFiles(QStringLiteral("불러올 MP3 음악파일을 선택하세요."), c.job.Mp3Folder,
                            QStringLiteral("Music Files (*.mp3)"));
    if (paths.isEmpty() || paths.first().trimmed().isEmpty()) {
        return;
    }
    StartAdding(c);
    c.job.Mp3Folder = GetFolder(paths.first());
    AddAll(c, paths, kFilesAdded);
}

void AddFolder(ListContext& c) {
    const QString folder =
        c.host.askFolder(QStringLiteral("MP3파일을 불러올 폴더를 선택해주세요."), c.job.Mp3Folder);
    if (folder.isEmpty()) {
        return;
    }
    c.job.CancelRequested = false;
    c.job.Mp3Folder = folder;
    StartAdding(c);
    AddAll(c, FindFiles(folder, QStringLiteral("*.mp3"), false, c.host),
           QStringLiteral("폴더추가가 완료되었습니다."));
}

void AddDroppedFiles(ListContext& c, const QStringList& paths) {
    if (c.job.JobRunning) {
        return;
    }
    c.job.CancelRequested = false;
    QStringList songs;
    for (const QString& path : paths) {
        if (GetExtension(path, true) == u".mp3") {
            songs.append(path);
        }
    }
    StartAdding(c);
    AddAll(c, songs, kFilesAdded);
}

}  // namespace lumek
