#include "support/recording_host.h"

namespace lumek::testing {

namespace {

template <typename T>
T TakeFirst(std::deque<T>& replies, T fallback) {
    if (replies.empty()) {
        return fallback;
    }
    T reply = std::move(replies.front());
    replies.pop_front();
    return reply;
}

}  // namespace

void RecordingHost::status(const QString& text) {
    statuses.push_back(text);
}

void RecordingHost::message(const QString& title, const QString& text, MessageIcon icon) {
    messages.push_back({title, text, icon});
}

bool RecordingHost::askYesNo(const QString& title, const QString& text) {
    questions.push_back({title, text, MessageIcon::Information});
    return TakeFirst(yesNoReplies, false);
}

void RecordingHost::pump() {
    ++pumps;
    if (onPump) {
        onPump();
    }
}

QString RecordingHost::askFolder(const QString&, const QString&) {
    return TakeFirst(folderReplies, QString());
}

QString RecordingHost::askSaveFile(const QString&, const QString&, const QString&) {
    return TakeFirst(saveFileReplies, QString());
}

QStringList RecordingHost::askOpenFiles(const QString&, const QString&, const QString&) {
    return TakeFirst(openFilesReplies, QStringList());
}

int RecordingHost::chooseCompressor(const QStringList&, int suggested) {
    compressorSuggestions.push_back(suggested);
    return TakeFirst(compressorReplies, -1);
}

void RecordingHost::progress(int, int, double fraction) {
    progressFractions.push_back(fraction);
}

void RecordingHost::jobEvent(JobEvent event, int songIndex) {
    events.push_back({event, songIndex});
}

}  // namespace lumek::testing
