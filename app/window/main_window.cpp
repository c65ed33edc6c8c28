#include "app/window/main_window.h"

#include "base/numbers.h"

#include "app/studio.h"
#include "app/window/app_icon.h"
#include "app/window/encoding_list_view.h"
#include "app/window/page_dialogs.h"
#include "app/window/preview_pane.h"
#include "app/window/settings_pages.h"
#include "app/window/window_dialogs.h"
#include "base/numbers.h"
#include "lyrics/lyric_download.h"
#include "pipeline/song_build.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollArea>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace lumek {

namespace {

const QString kMakeCaption = QStringLiteral("만들기");
const QString kMakeTip = QStringLiteral("인코딩 목록의 파일들을 동영상으로 변환합니다.");
const QString kCancelCaption = QStringLiteral("취소");
const QString kCancelTip = QStringLiteral("작업을 중단합니다.");
const QString kWebAddress = QStringLiteral("https://lumek.example.org/");

// The titles of the nine pages; the side bar and the page buttons use the same words.
const std::array<QString, 9> kPageTitles = {
    QStringLiteral("가사 설정"),   QStringLiteral("배경 설정"),   QStringLiteral("출력 설정"),
    QStringLiteral("정보"),        QStringLiteral("효과 설정"),   QStringLiteral("외곽선·그림자"),
    QStringLiteral("커버 인트로"), QStringLiteral("인코딩 목록"), QStringLiteral("위치·크기")};

// The side bar's pages, and the side-bar page a page belongs to (pages without a button of
// their own are reached from one that has one).
constexpr std::array<int, 5> kSideBarPages = {0, 1, 3, 4, 7};
constexpr std::array<int, 9> kSideBarPageOf = {0, 1, 7, 3, 4, 0, 4, 7, 4};

// The page buttons inside the pages: from, to.
constexpr std::array<std::pair<int, int>, 8> kPageLinks = {
    {{0, 5}, {5, 0}, {7, 2}, {2, 7}, {4, 6}, {6, 4}, {6, 8}, {8, 6}}};

// The controls the working state switches off, by object name. Names a page does not have are
// skipped.
const QStringList kWorkingStateControls = {
    "hlng",  "hlng2", "Hlng3",   "Hlng4", "OPP1",   "OPP2",   "OPP3", "CPP0", "CPP1",  "CPP2",
    "O1",    "O2",    "O4",      "O5",    "O6",     "O8",     "O11",  "O12",  "O13",   "O14",
    "CB3",   "TTX",   "TTY",     "TTW",   "TTH",    "TY1",    "TY2",  "CLW",  "CLH",   "CLX",
    "CLY",   "CLT",   "cmdPlay", "Alng",  "C1",     "C2",     "C3",   "C4",   "C5",    "C6",
    "C7",    "C8",    "C9",      "C10",   "C11",    "C12",    "C13",  "C14",  "Text1", "Text2",
    "Text3", "Text4", "Text5",   "Text6", "Pysize", "Pxsize", "HS1",  "CB1",  "CB2",   "PS2",
    "PS3",   "PS4",   "PS5",     "PS6",   "PS7"};

// The temporary files a build may leave behind, in the order shut-down deletes them.
const QStringList kTemporaryFiles = {kTempMp3, kTempAvi, QStringLiteral("Lumek_Temp.bmp"),
                                     kMergedMp3};

void Describe(QWidget* widget, const QString& name, const QString& caption,
              const QString& tip = {}) {
    widget->setObjectName(name);
    widget->setAccessibleName(caption);
    if (!tip.isEmpty()) {
        widget->setToolTip(tip);
    }
}

bool IsPageButton(const QObject* object) {
    return object->property("pageButton").toBool();
}

void Restyle(QWidget* widget) {
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}

}  // namespace

