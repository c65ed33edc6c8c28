#include "render/lyric_renderer.h"

#include "render/compose_fixture.h"
#include "render/gradient.h"
#include "render/pixops.h"
#include "render/reference_image.h"
#include "render/title_bar.h"
#include "support/recording_host.h"

#include <QImage>

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace lumek {
namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 120;

uint8_t Alpha(const Picture& layer, int x, int y) {
    return static_cast<uint8_t>(layer.image().pixel(x, y) & 0xFF);
}

class LyricRendererTest : public ::testing::Test, public testing::RenderRig {
protected:
    void SetUp() override {
        settings.PointX = 120, settings.PointY = 60, settings.FontSize = 30;
        settings.Font2Size = 16, settings.TextBetween = "40", settings.TextLength = "10";
        pictures.resize(kWidth, kHeight);
        Background(0x203040, 0x604020);
        state.CurrentLyricText = QStringLiteral("노래 가사");
        state.LineChanged = true;
    }

    // A vertical gradient as the frame background.
    void Background(int32_t top, int32_t bottom) {
        FillGradient(pictures.PTMP2.view(), 0, 0, kWidth, kHeight, top, bottom, 270.0f);
    }

    void Render(bool showNeighbours = true) {
        RenderLyrics(context(), QStringLiteral("이전 줄"), QStringLiteral("다음 줄"),
                     showNeighbours);
    }
};

TEST_F(LyricRendererTest, CachedLayersGoOverTheNewBackground) {
    // LineChanged stays set only after step 1.
    for (const auto& [step, after] : {std::pair{1, true}, {2, false}, {0, false}}) {
        state.TransitionStep = step;
        state.LineChanged = true;
        Render();
        EXPECT_EQ(state.LineChanged, after) << step;
    }
    const QImage first = pictures.Picture1.image().copy();
    const QImage colour = pictures.SP3.image().copy();
    const QImage alpha = pictures.SP6.image().copy();

    Background(0x00FF00, 0x0000FF);
    Render();
    EXPECT_EQ(pictures.SP3.image(), colour);
    EXPECT_EQ(pictures.SP6.image(), alpha);
    int opaque = 0, clear = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t a = Alpha(pictures.SP6, x, y);
            const QRgb shown = pictures.Picture1.image().pixel(x, y);
            if (a == 255) {
                EXPECT_EQ(shown, first.pixel(x, y)) << x << "," << y;  // the same lyric pixels
                ++opaque;
            } else if (a == 0) {
                EXPECT_EQ(shown, pictures.PTMP2.image().pixel(x, y)) << x << "," << y;
                ++clear;
            }
        }
    }
    EXPECT_GT(opaque, 200);
    EXPECT_GT(clear, kWidth * kHeight / 2);

    // Whoever changes the layers in between (the cover intro uses them) is seen.
    pictures.SP6.clear();
    Render();
    EXPECT_EQ(pictures.Picture1.image(), pictures.PTMP2.image());
}

TEST_F(LyricRendererTest, ShadowOutlineAndAlphaLayer) {
    const QRect plain = DrawShadowMask(context(), {}, {}, true, 0, false);
    const QImage unshifted = pictures.SP1.image().copy();
    pictures.SP1.clear();
    EXPECT_EQ(DrawShadowMask(context(), {}, {}, true, -3, false), plain.translated(-3, -3));
    EXPECT_EQ(pictures.SP1.image().copy(0, 0, kWidth - 3, kHeight - 3),
              unshifted.copy(3, 3, kWidth - 3, kHeight - 3));
    EXPECT_EQ(pictures.SP2.image().pixel(0, 0), PixelFromColour(settings.MainShadowColor));
    // An outline of 2 reaches 2 pixels beyond the text on every side.
    pictures.SP1.clear();
    settings.FontStroke1 = 2;
    EXPECT_EQ(DrawStrokeMask(context(), {}, {}, true, false), plain.adjusted(-2, -2, 2, 2));
    EXPECT_EQ(pictures.SP2.image().pixel(0, 0), PixelFromColour(settings.MainStokeColor));

    // The alpha layer is the blurred shadow and the text, worked out with whole-picture
    // operations: the renderer only touches where the masks are.
    settings.FontStroke1 = 0;
    settings.ShadowBlur1 = 3;
    Picture shadow(kWidth, kHeight, 0), text(kWidth, kHeight, 0);
    for (const auto& [mask, offset] : {std::pair{&shadow, settings.FontShadow1}, {&text, 0}}) {
        std::swap(pictures.SP1, *mask);
        DrawShadowMask(context(), {}, {}, true, offset, false);
        std::swap(pictures.SP1, *mask);
    }
    for (int pass = 0; pass < 3; ++pass) {
        PxBlur(shadow.view(), std::as_const(shadow).view(), 0, 0);
    }
    Picture expected(kWidth, kHeight, 0);
    const Picture white(kWidth, kHeight, 0xFFFFFF);
    for (const Picture* mask : {&shadow, &text}) {
        PxAlphaMask(expected.view(), 0, 0, kWidth, kHeight, white.view(), 0, 0, mask->view(), 0, 0,
                    0, 0);
    }
    Render();
    EXPECT_EQ(pictures.SP6.image(), expected.image());
}

