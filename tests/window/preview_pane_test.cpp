#include "app/window/preview_pane.h"

#include "app/studio.h"
#include "audio/audio_fixtures.h"
#include "base/paths.h"
#include "base/text_file.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <gtest/gtest.h>

inline void PrintTo(const QPoint& point, std::ostream* os) {
    *os << '(' << point.x() << ", " << point.y() << ')';
}

namespace lumek {
namespace {

using namespace lumek::testing;

// Runs the event loop until done() holds or the time is up; true when it held.
template <typename Done>
bool RunUntil(const Done& done, int ms = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

// Coalesced drawings and point moves happen; a point move draws in the turn after it.
void Settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void Mouse(QWidget* target, QEvent::Type type, QPointF at, Qt::MouseButton button,
           Qt::MouseButtons held) {
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &event);
}

// A 60-second song with its lyric file, in a folder of its own, loaded into a shown pane.
class PreviewPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveFfmpeg()) {
            GTEST_SKIP() << "ffmpeg is not installed";
        }
        song = SongIn(folder.path(), QStringLiteral("song.mp3"), 60,
                      {"[00:01.00]하나", "[00:03.00]둘"});
        ASSERT_FALSE(song.isEmpty());
        ASSERT_TRUE(studio.StartAudio());
        pane.show();
        pane.selectSong(song);
        ASSERT_EQ(studio.selectedSong(), song);
    }

    QString lastStatus() const { return host.statuses.empty() ? QString() : host.statuses.back(); }
    QString currentLine() { return studio.renderContext().state.CurrentLyricText; }
    uint32_t channelMs() {
        uint32_t ms = 0;
        EXPECT_EQ(studio.audio().getPosition(ms), 0);
        return ms;
    }
    QPoint lyricPoint() const { return {studio.settings().PointX, studio.settings().PointY}; }
    QPoint coverPoint() const { return {studio.settings().CPointX, studio.settings().CPointY}; }

    QTemporaryDir folder;
    QString song;
    RecordingHost host;
    Studio studio{host};
    PreviewPane pane{studio, nullptr};
    QSlider& slider = *pane.slider();
};

TEST_F(PreviewPaneTest, ScrubbingShowsTheFrameOfEachMoment) {
    EXPECT_EQ(slider.maximum(), 599);
    EXPECT_EQ(slider.value(), 0);
    EXPECT_EQ(lastStatus(), QStringLiteral("00:00.1초"));

    // A second studio with the same song draws the same frames as the pane shows.
    RecordingHost otherHost;
    Studio other(otherHost);
    ASSERT_TRUE(other.PrepareDecoder());
    ASSERT_EQ(other.SelectPreviewSong(song, false), SongLoad::Loaded);
    for (const auto& [position, status, line] : {std::tuple{0, "00:00.1초", ""},
                                                 {29, "00:03.0초", "둘"},
                                                 {15, "00:01.6초", "하나"},
                                                 {599, "01:00.0초", "둘"}}) {
        SCOPED_TRACE(position);
        slider.setValue(position);
        Settle();
        EXPECT_EQ(lastStatus(), QString::fromUtf8(status));
        EXPECT_EQ(currentLine(), QString::fromUtf8(line));
        ASSERT_TRUE(other.RenderPreview(position));
        EXPECT_EQ(pane.canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32),
                  other.canvas().image().convertToFormat(QImage::Format_RGB32));
    }

    // A drag's burst of positions draws once, at the last one.
    const size_t drawn = host.statuses.size();
    for (int position : {100, 200, 300}) {
        slider.setValue(position);
    }
    Settle();
    EXPECT_EQ(host.statuses.size(), drawn + 1);
    EXPECT_EQ(lastStatus(), QStringLiteral("00:30.1초"));

    // A selection the window makes itself is skipped once; a file that is no MP3 keeps the song.
    pane.suppressNextSelection();
    pane.selectSong(QString());
    EXPECT_EQ(slider.value(), 300);
    pane.selectSong(WriteTempFile(QStringLiteral("noise.mp3"), Filler(5000)));
    EXPECT_EQ(studio.selectedSong(), song);
    EXPECT_EQ(slider.maximum(), 599);
}