MainWindow::MainWindow(WindowOptions options)
    : options_(std::move(options)),
      settingsPath_(options_.settingsPath.isEmpty() ? DefaultSettingsPath()
                                                    : options_.settingsPath),
      dialogs_(options_.dialogs ? std::move(options_.dialogs)
                                : std::make_unique<QtWindowDialogs>(this)),
      pageDialogs_(options_.pageDialogs ? std::move(options_.pageDialogs)
                                        : std::make_unique<QtPageDialogs>(this)),
      studio_(std::make_unique<Studio>(*this)) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("루멕 Lumek"));
    setWindowIcon(LumekIcon());
    setAccessibleName(QStringLiteral("루멕"));

    // Created in tab order: the side bar, the preview, the pages.
    QWidget* sideBar = BuildSideBar();
    pane_ = new PreviewPane(*studio_, this);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pagePanel"));
    pages_ = new QStackedWidget(panel);
    pages_->setObjectName(QStringLiteral("pages"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(16, 14, 16, 14);
    panelLayout->addWidget(pages_);
    for (int index = 0; index < 9; ++index) {
        pageContainers_[index] = BuildPage(index);
        pages_->addWidget(pageContainers_[index]);
    }
    panel->setMinimumSize(440, 560);

    auto* previewPanel = new QFrame(this);
    previewPanel->setObjectName(QStringLiteral("previewPanel"));
    auto* previewColumn = new QVBoxLayout(previewPanel);
    previewColumn->setContentsMargins(16, 16, 16, 16);
    previewColumn->addWidget(pane_);
    previewColumn->addStretch(1);
    auto* work = new QHBoxLayout;
    work->setContentsMargins(16, 16, 16, 16);
    work->setSpacing(16);
    work->addWidget(previewPanel);
    work->addWidget(panel, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(sideBar);
    layout->addLayout(work, 1);

    studio_->addChangeListener([this](const QStringList& keys) { SettingsChanged(keys); });
    EnableControls(true);
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::BuildSideBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("sideBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedWidth(168);
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(12, 18, 12, 18);
    layout->setSpacing(4);

    auto* logo = new QLabel(bar);
    logo->setObjectName(QStringLiteral("logo"));
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(DrawLumekIcon(static_cast<int>(56 * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    logo->setPixmap(pixmap);
    logo->setAlignment(Qt::AlignHCenter);
    auto* brand = new QLabel(QStringLiteral("Lumek"), bar);
    brand->setObjectName(QStringLiteral("brand"));
    brand->setAlignment(Qt::AlignHCenter);
    auto* note = new QLabel(QStringLiteral("가사 동영상 만들기"), bar);
    note->setObjectName(QStringLiteral("brandNote"));
    note->setAlignment(Qt::AlignHCenter);
    layout->addWidget(logo);
    layout->addWidget(brand);
    layout->addWidget(note);
    layout->addSpacing(22);

    for (int page : kSideBarPages) {
        auto* button = new QPushButton(kPageTitles[page], bar);
        Describe(button, QStringLiteral("SvB%1").arg(page), kPageTitles[page]);
        button->setCheckable(true);
        button->setProperty("pageButton", true);
        button->setCursor(Qt::PointingHandCursor);
        connect(button, &QPushButton::clicked, this, [this, page] { ShowPage(page); });
        sideButtons_[page] = button;
        layout->addWidget(button);
    }
    layout->addStretch(1);
    return bar;
}

QPushButton* MainWindow::PageButton(int from, int to, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption + QStringLiteral("  ›"), parent);
    Describe(button, QStringLiteral("SvB%1to%2").arg(from).arg(to), caption);
    button->setProperty("pageButton", true);
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &QPushButton::clicked, this, [this, to] { ShowPage(to); });
    return button;
}

QWidget* MainWindow::BuildPage(int index) {
    auto* container = new QWidget(pages_);
    Describe(container, QStringLiteral("Sv%1").arg(index), kPageTitles[index]);
    auto* title = new QLabel(kPageTitles[index], container);
    title->setProperty("pageTitle", true);
    QWidget* content = nullptr;
    if (index == 3) {
        content = BuildContactPage(container);
    } else if (index == 7) {
        content = BuildEncodingPage(container);
    } else {
        // A page scrolls rather than squeezing its rows when the screen (or a large font) leaves
        // too little room; as far as the cap allows, the window grows to show it whole.
        constexpr int kTallestUnscrolled = 680;
        auto* scroll = new QScrollArea(container);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setWidgetResizable(true);
        QWidget* settings = CreateSettingsPage(
            index, PageContext{*studio_, *pageDialogs_, imageFolder_}, scroll);
        scroll->setWidget(settings);
        // The page shows the panel's white through it.
        scroll->viewport()->setAutoFillBackground(false);
        settings->setAutoFillBackground(false);
        scroll->setMinimumSize(settings->sizeHint().width(),
                               std::min(settings->sizeHint().height(), kTallestUnscrolled));
        content = scroll;
    }
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(title);
    layout->addWidget(content, 1);
    // The encoding page has its link beside the make button.
    if (index != 7) {
        auto* links = new QHBoxLayout;
        links->addStretch(1);
        for (const auto& [from, to] : kPageLinks) {
            if (from == index) {
                links->addWidget(PageButton(from, to, kPageTitles[to], container));
            }
        }
        layout->addLayout(links);
    }
    return container;
}

QWidget* MainWindow::BuildContactPage(QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* icon = new QLabel(page);
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(DrawLumekIcon(static_cast<int>(96 * ratio)));
    pixmap.setDevicePixelRatio(ratio);
    icon->setPixmap(pixmap);
    auto* name = new QLabel(QStringLiteral("<b>Lumek</b> " LUMEK_VERSION), page);
    auto* text = new QLabel(QStringLiteral("문의사항 및 건의는 아래의 주소로 해주세요"), page);
    text->setObjectName(QStringLiteral("Label6"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignHCenter);
    auto* link = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(kWebAddress), page);
    Describe(link, QStringLiteral("Label7"), kWebAddress);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &QLabel::linkActivated, this,
            [](const QString& address) { QDesktopServices::openUrl(QUrl(address)); });
    auto* maker = new QLabel(QStringLiteral("— Lumek 개발팀"), page);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 24, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addSpacing(18);
    layout->addWidget(text);
    layout->addWidget(link, 0, Qt::AlignHCenter);
    layout->addWidget(maker, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    return page;
}

QWidget* MainWindow::BuildEncodingPage(QWidget* parent) {
    auto* page = new QWidget(parent);
    list_ = new EncodingListView(page);
    list_->setToolTip(
        QStringLiteral("MP3 파일을 끌어다 놓으면 목록에 추가됩니다. 오른쪽 "
                       "버튼을 누르면 선택한 항목이 위로 올라갑니다."));
    addFiles_ = new QPushButton(QStringLiteral("파일 추가"), page);
    Describe(addFiles_, QStringLiteral("cmdAddFiles"), QStringLiteral("파일 추가"),
             QStringLiteral("인코딩 목록에 MP3 파일을 추가합니다."));
    addFolder_ = new QPushButton(QStringLiteral("폴더 추가"), page);
    Describe(addFolder_, QStringLiteral("cmdAddFolder"), QStringLiteral("폴더 추가"),
             QStringLiteral("인코딩 목록에 지정한 폴더내의 모든 MP3파일을 추가합니다."));
    remove_ = new QPushButton(QStringLiteral("제거"), page);
    Describe(remove_, QStringLiteral("cmdRemove"), QStringLiteral("제거"),
             QStringLiteral("선택한 항목을 인코딩 목록에서 제거합니다."));
    make_ = new QPushButton(kMakeCaption, page);
    Describe(make_, QStringLiteral("cmdWriteAVI"), kMakeCaption, kMakeTip);
    make_->setCursor(Qt::PointingHandCursor);

    connect(addFiles_, &QPushButton::clicked, this, [this] { RunListAction(AddFilesFromDialog); });
    connect(addFolder_, &QPushButton::clicked, this, [this] { RunListAction(AddFolder); });
    connect(remove_, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(make_, &QPushButton::clicked, this, [this] { PressMakeButton(); });
    connect(list_, &EncodingListView::filesDropped, this,
            [this](const QStringList& paths) { DropFiles(paths); });
    connect(list_, &EncodingListView::moveUpRequested, this, [this] { MoveSelectedUp(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] { ListSelectionChanged(); });

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(addFiles_);
    listButtons->addWidget(addFolder_);
    listButtons->addWidget(remove_);
    listButtons->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(PageButton(7, 2, kPageTitles[2], page));
    bottom->addStretch(1);
    bottom->addWidget(make_);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_, 1);
    layout->addLayout(listButtons);
    layout->addSpacing(8);
    layout->addLayout(bottom);
    return page;
}

// ---- Start-up and shut-down ----

bool MainWindow::startUp() {
    startingUp_ = true;
    SyncList();
    if (!studio_->StartAudio()) {
        shutDown();
        return false;
    }
    QCoreApplication::processEvents();
    studio_->LoadSettings(settingsPath_);
    QCoreApplication::processEvents();
    // Closed while the first-run question was open: nothing more to start.
    if (shutDown_) {
        return false;
    }
    startingUp_ = false;
    FitCanvas();
    pane_->redraw();
    ShowPage(7);
    list_->setFocus();
    const QString documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + u'/';
    imageFolder_ = documents;
    ListContext context = studio_->listContext();
    context.job.Mp3Folder = documents;
    context.job.LastOutputFolder = documents;
    return true;
}

void MainWindow::shutDown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    if (studio_->job().Working) {
        PressMakeButton();
    }
    studio_->audio().close();
    studio_->audio().release();
    QCoreApplication::processEvents();
    if (!startingUp_ && !studio_->SaveSettings(settingsPath_)) {
        dialogs_->message(kAppTitle,
                          QStringLiteral("설정 파일을 저장할 수 없습니다: ") + settingsPath_,
                          MessageIcon::Critical);
    }
    ClosingAnimation();
    RemoveTemporaryFiles();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    shutDown();
    event->accept();
}

void MainWindow::ClosingAnimation() {
    if (!options_.closingAnimation || !isVisible() || isMaximized() || isFullScreen()) {
        return;
    }
    // Down to the centre line, then to the centre point: 12 steps of about 25 ms.
    constexpr int kSteps = 6;
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(0, 0);
    const QRect start = geometry();
    for (int step = 1; step <= 2 * kSteps; ++step) {
        const double height = step <= kSteps ? 1.0 - double(step) / kSteps : 0.0;
        const double width = step <= kSteps ? 1.0 : 1.0 - double(step - kSteps) / kSteps;
        const int h = std::max(1, static_cast<int>(start.height() * height));
        const int w = std::max(1, static_cast<int>(start.width() * width));
        setGeometry(start.center().x() - w / 2, start.center().y() - h / 2, w, h);
        QCoreApplication::processEvents();
        QThread::msleep(25);
    }
}

void MainWindow::RemoveTemporaryFiles() {
    const BuildContext build = studio_->buildContext();
    for (const QString& name : kTemporaryFiles) {
        if (QFile::remove(build.tempFile(name))) {
            QCoreApplication::processEvents();
        }
    }
    // Whatever else a build left there goes too; the folder itself goes when the program ends.
    const QDir folder(build.tempFolder);
    for (const QString& name :
         folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        QDir(folder.filePath(name)).removeRecursively();
        QFile::remove(folder.filePath(name));
    }
}

void MainWindow::addPaths(const QStringList& paths) {
    QStringList files;
    const auto addFiles = [&] {
        if (!files.isEmpty()) {
            DropFiles(files);
            files.clear();
        }
    };
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            addFiles();
            folderAnswer_ = QDir(info.absoluteFilePath()).path() + u'/';
            RunListAction(AddFolder);
            folderAnswer_.clear();
        } else {
            files.append(info.absoluteFilePath());
        }
    }
    addFiles();
}

// ---- Pages and the working state ----

void MainWindow::ShowPage(int index) {
    if (index < 0 || index >= 9) {
        return;
    }
    pages_->setCurrentWidget(pageContainers_[index]);
    for (int page : kSideBarPages) {
        if (sideButtons_[page]) {
            sideButtons_[page]->setChecked(page == kSideBarPageOf[index]);
        }
    }
}

int MainWindow::currentPage() const {
    const auto it =
        std::find(pageContainers_.begin(), pageContainers_.end(), pages_->currentWidget());
    return it == pageContainers_.end() ? -1 : static_cast<int>(it - pageContainers_.begin());
}

void MainWindow::EnableControls(bool enabled) {
    if (!enabled) {
        const auto switchOff = [this](QWidget* control) {
            if (control->isEnabled() && control != make_ && control != list_) {
                control->setEnabled(false);
                disabled_.append(control);
            }
        };
        for (const QString& name : kWorkingStateControls) {
            for (QWidget* control : findChildren<QWidget*>(name)) {
                switchOff(control);
            }
        }
        // The list's buttons and the pages' other push buttons; moving between pages stays.
        for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
            if ((qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)) &&
                !IsPageButton(button)) {
                switchOff(button);
            }
        }
        if (auto* timer = findChild<QTimer*>(QStringLiteral("Timer1"))) {
            timer->stop();
        }
    } else {
        list_->clearBold();
        for (const QPointer<QWidget>& control : std::as_const(disabled_)) {
            if (control) {
                control->setEnabled(true);
            }
        }
        disabled_.clear();
    }
    make_->setText(enabled ? kMakeCaption : kCancelCaption);
    make_->setAccessibleName(make_->text());
    make_->setToolTip(enabled ? kMakeTip : kCancelTip);
    make_->setProperty("working", !enabled);
    Restyle(make_);
}

