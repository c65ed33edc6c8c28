#include "render/cover_intro.h"

#include "render/compose_fixture.h"

#include <gtest/gtest.h>

namespace lumek {
namespace {

using testing::Blend;
using testing::Solid;

constexpr QRgb kBackground = 0xFF102040u;
constexpr QRgb kTop = 0xFFFF0000u;
constexpr QRgb kBottom = 0xFF00FF00u;
constexpr QRgb kYellow = 0xFFFFFF00u;

class CoverIntroTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings& s = settings;  // the cover box is 35, 90, 140 x 140
        s.FontShadow3 = 0, s.FontStroke3 = 0, s.CoverFontColor = 0x00FFFF;  // yellow
        s.CPointX = 120, s.CPointY = 60, s.CoverFontSize = 20;
        pictures.resize(240, 320);
        pictures.Picture4.setBackPicture(Solid(kBackground, 240, 320));
        holders.Picture3 = Solid(kTop, 600, 300);  // the upper half red, the lower half green
        QPainter(&holders.Picture3).fillRect(0, 150, 600, 150, QColor(kBottom));
    }

    QImage Render(const QString& text, const QImage& tagArt = {}) {
        RenderCoverIntro(Context(), text, tagArt, options);
        return pictures.Picture4.image().copy();
    }

    Settings settings = MakePreset(Preset::IPhone);
    WorkingPictures pictures;
    ImageHolders holders;
    RenderState state;
    testing::RecordingHost host;
    DerivedSettings derived;

    // The context of the settings as they stand now.
    RenderContext Context() {
        derived = DeriveSettings(settings);
        return {settings, derived, pictures, holders, state, host};
    }
    CoverOptions options;
};

TEST(CoverPlacement, KeepsAspectOrStretches) {
    const QRect box(35, 90, 140, 140);
    EXPECT_EQ(CoverPlacement({600, 300}, box, true), QRect(35, 160, 140, 70));
    EXPECT_EQ(CoverPlacement({300, 600}, box, true), QRect(70, 90, 70, 140));
    EXPECT_EQ(CoverPlacement({600, 300}, box, false), box);
    EXPECT_EQ(CoverPlacement({300, 600}, box, false), box);
    // 140 / 280 x 97 = 48.5 and (140 - 99) / 2 = 20.5 go to the even neighbour.
    EXPECT_EQ(CoverPlacement({280, 97}, box, true), QRect(35, 182, 140, 48));
    EXPECT_EQ(CoverPlacement({99, 140}, box, true), QRect(55, 90, 99, 140));
    EXPECT_EQ(CoverPlacement({0, 0}, box, true), std::nullopt);
    EXPECT_EQ(CoverPlacement({600, 300}, QRect(35, 90, 0, 140), false), std::nullopt);
}

TEST_F(CoverIntroTest, CoverRestsOnTheBoxWithItsReflectionBelow) {
    const QImage layer = Render(QString());
    // Drawn 140 x 70 at (35, 160): red over green, the box's rest shows the background.
    EXPECT_EQ(layer.pixel(35, 160), kTop);
    EXPECT_EQ(layer.pixel(174, 229), kBottom);
    EXPECT_EQ(layer.pixel(34, 200), kBackground);
    EXPECT_EQ(layer.pixel(100, 159), kBackground);
    // The reflection from row 230: mirrored (green first), at 192 of 255 on the touching row,
    // fading out by row 264, transparent below.
    EXPECT_EQ(layer.pixel(100, 230), Blend(kBackground, kBottom, 192));
    const int nextAlpha = qBlue(pictures.SP7.image().pixel(100, 68));
    EXPECT_TRUE(nextAlpha > 180 && nextAlpha < 192) << nextAlpha;
    EXPECT_EQ(layer.pixel(100, 231), Blend(kBackground, kBottom, nextAlpha));
    EXPECT_NE(layer.pixel(100, 263), kBackground);
    for (int y : {264, 270, 299}) {
        EXPECT_EQ(layer.pixel(100, y), kBackground) << y;
    }
    EXPECT_EQ(pictures.SP7.width(), 140);
    EXPECT_EQ(pictures.SP8.height(), 70);
}

TEST_F(CoverIntroTest, OptionsChooseTheSourcePlacementAndReflection) {
    options.keepAspect = false;
    options.reflection = false;
    QImage layer = Render(QString());
    EXPECT_EQ(layer.pixel(35, 90), kTop);
    EXPECT_EQ(layer.pixel(174, 229), kBottom);
    EXPECT_EQ(layer.pixel(100, 230), kBackground);

    options.keepAspect = true;
    const QImage tagArt = Solid(kYellow, 300, 600);
    layer = Render(QString(), tagArt);
    EXPECT_EQ(layer.pixel(70, 90), kYellow);
    EXPECT_EQ(layer.pixel(139, 229), kYellow);
    EXPECT_EQ(layer.pixel(69, 150), kBackground);

    options.useTagArt = false;  // the default cover again
    EXPECT_EQ(Render(QString(), tagArt).pixel(35, 160), kTop);

    holders.Picture3 = QImage();  // nothing to show at all
    EXPECT_EQ(Render(QString()), Solid(kBackground, 240, 320));
}

TEST_F(CoverIntroTest, HeaderTextAroundTheCentreLineLeavesTheLyricLayersAlone) {
    holders.Picture3 = QImage();
    const QImage plain = Render(QStringLiteral("Artist / Title"));
    int upper = 0, lower = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            if (plain.pixel(x, y) == kYellow) {
                // Pitch 20 around row 60: the cells are rows 40-59 and 60-79.
                EXPECT_TRUE(y >= 40 && y < 80) << x << "," << y;
                (y < 60 ? upper : lower) += 1;
            }
        }
    }
    EXPECT_GT(upper, 20);
    EXPECT_GT(lower, 20);

    pictures.SP3.image().fill(0xFF336699u);
    pictures.SP6.image().fill(0xFF808080u);
    settings.FontShadow3 = 3;
    settings.FontStroke3 = 1;
    const QImage effects = Render(QStringLiteral("Artist / Title"));
    EXPECT_NE(effects, plain);
    EXPECT_EQ(effects.pixel(5, 300), kBackground);  // nothing happens far away
    EXPECT_EQ(pictures.SP3.image(), Solid(0xFF336699u, 240, 320));
    EXPECT_EQ(pictures.SP6.image(), Solid(0xFF808080u, 240, 320));
    // No text, no text effects.
    EXPECT_EQ(Render(QString()), Solid(kBackground, 240, 320));
}

}  // namespace
}  // namespace lumek
