#pragma once

#include <QString>
#include <QStringList>

namespace lumek {

// The program's name as message boxes show it in their caption.
inline const QString kAppTitle = QStringLiteral("Lumek");

enum class MessageIcon { Information, Critical };

// What a make job or an add action reports as it goes; each front end shows it its own way.
enum class JobEvent {
    Started,      // the working state: editing controls off, the make button cancels
    SongStarted,  // the list entry songIndex is being built
    SongEnded,    // the list entry songIndex is done, whatever came of it
    Finished,     // idle again
};

// The only way the core reaches the user. The window shows dialogs and processes events; the
// command line answers from its options; tests record every call.
class UiHost {
public:
    virtual ~UiHost() = default;

    // The status line under the preview.
    virtual void status(const QString& text) = 0;
    // A message box with an OK button.
    virtual void message(const QString& title, const QString& text,
                         MessageIcon icon = MessageIcon::Information) = 0;
    // A Yes/No message box; true for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // Lets pending window events run. Long work calls this often, so it must stay cheap.
    virtual void pump() = 0;

    // The dialogs answer an empty text or list when dismissed.
    virtual QString askFolder(const QString& title, const QString& startFolder) = 0;
    virtual QString askSaveFile(const QString& title, const QString& startPath,
                                const QString& filter) = 0;
    virtual QStringList askOpenFiles(const QString& title, const QString& startFolder,
                                     const QString& filter) = 0;
    // The one-time codec choice of a make job: an index into codecs, or -1 when dismissed.
    // The choice starts at the suggested index.
    virtual int chooseCompressor(const QStringList& codecs, int suggested) = 0;
    // Progress of a make job: song songNumber of songCount, fraction 0..1 of that song done.
    virtual void progress(int songNumber, int songCount, double fraction) = 0;
    // A step of the running work; songIndex counts list entries from 0 (-1 when none is meant).
    virtual void jobEvent(JobEvent event, int songIndex) = 0;
};

}  // namespace lumek
