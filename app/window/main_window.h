#pragma once

#include "app/window/page_dialogs.h"
#include "app/window/window_dialogs.h"
#include "base/ui_host.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

class QAbstractButton;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace lumek {

class EncodingListView;
struct ListContext;
class PreviewPane;
class Studio;

struct WindowOptions {
    // The settings file; empty for the default beside the program or in the user's folder.
    QString settingsPath;
    // The dialogs; null for the platform's. Tests answer them from a queue.
    std::unique_ptr<WindowDialogs> dialogs;
    std::unique_ptr<PageDialogs> pageDialogs;
    // The short shrinking of the window as it closes.
    bool closingAnimation = true;
};

// The main window: the preview area, the side bar, the nine settings pages (page 3 the contact
// page, page 7 the encoding list with the make button). It owns the Studio and is its UiHost.
class MainWindow : public QWidget, public UiHost {
    Q_OBJECT
public:
    explicit MainWindow(WindowOptions options = {});
    ~MainWindow() override;

    // Start-up in its order: the audio engine and its checks, the settings (or the first-run
    // question), the first preview, page 7, the default folders. False when the audio engine
    // can't start (the user has been told and the window is shut down without saving) or the
    // window was closed during start-up.
    bool startUp();
    // Cancels a running job, releases the audio engine, saves the settings (not while start-up
    // runs), shrinks the window and deletes the temporary files. Runs once; closing the window,
    // a termination signal and a session logout all end here.
    void shutDown();
    bool isShutDown() const { return shutDown_; }

    // Songs and folders from the command line, added as the add actions add them: files as if
    // dropped, each folder as if chosen in the folder dialog.
    void addPaths(const QStringList& paths);

    // Switches between the idle state (true) and the working state of a job or an add action:
    // the editing controls of every page on or off, the make button's caption and tooltip.
    void EnableControls(bool enabled);
    void ShowPage(int index);
    int currentPage() const;

    Studio& studio() { return *studio_; }
    PreviewPane& previewPane() { return *pane_; }
    EncodingListView& encodingList() { return *list_; }
    QString settingsPath() const { return settingsPath_; }

    // ---- UiHost ----
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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildSideBar();
    QWidget* BuildPage(int index);
    QWidget* BuildContactPage(QWidget* parent);
    QWidget* BuildEncodingPage(QWidget* parent);
    QPushButton* PageButton(int from, int to, const QString& caption, QWidget* parent);

    void SettingsChanged(const QStringList& keys);
    // Lays the preview out around the canvas's new size.
    void FitCanvas();
    // The list control shows the studio's encoding list and its selection.
    void SyncList();
    void ListSelectionChanged();
    void RunListAction(void (*action)(ListContext&));
    void DropFiles(const QStringList& paths);
    void MoveSelectedUp();
    void RemoveSelected();
    void PressMakeButton();
    void ClosingAnimation();
    void RemoveTemporaryFiles();

    WindowOptions options_;
    QString settingsPath_;
    // Declared before the studio: it speaks to the user through them from its constructor on.
    std::unique_ptr<WindowDialogs> dialogs_;
    std::unique_ptr<PageDialogs> pageDialogs_;
    std::unique_ptr<Studio> studio_;
    QString imageFolder_;

    PreviewPane* pane_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::array<QWidget*, 9> pageContainers_{};
    std::array<QPointer<QAbstractButton>, 9> sideButtons_{};
    EncodingListView* list_ = nullptr;
    QPushButton* addFiles_ = nullptr;
    QPushButton* addFolder_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* make_ = nullptr;

    // Set from the first step of start-up to its last: no preview drawing, no saving.
    bool startingUp_ = false;
    bool shutDown_ = false;
    // The controls the working state switched off, switched on again in the idle state as they
    // were (a box the pages disabled stays disabled).
    QList<QPointer<QWidget>> disabled_;
    QElapsedTimer sincePump_;
    // The answer of the next folder question, given by the command line instead of the dialog.
    QString folderAnswer_;
};

}  // namespace lumek
