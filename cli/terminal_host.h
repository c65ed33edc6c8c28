#pragma once

#include "base/ui_host.h"

namespace lumek::cli {

// The command line's UiHost: messages and status go to stderr, questions take the answers the
// options gave.
class TerminalHost : public UiHost {
public:
    bool quiet = false;
    // The answer to Yes/No questions (the first-run question: Yes is the iPhone preset).
    bool yesNoAnswer = true;

    void status(const QString& text) override;
    void message(const QString& title, const QString& text, MessageIcon icon) override;
    bool askYesNo(const QString& title, const QString& text) override;
    void pump() override {}
    QString askFolder(const QString& title, const QString& startFolder) override;
    QString askSaveFile(const QString& title, const QString& startPath,
                        const QString& filter) override;
    QStringList askOpenFiles(const QString& title, const QString& startFolder,
                             const QString& filter) override;
    int chooseCompressor(const QStringList& codecs) override;
    void progress(int songNumber, int songCount, double fraction) override;
};

// Writes a line to stderr (UTF-8).
void PrintError(const QString& text);
// Writes a line to stdout (UTF-8).
void PrintOutput(const QString& text);

}  // namespace lumek::cli
