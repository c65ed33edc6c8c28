#include "render/text.h"

#include "base/settings.h"
#include "render/picture.h"
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
    Canvas(int w, int h) : picture(w, h, 0) {}
    PixelView view() { return picture.view(); }
    QRect ink() const {
        QRect r;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if ((picture.image().pixel(x, y) & 0xFFFFFFu) != 0) {
                    r |= QRect(x, y, 1, 1);
                }
            }
        }
        return r;
    }
};

TEST(TextMeasure, BytesCharactersAndEmptyTexts) {
    EXPECT_EQ(AnsiByteLength(QStringLiteral("가나A")), 5);
    EXPECT_EQ(AnsiByteLength(QString()), 0);
    EXPECT_EQ(CharacterCount(QStringLiteral("가😀a")), 3);
    EXPECT_EQ(MeasureTextWidth(QString(), kFace, 44, false), 0);
    EXPECT_EQ(MeasureTextWidth(QStringLiteral("가"), kFace, 0, false), 0);
    EXPECT_EQ(MeasureTextWidth(QStringLiteral("가"), kFace, -12, false), 0);
    const int32_t one = MeasureTextWidth(QStringLiteral("가"), kFace, 44, false);
    EXPECT_GT(one, 20);
    EXPECT_EQ(MeasureTextWidth(QStringLiteral("가가가"), kFace, 44, false), 3 * one);
    EXPECT_GE(MeasureTextWidth(QStringLiteral("가가가"), kFace, 44, true), 3 * one);
}

TEST(TextMeasure, HeightIsTheCellHeightOfTheFontThatDrawsHangul) {
    const QImage device = [] {
        QImage image(1, 1, QImage::Format_Alpha8);
        image.setDotsPerMeterX(2835);  // 72 dpi: a point is a pixel
        image.setDotsPerMeterY(2835);
        return image;
    }();
    for (const int32_t size : {12, 20, 26, 44, 101}) {
        SCOPED_TRACE(size);
        const ResolvedFont font = ResolveFont({kFace, size, false});
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
        DrawText(canvas.view(), 2, 10, TextAnchor::Left, QStringLiteral("한글"),
                 {kFace, size, false}, 0xFFFFFF);
        EXPECT_GE(canvas.ink().top(), 10);
        EXPECT_LT(canvas.ink().bottom(), 10 + size);
    }
}

TEST(TextDraw, DrawnWidthIsTheMeasuredWidth) {
    for (const QString& text : {QStringLiteral("미리보기"), QStringLiteral("Hello 세상, ok?")}) {
        SCOPED_TRACE(text.toStdString());
        const FontSpec font{kFace, 26, false};
        const qsizetype half = text.size() / 2;
        const QString left = text.left(half), right = text.mid(half);
        EXPECT_EQ(MeasureTextWidth(left, font) + MeasureTextWidth(right, font),
                  MeasureTextWidth(text, font));
        // The second half drawn where the measured first half ends continues the line exactly.
        Canvas whole(300, 40), pieces(300, 40);
        DrawText(whole.view(), 7, 5, TextAnchor::Left, text, font, 0xFFFFFF);
        DrawText(pieces.view(), 7, 5, TextAnchor::Left, left, font, 0xFFFFFF);
        DrawText(pieces.view(), 7 + MeasureTextWidth(left, font), 5, TextAnchor::Left, right, font,
                 0xFFFFFF);
        EXPECT_EQ(whole.picture.image(), pieces.picture.image());
        EXPECT_LE(whole.ink().right(), 7 + MeasureTextWidth(text, font) + 1);
    }
}

TEST(TextDraw, AnchorsPutTheLineOnItsReferenceX) {
    const FontSpec font{kFace, 20, true};
    const QString text = QStringLiteral("가나다");
    const int32_t w = MeasureTextWidth(text, font);
    Canvas left(200, 30), centre(200, 30), right(200, 30);
    DrawText(left.view(), 100 - w / 2, 2, TextAnchor::Left, text, font, 0xFFFFFF);
    DrawText(centre.view(), 100, 2, TextAnchor::Centre, text, font, 0xFFFFFF);
    EXPECT_EQ(left.picture.image(), centre.picture.image());
    left.picture.clear();
    DrawText(left.view(), 150 - w, 2, TextAnchor::Left, text, font, 0xFFFFFF);
    DrawText(right.view(), 150, 2, TextAnchor::Right, text, font, 0xFFFFFF);
    EXPECT_EQ(left.picture.image(), right.picture.image());
    EXPECT_EQ(AnchorFor(kAlignNone), TextAnchor::Left);
}

