// The main window on Qt's offscreen platform: start-up and shut-down, the encoding list's add,
// drop, move-up and remove actions, and make jobs with the real encoder. Dialogs are answered
// from queues, so no test waits on a modal box.

#include "app/window/main_window.h"
#include "app/studio.h"
#include "app/window/encoding_list_view.h"
#include "app/window/preview_pane.h"
#include "app/window/quit_signals.h"
#include "app/window/window_dialogs.h"
#include "audio/audio_fixtures.h"
#include "base/inifile.h"
#include "base/paths.h"
#include "base/settings_keys.h"
#include "base/text_file.h"
#include "pipeline/song_build.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <set>

namespace lumek {
namespace {

// A port nothing listens on: a song without a lyric file gets the placeholder at once.
const QString kNoLyricsService = QStringLiteral("http://127.0.0.1:9/");
const QString kFirstRunTitle = QStringLiteral("루멕 기본설정");

// Answers the window's questions from the recording host's queues and records what it was asked
// and told there.
class RecordingDialogs : public WindowDialogs {
public:
    testing::RecordingHost host;

    void message(const QString& title, const QString& text, MessageIcon icon) override {
        host.message(title, text, icon);
    }
    bool askYesNo(const QString& title, const QString& text) override {
        return host.askYesNo(title, text);
    }
    QString askFolder(const QString& title, const QString& startFolder) override {
        return host.askFolder(title, startFolder);
    }
    QString askSaveFile(const QString& title, const QString& startPath,
                        const QString& filter) override {
        return host.askSaveFile(title, startPath, filter);
    }
    QStringList askOpenFiles(const QString& title, const QString& startFolder,
                             const QString& filter) override {
        return host.askOpenFiles(title, startFolder, filter);
    }
    int chooseCompressor(const QStringList& codecs, int suggested) override {
        return host.chooseCompressor(codecs, suggested);
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }
    void TearDown() override {
        if (window) {
            window->shutDown();
        }
    }

    QString path(const QString& name) const { return QDir(folder_.path()).filePath(name); }
    QString settingsPath() const { return path("LumekSetting.ini"); }

    // Opens and starts a window on this test's settings file; the first-run question gets the
    // given answers.
    void Open(std::deque<bool> yesNo = {true}) {
        auto recording = std::make_unique<RecordingDialogs>();
        dialogs = &recording->host;
        dialogs->yesNoReplies = std::move(yesNo);
        WindowOptions options;
        options.settingsPath = settingsPath();
        options.dialogs = std::move(recording);
        options.closingAnimation = false;
        window = std::make_unique<MainWindow>(std::move(options));
        window->show();
        ASSERT_TRUE(window->startUp());
        window->studio().edit(u"LyricsURL", kNoLyricsService);
    }