TEST_F(PreviewPaneTest, PlaybackFollowsTheSoundAndSeeks) {
    QPushButton& play = *pane.playButton();
    QTimer& timer1 = *pane.timer1();
    EXPECT_EQ(pane.findChild<QTimer*>(QStringLiteral("Timer1")), &timer1);
    slider.setValue(250);
    play.click();
    EXPECT_EQ(play.text(), QStringLiteral("정지"));
    EXPECT_TRUE(timer1.isActive());
    // The device may have played on a little by the time it is asked, on a loaded machine.
    const uint32_t started = channelMs();
    EXPECT_TRUE(started >= 25100 && started < 25600) << started;

    // The tick puts the slider at the channel position ÷ 100.
    ASSERT_EQ(studio.audio().setPosition(12345), 0);
    pane.followPlayback();
    EXPECT_EQ(slider.value(), 123);

    // Pressing the slider stops following; releasing seeks there and follows again.
    slider.setSliderDown(true);
    EXPECT_FALSE(timer1.isActive());
    slider.setValue(300);
    slider.setSliderDown(false);
    EXPECT_TRUE(timer1.isActive());
    const uint32_t sought = channelMs();
    EXPECT_TRUE(sought >= 30100 && sought < 30600) << sought;
    ASSERT_TRUE(RunUntil([&] { return slider.value() >= 302; }));

    // The end of the song stops the preview.
    slider.setSliderDown(true);
    slider.setValue(597);
    slider.setSliderDown(false);
    EXPECT_TRUE(RunUntil([&] { return play.text() == QStringLiteral("재생"); }));
    EXPECT_FALSE(timer1.isActive());
    EXPECT_GE(slider.value(), 598);

    // Space plays and stops, but not while a text box has the focus; the button stops. (From
    // well before the end, so the song can't end on a loaded machine before it is asked.)
    slider.setValue(100);
    Key(&pane, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_TRUE(studio.PreviewPlaying());
    QLineEdit box(&pane);
    box.show();
    box.setFocus();
    Key(&box, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_TRUE(studio.PreviewPlaying());
    EXPECT_EQ(box.text(), QStringLiteral(" "));
    play.click();
    EXPECT_EQ(play.text(), QStringLiteral("재생"));
    EXPECT_FALSE(studio.PreviewPlaying());

    // The working state turns the controls and Timer1 off.
    play.click();
    pane.setWorking(true);
    EXPECT_FALSE(play.isEnabled() || slider.isEnabled() || timer1.isActive());
    pane.setWorking(false);
    EXPECT_TRUE(play.isEnabled() && slider.isEnabled());
    EXPECT_FALSE(timer1.isActive());

    // Stopped; with the file gone no stream can be made: the error box, and it stays stopped.
    play.click();
    ASSERT_TRUE(QFile::remove(song));
    play.click();
    EXPECT_EQ(play.text(), QStringLiteral("재생"));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, QStringLiteral("에러!"));
    EXPECT_EQ(host.messages[0].text,
              QStringLiteral("알 수 없는 오류로 미리보기 재생을 할 수 없습니다."));
    EXPECT_FALSE(timer1.isActive());
}

// The shown frame against the sound: when the canvas paints position v, the sound (the engine's
// heard position, whose latency handling the audio tests check) has gone on from v x 100 ms by
// one tick of Timer1 and one drawing at most. The dummy driver's own pace is not the wall
// clock's (it sleeps whole milliseconds per buffer), so the wall clock is no reference here.
TEST_F(PreviewPaneTest, ShownFrameKeepsUpWithTheSound) {
    // A small canvas: the drawing cost has its own benchmark.
    studio.edit({{QStringLiteral("PsizeX"), QStringLiteral("160")},
                 {QStringLiteral("PsizeY"), QStringLiteral("120")}});
    pane.canvasResized();
    std::vector<int64_t> lags;
    int shown = -1;
    struct PaintWatch : QObject {
        std::function<void()> painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                painted();
            }
            return false;
        }
    } watch;
    watch.painted = [&] {
        const int v = slider.value();
        if (pane.playing() && v != shown) {
            shown = v;
            lags.push_back(int64_t{channelMs()} - v * 100);
        }
    };
    pane.canvas()->installEventFilter(&watch);
    pane.playButton()->click();
    RunUntil([&] { return slider.value() >= 20; });
    pane.playButton()->click();
    ASSERT_GE(lags.size(), 15u);
    std::sort(lags.begin(), lags.end());
    const int64_t median = lags[lags.size() / 2];
    EXPECT_TRUE(median >= 0 && median <= 50)
        << "median " << median << " ms, " << lags.front() << " to " << lags.back() << " ms";
}