TEST_F(LyricRendererTest, TextTakesItsRowOfTheGradient) {
    settings.FontShadow1 = 0;
    settings.FontStroke1 = 0;
    settings.MainFontColor = 0x0000FF;   // red on top
    settings.MainFontColor2 = 0xFF0000;  // blue at the bottom
    Render();
    // The band behind the line: top at 60 - 15.
    Picture band(1, 30, 0);
    FillGradient(band.view(), 0, 0, 1, 30, 0x0000FF, 0xFF0000, 270.0f);
    int checked = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (Alpha(pictures.SP6, x, y) == 255) {
                ASSERT_TRUE(y >= 45 && y < 75) << y;
                EXPECT_EQ(pictures.SP3.image().pixel(x, y), band.image().pixel(0, y - 45));
                EXPECT_EQ(pictures.Picture1.image().pixel(x, y), band.image().pixel(0, y - 45));
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 100);
}

TEST_F(LyricRendererTest, TransitionFiltersBothLayers) {
    settings.SubTextShow = 1;
    Render();
    const Picture colour = pictures.SP3;
    const Picture alpha = pictures.SP6;
    for (const int32_t effect : {0, 1, 2}) {
        SCOPED_TRACE(effect);
        settings.EffectType = effect;
        state.TransitionStep = 3;
        Picture expected[] = {colour, alpha};
        FilterState filters = state.Filters;  // the spread's random numbers, as they will come
        for (Picture& layer : expected) {
            int32_t progress = 0;
            for (int pass = 0; pass < 3 && effect == 0; ++pass) {
                PxBlur(layer.view(), std::as_const(layer).view(), 0, 0);
            }
            if (effect != 0) {
                ApplyFilter(effect == 1 ? kFilterSpread : kFilterMosaic, layer.view(), 3, progress,
                            filters, host);
            }
        }
        Render();
        EXPECT_EQ(pictures.SP3.image(), expected[0].image());
        EXPECT_EQ(pictures.SP6.image(), expected[1].image());
        EXPECT_EQ(state.FilterProgress, effect == 0 ? 0 : 100);
    }
    // No filter while there is no current text.
    state.NoCurrentText = true;
    Render();
    EXPECT_EQ(pictures.SP3.image(), colour.image());
    EXPECT_EQ(pictures.SP6.image(), alpha.image());
}

TEST_F(LyricRendererTest, NeighboursNeedTheCallAndTheSetting) {
    settings.FontShadow2 = 2;
    settings.FontStroke2 = 1;
    settings.SubTextShow = 1;
    // The neighbours' rows: centre lines 20 and 100, pitch 16.
    auto alphaInRows = [&](int y0, int y1) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                if (Alpha(pictures.SP6, x, y) != 0) {
                    return true;
                }
            }
        }
        return false;
    };
    for (const bool shown : {false, true}) {
        state.LineChanged = true;
        Render(shown);
        EXPECT_EQ(alphaInRows(0, 30), shown);
        EXPECT_EQ(alphaInRows(90, kHeight - 1), shown);
    }
    // Neighbours wrap by the width of the main font.
    const WrapRule rule = LyricWrapRule(context());
    EXPECT_EQ(rule.limit, 240 - 10);
    EXPECT_EQ(rule.measure(QStringLiteral("이전 줄")),
              state.Text.MeasureTextWidth(QStringLiteral("이전 줄"), settings.FontName, 30, false));
}

