// Draws the built-in pictures into PNG files at build time: for each preset the background (1),
// the title bar image (2), its colour/brightness mask (3), its text-area mask (4), the cover intro
// background (5) and the bar mask (6), named <preset>_<number>.png, plus cover.png.
// Usage: lumek_draw_presets OUTPUT_FOLDER

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <cstdint>
#include <cstdio>

namespace {

// What the pictures must line up with: the preset's canvas, title bar and cover box.
struct Layout {
    const char* name;
    int width;
    int height;
    int barHeight;  // how far the bar slides down; the bar picture fills these top rows
    int barBody;    // rows of the bar itself; the rows below it up to barHeight are its shadow
    QRect titleText;
    QRect cover;
};

constexpr Layout kIPhone{"iphone", 480, 320, 50, 44, {90, 3, 300, 35}, {35, 90, 140, 140}};
constexpr Layout kPhone{"phone", 320, 240, 28, 26, {30, 3, 260, 30}, {18, 75, 90, 90}};
constexpr int kCoverSide = 300;

QColor Rgba(int r, int g, int b, int a = 255) {
    return QColor(r, g, b, a);
}

// A fixed sequence so that every build draws the same pictures.
class Sequence {
public:
    double next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) / static_cast<double>(1ULL << 53);
    }
    double between(double low, double high) { return low + (high - low) * next(); }

private:
    uint64_t state_ = 0x5EED1234ABCDULL;
};

QImage NewPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// Adds a little noise (up to one step per channel) so that smooth gradients don't show bands.
void Dither(QImage& image) {
    Sequence random;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto nudge = [&](int channel) {
                return qBound(0, channel + static_cast<int>(random.next() * 3.0) - 1, 255);
            };
            row[x] = qRgb(nudge(qRed(row[x])), nudge(qGreen(row[x])), nudge(qBlue(row[x])));
        }
    }
}

void Vignette(QPainter& painter, const QRectF& area, int strength) {
    QRadialGradient shade(area.center(), area.width() * 0.75);
    shade.setColorAt(0.0, Rgba(0, 0, 0, 0));
    shade.setColorAt(0.55, Rgba(0, 0, 0, 0));
    shade.setColorAt(1.0, Rgba(0, 0, 0, strength));
    painter.fillRect(area, shade);
}

void Glow(QPainter& painter, QPointF centre, double radius, QColor colour) {
    QRadialGradient glow(centre, radius);
    glow.setColorAt(0.0, colour);
    colour.setAlpha(0);
    glow.setColorAt(1.0, colour);
    painter.fillRect(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                     glow);
}

