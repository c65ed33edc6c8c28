#include "preview/preview.h"

#include "render/compose_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumek {
namespace {

using testing::ComposeRig;

class PreviewTest : public ::testing::Test {
protected:
    bool Render(int position, bool loading = false) {
        return RenderPreview(rig.context(), {path, loaded, sheet, coverArt, options}, position,
                             loading);
    }

    ComposeRig rig;
    QString path = QStringLiteral("/songs/a.mp3");
    bool loaded = true;
    LyricSheet sheet = testing::Lines({"[00:03.00]하나", "[00:05.00]둘"});
    QImage coverArt;
    CoverOptions options;
};

TEST_F(PreviewTest, FindsTheLineOfTheMoment) {
    EXPECT_EQ(PreviewTimeText(0), QStringLiteral("00:00.1초"));
    EXPECT_EQ(PreviewTimeText(599), QStringLiteral("01:00.0초"));
    for (const auto& [position, current, status] : {std::tuple{28, "", "00:02.9초"},
                                                    {29, "하나", "00:03.0초"},
                                                    {48, "하나", "00:04.9초"},
                                                    {49, "둘", "00:05.0초"},
                                                    {123, "둘", "00:12.4초"}}) {
        SCOPED_TRACE(position);
        ASSERT_TRUE(Render(position));
        EXPECT_EQ(rig.state.CurrentLyricText, QString::fromUtf8(current));
        EXPECT_EQ(rig.host.statuses.back(), QString::fromUtf8(status));
        EXPECT_EQ(rig.state.PreviewPosition, position);
    }
    // Without a song the current text stays and nothing is written to the status line.
    loaded = false;
    rig.state.CurrentLyricText = QStringLiteral("미리보기");
    const size_t statuses = rig.host.statuses.size();
    ASSERT_TRUE(Render(49));
    EXPECT_EQ(rig.state.CurrentLyricText, QStringLiteral("미리보기"));
    EXPECT_EQ(rig.host.statuses.size(), statuses);
}

TEST_F(PreviewTest, GuardsRefuseToDraw) {
    const QImage before = rig.canvas();
    rig.state.CurrentLyricText = QStringLiteral("x");
    EXPECT_FALSE(Render(40, true));
    rig.state.MakingVideo = true;
    EXPECT_FALSE(Render(40));
    rig.state.MakingVideo = false;
    rig.state.PreviewDrawing = true;
    EXPECT_FALSE(Render(40));
    EXPECT_TRUE(rig.host.statuses.empty());
    EXPECT_EQ(rig.canvas(), before);
    EXPECT_EQ(rig.state.CurrentLyricText, QStringLiteral("x"));

    rig.state.PreviewDrawing = false;
    EXPECT_TRUE(Render(40));
    EXPECT_FALSE(rig.state.PreviewDrawing);
}

TEST_F(PreviewTest, CoverAndTitleBarFollowThePosition) {
    rig.settings.CoverIntro = 1;  // show 20, fade 30
    rig.settings.TitleBar = 1;
    // A white cover over a black frame: the canvas shows the cover's alpha; then the bar comes
    // down over positions 51-60, as over the frames with those counters.
    for (const auto& [position, alpha, barTop] : {std::tuple{0, 255, -1},
                                                  {19, 255, -1},
                                                  {20, 255, -1},
                                                  {21, 246, -1},
                                                  {49, 8, -1},
                                                  {50, 0, -1},
                                                  {51, -1, 10},
                                                  {55, -1, 50},
                                                  {60, -1, 100},
                                                  {90, -1, 100}}) {
        SCOPED_TRACE(position);
        ASSERT_TRUE(Render(position));
        if (alpha >= 0) {
            EXPECT_EQ(rig.canvas().pixel(5, 5), testing::Blend(0xFF000000u, 0xFFFFFFFFu, alpha));
        }
        EXPECT_EQ(ComposeRig::BarTop(rig.canvas()), barTop);
    }
    EXPECT_EQ(rig.state.TitleText, QStringLiteral("A - B"));

    // A scrolling title stands where the position puts it, whatever the last drawing left.
    rig.settings.TitleBarTextLength = QStringLiteral("3");
    rig.holders.SP5 = testing::Solid(0xFFFFFFFFu, ComposeRig::kWidth, ComposeRig::kHeight);
    PrepareTitleBar(rig.context());
    ASSERT_TRUE(Render(90));
    const QImage first = rig.canvas();
    ASSERT_TRUE(Render(95));
    EXPECT_NE(rig.canvas(), first);
    rig.state.TitleScrollX = -1000;
    ASSERT_TRUE(Render(90));
    EXPECT_EQ(rig.canvas(), first);
}

TEST_F(PreviewTest, NegativeCoverTimesEndTheIntroAlikeEverywhere) {
    // A negative time counts as 0 frames. Where the intro ends (E), the frames, the still title
    // of the lyric layer, the preview's title scroll and the preview all agree.
    for (const auto& [show, fade, end] :
         {std::tuple{"-20", "30", 30}, {"20", "-30", 20}, {"-5", "-5", 0}, {"3", "4", 7}}) {
        SCOPED_TRACE(::testing::Message() << show << " " << fade);
        auto setUp = [&](ComposeRig& r) {
            r.settings.CoverIntro = 1;
            r.settings.TitleBar = 1;
            r.settings.CoverShowTime = QString::fromUtf8(show);
            r.settings.CoverFadeTime = QString::fromUtf8(fade);
        };
        setUp(rig);
        EXPECT_EQ(rig.context().derived.coverIntroEnd(), end);

        // Frames: the bar first shows at counter E + 1, in frame E + 2, at level 30.
        ComposeRig frames;
        setUp(frames);
        int firstBar = -1;
        for (const testing::Export& e : testing::RunSong(frames, testing::Lines({}), end + 15)) {
            if (firstBar < 0 && ComposeRig::BarTop(e.canvas) >= 0) {
                firstBar = e.frame;
                EXPECT_EQ(ComposeRig::BarTop(e.canvas), 10);
            }
        }
        EXPECT_EQ(firstBar, end + 2);

        // The lyric layer draws a title that fits once the bar is down, after E + 10.
        ComposeRig still;
        setUp(still);
        still.state.TitleText = QStringLiteral("A - B");
        for (const int position : {end + 10, end + 11}) {
            still.state.PreviewPosition = position;
            still.state.LineChanged = true;
            RenderLyrics(still.context(), {}, {}, true);
            EXPECT_EQ(ComposeRig::BarTop(still.canvas()), position > end + 10 ? 100 : -1)
                << position;
        }

        // A scrolling title takes its first step (2 pixels) at E + 10.
        ComposeRig scroll;
        setUp(scroll);
        for (const int position : {end + 9, end + 10}) {
            scroll.state.PreviewPosition = position;
            PreviewTitleScroll(scroll.context(), QStringLiteral("가나다"));
            EXPECT_EQ(scroll.state.TitleScrollX, position < end + 10 ? 120 : 118) << position;
        }

        // The preview brings the bar in at E + 1.
        for (const int position : {end, end + 1}) {
            ASSERT_TRUE(Render(position));
            EXPECT_EQ(ComposeRig::BarTop(rig.canvas()), position > end ? 10 : -1) << position;
        }
    }
}

TEST_F(PreviewTest, AnimatedBackgroundPicksItsPictureFromThePosition) {
    QTemporaryDir dir;
    const QRgb colours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(testing::Solid(colours[n], 4, 4)
                        .save(dir.filePath(QStringLiteral("bg0000%1.png").arg(n))));
    }
    rig.settings.BGImage = 1;
    rig.settings.BGAnimation = 1;
    rig.settings.PicturePath = dir.filePath(QStringLiteral("bg00000.png"));
    // Position v shows frame v + 1: pictures 1, 2, 0, 1, ...
    for (const auto& [position, number] : {std::pair{0, 1}, {1, 2}, {2, 0}, {3000, 1}}) {
        ASSERT_TRUE(Render(position));
        EXPECT_EQ(rig.canvas().pixel(0, 0), colours[number]) << position;
    }
}

}  // namespace
}  // namespace lumek