void MainWindow::SettingsChanged(const QStringList& keys) {
    if (keys.contains(u"PsizeX") || keys.contains(u"PsizeY")) {
        FitCanvas();
    }
    if (!startingUp_) {
        pane_->redraw();
    }
}

void MainWindow::FitCanvas() {
    pane_->canvasResized();
    // The window follows the canvas, smaller as well as larger, unless it fills the screen.
    // (adjustSize would hold a window to two thirds of the screen.)
    if (!isMaximized() && !isFullScreen()) {
        layout()->activate();
        QSize size = sizeHint();
        if (const QScreen* display = screen()) {
            size = size.boundedTo(display->availableSize());
        }
        resize(size.expandedTo(minimumSize()));
    }
}

// ---- The encoding list ----

void MainWindow::SyncList() {
    list_->showPaths(studio_->list().items());
    list_->showSelection(studio_->list().selection());
}

void MainWindow::ListSelectionChanged() {
    EncodingList& list = studio_->list();
    const QList<int> rows = list_->selectedRows();
    list.select(rows);
    // A song chosen by the user is loaded for the preview; a job selects entries itself.
    const int row = list_->currentRow();
    if (studio_->job().Working || row < 0 || !rows.contains(row)) {
        return;
    }
    const QString path = list.items().value(row);
    if (path == studio_->selectedSong()) {
        return;
    }
    pane_->selectSong(path);
}