// Picture 1: a deep blue-violet backdrop with soft glows, light ribbons and out-of-focus dots;
// the centre, where the lyrics sit, stays calm.
QImage Background(const Layout& layout) {
    const double w = layout.width;
    const double h = layout.height;
    QImage image = NewPicture(layout.width, layout.height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient base(0, 0, w, h);
    base.setColorAt(0.0, Rgba(0x1d, 0x12, 0x52));
    base.setColorAt(0.5, Rgba(0x2a, 0x18, 0x66));
    base.setColorAt(1.0, Rgba(0x0c, 0x26, 0x5a));
    painter.fillRect(image.rect(), base);

    Glow(painter, {0.74 * w, 0.22 * h}, 0.62 * w, Rgba(0x8a, 0x5c, 0xff, 110));
    Glow(painter, {0.12 * w, 0.92 * h}, 0.55 * w, Rgba(0x2a, 0x86, 0xff, 90));
    Glow(painter, {0.05 * w, 0.05 * h}, 0.35 * w, Rgba(0xd0, 0x4c, 0xc8, 50));

    // Ribbons: wide faint bands with a brighter core.
    const struct {
        double y0, c1, c2, y1;
        int alpha;
    } ribbons[] = {
        {0.78, 0.52, 0.95, 0.58, 26}, {0.86, 0.70, 0.98, 0.70, 18}, {0.30, 0.05, 0.48, 0.12, 14}};
    for (const auto& ribbon : ribbons) {
        QPainterPath path(QPointF(-0.1 * w, ribbon.y0 * h));
        path.cubicTo(QPointF(0.3 * w, ribbon.c1 * h), QPointF(0.65 * w, ribbon.c2 * h),
                     QPointF(1.1 * w, ribbon.y1 * h));
        QLinearGradient along(0, 0, w, 0);
        along.setColorAt(0.0, Rgba(0xc8, 0xb8, 0xff, 0));
        along.setColorAt(0.5, Rgba(0xc8, 0xb8, 0xff, ribbon.alpha));
        along.setColorAt(1.0, Rgba(0xa0, 0xd8, 0xff, ribbon.alpha / 2));
        painter.strokePath(path, QPen(QBrush(along), 0.09 * h, Qt::SolidLine, Qt::RoundCap));
        along.setColorAt(0.5, Rgba(0xe8, 0xe0, 0xff, ribbon.alpha * 3));
        along.setColorAt(1.0, Rgba(0xd0, 0xf0, 0xff, ribbon.alpha * 2));
        painter.strokePath(path, QPen(QBrush(along), 0.006 * h, Qt::SolidLine, Qt::RoundCap));
    }

    // Out-of-focus lights, kept off the middle band where the lyric lines are.
    Sequence random;
    for (int i = 0; i < 34; ++i) {
        const double x = random.between(0, w);
        double y = random.between(0, h);
        if (y > 0.36 * h && y < 0.64 * h) {
            y = y < 0.5 * h ? y - 0.2 * h : y + 0.2 * h;
        }
        const double radius = random.between(0.008, 0.055) * w;
        const int alpha = static_cast<int>(random.between(18, 60));
        const QColor tint =
            random.next() < 0.5 ? Rgba(0xff, 0xe8, 0xff, alpha) : Rgba(0xb8, 0xd8, 0xff, alpha);
        QRadialGradient dot(QPointF(x, y), radius);
        dot.setColorAt(0.0, tint);
        QColor edge = tint;
        edge.setAlpha(alpha * 2 / 3);
        dot.setColorAt(0.85, edge);
        edge.setAlpha(0);
        dot.setColorAt(1.0, edge);
        painter.setPen(Qt::NoPen);
        painter.setBrush(dot);
        painter.drawEllipse(QPointF(x, y), radius, radius);
    }

    Vignette(painter, QRectF(image.rect()), 140);
    painter.end();
    Dither(image);
    return image;
}

// The bar's outline shape: a band across the width, body rows tall.
QRectF BarBody(const Layout& layout) {
    return {0, 0, static_cast<double>(layout.width), static_cast<double>(layout.barBody)};
}

// Picture 2: a dark violet glass bar with a gloss on its upper half, a thin light edge at the
// bottom and small level bars left of the title. Below the bar everything is black.
QImage TitleBarImage(const Layout& layout) {
    QImage image = NewPicture(layout.width, layout.height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body = BarBody(layout);

    QLinearGradient fill(0, 0, 0, body.height());
    fill.setColorAt(0.0, Rgba(0x46, 0x3c, 0x86));
    fill.setColorAt(0.5, Rgba(0x24, 0x1e, 0x52));
    fill.setColorAt(1.0, Rgba(0x14, 0x10, 0x34));
    painter.fillRect(body, fill);

    const QRectF gloss(0, 0, body.width(), body.height() / 2);
    QLinearGradient shine(0, 0, 0, gloss.height());
    shine.setColorAt(0.0, Rgba(255, 255, 255, 96));
    shine.setColorAt(1.0, Rgba(255, 255, 255, 22));
    painter.fillRect(gloss, shine);

    painter.fillRect(QRectF(0, 0, body.width(), 1), Rgba(255, 255, 255, 110));
    QLinearGradient edge(0, 0, body.width(), 0);
    edge.setColorAt(0.0, Rgba(0x8c, 0x7c, 0xff, 120));
    edge.setColorAt(0.5, Rgba(0xc4, 0xb8, 0xff, 255));
    edge.setColorAt(1.0, Rgba(0x8c, 0x7c, 0xff, 120));
    painter.fillRect(QRectF(0, body.height() - 1, body.width(), 1), edge);

    // Level bars centred in the space left of the title text.
    const double space = layout.titleText.left();
    const double barWidth = space * 0.08;
    const double gap = barWidth * 0.6;
    const double heights[] = {0.35, 0.6, 0.85, 0.5, 0.7};
    const double groupWidth = 5 * barWidth + 4 * gap;
    double x = (space - groupWidth) / 2;
    const double base = body.height() * 0.78;
    const double tallest = body.height() * 0.56;
    for (double level : heights) {
        const QRectF bar(x, base - tallest * level, barWidth, tallest * level);
        QLinearGradient light(0, bar.top(), 0, bar.bottom());
        light.setColorAt(0.0, Rgba(0xff, 0xd8, 0xff));
        light.setColorAt(1.0, Rgba(0x9a, 0x8a, 0xff));
        painter.setPen(Qt::NoPen);
        painter.setBrush(light);
        painter.drawRoundedRect(bar, barWidth / 3, barWidth / 3);
        x += barWidth + gap;
    }
    return image;
}

// Picture 3: white where the hue and brightness act: the whole bar body.
QImage TitleEffectMask(const Layout& layout) {
    QImage image = NewPicture(layout.width, layout.height);
    QPainter painter(&image);
    painter.fillRect(BarBody(layout), Qt::white);
    return image;
}

// Picture 4: white over the title text box, fading out over a few pixels at its left and right
// ends so that a scrolling title slides in and out softly. Rows of the box below the bar body
// stay black: the scrolling title's backdrop is cut from the bar image, which is black there.
QImage TitleTextMask(const Layout& layout) {
    QImage image = NewPicture(layout.width, layout.height);
    QPainter painter(&image);
    const QRectF box = QRectF(layout.titleText) & BarBody(layout);
    const double fade = 12.0 / box.width();  // 12 pixels at each end
    QLinearGradient across(box.left(), 0, box.right() + 1, 0);
    across.setColorAt(0.0, Qt::black);
    across.setColorAt(fade, Qt::white);
    across.setColorAt(1.0 - fade, Qt::white);
    across.setColorAt(1.0, Qt::black);
    painter.fillRect(box, across);
    return image;
}

// Picture 5: a dark stage for the cover: a spotlight behind the cover box and a floor starting at
// its bottom edge, where the reflection falls.
QImage CoverBackground(const Layout& layout) {
    const double w = layout.width;
    const double h = layout.height;
    const QRectF cover(layout.cover);
    const double floorY = cover.bottom();
    QImage image = NewPicture(layout.width, layout.height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient wall(0, 0, 0, floorY);
    wall.setColorAt(0.0, Rgba(0x08, 0x07, 0x16));
    wall.setColorAt(1.0, Rgba(0x1a, 0x16, 0x3c));
    painter.fillRect(QRectF(0, 0, w, floorY), wall);
    QLinearGradient ground(0, floorY, 0, h);
    ground.setColorAt(0.0, Rgba(0x20, 0x1c, 0x46));
    ground.setColorAt(1.0, Rgba(0x05, 0x05, 0x0c));
    painter.fillRect(QRectF(0, floorY, w, h - floorY), ground);

    Glow(painter, cover.center(), cover.width() * 1.35, Rgba(0x6a, 0x58, 0xd8, 120));
    Glow(painter, {0.78 * w, 0.1 * h}, 0.5 * w, Rgba(0x50, 0x3c, 0xa0, 50));

    // A soft sheen on the floor under the cover and a faint horizon line.
    painter.save();
    painter.translate(cover.center().x(), floorY);
    painter.scale(1.0, 0.22);
    Glow(painter, {0, 0}, cover.width() * 1.2, Rgba(0x8c, 0x80, 0xe8, 70));
    painter.restore();
    QLinearGradient horizon(0, 0, w, 0);
    horizon.setColorAt(0.0, Rgba(0xa8, 0x9c, 0xff, 0));
    horizon.setColorAt(cover.center().x() / w, Rgba(0xa8, 0x9c, 0xff, 90));
    horizon.setColorAt(1.0, Rgba(0xa8, 0x9c, 0xff, 0));
    painter.fillRect(QRectF(0, floorY, w, 1), horizon);

    Vignette(painter, QRectF(image.rect()), 170);
    painter.end();
    Dither(image);
    return image;
}

// Picture 6: how opaque the bar is: a little see-through over its body, solid on its bottom
// edge, then a short shadow fading to nothing.
QImage TitleBarMask(const Layout& layout) {
    QImage image = NewPicture(layout.width, layout.height);
    QPainter painter(&image);
    const QRectF body = BarBody(layout);
    painter.fillRect(body, QColor(224, 224, 224));
    painter.fillRect(QRectF(0, body.height() - 1, body.width(), 1), Qt::white);
    QLinearGradient shadow(0, body.height(), 0, layout.barHeight);
    shadow.setColorAt(0.0, QColor(150, 150, 150));
    shadow.setColorAt(1.0, Qt::black);
    painter.fillRect(QRectF(0, body.height(), body.width(), layout.barHeight - body.height()),
                     shadow);
    return image;
}

// Two eighth notes joined by a beam, in a square of the given side.
QPainterPath NoteShape(double side) {
    QPainterPath note;
    note.setFillRule(Qt::WindingFill);
    const double headW = 0.15 * side;
    const double headH = 0.105 * side;
    const double stem = 0.032 * side;
    const QPointF heads[] = {{0.37 * side, 0.70 * side}, {0.66 * side, 0.63 * side}};
    const double stemTop[] = {0.29 * side, 0.22 * side};
    for (int i = 0; i < 2; ++i) {
        QPainterPath head;
        head.addEllipse(QPointF(0, 0), headW / 2, headH / 2);
        QTransform place;
        place.translate(heads[i].x(), heads[i].y());
        place.rotate(-22);
        note.addPath(place.map(head));
        // The stem rises from the head's right edge.
        const double right = heads[i].x() + headW / 2 - stem * 0.75;
        note.addRect(QRectF(right, stemTop[i], stem, heads[i].y() - stemTop[i] - headH * 0.1));
    }
    const double beam = 0.075 * side;
    const double left = heads[0].x() + headW / 2 - stem * 0.75;
    const double right = heads[1].x() + headW / 2 + stem * 0.25;
    QPainterPath bar;
    bar.moveTo(left, stemTop[0]);
    bar.lineTo(right, stemTop[1]);
    bar.lineTo(right, stemTop[1] + beam);
    bar.lineTo(left, stemTop[0] + beam);
    bar.closeSubpath();
    note.addPath(bar);
    return note.simplified();
}

// The default cover: a violet-to-rose square with a dark disc and a white beamed note.
QImage Cover() {
    const double s = kCoverSide;
    QImage image = NewPicture(kCoverSide, kCoverSide);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient base(0, 0, s, s);
    base.setColorAt(0.0, Rgba(0x4e, 0x46, 0xf0));
    base.setColorAt(0.55, Rgba(0xa6, 0x44, 0xd6));
    base.setColorAt(1.0, Rgba(0xff, 0x6c, 0x9c));
    painter.fillRect(image.rect(), base);
    Glow(painter, {0.2 * s, 0.15 * s}, 0.7 * s, Rgba(255, 255, 255, 70));

    const QPointF centre(0.5 * s, 0.5 * s);
    const double disc = 0.4 * s;
    QRadialGradient record(centre, disc);
    record.setColorAt(0.0, Rgba(0x22, 0x18, 0x50, 150));
    record.setColorAt(1.0, Rgba(0x16, 0x10, 0x3a, 200));
    painter.setPen(Qt::NoPen);
    painter.setBrush(record);
    painter.drawEllipse(centre, disc, disc);
    painter.setBrush(Qt::NoBrush);
    for (double r = 0.16 * s; r < disc; r += 0.035 * s) {
        painter.setPen(QPen(Rgba(255, 255, 255, 20), 1.0));
        painter.drawEllipse(centre, r, r);
    }
    painter.setPen(QPen(Rgba(255, 255, 255, 60), 1.5));
    painter.drawEllipse(centre, disc, disc);

    const QPainterPath note = NoteShape(s);
    painter.setPen(Qt::NoPen);
    for (int step = 6; step >= 1; --step) {  // a soft shadow from stacked offsets
        painter.setBrush(Rgba(0x10, 0x06, 0x30, 22));
        painter.drawPath(note.translated(0.004 * s * step, 0.006 * s * step));
    }
    QLinearGradient ink(0, 0.2 * s, 0, 0.8 * s);
    ink.setColorAt(0.0, Rgba(255, 255, 255));
    ink.setColorAt(1.0, Rgba(0xec, 0xe0, 0xff));
    painter.setBrush(ink);
    painter.drawPath(note);
    return image;
}

bool Save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "lumek_draw_presets: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumek_draw_presets OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "lumek_draw_presets: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    for (const Layout& layout : {kIPhone, kPhone}) {
        const QImage pictures[] = {Background(layout),      TitleBarImage(layout),
                                   TitleEffectMask(layout), TitleTextMask(layout),
                                   CoverBackground(layout), TitleBarMask(layout)};
        for (int i = 0; i < 6; ++i) {
            ok = Save(pictures[i], folder,
                      QStringLiteral("%1_%2.png").arg(QLatin1String(layout.name)).arg(i + 1)) &&
                 ok;
        }
    }
    ok = Save(Cover(), folder, QStringLiteral("cover.png")) && ok;
    return ok ? 0 : 1;
}
