#pragma once

#include "base/ui_host.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace lumek {

// The questions the core asks through the window, behind one seam: the window shows the
// platform's dialogs, tests answer them without a modal box.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    virtual void message(const QString& title, const QString& text, MessageIcon icon) = 0;
    // True for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // The empty text or list when dismissed; a folder ends with a separator.
    virtual QString askFolder(const QString& title, const QString& startFolder) = 0;
    // Asks before overwriting an existing file.
    virtual QString askSaveFile(const QString& title, const QString& startPath,
                                const QString& filter) = 0;
    // Several files may be chosen; they must exist.
    virtual QStringList askOpenFiles(const QString& title, const QString& startFolder,
                                     const QString& filter) = 0;
    // An index into codecs with suggested preselected, or -1 when dismissed.
    virtual int chooseCompressor(const QStringList& codecs, int suggested) = 0;
};

// The platform's dialogs, owned by the window.
class QtWindowDialogs : public WindowDialogs {
public:
    explicit QtWindowDialogs(QWidget* owner) : owner_(owner) {}

    void message(const QString& title, const QString& text, MessageIcon icon) override;
    bool askYesNo(const QString& title, const QString& text) override;
    QString askFolder(const QString& title, const QString& startFolder) override;
    QString askSaveFile(const QString& title, const QString& startPath,
                        const QString& filter) override;
    QStringList askOpenFiles(const QString& title, const QString& startFolder,
                             const QString& filter) override;
    int chooseCompressor(const QStringList& codecs, int suggested) override;

private:
    QWidget* owner_;
};

}  // namespace lumek