    template <typename T = QWidget>
    T* Find(const QString& name) {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QStringList Entries() {
        QStringList texts;
        for (int row = 0; row < window->encodingList().count(); ++row) {
            texts.append(window->encodingList().item(row)->text());
        }
        return texts;
    }
    QString Status() { return Find<QLabel>("lblStatus")->text(); }
    std::set<int> BoldRows() {
        std::set<int> rows;
        for (int row = 0; row < window->encodingList().count(); ++row) {
            if (window->encodingList().isBold(row)) {
                rows.insert(row);
            }
        }
        return rows;
    }

    QString Song(const QString& name, double seconds, const QStringList& lyrics = {}) {
        return testing::SongIn(folder_.path(), name, seconds, lyrics);
    }

    QTemporaryDir folder_;
    testing::RecordingHost* dialogs = nullptr;
    std::unique_ptr<MainWindow> window;
};

// ---- Start-up and shut-down ----

struct FirstRunCase {
    bool yes;
    QSize canvas;
};

class FirstRun : public MainWindowTest, public ::testing::WithParamInterface<FirstRunCase> {};

TEST_P(FirstRun, AsksOnceSavesAtShutDownAndLeavesNoTemporaryFile) {
    const FirstRunCase c = GetParam();
    Open({c.yes});
    ASSERT_EQ(dialogs->questions.size(), 1u);
    EXPECT_EQ(dialogs->questions[0].title, kFirstRunTitle);
    EXPECT_EQ(window->studio().canvas().image().size(), c.canvas);
    EXPECT_EQ(Find("Picture1")->size(), c.canvas);
    EXPECT_EQ(window->currentPage(), 7);
    EXPECT_TRUE(Find("Sv7")->isVisible());
    EXPECT_EQ(Find<QPushButton>("cmdWriteAVI")->text(), "만들기");
    EXPECT_FALSE(QFile::exists(settingsPath())) << "nothing is written before shut-down";

    // A build's leftover in the run's temporary folder.
    const QString temporary = window->studio().buildContext().tempFolder;
    ASSERT_TRUE(QDir(temporary).exists());
    ASSERT_TRUE(WriteTextFile(QDir(temporary).filePath(kTempAvi), QStringLiteral("frames")));
    window->shutDown();
    EXPECT_TRUE(QDir(temporary).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    const IniFile saved = IniFile::Load(settingsPath());
    EXPECT_EQ(saved.value(kSettingsSection, kSettingsVersionKey), kSettingsVersion);
    EXPECT_EQ(saved.value(kSettingsSection, u"PsizeX"), QString::number(c.canvas.width()));
    EXPECT_EQ(saved.value(kSettingsSection, u"StartSetting"), c.yes ? "1" : "0");

    // The second start reads the file and asks nothing; a termination signal closes the window
    // through the same shut-down, so a change made since is saved.
    Open({});
    EXPECT_TRUE(dialogs->questions.empty());
    EXPECT_EQ(window->studio().canvas().image().size(), c.canvas);
    window->studio().edit(u"ExampleText", QStringLiteral("종료 신호에도 저장"));
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::quitRequested, window.get(), &QWidget::close);
    std::raise(SIGTERM);
    for (int i = 0; i < 100 && !window->isShutDown(); ++i) {
        QTest::qWait(10);
    }
    EXPECT_TRUE(window->isShutDown());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(IniFile::Load(settingsPath()).value(kSettingsSection, u"ExampleText"),
              "종료 신호에도 저장");
}

INSTANTIATE_TEST_SUITE_P(Presets, FirstRun,
                         ::testing::Values(FirstRunCase{true, {480, 320}},
                                           FirstRunCase{false, {320, 240}}));

// ---- The encoding list ----

TEST_F(MainWindowTest, ListAddsDropsMovesUpAndRemoves) {
    if (!testing::HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg makes the songs";
    }
    Open();
    const QString a = Song("a.mp3", 1), b = Song("b.mp3", 1), c = Song("c.mp3", 1);
    const QString d = Song("more/d.mp3", 1);
    const QString bad = path("bad.mp3");
    ASSERT_TRUE(WriteTextFile(bad, QStringLiteral("no audio here")));
    ASSERT_TRUE(WriteTextFile(path("e.wav"), QStringLiteral("not taken")));
    EncodingListView& list = window->encodingList();

    {
        SCOPED_TRACE("add files through the dialog: the text file is rejected in one box");
        dialogs->openFilesReplies.push_back({a, bad, b});
        QTest::mouseClick(Find<QPushButton>("cmdAddFiles"), Qt::LeftButton);
        EXPECT_EQ(Entries(), (QStringList{a, b}));
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].title, "에러");
        EXPECT_EQ(
            dialogs->messages[0].text,
            "아래의 파일들은 옳바른 MP3파일이 아니므로 추가되지 못했습니다.\r\n" + bad + "\r\n");
        EXPECT_EQ(Status(), "파일 추가가 완료되었습니다.");
        EXPECT_TRUE(FileExists(LyricPathFor(a))) << "a listed song has its lyric file";
        EXPECT_EQ(Find<QPushButton>("cmdWriteAVI")->text(), "만들기");
        EXPECT_TRUE(Find("cmdAddFiles")->isEnabled());
    }
    {
        SCOPED_TRACE("a drop from a file manager: the folder and the .wav file are skipped");
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(c), QUrl::fromLocalFile(path("more")),
                      QUrl::fromLocalFile(path("e.wav"))});
        const QPoint at = list.viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &drop);
        EXPECT_EQ(Entries(), (QStringList{a, b, c}));
        EXPECT_EQ(dialogs->messages.size(), 1u) << "nothing rejected";
    }
    {
        SCOPED_TRACE("add a folder");
        dialogs->folderReplies.push_back(path("more") + "/");
        QTest::mouseClick(Find<QPushButton>("cmdAddFolder"), Qt::LeftButton);
        EXPECT_EQ(Entries(), (QStringList{a, b, c, d}));
        EXPECT_EQ(Status(), "폴더추가가 완료되었습니다.");
    }
    {
        SCOPED_TRACE("right button: the selected entry moves up and stays selected");
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(2)).center());
        QTest::mouseClick(list.viewport(), Qt::RightButton, {},
                          list.visualItemRect(list.item(3)).center());
        EXPECT_EQ(Entries(), (QStringList{a, c, b, d}));
        EXPECT_EQ(list.selectedRows(), QList<int>{1});
        EXPECT_EQ(window->studio().list().items(), Entries());
    }
    {
        SCOPED_TRACE("remove three separate entries");
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                          list.visualItemRect(list.item(0)).center());
        for (int row : {2, 3}) {
            QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                              list.visualItemRect(list.item(row)).center());
        }
        EXPECT_EQ(list.selectedRows(), (QList<int>{0, 2, 3}));
        QTest::mouseClick(Find<QPushButton>("cmdRemove"), Qt::LeftButton);
        EXPECT_EQ(Entries(), QStringList{c});
        EXPECT_EQ(window->studio().list().items(), QStringList{c});
        EXPECT_TRUE(FileExists(a)) << "the files themselves stay";
    }
}

