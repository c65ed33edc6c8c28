#include "app/window/app_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace lumek {

QImage DrawLumekIcon(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = side;
    // A small margin, as icon themes expect, except at the smallest sizes where every pixel counts.
    const double margin = side >= 32 ? s * 0.06 : 0.0;
    const QRectF tile(margin, margin, s - 2 * margin, s - 2 * margin);
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0.0, QColor(0x5b, 0x3d, 0xf5));
    fill.setColorAt(1.0, QColor(0xff, 0x4f, 0x8b));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(tile, tile.width() * 0.22, tile.height() * 0.22);

    const double w = tile.width();
    const double x0 = tile.left();
    const double y0 = tile.top();
    // The play mark in the upper half.
    QPainterPath play;
    play.moveTo(x0 + w * 0.40, y0 + w * 0.16);
    play.lineTo(x0 + w * 0.66, y0 + w * 0.32);
    play.lineTo(x0 + w * 0.40, y0 + w * 0.48);
    play.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(play);

    // Two lyric lines: the current one bright and long, the next one dimmer.
    const double bar = std::max(1.0, w * 0.075);
    auto line = [&](double y, double width, int alpha) {
        p.setBrush(QColor(255, 255, 255, alpha));
        p.drawRoundedRect(QRectF(x0 + (w - width) / 2, y0 + y, width, bar), bar / 2, bar / 2);
    };
    line(w * 0.60, w * 0.64, 255);
    line(w * 0.74, w * 0.44, side >= 24 ? 150 : 255);
    return image;
}

QIcon LumekIcon() {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(DrawLumekIcon(side)));
    }
    return icon;
}

}  // namespace lumek