TEST_F(PreviewPaneTest, DoubleClickReloadsTheLyricFile) {
    slider.setValue(30);
    Settle();
    EXPECT_EQ(currentLine(), QStringLiteral("둘"));
    const QString lrc = LyricPathFor(song);
    ASSERT_TRUE(WriteTextFile(lrc, ReadTextFile(lrc) + QStringLiteral("\r\n[00:03.10]셋")));
    Mouse(pane.canvas(), QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(currentLine(), QStringLiteral("셋"));
}

TEST_F(PreviewPaneTest, CanvasMovesTheEditedPoint) {
    ASSERT_TRUE(studio.edit(u"CoverIntro", QStringLiteral("1")).accepted);
    ASSERT_TRUE(studio.edit(u"CoverShowTime", QStringLiteral("20")).accepted);
    QWidget* canvas = pane.canvas();
    const QPoint lyricAtStart = lyricPoint();
    const QPoint coverAtStart = coverPoint();
    struct Row {
        const char* what;
        int position;
        QEvent::Type type;
        QPointF at;
        Qt::MouseButtons held;
        QPoint cover;  // where the points are after it
        QPoint lyric;
    };
    const Row rows[] = {
        {"before the show time: the cover point",
         5,
         QEvent::MouseButtonPress,
         {100, 50},
         Qt::LeftButton,
         {100, 50},
         lyricAtStart},
        {"after it: the lyric point",
         25,
         QEvent::MouseButtonPress,
         {30, 40},
         Qt::LeftButton,
         {100, 50},
         {30, 40}},
        {"halves round to even",
         25,
         QEvent::MouseButtonPress,
         {10.5, 11.5},
         Qt::LeftButton,
         {100, 50},
         {10, 12}},
        {"a drag out of the canvas: no clamping",
         25,
         QEvent::MouseMove,
         {-20, 500},
         Qt::LeftButton,
         {100, 50},
         {-20, 500}},
        {"a move without a button does nothing",
         25,
         QEvent::MouseMove,
         {7, 7},
         Qt::NoButton,
         {100, 50},
         {-20, 500}},
        {"right press centres",
         25,
         QEvent::MouseButtonPress,
         {3, 3},
         Qt::RightButton,
         {100, 50},
         {240, 160}},
        {"right press centres the cover point",
         19,
         QEvent::MouseButtonPress,
         {3, 3},
         Qt::RightButton,
         {240, 160},
         {240, 160}},
    };
    EXPECT_NE(coverAtStart, QPoint(100, 50));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        slider.setValue(row.position);
        Settle();
        const auto button = static_cast<Qt::MouseButton>(
            row.type == QEvent::MouseMove ? Qt::NoButton : row.held.toInt());
        Mouse(canvas, row.type, row.at, button, row.held);
        Settle();
        EXPECT_EQ(coverPoint(), row.cover);
        EXPECT_EQ(lyricPoint(), row.lyric);
    }

    // A drag draws once, at the latest position.
    slider.setValue(25);
    Settle();
    const size_t drawn = host.statuses.size();
    for (int x : {10, 20, 30}) {
        Mouse(canvas, QEvent::MouseMove, {x * 1.0, 5.0}, Qt::NoButton, Qt::LeftButton);
    }
    Settle();
    EXPECT_EQ(lyricPoint(), QPoint(30, 5));
    EXPECT_EQ(host.statuses.size(), drawn + 1);

    // The keypad moves the point a pixel per key before any control sees it; other keys and
    // plain digits don't.
    for (int i = 0; i < 5; ++i) {
        Key(pane.slider(), Qt::Key_6, Qt::KeypadModifier, QStringLiteral("6"));
    }
    EXPECT_EQ(lyricPoint(), QPoint(35, 5));
    for (const auto& [key, modifiers, moved] :
         {std::tuple{Qt::Key_8, Qt::KeypadModifier, QPoint(35, 4)},
          {Qt::Key_2, Qt::KeypadModifier, QPoint(35, 5)},
          {Qt::Key_4, Qt::KeypadModifier, QPoint(34, 5)},
          {Qt::Key_6, Qt::NoModifier, QPoint(34, 5)},
          {Qt::Key_5, Qt::KeypadModifier, QPoint(34, 5)}}) {
        Key(&pane, key, modifiers);
        EXPECT_EQ(lyricPoint(), moved) << key;
    }
}

TEST_F(PreviewPaneTest, MakeJobLeavesThePointsAlone) {
    ASSERT_TRUE(studio.list().append(song));
    QTemporaryDir output;
    host.folderReplies.push_back(output.path() + QLatin1Char('/'));
    host.compressorReplies.push_back(0);
    const std::pair before{lyricPoint(), coverPoint()};
    bool tried = false;
    host.onPump = [&] {
        if (tried || !studio.job().JobRunning) {
            return;
        }
        tried = true;
        Key(&pane, Qt::Key_6, Qt::KeypadModifier);
        Mouse(pane.canvas(), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
        Settle();
        studio.PressMakeButton();  // cancels
    };
    studio.PressMakeButton();
    Settle();
    EXPECT_TRUE(tried);
    EXPECT_EQ(lyricPoint(), before.first);
    EXPECT_EQ(coverPoint(), before.second);
}

}  // namespace
}  // namespace lumek
