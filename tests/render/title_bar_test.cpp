#include "render/title_bar.h"

#include "render/compose_fixture.h"
#include "render/text.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <climits>

namespace lumek {
namespace {

using testing::Solid;

constexpr int kWidth = 200;
constexpr int kHeight = 100;
constexpr QRgb kBar = 0xFF2040C0u;

// White rows y0..y1 - 1 on black.
QImage Band(int y0, int y1) {
    QImage image = Solid(0xFF000000u, kWidth, kHeight);
    QPainter(&image).fillRect(0, y0, kWidth, y1 - y0, Qt::white);
    return image;
}

class TitleBarTest : public ::testing::Test, public testing::RenderRig {
protected:
    void SetUp() override {
        s.TitleBarUpTop = "-30", s.TitleBarDownTop = "30", s.TitleBarTextLength = "3";
        s.TitleBarTextX = "40", s.TitleBarTextY = "2", s.TitleBarTextW = "120";
        s.TitleBarTextH = "26", s.TitleFontSize = 22, s.TitleSpeed = 2;
        s.TitleFontColor = 0x00FFFF;  // yellow
        holders.TTS = Solid(kBar, kWidth, kHeight);
        holders.TTM = Solid(0xFF000000u, kWidth, kHeight);
        holders.SP4 = Band(0, 30);  // the bar: the top 30 rows
        holders.SP5 = Band(2, 28);  // where the title may show
        pictures.resize(kWidth, kHeight);
        PrepareTitleBar(context());
        Fresh();
    }

    // A grey frame without a bar.
    void Fresh() {
        pictures.Picture1.setBackColour(0x808080);
        pictures.Picture1.removeBackPicture();
        pictures.Picture1.clear();
    }

    QRgb At(int x, int y) const { return pictures.Picture1.image().pixel(x, y); }

    // Where the yellow title text shows.
    QRect Ink() const {
        return testing::InkBounds(pictures.Picture1.image(),
                                  [](QRgb p) { return qRed(p) > 200 && qGreen(p) > 200; });
    }

    Settings& s = settings;
};

TEST_F(TitleBarTest, BarTopFollowsTheLevel) {
    Settings iphone = MakePreset(Preset::IPhone);  // -50 and 50
    EXPECT_EQ(TitleBarTop(DeriveSettings(iphone), 5), -50);
    EXPECT_EQ(TitleBarTop(DeriveSettings(iphone), 30), -45);
    EXPECT_EQ(TitleBarTop(DeriveSettings(iphone), 130), -25);
    EXPECT_EQ(TitleBarTop(DeriveSettings(iphone), 255), 0);
    iphone.TitleBarUpTop = QStringLiteral("0");
    iphone.TitleBarDownTop = QStringLiteral("5");
    EXPECT_EQ(TitleBarTop(DeriveSettings(iphone), 30), 0);   // 0.5
    EXPECT_EQ(TitleBarTop(DeriveSettings(iphone), 80), 2);   // 1.5
    EXPECT_EQ(TitleBarTop(DeriveSettings(iphone), 130), 2);  // 2.5

    // Rows showing the bar's colour in column 2 (left of the text window).
    for (const auto& [level, first, last] :
         {std::tuple{5, -1, -1}, {30, 0, 2}, {155, 0, 17}, {255, 0, 29}}) {
        SCOPED_TRACE(level);
        Fresh();
        DrawTitleBar(context(), QStringLiteral("제목"), level);
        std::vector<int> rows;
        for (int y = 0; y < kHeight; ++y) {
            if (At(2, y) == kBar) {
                rows.push_back(y);
            }
        }
        EXPECT_EQ(rows, first < 0 ? std::vector<int>{} : testing::Range(first, last));
    }
}

TEST_F(TitleBarTest, PreparedBarKeepsItsColoursWhenNeutral) {
    holders.TTS = QImage(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            holders.TTS.setPixel(x, y, qRgb(x, y, 100));
        }
    }
    holders.TTM = Band(0, 50);  // recolour the top half only
    s.TitleHue = 0;
    s.TitleBrightness = 100;
    PrepareTitleBar(context());
    EXPECT_EQ(pictures.TTD.image(), holders.TTS);
    EXPECT_EQ(pictures.TTMT.image(), holders.SP4);
    EXPECT_EQ(pictures.TTT2.image(), holders.SP5);
    EXPECT_EQ(pictures.Picture7.image().size(), QSize(120, 26));

