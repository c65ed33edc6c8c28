#pragma once

#include "base/ui_host.h"

#include <QElapsedTimer>

#include <functional>
#include <optional>

namespace lumek::cli {

// The command line's UiHost: messages and status go to stderr, questions and dialogs take the
// answers the options gave, and a make job's progress is a bar on a terminal (plain lines
// otherwise).
class TerminalHost : public UiHost {
public:
    TerminalHost();

    bool quiet = false;
    // The answer to Yes/No questions (the first-run question: Yes is the iPhone preset).
    bool yesNoAnswer = true;
    // What the folder, save and codec dialogs answer; the codec choice takes the suggested
    // codec unless one was given.
    QString folderAnswer;
    QString saveFileAnswer;
    std::optional<int> compressorAnswer;
    // Runs at every pump: where a command looks at what came in meanwhile (stop signals).
    std::function<void()> onPump;

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
    // A song's bar ends with its song.
    void jobEvent(JobEvent event, int songIndex) override;

private:
    void endBar();

    const bool terminal_;
    bool barShown_ = false;
    int song_ = 0;
    int lastStep_ = -1;  // the last tenth of a song printed as a plain line
    QElapsedTimer songTimer_;
};

// Writes a line to stderr (UTF-8).
void PrintError(const QString& text);
// Writes a line to stdout (UTF-8).
void PrintOutput(const QString& text);

}  // namespace lumek::cli
