#include "app/builtin_pictures.h"

#include <QColor>

#include <gtest/gtest.h>

namespace lumek {
namespace {

// The preset geometry the pictures are drawn for (the presets' default settings).
struct Expected {
    Preset preset;
    QSize canvas;
    int barDown;  // TitleBarDownTop: the bar and its shadow fill this many top rows
    int barBody;  // rows of the bar itself
    QRect titleText;
};

const Expected kPresets[] = {
    {Preset::IPhone, {480, 320}, 50, 44, {90, 3, 300, 35}},
    {Preset::Phone, {320, 240}, 28, 26, {30, 3, 260, 30}},
};

int Level(const QImage& image, int x, int y) {
    return qBlue(image.pixel(x, y));  // the mask operations read the blue byte
}

// The smallest and largest mask level over a band of rows.
std::pair<int, int> RowRange(const QImage& image, int firstRow, int lastRow) {
    int low = 255;
    int high = 0;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            low = std::min(low, Level(image, x, y));
            high = std::max(high, Level(image, x, y));
        }
    }
    return {low, high};
}

TEST(BuiltinPictures, SizesAndMasksMatchThePresetGeometry) {
    const QImage cover = BuiltinCoverPicture();
    EXPECT_EQ(cover.width(), cover.height());
    EXPECT_GE(cover.width(), 140) << "the iPhone cover box is 140 x 140";
    for (const Expected& preset : kPresets) {
        SCOPED_TRACE(testing::Message() << "preset " << static_cast<int>(preset.preset));
        for (int number = 1; number <= 6; ++number) {
            const QImage picture = BuiltinPicture(preset.preset, number);
            EXPECT_EQ(picture.size(), preset.canvas) << number;
            EXPECT_EQ(picture.format(), QImage::Format_RGB32) << number;
        }
        EXPECT_TRUE(BuiltinPicture(preset.preset, 0).isNull());
        EXPECT_TRUE(BuiltinPicture(preset.preset, 7).isNull());

        const QImage effect = BuiltinPicture(preset.preset, 3);
        const QImage text = BuiltinPicture(preset.preset, 4);
        const QImage bar = BuiltinPicture(preset.preset, 6);
        const int last = preset.canvas.height() - 1;
        // The bar: mostly opaque over its body, a shadow under it, nothing below the rows it
        // slides down by, so that it hides completely above the frame.
        EXPECT_GE(RowRange(bar, 0, preset.barBody - 1).first, 200);
        EXPECT_GT(Level(bar, 0, preset.barBody), 0);
        EXPECT_EQ(RowRange(bar, preset.barDown, last).second, 0);
        // Hue and brightness act on the bar body only.
        EXPECT_EQ(RowRange(effect, 0, preset.barBody - 1).first, 255);
        EXPECT_EQ(RowRange(effect, preset.barBody, last).second, 0);

        // Title text shows inside its box on the bar only, softly cut at the box's ends.
        const QRect box = preset.titleText & QRect(0, 0, preset.canvas.width(), preset.barBody);
        const QPoint c = box.center();
        EXPECT_EQ(Level(text, c.x(), box.top()), 255);
        EXPECT_EQ(Level(text, c.x(), box.bottom()), 255);
        EXPECT_LT(Level(text, box.left(), c.y()), 128);
        EXPECT_LT(Level(text, box.right(), c.y()), 128);
        EXPECT_EQ(Level(text, box.left() - 1, c.y()), 0);
        EXPECT_EQ(Level(text, box.right() + 1, c.y()), 0);
        EXPECT_EQ(RowRange(text, 0, box.top() - 1).second, 0);
        EXPECT_EQ(RowRange(text, box.bottom() + 1, last).second, 0);

        // The bar image holds nothing below the bar.
        const QImage image = BuiltinPicture(preset.preset, 2);
        EXPECT_EQ(RowRange(image, preset.barDown, last).second, 0);
        EXPECT_NE(image.pixel(c.x(), 2), image.pixel(c.x(), 20)) << "a glossy upper half";

        // The backgrounds (1, 5) leave room for white text: dark in the lyric band, not flat.
        const QSize size = preset.canvas;
        const QRect band(size.width() / 4, size.height() * 2 / 5, size.width() / 2,
                         size.height() / 5);
        for (int number : {1, 5}) {
            const QImage background = BuiltinPicture(preset.preset, number);
            double sum = 0;
            for (int y = band.top(); y <= band.bottom(); ++y) {
                for (int x = band.left(); x <= band.right(); ++x) {
                    sum += QColor(background.pixel(x, y)).lightness();
                }
            }
            EXPECT_LT(sum / (band.width() * band.height()), 110) << "picture " << number;
            EXPECT_NE(background.pixel(0, 0),
                      background.pixel(size.width() / 2, size.height() / 2));
        }
    }
}

}  // namespace
}  // namespace lumek