TEST(TextDraw, SpreadDrawsTheLineAtEveryOffset) {
    const FontSpec font{kFace, 24, false};
    const QString text = QStringLiteral("외곽선 w");
    for (const int spread : {1, 2, 3}) {
        SCOPED_TRACE(spread);
        Canvas once(160, 50), many(160, 50);
        DrawText(once.view(), 80, 12, TextAnchor::Centre, text, font, 0xFFFFFF, spread);
        for (int dx = -spread; dx <= spread; ++dx) {
            for (int dy = -spread; dy <= spread; ++dy) {
                DrawText(many.view(), 80 + dx, 12 + dy, TextAnchor::Centre, text, font, 0xFFFFFF);
            }
        }
        EXPECT_EQ(once.ink(), many.ink());
        int worst = 0;
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 160; ++x) {
                worst = std::max(worst, std::abs(qBlue(once.picture.image().pixel(x, y)) -
                                                 qBlue(many.picture.image().pixel(x, y))));
            }
        }
        // One rounding instead of one per draw.
        EXPECT_LE(worst, 2);
    }
}

TEST(TextDraw, BadInputDrawsNothingOrClipsQuietly) {
    Canvas canvas(64, 32);
    const QString text = QStringLiteral("가나다");
    auto inside = [](const QRect& r) { return r.isEmpty() || QRect(0, 0, 64, 32).contains(r); };
    EXPECT_TRUE(DrawText(PixelView{}, 0, 0, TextAnchor::Left, text, {kFace, 20}, 0).isEmpty());
    EXPECT_TRUE(DrawText(canvas.view(), 0, 0, TextAnchor::Left, text, {kFace, -9}, 0).isEmpty());
    EXPECT_TRUE(DrawText(canvas.view(), INT_MAX, INT_MIN, TextAnchor::Right, text, {kFace, 20}, 0)
                    .isEmpty());
    // Absurd sizes, outlines and lengths are clipped to what the picture shows.
    const QRect huge = DrawText(canvas.view(), 32, -100, TextAnchor::Centre, text,
                                {kFace, INT_MAX, true}, 0xFFFFFF, INT_MAX);
    EXPECT_TRUE(inside(huge));
    EXPECT_FALSE(huge.isEmpty());
    const QString longText(3000, QChar(u'각'));
    EXPECT_TRUE(inside(DrawText(canvas.view(), 0, -500, TextAnchor::Left, longText,
                                {kFace, kMaxFontCellHeight, false}, 0xFFFFFF, 3)));
}

TEST(TextDraw, LooksAsTheReference) {
    // Outline, then text, over a dark blue ground: the look of a lyric line.
    Picture picture(220, 64, 0x402010);
    const FontSpec font{kFace, 28, false};
    DrawText(picture.view(), 110, 4, TextAnchor::Centre, QStringLiteral("가사 Lyric 한글"), font,
             0x282828, 2);
    DrawText(picture.view(), 110, 4, TextAnchor::Centre, QStringLiteral("가사 Lyric 한글"), font,
             0xFFFFFF);
    DrawText(picture.view(), 4, 36, TextAnchor::Left, QStringLiteral("굵게 bold"),
             {kFace, 24, true}, 0x00C0FF);
    DrawText(picture.view(), 216, 36, TextAnchor::Right, QStringLiteral("오른쪽"), {kFace, 16},
             0x80FF80);
    // Font builds may place an edge pixel slightly differently: 24 levels per channel, and
    // 1% of the pixels beyond that.
    EXPECT_TRUE(testing::MatchesReference(picture.image(), QStringLiteral("text.png"), 24, 0.01));
}

}  // namespace
}  // namespace lumek