void MainWindow::RunListAction(void (*action)(ListContext&)) {
    ListContext context = studio_->listContext();
    action(context);
    SyncList();
}

void MainWindow::DropFiles(const QStringList& paths) {
    ListContext context = studio_->listContext();
    AddDroppedFiles(context, paths);
    SyncList();
}

void MainWindow::MoveSelectedUp() {
    EncodingList& list = studio_->list();
    list.select(list_->selectedRows());
    list.moveSelectedUp(studio_->job().JobRunning);
    SyncList();
}

void MainWindow::RemoveSelected() {
    EncodingList& list = studio_->list();
    list.select(list_->selectedRows());
    list.removeSelected();
    SyncList();
}

void MainWindow::PressMakeButton() {
    // A playing preview stops following first; nothing else of it changes.
    pane_->stopFollowing();
    studio_->PressMakeButton();
    SyncList();
}

// ---- UiHost ----

void MainWindow::status(const QString& text) {
    if (pane_ != nullptr) {
        pane_->setStatus(text);
    }
}

void MainWindow::message(const QString& title, const QString& text, MessageIcon icon) {
    dialogs_->message(title, text, icon);
}

bool MainWindow::askYesNo(const QString& title, const QString& text) {
    return dialogs_->askYesNo(title, text);
}

