#include "app/builtin_pictures.h"
#include "app/studio.h"
#include "render/lyric_renderer.h"
#include "support/recording_host.h"

#include <QImage>

#include <gtest/gtest.h>

namespace lumek {
namespace {

// Renders a two-line Korean lyric with the studio's settings over the built-in background.
QImage Render(Studio& studio) {
    const RenderContext context = studio.renderContext();
    context.state.CurrentLyricText = QStringLiteral("바람이 불어오는 곳 / 그곳으로 가네");
    context.state.LineChanged = true;
    RenderLyrics(context, {}, {}, true);
    return studio.canvas().image().copy();
}

// The frame a new studio draws: its preset, its pictures and the renderer wired together. The
// layers themselves are checked exactly in the renderer's own tests.
TEST(LyricFrame, TwoKoreanLinesWithTheDefaultPreset) {
    testing::RecordingHost host;
    Studio studio(host);
    ASSERT_EQ(studio.settings(), MakePreset(Preset::IPhone));
    ASSERT_EQ(studio.holders().PTMP, BuiltinPicture(Preset::IPhone, 1));
    const QImage frame = Render(studio);
    EXPECT_EQ(frame.pixel(5, 5), studio.pictures().PTMP2.image().pixel(5, 5));

    // White text in two lines, above and below the reference point (240, 160): pitch 44, so
    // the cells are rows 116..159 and 160..203.
    int upper = 0, lower = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if ((frame.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu) {
                (y < 160 ? upper : lower) += 1;
                EXPECT_TRUE(y >= 116 && y < 204) << y;
            }
        }
    }
    EXPECT_GT(upper + lower, 1500);
    EXPECT_GT(upper, 500);
    EXPECT_GT(lower, 500);

    // The dark outline (0x282828) darkens what it changes: mostly darker, a little lighter
    // where it covers the shadow's dark blend.
    studio.edit(u"FontStroke1", QStringLiteral("0"));
    const QImage unoutlined = Render(studio);
    const auto luma = [](QRgb p) { return (qRed(p) * 3 + qGreen(p) * 6 + qBlue(p)) / 10; };
    int outlined = 0, darker = 0, darkening = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const int change = luma(unoutlined.pixel(x, y)) - luma(frame.pixel(x, y));
            if (frame.pixel(x, y) != unoutlined.pixel(x, y)) {
                ++outlined;
                darker += change > 0 ? 1 : 0;
                darkening += change;
            }
        }
    }
    EXPECT_GT(outlined, 1000);
    EXPECT_GT(darker, outlined * 3 / 4);
    EXPECT_GT(darkening, outlined * 5);
}

}  // namespace
}  // namespace lumek
