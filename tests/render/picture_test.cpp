#include "render/picture.h"
#include "base/colour.h"

#include <gtest/gtest.h>

namespace lumek {
namespace {

constexpr uint32_t kRedPixel = 0xFFFF0000u;
constexpr uint32_t kBluePixel = 0xFF0000FFu;
constexpr uint32_t kGreenPixel = 0xFF00FF00u;

QImage Solid(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

int Channel(uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFFu);
}

TEST(Picture, FillsWithItsColourAndViewsItsPixels) {
    Picture picture(5, 3, 0x0000FF);  // red as 0x00BBGGRR
    EXPECT_EQ(picture.width(), 5);
    EXPECT_EQ(picture.height(), 3);
    EXPECT_EQ(picture.image().format(), QImage::Format_RGB32);
    const PixelView view = picture.view();
    EXPECT_EQ(view.width, 5);
    EXPECT_EQ(view.height, 3);
    EXPECT_EQ(view.stride, picture.image().bytesPerLine() / 4);
    EXPECT_EQ(view.at(4, 2), kRedPixel);
    view.at(1, 1) = kBluePixel;
    EXPECT_EQ(picture.image().pixel(1, 1), kBluePixel);
    EXPECT_TRUE(Picture().isNull());
    EXPECT_EQ(Picture().view().pixels, nullptr);
}

TEST(Picture, ClearRestoresBackPictureElseColour) {
    Picture picture(4, 4, 0xFF0000);  // blue
    picture.fillRect({0, 0, 4, 4}, 0x00FF00);
    picture.clear();
    EXPECT_EQ(picture.view().at(3, 3), kBluePixel);

    SCOPED_TRACE("a smaller back picture sits at the top-left over the colour");
    picture.setBackPicture(Solid(2, 2, kRedPixel));
    EXPECT_EQ(picture.view().at(0, 0), kBluePixel);  // shown only after clearing
    picture.clear();
    EXPECT_EQ(picture.view().at(1, 1), kRedPixel);
    EXPECT_EQ(picture.view().at(2, 1), kBluePixel);
    EXPECT_EQ(picture.view().at(1, 2), kBluePixel);

    SCOPED_TRACE("keepImage makes the current content the back picture");
    picture.fillRect({3, 3, 1, 1}, 0x00FF00);
    picture.keepImage();
    picture.fillRect({0, 0, 4, 4}, 0);
    picture.clear();
    EXPECT_EQ(picture.view().at(3, 3), kGreenPixel);
    EXPECT_EQ(picture.view().at(0, 0), kRedPixel);

    SCOPED_TRACE("without a back picture the colour returns");
    picture.removeBackPicture();
    picture.clear();
    EXPECT_EQ(picture.view().at(0, 0), kBluePixel);
    EXPECT_EQ(picture.view().at(3, 3), kBluePixel);
}

TEST(Picture, SystemColourIsResolvedWhenFilling) {
    Picture picture(2, 2);
    picture.setBackColour(kWindowBackgroundColour);
    EXPECT_EQ(picture.backColour(), kWindowBackgroundColour);
    picture.clear();
    EXPECT_EQ(picture.view().at(1, 1), 0xFFFFFFFFu);
    picture.fillRect({0, 0, 1, 1}, static_cast<int32_t>(0x80000010u));
    EXPECT_EQ(picture.view().at(0, 0), 0xFFC0C0C0u);
}

TEST(Picture, ResizeErasesToTheBackground) {
    Picture picture(3, 3, 0x00FF00);
    picture.setBackPicture(Solid(1, 1, kRedPixel));
    picture.fillRect({0, 0, 3, 3}, 0);
    picture.resize(6, 2);
    EXPECT_EQ(picture.width(), 6);
    EXPECT_EQ(picture.height(), 2);
    EXPECT_EQ(picture.view().at(0, 0), kRedPixel);
    EXPECT_EQ(picture.view().at(5, 1), kGreenPixel);
    picture.resize(0, 5);
    EXPECT_TRUE(picture.isNull());
}

TEST(Picture, FillRectIsClipped) {
    Picture picture(4, 4, 0);
    picture.fillRect({-2, 2, 4, 10}, 0x0000FF);
    EXPECT_EQ(picture.view().at(0, 2), kRedPixel);
    EXPECT_EQ(picture.view().at(1, 3), kRedPixel);
    EXPECT_EQ(picture.view().at(2, 2), 0xFF000000u);
    EXPECT_EQ(picture.view().at(1, 1), 0xFF000000u);
}

TEST(Picture, StretchScalesTheWholeSourceIntoTheRectangle) {
    Picture picture(10, 8, 0x00FF00);
    {
        SCOPED_TRACE("only the target rectangle changes");
        StretchInto(Solid(3, 3, kRedPixel), picture, {2, 1, 5, 4});
        EXPECT_EQ(picture.view().at(2, 1), kRedPixel);
        EXPECT_EQ(picture.view().at(6, 4), kRedPixel);
        EXPECT_EQ(picture.view().at(1, 1), kGreenPixel);
        EXPECT_EQ(picture.view().at(7, 4), kGreenPixel);
        EXPECT_EQ(picture.view().at(2, 5), kGreenPixel);
    }
    {
        SCOPED_TRACE("both halves of the source reach the ends of the target");
        QImage halves = Solid(10, 10, kRedPixel);
        for (int y = 0; y < 10; ++y) {
            for (int x = 5; x < 10; ++x) {
                halves.setPixel(x, y, kBluePixel);
            }
        }
        StretchOver(halves, picture);
        EXPECT_EQ(picture.view().at(0, 0), kRedPixel);
        EXPECT_EQ(picture.view().at(9, 7), kBluePixel);
    }
    {
        SCOPED_TRACE("shrinking averages areas: a fine checkerboard turns grey");
        QImage checks(100, 100, QImage::Format_RGB32);
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                checks.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u);
            }
        }
        StretchOver(checks, picture);
        EXPECT_NEAR(Channel(picture.view().at(4, 4), 0), 127, 3);
        EXPECT_NEAR(Channel(picture.view().at(7, 2), 16), 127, 3);
    }
    {
        SCOPED_TRACE("the copy drops the alpha channel; targets are clipped");
        QImage clear(2, 2, QImage::Format_ARGB32);
        clear.fill(0x000000FFu);
        const uint32_t outside = picture.view().at(2, 2);
        StretchInto(clear, picture, {-3, -3, 5, 5});
        EXPECT_EQ(picture.view().at(1, 1) >> 24, 0xFFu);
        EXPECT_EQ(picture.view().at(2, 2), outside);
    }
    {
        SCOPED_TRACE("a mistyped, enormous target still fills the visible part");
        StretchInto(Solid(4, 4, kBluePixel), picture, {-50000, -50000, 100000, 100000});
        EXPECT_EQ(picture.view().at(0, 0), kBluePixel);
        EXPECT_EQ(picture.view().at(9, 7), kBluePixel);
    }
    {
        SCOPED_TRACE("a null source paints the target black");
        StretchInto(QImage(), picture, {0, 0, 2, 2});
        EXPECT_EQ(picture.view().at(1, 1), 0xFF000000u);
        EXPECT_NE(picture.view().at(2, 2), 0xFF000000u);
    }
}

}  // namespace
}  // namespace lumek
