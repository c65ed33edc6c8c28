#include "render/picture.h"
#include "base/colour.h"
#include "render/pixel_fixture.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace lumek {
namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlack = 0xFF000000u;

using testing::Solid;

TEST(Picture, FillsClipsAndViewsItsPixels) {
    Picture picture(5, 3, 0x0000FF);  // red as 0x00BBGGRR
    EXPECT_EQ(picture.image().size(), QSize(5, 3));
    EXPECT_EQ(picture.image().format(), QImage::Format_RGB32);
    const PixelView view = picture.view();
    EXPECT_EQ(view.width, 5);
    EXPECT_EQ(view.height, 3);
    EXPECT_EQ(view.stride, picture.image().bytesPerLine() / 4);
    EXPECT_EQ(view.at(4, 2), kRed);
    view.at(1, 1) = kBlue;
    EXPECT_EQ(picture.image().pixel(1, 1), kBlue);
    EXPECT_TRUE(Picture().isNull());
    EXPECT_EQ(Picture().view().pixels, nullptr);

    Picture clipped(4, 4, 0);
    clipped.fillRect({-2, 2, 4, 10}, 0x0000FF);
    EXPECT_EQ(clipped.view().at(0, 2), kRed);
    EXPECT_EQ(clipped.view().at(1, 3), kRed);
    EXPECT_EQ(clipped.view().at(2, 2), kBlack);
    EXPECT_EQ(clipped.view().at(1, 1), kBlack);

    // System colours are resolved when filling.
    clipped.setBackColour(kWindowBackgroundColour);
    EXPECT_EQ(clipped.backColour(), kWindowBackgroundColour);
    clipped.clear();
    EXPECT_EQ(clipped.view().at(1, 1), 0xFFFFFFFFu);
    clipped.fillRect({0, 0, 1, 1}, static_cast<int32_t>(0x80000010u));
    EXPECT_EQ(clipped.view().at(0, 0), 0xFFC0C0C0u);
}

TEST(Picture, ClearAndResizeRestoreBackPictureElseColour) {
    Picture picture(4, 4, 0xFF0000);  // blue
    picture.fillRect({0, 0, 4, 4}, 0x00FF00);
    picture.clear();
    EXPECT_EQ(picture.view().at(3, 3), kBlue);

    SCOPED_TRACE("a smaller back picture sits at the top-left over the colour");
    picture.setBackPicture(Solid(kRed, 2, 2));
    EXPECT_EQ(picture.view().at(0, 0), kBlue);  // shown only after clearing
    picture.clear();
    EXPECT_EQ(picture.view().at(1, 1), kRed);
    EXPECT_EQ(picture.view().at(2, 1), kBlue);
    EXPECT_EQ(picture.view().at(1, 2), kBlue);

    SCOPED_TRACE("keepImage makes the current content the back picture");
    picture.fillRect({3, 3, 1, 1}, 0x00FF00);
    picture.keepImage();
    picture.fillRect({0, 0, 4, 4}, 0);
    picture.clear();
    EXPECT_EQ(picture.view().at(3, 3), kGreen);
    EXPECT_EQ(picture.view().at(0, 0), kRed);

    SCOPED_TRACE("resizing erases to the background");
    picture.resize(6, 2);
    EXPECT_EQ(picture.image().size(), QSize(6, 2));
    EXPECT_EQ(picture.view().at(0, 0), kRed);
    EXPECT_EQ(picture.view().at(5, 1), kBlue);

    SCOPED_TRACE("without a back picture the colour returns");
    picture.removeBackPicture();
    picture.clear();
    EXPECT_EQ(picture.view().at(0, 0), kBlue);
    picture.resize(0, 5);
    EXPECT_TRUE(picture.isNull());
}

TEST(Picture, StretchScalesTheWholeSourceIntoTheRectangle) {
    Picture picture(10, 8, 0x00FF00);
    SCOPED_TRACE("only the target rectangle changes");
    StretchInto(Solid(kRed, 3, 3), picture, {2, 1, 5, 4});
    for (const auto& [x, y, colour] :
         {std::tuple{2, 1, kRed}, {6, 4, kRed}, {1, 1, kGreen}, {7, 4, kGreen}, {2, 5, kGreen}}) {
        EXPECT_EQ(picture.view().at(x, y), colour) << x << "," << y;
    }

    SCOPED_TRACE("both halves of the source reach the ends of the target");
    QImage halves = Solid(kRed, 10, 10);
    QPainter(&halves).fillRect(5, 0, 5, 10, QColor(kBlue));
    StretchOver(halves, picture);
    EXPECT_EQ(picture.view().at(0, 0), kRed);
    EXPECT_EQ(picture.view().at(9, 7), kBlue);

    SCOPED_TRACE("shrinking averages areas: a fine checkerboard turns grey");
    QImage checks(100, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            checks.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFFu : kBlack);
        }
    }
    StretchOver(checks, picture);
    EXPECT_NEAR(qBlue(picture.view().at(4, 4)), 127, 3);
    EXPECT_NEAR(qRed(picture.view().at(7, 2)), 127, 3);

    SCOPED_TRACE("the copy drops the alpha channel; targets are clipped");
    QImage clear(2, 2, QImage::Format_ARGB32);
    clear.fill(0x000000FFu);
    const uint32_t outside = picture.view().at(2, 2);
    StretchInto(clear, picture, {-3, -3, 5, 5});
    EXPECT_EQ(picture.view().at(1, 1) >> 24, 0xFFu);
    EXPECT_EQ(picture.view().at(2, 2), outside);

    SCOPED_TRACE("a mistyped, enormous target still fills the visible part");
    StretchInto(Solid(kBlue, 4, 4), picture, {-50000, -50000, 100000, 100000});
    EXPECT_EQ(picture.view().at(0, 0), kBlue);
    EXPECT_EQ(picture.view().at(9, 7), kBlue);

    SCOPED_TRACE("a null source paints the target black");
    StretchInto(QImage(), picture, {0, 0, 2, 2});
    EXPECT_EQ(picture.view().at(1, 1), kBlack);
    EXPECT_NE(picture.view().at(2, 2), kBlack);
}

}  // namespace
}  // namespace lumek