void MainWindow::pump() {
    // Long work calls this every frame or file; events every 15 ms keep the window responsive
    // without spending the work's time on them.
    if (sincePump_.isValid() && sincePump_.elapsed() < 15) {
        return;
    }
    if (list_ != nullptr) {
        SyncList();
    }
    QCoreApplication::processEvents();
    sincePump_.restart();
}

QString MainWindow::askFolder(const QString& title, const QString& startFolder) {
    if (!folderAnswer_.isEmpty()) {
        return std::exchange(folderAnswer_, QString());
    }
    return dialogs_->askFolder(title, startFolder);
}

QString MainWindow::askSaveFile(const QString& title, const QString& startPath,
                                const QString& filter) {
    return dialogs_->askSaveFile(title, startPath, filter);
}

QStringList MainWindow::askOpenFiles(const QString& title, const QString& startFolder,
                                     const QString& filter) {
    return dialogs_->askOpenFiles(title, startFolder, filter);
}

int MainWindow::chooseCompressor(const QStringList& codecs, int suggested) {
    return dialogs_->chooseCompressor(codecs, suggested);
}

void MainWindow::progress(int songNumber, int songCount, double fraction) {
    if (songCount > 0) {
        pane_->setProgress((songNumber - 1 + std::clamp(fraction, 0.0, 1.0)) / songCount);
    }
}

void MainWindow::jobEvent(JobEvent event, int songIndex) {
    switch (event) {
        case JobEvent::Started:
            EnableControls(false);
            break;
        case JobEvent::SongStarted:
            SyncList();
            list_->setBold(songIndex, true);
            break;
        case JobEvent::SongEnded:
            list_->setBold(songIndex, false);
            break;
        case JobEvent::Finished:
            SyncList();
            EnableControls(true);
            pane_->setProgress(-1);
            break;
    }
}

}  // namespace lumek