// ---- Make jobs ----

// What the window shows at one moment of a job.
struct Moment {
    QString caption;
    QString tooltip;
    QStringList enabled;  // of the controls below
    bool progressShown;
    std::set<int> bold;
};

// The working state switches these off; the list and the make button stay.
const QStringList kSwitched = {"cmdAddFiles", "cmdAddFolder", "cmdRemove", "cmdPlay", "PS2"};

class WindowJob : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        if (!testing::HaveFfmpeg()) {
            GTEST_SKIP() << "ffmpeg makes the songs and the videos";
        }
        Open({false});  // the phone preset: a 320 x 240 canvas
        window->studio().edit(u"Output Ext", QStringLiteral("0"));  // ".mp4"
        ASSERT_TRUE(QDir().mkpath(path("out")));
    }

    // Lists two songs of the given length, then presses the make button; every few
    // milliseconds of the job (as its event processing lets timers run) onTick sees the window.
    void RunJob(double seconds, const std::function<void()>& onTick) {
        const QStringList lyrics = {"[00:00.50]하나", "[00:01.20]둘"};
        const QString first = Song("first.mp3", seconds, lyrics);
        const QString second = Song("second.mp3", seconds, lyrics);
        dialogs->openFilesReplies.push_back({first, second});
        QTest::mouseClick(Find<QPushButton>("cmdAddFiles"), Qt::LeftButton);
        ASSERT_EQ(Entries().size(), 2);
        dialogs->folderReplies.push_back(path("out") + "/");
        dialogs->compressorReplies.push_back(1);  // Motion JPEG, if the job asks
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, onTick);
        ticker.start(2);
        QTest::mouseClick(Find<QPushButton>("cmdWriteAVI"), Qt::LeftButton);
        ticker.stop();
    }
    Moment Now() {
        auto* make = Find<QPushButton>("cmdWriteAVI");
        QStringList enabled;
        for (const QString& name : kSwitched + QStringList{"M1", "cmdWriteAVI"}) {
            if (Find(name)->isEnabled()) {
                enabled.append(name);
            }
        }
        return {make->text(), make->toolTip(), enabled, Find("progress")->isVisible(), BoldRows()};
    }
    QStringList Videos() { return QDir(path("out")).entryList({"*.mp4"}, QDir::Files); }
    void ExpectIdle() {
        const Moment idle = Now();
        EXPECT_EQ(idle.caption, "만들기");
        EXPECT_EQ(idle.tooltip, "인코딩 목록의 파일들을 동영상으로 변환합니다.");
        EXPECT_EQ(idle.enabled, (kSwitched + QStringList{"M1", "cmdWriteAVI"}));
        EXPECT_FALSE(idle.progressShown);
        EXPECT_TRUE(idle.bold.empty()) << "no entry stays bold";
        EXPECT_FALSE(window->studio().job().JobRunning);
    }
};

TEST_F(WindowJob, PerFileJobMarksEachSongAndEndsIdle) {
    std::vector<Moment> moments;
    RunJob(2, [&] { moments.push_back(Now()); });
    ASSERT_FALSE(moments.empty()) << "the job let events run";
    std::set<int> boldSeen;
    bool progressSeen = false;
    for (const Moment& m : moments) {
        if (m.caption != "취소") {
            continue;
        }
        EXPECT_EQ(m.tooltip, "작업을 중단합니다.");
        EXPECT_EQ(m.enabled, (QStringList{"M1", "cmdWriteAVI"}));
        EXPECT_LE(m.bold.size(), 1u);
        boldSeen.insert(m.bold.begin(), m.bold.end());
        progressSeen |= m.progressShown;
    }
    EXPECT_EQ(boldSeen, (std::set<int>{0, 1})) << "each song bold while it was built";
    EXPECT_TRUE(progressSeen);
    EXPECT_EQ(Status(), "모든 작업이 완료되었습니다.");
    EXPECT_EQ(Videos(), (QStringList{"first.mp4", "second.mp4"}));
    ExpectIdle();
}

TEST_F(WindowJob, SecondPressCancelsMidJob) {
    bool pressed = false;
    RunJob(6, [&] {
        // The second press, once the first song's frames are under way.
        if (!pressed && Status().contains("번째 프레임") && Status().endsWith("[1 / 2]")) {
            pressed = true;
            QTest::mouseClick(Find<QPushButton>("cmdWriteAVI"), Qt::LeftButton);
        }
    });
    EXPECT_TRUE(pressed);
    EXPECT_EQ(Status(), "작업이 중지되었습니다.");
    EXPECT_FALSE(Videos().contains("second.mp4")) << "the second song never started";
    ExpectIdle();
}

}  // namespace
}  // namespace lumek
