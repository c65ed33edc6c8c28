#include "render/frame_composer.h"

#include "render/compose_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace lumek {
namespace {

using testing::ComposeRig;
using testing::Export;
using testing::Lines;
using testing::Of;
using testing::Range;
using testing::RunSong;

TEST(FrameComposer, FrameCountAndClockStart) {
    EXPECT_EQ(FrameCount(185.37), 1853);
    EXPECT_EQ(FrameCount(240.0), 2400);
    EXPECT_EQ(FrameCount(60.0999), 600);
    EXPECT_EQ(FrameCount(0.05), 0);
    EXPECT_EQ(FrameCount(-3.0), 0);
    // The clock starts twice the fade ahead, plus one tenth.
    EXPECT_EQ(StartClock(2), (LyricClock{0, 0, 5}));
    EXPECT_EQ(StartClock(0), (LyricClock{0, 0, 1}));
    EXPECT_EQ(StartClock(5), (LyricClock{0, 1, 1}));
    LyricClock clock{0, 59, 9};
    clock.advance();
    EXPECT_EQ(clock, (LyricClock{1, 0, 0}));
    EXPECT_EQ(clock.tag(), QStringLiteral("[01:00.0"));

    ComposeRig rig;
    FrameComposer composer;
    composer.StartSong(rig.context(), Lines({}), {});
    EXPECT_EQ(composer.clock(), (LyricClock{0, 0, 5}));  // what frame 1 is matched with
}

// A line at 3.0 s with a fade of 2: frame k carries the clock of k + 4 tenths, so the line
// matches at frame 26; the old line fades out over 26-27, the switch comes at 28 and the new
// line stands unfiltered from 29. Frames without a change are not exported.
TEST(FrameComposer, LineChangeTakesTwiceTheFade) {
    ComposeRig rig;
    const std::vector<Export> exports = RunSong(rig, Lines({"[00:01.00]하나", "[00:03.00]둘"}), 60);
    EXPECT_EQ(Of(exports, &Export::frame), (std::vector<int>{6, 7, 8, 9, 26, 27, 28, 29}));
    EXPECT_EQ(Of(exports, &Export::step), (std::vector<int>{1, 2, 1, 0, 1, 2, 1, 0}));
    ASSERT_EQ(exports.size(), 8u);
    const std::vector<QString> texts = Of(exports, &Export::text);
    EXPECT_EQ(std::vector<QString>(texts.begin() + 4, texts.end()),  // out, out, in filtered, in
              (std::vector<QString>{"하나", "하나", "둘", "둘"}));
    // Frame 29 is the line drawn plainly; frame 28 still carries the filter.
    EXPECT_EQ(exports[7].canvas, testing::PlainLine(QStringLiteral("둘"), QStringLiteral("하나")));
    EXPECT_NE(exports[6].canvas, exports[7].canvas);
    EXPECT_NE(exports[3].canvas, exports[4].canvas);

    SCOPED_TRACE("a line inside a change is skipped");
    ComposeRig skip;
    const std::vector<Export> skipped =
        RunSong(skip, Lines({"[00:03.00]하나", "[00:03.20]둘"}), 80);
    EXPECT_EQ(Of(skipped, &Export::frame), Range(26, 29));
    EXPECT_EQ(Of(skipped, &Export::text), (std::vector<QString>{"", "", "하나", "하나"}));
    EXPECT_EQ(skip.state.CurrentLyricText, QStringLiteral("하나"));

    SCOPED_TRACE("without a fade lines switch in one frame; the clock starts at 00:00.1");
    ComposeRig sharp;
    sharp.settings.FadeTime = QStringLiteral("0");
    const std::vector<Export> cut = RunSong(sharp, Lines({"[00:03.00]하나", "[00:04.50]둘"}), 80);
    EXPECT_EQ(Of(cut, &Export::frame), (std::vector<int>{30, 45}));
    EXPECT_EQ(Of(cut, &Export::step), (std::vector<int>{0, 0}));
    EXPECT_EQ(cut.back().text, QStringLiteral("둘"));
}

TEST(FrameComposer, SongStartFindsTimeZeroAndLookAheadLines) {
    // The look-ahead of a fade of 2 covers 0.1-0.4 s, or 0.0-0.3 s in the joined-list build.
    for (const auto& [line, joined, initial] : {std::tuple{"[00:00.00]zero", false, true},
                                                {"[00:00.40]early", false, true},
                                                {"[00:00.50]later", false, false},
                                                {"[00:00.30]early", true, true},
                                                {"[00:00.40]early", true, false}}) {
        SCOPED_TRACE(std::string(line) + (joined ? " joined" : ""));
        ComposeRig rig;
        FrameComposer composer;
        composer.StartSong(rig.context(), Lines({line}), {QString(), {}, joined});
        EXPECT_EQ(composer.initial(), initial);
        EXPECT_EQ(composer.currentIndex(), initial ? 3 : 0);
    }
    // The time-zero line is drawn without an export until the first clock match (2.0 s at
    // frame 16), which fades it out.
    ComposeRig rig;
    const std::vector<Export> exports =
        RunSong(rig, Lines({"[00:00.00]zero", "[00:02.00]next"}), 30);
    EXPECT_EQ(Of(exports, &Export::frame), Range(16, 19));
    EXPECT_EQ(exports.front().text, QStringLiteral("zero"));
}

TEST(FrameComposer, CoverShowsThenFadesOut) {
    ComposeRig rig;
    rig.settings.CoverIntro = 1;  // show 20, fade 30
    const std::vector<Export> exports = RunSong(rig, Lines({}), 70);
    EXPECT_EQ(Of(exports, &Export::frame), Range(1, 51));
    // A white cover over a black frame: the canvas shows the alpha (128 as a halving).
    for (const auto& [frame, alpha] :
         {std::pair{1, 255}, {20, 255}, {21, 255}, {22, 246}, {36, 128}, {50, 8}, {51, 0}}) {
        EXPECT_EQ(exports[static_cast<size_t>(frame - 1)].canvas.pixel(5, 5),
                  testing::Blend(0xFF000000u, 0xFFFFFFFFu, alpha))
            << frame;
    }
    EXPECT_EQ(CoverAlpha(35, 20, 30), 128);  // 127.5, to the even neighbour
    EXPECT_EQ(CoverAlpha(21, 20, 30), 246);  // 246.5
    EXPECT_EQ(CoverAlpha(51, 20, 30), std::nullopt);
    EXPECT_EQ(CoverAlpha(20, 20, 0), 0);
}

TEST(FrameComposer, TitleBarDropsInAfterTheIntroAndScrolls) {
    for (const bool coverOn : {true, false}) {
        SCOPED_TRACE(coverOn ? "cover on" : "cover off");
        ComposeRig rig;
        rig.settings.CoverIntro = coverOn ? 1 : 0;
        rig.settings.TitleBar = 1;
        std::vector<int> tops;
        const std::vector<Export> exports = RunSong(rig, Lines({}), 70);
        for (const Export& e : exports) {
            if (e.frame > 51) {
                tops.push_back(ComposeRig::BarTop(e.canvas));
            }
        }
        // Levels 30, 55, ... 255 at c = 51 .. 60, frames 52 .. 61; a title that fits is not
        // re-exported afterwards.
        EXPECT_EQ(tops, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
        EXPECT_EQ(Of(exports, &Export::frame), coverOn ? Range(1, 61) : Range(52, 61));
        EXPECT_EQ(rig.state.TitleText, QStringLiteral("A - B"));
    }

    // A title longer than TitleBarTextLength scrolls: an export on every frame once down.
    ComposeRig rig;
    rig.settings.TitleBar = 1;
    rig.settings.TitleBarTextLength = QStringLiteral("3");
    EXPECT_EQ(Of(RunSong(rig, Lines({}), 70), &Export::frame), Range(52, 70));
    ComposeRig scrolling;
    scrolling.settings.TitleBar = 1;
    scrolling.settings.TitleBarTextLength = QStringLiteral("3");
    const std::vector<Export> exports = RunSong(scrolling, Lines({"[00:07.00]하나"}), 80);
    // Under a scrolling title the frame shows the lyric line of the moment: one that starts while
    // the title scrolls (7.0 s: frames 66-69) stands below the bar afterwards.
    const QRect belowBar(0, 110, ComposeRig::kWidth, ComposeRig::kHeight - 110);
    const QImage line = testing::PlainLine(QStringLiteral("하나")).copy(belowBar);
    EXPECT_EQ(exports.back().canvas.copy(belowBar), line);
    EXPECT_NE(line, testing::Solid(0xFF000000u, belowBar.width(), belowBar.height()));
}

TEST(FrameComposer, BackgroundSequenceRunsFromOneAndWraps) {
    QTemporaryDir dir;
    const QRgb colours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
    for (int n : {0, 1, 2, 4}) {  // 3 is missing: the sequence is 00000-00002
        ASSERT_TRUE(testing::Solid(colours[n % 4], 4, 4)
                        .save(dir.filePath(QStringLiteral("bg0000%1.png").arg(n))));
    }
    ComposeRig rig;
    rig.settings.BGImage = 1;
    rig.settings.BGAnimation = 1;
    rig.settings.PicturePath = dir.filePath(QStringLiteral("bg00000.png"));
    const std::optional<BackgroundSequence> sequence = FindBackgroundSequence(rig.context());
    ASSERT_TRUE(sequence);
    EXPECT_EQ(sequence->count, 3);

    // One export per frame, each with its own picture: 1, 2, 0, 1, 2, 0, 1.
    const std::vector<Export> exports = RunSong(rig, Lines({}), 7);
    EXPECT_EQ(Of(exports, &Export::frame), Range(1, 7));
    for (size_t i = 0; i < exports.size(); ++i) {
        EXPECT_EQ(exports[i].canvas.pixel(0, 0), colours[(i + 1) % 3]) << exports[i].frame;
    }

    for (const char* path : {"bg.png", "bg00001.png", "g0000"}) {
        rig.settings.PicturePath = dir.filePath(QString::fromUtf8(path));
        EXPECT_FALSE(FindBackgroundSequence(rig.context())) << path;
    }
    rig.settings.PicturePath = dir.filePath(QStringLiteral("bg00000.png"));
    rig.settings.BGAnimation = 0;
    EXPECT_FALSE(FindBackgroundSequence(rig.context()));
}

TEST(FrameComposer, SongHeaderTextsAndOddSheets) {
    const QString artist = QStringLiteral("[ar:A / B]");
    const QString title = QStringLiteral("[ti:Song]]");
    EXPECT_EQ(CoverText(artist, title), QStringLiteral("A / B / Song"));
    EXPECT_EQ(TitleBarText(artist, title), QStringLiteral("AB - Song"));
    EXPECT_EQ(TitleBarText(QString(), QString()), QStringLiteral(" - "));

    // Short sheets and odd settings do not break the loop.
    for (const QStringList& lines :
         {QStringList{}, QStringList{"[00:00.00]x"}, QStringList{"[ar:A]", "[00:01.00]y"}}) {
        for (const char* fade : {"0", "2", "-4", "99999999"}) {
            SCOPED_TRACE(lines.join(u'|').toStdString() + " fade " + fade);
            ComposeRig rig;
            rig.settings.CoverIntro = 1;
            rig.settings.TitleBar = 1;
            rig.settings.FadeTime = QString::fromUtf8(fade);
            rig.settings.CoverFadeTime = QStringLiteral("0");
            rig.settings.CoverShowTime = QStringLiteral("3");
            EXPECT_FALSE(RunSong(rig, testing::Sheet(lines), 40).empty());
        }
    }
}

}  // namespace
}  // namespace lumek
