#include "render/text.h"

#include "base/settings.h"
#include "render/picture.h"
#include "render/pixel_fixture.h"
#include "render/reference_image.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace lumek {
namespace {

const QString kFace = QStringLiteral("굴림");  // not installed: resolves to a Korean fallback

// A black canvas and the bounds of whatever was drawn on it.
struct Canvas {
    Picture picture;
    TextMeasurer measurer;
    Canvas(int w, int h) : picture(w, h, 0) {}
    QRect draw(int x, int top, TextAnchor anchor, const QString& text, const FontSpec& font,
               int spread = 0) {
        return measurer.DrawText(picture.view(), x, top, anchor, text, font, 0xFFFFFF, spread);
    }
    const QImage& image() const { return picture.image(); }
    QRect ink() const {
        return testing::InkBounds(image(), [](QRgb p) { return (p & 0xFFFFFFu) != 0; });
    }
};

TEST(TextMeasure, BytesAndWidths) {
    TextMeasurer measurer;
    EXPECT_EQ(AnsiByteLength(QStringLiteral("가나A")), 5);
    EXPECT_EQ(AnsiByteLength(QString()), 0);
    EXPECT_EQ(measurer.MeasureTextWidth(QString(), kFace, 44, false), 0);
    EXPECT_EQ(measurer.MeasureTextWidth(QStringLiteral("가"), kFace, 0, false), 0);
    EXPECT_EQ(measurer.MeasureTextWidth(QStringLiteral("가"), kFace, -12, false), 0);
    const int32_t one = measurer.MeasureTextWidth(QStringLiteral("가"), kFace, 44, false);
    EXPECT_GT(one, 20);
    EXPECT_EQ(measurer.MeasureTextWidth(QStringLiteral("가가가"), kFace, 44, false), 3 * one);
    EXPECT_GE(measurer.MeasureTextWidth(QStringLiteral("가가가"), kFace, 44, true), 3 * one);
}

TEST(TextMeasure, HeightIsTheCellHeightOfTheFontThatDrawsHangul) {
    TextMeasurer measurer;
    QImage device(1, 1, QImage::Format_Alpha8);
    device.setDotsPerMeterX(2835);  // 72 dpi: a point is a pixel
    device.setDotsPerMeterY(2835);
    for (const int32_t size : {12, 20, 26, 44, 101}) {
        SCOPED_TRACE(size);
        const ResolvedFont font = measurer.ResolveFont({kFace, size, false});
        ASSERT_TRUE(font.valid);
        EXPECT_TRUE(QFontDatabase::writingSystems(font.family).contains(QFontDatabase::Korean))
            << font.family.toStdString();
        QFont qfont(font.family);
        qfont.setPointSizeF(font.pixelSize);
        const QFontMetricsF metrics(qfont, &device);
        EXPECT_NEAR(metrics.ascent() + metrics.descent(), size, 1.0);
        EXPECT_NEAR(metrics.ascent(), font.ascent, 1.0);
        // Hangul drawn with its cell top at 10 stays inside the cell.
        Canvas canvas(4 * size, 3 * size);
        canvas.draw(2, 10, TextAnchor::Left, QStringLiteral("한글"), {kFace, size, false});
        EXPECT_GE(canvas.ink().top(), 10);
        EXPECT_LT(canvas.ink().bottom(), 10 + size);
    }
}

TEST(TextDraw, DrawnWidthIsTheMeasuredWidthAndAnchorsUseIt) {
    TextMeasurer measurer;
    for (const QString& text : {QStringLiteral("미리보기"), QStringLiteral("Hello 세상, ok?")}) {
        SCOPED_TRACE(text.toStdString());
        const FontSpec font{kFace, 26, false};
        const QString left = text.left(text.size() / 2), right = text.mid(text.size() / 2);
        const int32_t leftWidth = measurer.MeasureTextWidth(left, font);
        EXPECT_EQ(leftWidth + measurer.MeasureTextWidth(right, font),
                  measurer.MeasureTextWidth(text, font));
        // The second half drawn where the measured first half ends continues the line exactly.
        Canvas whole(300, 40), pieces(300, 40);
        whole.draw(7, 5, TextAnchor::Left, text, font);
        pieces.draw(7, 5, TextAnchor::Left, left, font);
        pieces.draw(7 + leftWidth, 5, TextAnchor::Left, right, font);
        EXPECT_EQ(whole.image(), pieces.image());
        EXPECT_LE(whole.ink().right(), 7 + measurer.MeasureTextWidth(text, font) + 1);
    }
    const FontSpec bold{kFace, 20, true};
    const QString text = QStringLiteral("가나다");
    const int32_t w = measurer.MeasureTextWidth(text, bold);
    for (const auto& [anchor, x] :
         {std::pair{TextAnchor::Centre, 100 - w / 2}, std::pair{TextAnchor::Right, 100 - w}}) {
        Canvas anchored(200, 30), left(200, 30);
        anchored.draw(100, 2, anchor, text, bold);
        left.draw(x, 2, TextAnchor::Left, text, bold);
        EXPECT_EQ(anchored.image(), left.image());
    }
    EXPECT_EQ(AnchorFor(kAlignNone), TextAnchor::Left);
}

TEST(TextDraw, SpreadDrawsTheLineAtEveryOffset) {
    const FontSpec font{kFace, 24, false};
    const QString text = QStringLiteral("외곽선 w");
    for (const int spread : {1, 2, 3}) {
        SCOPED_TRACE(spread);
        Canvas once(160, 50), many(160, 50);
        once.draw(80, 12, TextAnchor::Centre, text, font, spread);
        for (int dx = -spread; dx <= spread; ++dx) {
            for (int dy = -spread; dy <= spread; ++dy) {
                many.draw(80 + dx, 12 + dy, TextAnchor::Centre, text, font);
            }
        }
        EXPECT_EQ(once.ink(), many.ink());
        int worst = 0;  // one rounding instead of one per draw
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 160; ++x) {
                worst = std::max(worst, std::abs(qBlue(once.image().pixel(x, y)) -
                                                 qBlue(many.image().pixel(x, y))));
            }
        }
        EXPECT_LE(worst, 2);
    }
}

