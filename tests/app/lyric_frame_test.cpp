#include "app/builtin_pictures.h"
#include "app/studio.h"
#include "base/colour.h"
#include "render/lyric_renderer.h"
#include "support/recording_host.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

namespace lumek {
namespace {

// Where the frames go for a look: $LUMEK_TEST_OUTPUT, else the system's temporary folder.
QString OutputPath(const QString& name) {
    const QByteArray chosen = qgetenv("LUMEK_TEST_OUTPUT");
    QDir dir(chosen.isEmpty() ? QDir::tempPath() + QStringLiteral("/lumek-test-output")
                              : QString::fromLocal8Bit(chosen));
    dir.mkpath(QStringLiteral("."));
    return dir.filePath(name);
}

int Luma(QRgb p) {
    return (qRed(p) * 3 + qGreen(p) * 6 + qBlue(p)) / 10;
}

const QString kLyric = QStringLiteral("바람이 불어오는 곳 / 그곳으로 가네");

// Renders the lyric with the studio's settings over the built-in background.
QImage Render(Studio& studio, testing::RecordingHost& host, const QString& previous = {},
              const QString& next = {}) {
    studio.render.CurrentLyricText = kLyric;
    studio.render.LineChanged = true;
    const RenderContext context{studio.settings, studio.pictures, studio.holders, studio.render,
                                host};
    RenderLyrics(context, previous, next, true, true);
    return studio.pictures.Picture1.image().copy();
}

QPointF Centroid(const std::vector<QPoint>& points) {
    QPointF sum;
    for (const QPoint& p : points) {
        sum += p;
    }
    return points.empty() ? sum : sum / static_cast<double>(points.size());
}

TEST(LyricFrame, TwoKoreanLinesWithTheDefaultPreset) {
    testing::RecordingHost host;
    Studio studio(host);
    ASSERT_EQ(studio.settings, MakePreset(Preset::IPhone));
    ASSERT_EQ(studio.holders.PTMP, BuiltinPicture(Preset::IPhone, 1));
    const QImage frame = Render(studio, host);
    const QString path = OutputPath(QStringLiteral("lyric_frame_default.png"));
    ASSERT_TRUE(frame.save(path));
    std::printf("lyric frame written to %s\n", qPrintable(path));
    const QImage background = studio.pictures.PTMP2.image();

    // White text in two lines, above and below the reference point (240, 160): pitch 44, so
    // the cells are rows 116..159 and 160..203.
    std::vector<QPoint> text;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if ((frame.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu) {
                text.push_back({x, y});
                EXPECT_TRUE(y >= 116 && y < 204) << y;
            }
        }
    }
    EXPECT_GT(text.size(), 1500u);
    int upper = 0;
    for (const QPoint& p : text) {
        upper += p.y() < 160 ? 1 : 0;
    }
    EXPECT_GT(upper, 500);
    EXPECT_GT(static_cast<int>(text.size()) - upper, 500);
    EXPECT_EQ(frame.pixel(5, 5), background.pixel(5, 5));

    // The dark outline (0x282828) darkens what it changes.
    studio.settings.FontStroke1 = 0;
    const QImage unoutlined = Render(studio, host);
    int outlined = 0, darker = 0, darkening = 0;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (frame.pixel(x, y) != unoutlined.pixel(x, y)) {
                const int change = Luma(unoutlined.pixel(x, y)) - Luma(frame.pixel(x, y));
                ++outlined;
                darker += change > 0 ? 1 : 0;
                darkening += change;
            }
        }
    }
    EXPECT_GT(outlined, 1000);
    // Mostly darker, a little lighter where it covers the shadow's dark blend.
    EXPECT_GT(darker, outlined * 3 / 4);
    EXPECT_GT(darkening, outlined * 5);

    // The grey shadow lies 2 pixels right of and below the text: what it changes is centred
    // down and to the right of the text.
    studio.settings.FontStroke1 = 1;
    studio.settings.FontShadow1 = 0;
    const QImage unshaded = Render(studio, host);
    std::vector<QPoint> shadow;
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (frame.pixel(x, y) != unshaded.pixel(x, y)) {
                shadow.push_back({x, y});
            }
        }
    }
    EXPECT_GT(shadow.size(), 500u);
    EXPECT_GT(Centroid(shadow).x(), Centroid(text).x() + 0.5);
    EXPECT_GT(Centroid(shadow).y(), Centroid(text).y() + 0.5);
}

TEST(LyricFrame, GradientRunsDownEachLine) {
    testing::RecordingHost host;
    Studio studio(host);
    Settings& s = studio.settings;
    s.MainFontColor = 0x40FFFF;   // yellow on top
    s.MainFontColor2 = 0xFF8000;  // blue at the bottom
    s.SubTextShow = 1;
    const QImage frame =
        Render(studio, host, QStringLiteral("지난 노래"), QStringLiteral("다음 노래"));
    const QString path = OutputPath(QStringLiteral("lyric_frame_gradient.png"));
    ASSERT_TRUE(frame.save(path));
    std::printf("lyric frame written to %s\n", qPrintable(path));

    // Opaque text pixels in the top and the bottom third of each main line's cell.
    const QImage& alpha = studio.pictures.SP6.image();
    for (const int top : {116, 160}) {
        SCOPED_TRACE(top);
        double red[2] = {0, 0}, blue[2] = {0, 0};
        int count[2] = {0, 0};
        for (int y = top; y < top + 44; ++y) {
            const int third = (y - top) < 15 ? 0 : (y - top) >= 29 ? 1 : -1;
            for (int x = 0; x < frame.width() && third >= 0; ++x) {
                if ((alpha.pixel(x, y) & 0xFF) == 0xFF) {
                    red[third] += qRed(frame.pixel(x, y));
                    blue[third] += qBlue(frame.pixel(x, y));
                    ++count[third];
                }
            }
        }
        ASSERT_GT(count[0], 50);
        ASSERT_GT(count[1], 50);
        EXPECT_GT(red[0] / count[0], red[1] / count[1] + 80);
        EXPECT_GT(blue[1] / count[1], blue[0] / count[0] + 80);
    }
}

}  // namespace
}  // namespace lumek