TEST_F(LyricRendererTest, StillTitleAfterTheIntroAndTheSlide) {
    holders.TTS = QImage(kWidth, kHeight, QImage::Format_RGB32);
    holders.TTS.fill(Qt::red);
    holders.SP4 = holders.TTS.copy();
    holders.SP4.fill(Qt::white);  // the whole picture is bar
    settings.TitleBarUpTop = QStringLiteral("-20");
    settings.TitleBarDownTop = QStringLiteral("20");
    PrepareTitleBar(context());
    // The bar is down after CoverShowTime 20 + CoverFadeTime 30 + 10 frames.
    struct Case {
        bool job;
        int32_t counter, preview;
        const char16_t* title;
        int32_t titleBar;
        bool drawn;
    };
    for (const Case& c :
         {Case{true, 61, 0, u"제목", 1, true}, Case{true, 60, 99, u"제목", 1, false},
          Case{false, 0, 61, u"제목", 1, true}, Case{false, 99, 60, u"제목", 1, false},
          Case{true, 61, 0, u"열두 글자가 넘는 제목", 1, false},
          Case{true, 61, 0, u"제목", 0, false}}) {
        SCOPED_TRACE(::testing::Message()
                     << c.job << " " << c.counter << " " << c.preview << " " << c.titleBar);
        settings.TitleBar = c.titleBar;
        state.MakingVideo = c.job;
        state.CoverFrameCounter = c.counter;
        state.PreviewPosition = c.preview;
        state.TitleText = QString::fromUtf16(c.title);
        Render();
        EXPECT_EQ(pictures.Picture1.image().pixel(2, 2) == 0xFFFF0000u, c.drawn);
    }
}

TEST_F(LyricRendererTest, AbsurdSettingsDoNotCrash) {
    Settings& s = settings;
    const std::function<void()> cases[] = {
        [&] { s.FontStroke1 = INT_MAX; },
        [&] { s.StrokeBlur1 = INT_MAX; },
        [&] { s.FontSize = INT_MAX; },
        [&] { s.FontSize = -30; },
        [&] { s.PointX = INT_MIN, s.PointY = INT_MAX, s.FontShadow1 = INT_MIN; },
        [&] { s.TextBetween = QStringLiteral("1e30"), s.TextLength = QStringLiteral("-1e30"); },
        [&] { s.EffectType = 0, state.TransitionStep = INT_MAX; },
        [&] { s.EffectType = 1, state.TransitionStep = INT_MAX; },
        [&] { s.EffectType = 2, state.TransitionStep = INT_MAX; },
        [&] { state.CurrentLyricText = QStringLiteral(" / ").repeated(200); },
    };
    for (const auto& change : cases) {
        s = MakePreset(Preset::IPhone);
        s.SubTextShow = 1;
        state = RenderState();
        state.CurrentLyricText = QStringLiteral("가나다 라마바");
        state.LineChanged = true;
        change();
        Render();
        EXPECT_EQ(pictures.Picture1.width(), kWidth);
    }
    pictures.resize(0, 0);  // no canvas at all
    state.LineChanged = true;
    Render();
    EXPECT_TRUE(pictures.Picture1.isNull());
}

TEST_F(LyricRendererTest, LooksAsTheReference) {
    settings.MainFontColor = 0x80FFFF;
    settings.MainFontColor2 = 0xFF8040;
    settings.FontStroke1 = 2;
    settings.SubTextShow = 1;
    state.CurrentLyricText = QStringLiteral("바람이 불어 / 오는 곳");
    Render();
    // Antialiased edges vary a little with the font build: 24 levels per channel, and 1% of
    // the pixels beyond that.
    EXPECT_TRUE(testing::MatchesReference(pictures.Picture1.image(), QStringLiteral("lyrics.png"),
                                          24, 0.01));
}

}  // namespace
}  // namespace lumek
