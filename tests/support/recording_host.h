#pragma once

#include "base/ui_host.h"

#include <deque>
#include <functional>
#include <vector>

namespace lumek::testing {

// A UiHost that records what the core shows and answers questions from queued replies.
class RecordingHost : public UiHost {
public:
    struct Message {
        QString title;
        QString text;
        MessageIcon icon;
    };

    std::vector<QString> statuses;
    std::vector<Message> messages;
    std::vector<Message> questions;
    int pumps = 0;
    // Runs at every pump, as a click handled while work goes on would.
    std::function<void()> onPump;

    // Replies handed out in order; when they run out the host answers No / dismisses.
    std::deque<bool> yesNoReplies;
    std::deque<QString> folderReplies;
    std::deque<QString> saveFileReplies;
    std::deque<QStringList> openFilesReplies;
    std::deque<int> compressorReplies;
    std::vector<int> compressorSuggestions;  // what each codec choice suggested
    std::vector<double> progressFractions;
    struct Event {
        JobEvent event;
        int songIndex;
        bool operator==(const Event&) const = default;
    };
    std::vector<Event> events;

    void status(const QString& text) override;
    void message(const QString& title, const QString& text, MessageIcon icon) override;
    bool askYesNo(const QString& title, const QString& text) override;
    void pump() override;
    QString askFolder(const QString& title, const QString& startFolder) override;
    QString askSaveFile(const QString& title, const QString& startPath,
                        const QString& filter) override;
    QStringList askOpenFiles(const QString& title, const QString& startFolder,
                             const QString& filter) override;
    int chooseCompressor(const QStringList& codecs, int suggested) override;
    void progress(int songNumber, int songCount, double fraction) override;
    void jobEvent(JobEvent event, int songIndex) override;
};

}  // namespace lumek::testing