TEST(TextDraw, BadInputDrawsNothingOrClipsQuietly) {
    TextMeasurer measurer;
    Canvas canvas(64, 32);
    const QString text = QStringLiteral("가나다");
    EXPECT_TRUE(
        measurer.DrawText(PixelView{}, 0, 0, TextAnchor::Left, text, {kFace, 20}, 0).isEmpty());
    EXPECT_TRUE(canvas.draw(0, 0, TextAnchor::Left, text, {kFace, -9}).isEmpty());
    EXPECT_TRUE(canvas.draw(INT_MAX, INT_MIN, TextAnchor::Right, text, {kFace, 20}).isEmpty());
    // Absurd sizes, outlines and lengths are clipped to what the picture shows.
    const QRect huge =
        canvas.draw(32, -100, TextAnchor::Centre, text, {kFace, INT_MAX, true}, INT_MAX);
    EXPECT_FALSE(huge.isEmpty());
    EXPECT_TRUE(QRect(0, 0, 64, 32).contains(huge));
    const QRect line = canvas.draw(0, -500, TextAnchor::Left, QString(3000, QChar(u'각')),
                                   {kFace, kMaxFontCellHeight, false}, 3);
    EXPECT_TRUE(line.isEmpty() || QRect(0, 0, 64, 32).contains(line));
}

TEST(TextDraw, LooksAsTheReference) {
    TextMeasurer measurer;
    // Outline, then text, over a dark blue ground: the look of a lyric line.
    Picture picture(220, 64, 0x402010);
    const FontSpec font{kFace, 28, false};
    const QString lyric = QStringLiteral("가사 Lyric 한글");
    measurer.DrawText(picture.view(), 110, 4, TextAnchor::Centre, lyric, font, 0x282828, 2);
    measurer.DrawText(picture.view(), 110, 4, TextAnchor::Centre, lyric, font, 0xFFFFFF);
    measurer.DrawText(picture.view(), 4, 36, TextAnchor::Left, QStringLiteral("굵게 bold"),
                      {kFace, 24, true}, 0x00C0FF);
    measurer.DrawText(picture.view(), 216, 36, TextAnchor::Right, QStringLiteral("오른쪽"),
                      {kFace, 16}, 0x80FF80);
    // Font builds may place an edge pixel slightly differently: 24 levels per channel, and
    // 1% of the pixels beyond that.
    EXPECT_TRUE(testing::MatchesReference(picture.image(), QStringLiteral("text.png"), 24, 0.01));
}

}  // namespace
}  // namespace lumek
