#include "pipeline/make_job.h"

#include "audio/mp3_merge.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/temp_folder.h"
#include "base/ui_host.h"
#include "pipeline/encoding_list.h"
#include "pipeline/job_state.h"
#include "pipeline/song_build.h"
#include "render/frame_composer.h"

#include <QFile>

#include <algorithm>

namespace lumek {

namespace {

const QString kAllDone = QStringLiteral("모든 작업이 완료되었습니다.");

void EndJob(BuildContext& c, const QString& status) {
    if (!status.isEmpty()) {
        c.host.status(status);
    }
    SetWorking(c.job, c.host, false);
    c.job.JobRunning = false;
}

void MakeOneVideoPerSong(BuildContext& c, JobOutcome& outcome) {
    const QString folder = c.host.askFolder(QStringLiteral("동영상을 저장할 경로를 설정해주세요."),
                                            c.job.LastOutputFolder);
    if (folder.isEmpty()) {
        EndJob(c, {});
        return;
    }
    c.job.OutputFolder = folder;
    const int count = c.list.count();
    for (int i = 0; i < count && i < c.list.count(); ++i) {
        c.list.selectOnly(i);
        c.host.jobEvent(JobEvent::SongStarted, i);
        if (c.job.CancelRequested) {
            EndJob(c, QStringLiteral("작업이 중지되었습니다."));
            return;
        }
        const QString video = BuildSongVideo(c, c.list.items().value(i), i + 1, c.list.count());
        if (video.isEmpty()) {
            ++outcome.failed;
        } else {
            outcome.videos.append(video);
        }
        c.host.jobEvent(JobEvent::SongEnded, i);
    }
    EndJob(c, kAllDone);
}

void MakeOneVideo(BuildContext& c, JobOutcome& outcome) {
    c.host.status(QStringLiteral("MP3파일들을 하나로 합치는 중.."));
    const QString merged = c.tempFile(kMergedMp3);
    QFile::remove(merged);
    c.host.pump();
    for (const QString& song : c.list.items()) {
        AppendMp3(song, merged, c.engine, c.host);
        c.host.pump();
        if (c.job.CancelRequested) {
            return;  // the cancel has already ended the working state
        }
    }
    c.host.status(QStringLiteral("MP3파일 합치기 완료."));

    QString output;
    const QString extension = OutputExtension(c.settings.OutputExt);
    if (!c.job.CancelRequested && !extension.isEmpty()) {
        const int count = c.list.count();
        const QString suffix = count >= 2 ? QStringLiteral(" 외 %1개").arg(count) : QString();
        QString name = GetFileName(c.list.items().value(0));
        name.chop(4);
        output = c.host.askSaveFile(
            QStringLiteral("동영상 저장 경로를 설정하세요"),
            c.job.LastOutputFolder + u'/' + name + suffix + u'.' + extension,
            QStringLiteral("%1 File (*.%2)").arg(extension.toUpper(), extension));
    }
    const QString video = BuildMergedVideo(c, output.trimmed());
    if (video.isEmpty()) {
        ++outcome.failed;
    } else {
        outcome.videos.append(video);
    }
    EndJob(c, kAllDone);
}

}  // namespace

JobOutcome StartOrCancelJob(BuildContext& c, ListContext& list) {
    // Every press starts the renderers afresh and asks for the codec again.
    ResetSongState(c.renderContext());
    c.job.compressor = {};

    JobOutcome outcome;
    if (c.job.Working) {
        c.job.CancelRequested = true;
        SetWorking(c.job, c.host, false);
        QFile::remove(c.tempFile(kTempMp3));
        c.host.pump();
        return outcome;
    }
    c.job.CancelRequested = false;
    // Temporary files go into the run's private folder or nowhere.
    if (c.tempFolder.isEmpty()) {
        c.host.status(RunTempFolder().problem);
        outcome.failed = std::max(c.list.count(), 1);
        return outcome;
    }
    if (c.list.isEmpty()) {
        AddFilesFromDialog(list);
        if (c.list.isEmpty()) {
            return outcome;
        }
    }
    SetWorking(c.job, c.host, true);
    c.job.JobRunning = true;
    if (c.settings.VideoMode == 1) {
        MakeOneVideo(c, outcome);
    } else {
        MakeOneVideoPerSong(c, outcome);
    }
    return outcome;
}

}  // namespace lumek