    s.TitleBrightness = 140;  // 40 lighter where the effect mask is white
    PrepareTitleBar(context());
    EXPECT_NEAR(qBlue(pictures.TTD.image().pixel(10, 10)), 140, 1);
    EXPECT_EQ(pictures.TTD.image().pixel(10, 60), holders.TTS.pixel(10, 60));
}

TEST_F(TitleBarTest, StillTitleIsCentredInItsWindowAndSlides) {
    const QString title = QStringLiteral("제목임");  // exactly TitleBarTextLength characters
    const int32_t width = state.Text.MeasureTextWidth(title, s.TitleFontName, 22, false);
    // Text at x = 40 + 120 / 2 = 100 (centred), y = -30 + 2 + d * 30: -25 at level 30.
    DrawTitleBar(context(), title, 30);
    EXPECT_TRUE(Ink().isEmpty() || Ink().bottom() < -25 + 22);
    Fresh();
    DrawTitleBar(context(), title, 255);
    EXPECT_GE(Ink().top(), 2);
    EXPECT_LT(Ink().bottom(), 2 + 22);
    EXPECT_GE(Ink().left(), 100 - width / 2 - 1);
    EXPECT_LE(Ink().right(), 100 - width / 2 + width + 1);
    // Drawing added to what the frame held: it is now the frame's picture.
    EXPECT_EQ(pictures.Picture1.backPicture().pixel(2, 90), 0xFF808080u);
    EXPECT_EQ(host.pumps, 0);
}

TEST_F(TitleBarTest, LongTitleScrollsOnlyOnceTheBarIsDown) {
    const QString title = QStringLiteral("긴 제목");  // one character over the limit
    const int32_t width = state.Text.MeasureTextWidth(title, s.TitleFontName, 22, false);
    state.TitleScrollX = 120 + 2 + 1;  // the frame loop's start: window width + speed + 1

    DrawTitleBar(context(), title, 130);
    EXPECT_EQ(state.TitleScrollX, 123);
    EXPECT_EQ(host.pumps, 1);
    for (int x = 0; x < kWidth; ++x) {
        EXPECT_EQ(At(x, 10), kBar);  // the bar alone (top -15), no text
    }

    std::vector<int32_t> steps;
    for (int frame = 0; frame < 3; ++frame) {
        DrawTitleBar(context(), title, 255);
        steps.push_back(state.TitleScrollX);
    }
    EXPECT_EQ(steps, (std::vector<int32_t>{120, 117, 114}));
    // The text shows inside the window only.
    EXPECT_FALSE(Ink().isEmpty());
    EXPECT_TRUE(QRect(40 + 114, 2, 120 - 114, 26).contains(Ink()));

    // Wrap-around: once the text has left on the left it restarts at the right edge.
    state.TitleScrollX = -width;
    DrawTitleBar(context(), title, 255);
    EXPECT_EQ(state.TitleScrollX, -width - 3);
    DrawTitleBar(context(), title, 255);
    EXPECT_EQ(state.TitleScrollX, 117);
    EXPECT_EQ(NextTitleScrollX(INT_MIN, INT_MAX, 5, INT_MAX), 5 - int64_t{INT_MAX} - 1);
}

TEST(TitleScroll, PreviewMatchesTheFrameLoop) {
    // The frame loop, one frame at a time, as the preview stands in for it.
    auto simulate = [](int32_t window, int64_t position, double estimate, int32_t speed) {
        int64_t x = window;
        for (int64_t f = 60; f <= position; ++f) {
            x = -estimate >= static_cast<double>(x) ? window : x;
            x -= int64_t{speed} + 1;
        }
        return x;
    };
    for (const int32_t window : {0, 120, 300}) {
        for (const double estimate : {0.0, 37.5, 89.19, 1000.0, -50.0}) {
            for (const int32_t speed : {-3, -1, 0, 2, 49}) {
                for (const int64_t position : {59, 60, 61, 100, 777, 5000}) {
                    EXPECT_EQ(PreviewTitleScrollX(window, 60, position, estimate, speed),
                              simulate(window, position, estimate, speed))
                        << window << " " << estimate << " " << speed << " " << position;
                }
            }
        }
    }
    // Far positions are worked out, not stepped through: 2^32 frames of 1 pixel in runs of 400
    // (299 down to -100), so 2^32 - 1 = 95 (mod 400) frames after the first run starts.
    EXPECT_EQ(PreviewTitleScrollX(300, INT_MIN, INT_MAX, 100.0, 0), 300 - 96);
}

TEST_F(TitleBarTest, PreviewEstimatesTheWidthFromTheBytes) {
    // 6 bytes at size 22: 22 / (6 x 0.003 + 2) x 6 = 65.4 pixels wide, in a window of 120 at 3
    // pixels a frame from frame 60 (after 20 + 30 + 10) on: down to -66 after 62 frames, then
    // back to 117.
    for (const auto& [position, x] : {std::pair{59, 120}, {60, 117}, {121, -66}, {122, 117}}) {
        state.PreviewPosition = position;
        PreviewTitleScroll(context(), QStringLiteral("가나다"));
        EXPECT_EQ(state.TitleScrollX, x) << position;
    }
}

}  // namespace
}  // namespace lumek
