#include "render/text.h"

#include "base/codepage.h"
#include "base/colour.h"
#include "base/numbers.h"
#include "base/settings.h"

#include <QCache>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QtEndian>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace lumek {

namespace {

// Installed Korean faces tried, in order, after the face asked for.
const QStringList& KoreanFallbacks() {
    static const QStringList families = {
        QStringLiteral("NanumGothic"),      QStringLiteral("NanumBarunGothic"),
        QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans KR"),
        QStringLiteral("UnDotum"),          QStringLiteral("Baekmuk Gulim"),
    };
    return families;
}

// Metrics and drawing both use a 72 dpi device, so that a point size is a pixel size and the
// font's em can be a fraction of a pixel.
constexpr int kDotsPerMeter72Dpi = 2835;

QImage MakeTextImage(int width, int height) {
    QImage image(width, height, QImage::Format_Alpha8);
    image.setDotsPerMeterX(kDotsPerMeter72Dpi);
    image.setDotsPerMeterY(kDotsPerMeter72Dpi);
    return image;
}

const QImage& MetricsDevice() {
    static const QImage device = MakeTextImage(1, 1);
    return device;
}

struct FontEntry {
    QFont font;
    QFontMetricsF metrics;
    ResolvedFont info;
    QString key;
};

QString FontKey(const QString& face, int32_t size, bool bold) {
    return face + QChar(0x1F) + QString::number(size) + QChar(0x1F) + QChar(bold ? u'b' : u'n');
}

// usWinAscent and usWinDescent in the font's units per em, from its OS/2 and head tables.
struct CellMetrics {
    double unitsPerEm = 0;
    double winAscent = 0;
    double winDescent = 0;
};

std::optional<CellMetrics> ReadCellMetrics(const QRawFont& raw) {
    if (!raw.isValid()) {
        return std::nullopt;
    }
    const QByteArray head = raw.fontTable("head");
    const QByteArray os2 = raw.fontTable("OS/2");
    if (head.size() < 20 || os2.size() < 78) {
        return std::nullopt;
    }
    CellMetrics m;
    m.unitsPerEm = qFromBigEndian<quint16>(head.constData() + 18);
    m.winAscent = qFromBigEndian<quint16>(os2.constData() + 74);
    m.winDescent = qFromBigEndian<quint16>(os2.constData() + 76);
    if (m.unitsPerEm <= 0 || m.winAscent + m.winDescent <= 0) {
        return std::nullopt;
    }
    return m;
}

std::unique_ptr<FontEntry> MakeFontEntry(const QString& face, int32_t cell, bool bold) {
    QFont font;
    QStringList families = KoreanFallbacks();
    if (!face.trimmed().isEmpty()) {
        families.prepend(face);
    }
    font.setFamilies(families);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    // Whole-pixel advances, so that drawn lines are exactly as wide as measured; no kerning, as
    // neither measuring nor drawing kerns.
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    font.setStyleStrategy(
        static_cast<QFont::StyleStrategy>(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
    font.setPointSizeF(cell);

    // The cell of the font that draws the Hangul is cell pixels high.
    const QRawFont raw = QRawFont::fromFont(font, QFontDatabase::Korean);
    double pixelSize = cell;
    double ascent = cell * 0.8;
    if (const auto m = ReadCellMetrics(raw)) {
        pixelSize = cell * m->unitsPerEm / (m->winAscent + m->winDescent);
        ascent = cell * m->winAscent / (m->winAscent + m->winDescent);
    } else {
        const QFontMetricsF probe(font, &MetricsDevice());
        const double height = probe.ascent() + probe.descent();
        if (height > 0) {
            pixelSize = cell * cell / height;
            ascent = probe.ascent() * cell / height;
        }
    }
    font.setPointSizeF(std::max(pixelSize, 0.01));

    auto entry = std::unique_ptr<FontEntry>(
        new FontEntry{font, QFontMetricsF(font, &MetricsDevice()), {}, FontKey(face, cell, bold)});
    entry->info.family = raw.isValid() ? raw.familyName() : QFontInfo(font).family();
    entry->info.pixelSize = pixelSize;
    entry->info.ascent = RoundHalfEven(ascent);
    entry->info.cellHeight = cell;
    entry->info.valid = true;
    return entry;
}

// A line's glyph coverage (0..255), its pixel (0, 0) at `origin` relative to the pen position
// on the cell top.
struct Raster {
    QImage coverage;
    QPoint origin;
};

}  // namespace

// Fonts, widths and drawn lines of one measurer.
struct TextMeasurer::Caches {
    QHash<QString, std::shared_ptr<FontEntry>> fonts;
    QHash<QString, int32_t> widths;
    QCache<QString, Raster> rasters{48 * 1024 * 1024};
};

namespace {

using TextCaches = TextMeasurer::Caches;

// The font a FontSpec stands for, made once; nothing for a size of 0 or less.
const FontEntry* FontFor(TextCaches& caches, const QString& face, int32_t size, bool bold) {
    if (size <= 0) {
        return nullptr;
    }
    const int32_t cell = std::min(size, kMaxFontCellHeight);
    auto& fonts = caches.fonts;
    const QString key = FontKey(face, cell, bold);
    auto found = fonts.find(key);
    if (found == fonts.end()) {
        if (fonts.size() > 256) {
            fonts.clear();
        }
        found = fonts.insert(key, MakeFontEntry(face, cell, bold));
    }
    return found->get();
}

int32_t MeasureWith(TextCaches& caches, const FontEntry& entry, const QString& text) {
    if (text.isEmpty()) {
        return 0;
    }
    auto& widths = caches.widths;
    const QString key = entry.key + QChar(0x1E) + text;
    if (const auto found = widths.constFind(key); found != widths.cend()) {
        return *found;
    }
    if (widths.size() > 200000) {
        widths.clear();
    }
    const int32_t width = RoundHalfEven(entry.metrics.horizontalAdvance(text));
    widths.insert(key, width);
    return width;
}

// The smallest rectangle holding all non-zero coverage; null when there is none.
QRect InkBounds(const QImage& coverage) {
    int left = coverage.width(), right = -1, top = -1, bottom = -1;
    for (int y = 0; y < coverage.height(); ++y) {
        const uchar* row = coverage.constScanLine(y);
        int first = 0;
        while (first < coverage.width() && row[first] == 0) {
            ++first;
        }
        if (first == coverage.width()) {
            continue;
        }
        int last = coverage.width() - 1;
        while (row[last] == 0) {
            --last;
        }
        left = std::min(left, first);
        right = std::max(right, last);
        top = top < 0 ? y : top;
        bottom = y;
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Products of a sliding window of 2 * radius + 1 values (van Herk / Gil-Werman: three products
// per value whatever the radius). in[j] is the value at position j, 1 outside 0..n-1; out[k] is
// the product over the window centred on position first + k. Products below kNegligible become
// 0: they round to full coverage anyway, and this keeps the arithmetic out of denormals.
constexpr float kNegligible = 1e-6f;

void WindowProducts(const float* in, int n, int radius, int first, float* out, int count,
                    std::vector<float>& prefix, std::vector<float>& suffix) {
    const int window = 2 * radius + 1;
    const int length = count + 2 * radius;
    prefix.resize(static_cast<size_t>(length));
    suffix.resize(static_cast<size_t>(length));
    auto value = [&](int i) {
        const int j = first - radius + i;
        return j >= 0 && j < n ? in[j] : 1.0f;
    };
    for (int i = 0; i < length; ++i) {
        float p = value(i);
        if (i % window != 0) {
            p *= prefix[static_cast<size_t>(i - 1)];
        }
        prefix[static_cast<size_t>(i)] = p < kNegligible ? 0.0f : p;
    }
    for (int i = length - 1; i >= 0; --i) {
        float p = value(i);
        if (i % window != window - 1 && i + 1 < length) {
            p *= suffix[static_cast<size_t>(i + 1)];
        }
        suffix[static_cast<size_t>(i)] = p < kNegligible ? 0.0f : p;
    }
    for (int k = 0; k < count; ++k) {
        const size_t end = static_cast<size_t>(k + window - 1);
        out[k] = k % window == 0 ? prefix[end] : suffix[static_cast<size_t>(k)] * prefix[end];
    }
}

// The coverage of the line drawn at every offset within the square of the given radius, one
// draw over the other: 1 - product of (1 - a) over the square, which is separable. `clip` (in
// the raster's own coordinates) limits the part computed.
Raster Dilate(const Raster& source, int radius, const QRect& clip) {
    const QImage& in = source.coverage;
    const int w = in.width();
    const int h = in.height();
    const QRect out = in.rect().adjusted(-radius, -radius, radius, radius) & clip;
    if (out.isEmpty()) {
        return {};
    }
    // Transparency (1 - a) of every source pixel, column by column.
    std::vector<float> column(static_cast<size_t>(h));
    std::vector<float> vertical(static_cast<size_t>(w) * static_cast<size_t>(out.height()));
    std::vector<float> prefix, suffix, products(static_cast<size_t>(out.height()));
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            column[static_cast<size_t>(y)] = 1.0f - in.constScanLine(y)[x] / 255.0f;
        }
        WindowProducts(column.data(), h, radius, out.top(), products.data(), out.height(), prefix,
                       suffix);
        for (int k = 0; k < out.height(); ++k) {
            vertical[static_cast<size_t>(k) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
                products[static_cast<size_t>(k)];
        }
    }
    Raster result;
    result.coverage = MakeTextImage(out.width(), out.height());
    result.origin = source.origin + out.topLeft();
    std::vector<float> row(static_cast<size_t>(out.width()));
    for (int k = 0; k < out.height(); ++k) {
        WindowProducts(vertical.data() + static_cast<size_t>(k) * static_cast<size_t>(w), w, radius,
                       out.left(), row.data(), out.width(), prefix, suffix);
        uchar* line = result.coverage.scanLine(k);
        for (int i = 0; i < out.width(); ++i) {
            line[i] = static_cast<uchar>(
                255 - static_cast<int>(row[static_cast<size_t>(i)] * 255.0f + 0.5f));
        }
    }
    return result;
}

// Draws the text into a coverage image over `area` (pen-relative) and trims it to its ink.
Raster Rasterise(const FontEntry& entry, const QString& text, const QRect& area) {
    QImage image = MakeTextImage(area.width(), area.height());
    image.fill(0);
    {
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.setFont(entry.font);
        painter.setPen(Qt::white);
        painter.drawText(QPointF(-area.x(), -area.y() + entry.info.ascent), text);
    }
    const QRect ink = InkBounds(image);
    if (ink.isEmpty()) {
        return {};
    }
    return {image.copy(ink), area.topLeft() + ink.topLeft()};
}

// Blends the colour into dst through the coverage placed at (left, top); returns the pixels
// written.
QRect BlendCoverage(PixelView dst, const QImage& coverage, int64_t left, int64_t top,
                    uint32_t pixel) {
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(left + coverage.width(), dst.width);
    const int64_t y1 = std::min<int64_t>(top + coverage.height(), dst.height);
    if (x0 >= x1 || y0 >= y1) {
        return {};
    }
    const uint32_t cr = (pixel >> 16) & 0xFFu, cg = (pixel >> 8) & 0xFFu, cb = pixel & 0xFFu;
    auto mix = [](uint32_t c, uint32_t d, uint32_t a) {
        return (c * a + d * (255 - a) + 127) / 255;
    };
    for (int64_t y = y0; y < y1; ++y) {
        const uchar* cov = coverage.constScanLine(static_cast<int>(y - top)) + (x0 - left);
        uint32_t* out = dst.row(static_cast<int>(y)) + x0;
        for (int64_t i = 0; i < x1 - x0; ++i) {
            const uint32_t a = cov[i];
            if (a == 0) {
                continue;
            }
            const uint32_t d = out[i];
            out[i] = 0xFF000000u | (mix(cr, (d >> 16) & 0xFFu, a) << 16) |
                     (mix(cg, (d >> 8) & 0xFFu, a) << 8) | mix(cb, d & 0xFFu, a);
        }
    }
    return QRect(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                 static_cast<int>(y1 - y0));
}

QRect ToRect(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    return QRect(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
                 static_cast<int>(y1 - y0));
}

QString RectKey(const QRect& r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

}  // namespace

TextAnchor AnchorFor(int32_t alignment) {
    switch (alignment) {
        case kAlignCentre:
            return TextAnchor::Centre;
        case kAlignRight:
            return TextAnchor::Right;
        default:
            return TextAnchor::Left;
    }
}

TextMeasurer::TextMeasurer() : caches_(std::make_unique<Caches>()) {}
TextMeasurer::~TextMeasurer() = default;
TextMeasurer::TextMeasurer(TextMeasurer&&) noexcept = default;
TextMeasurer& TextMeasurer::operator=(TextMeasurer&&) noexcept = default;

int32_t TextMeasurer::MeasureTextWidth(const QString& text, const QString& face, int32_t size,
                                       bool bold) {
    if (text.isEmpty()) {
        return 0;
    }
    const FontEntry* entry = FontFor(*caches_, face, size, bold);
    return entry == nullptr ? 0 : MeasureWith(*caches_, *entry, text);
}

int32_t TextMeasurer::MeasureTextWidth(const QString& text, const FontSpec& font) {
    return MeasureTextWidth(text, font.face, font.size, font.bold);
}

int32_t AnsiByteLength(const QString& text) {
    return CodePageByteLength(text);
}

int64_t AnchoredLeft(int64_t x, int64_t width, TextAnchor anchor) {
    switch (anchor) {
        case TextAnchor::Centre:
            return x - width / 2;
        case TextAnchor::Right:
            return x - width;
        case TextAnchor::Left:
            break;
    }
    return x;
}

ResolvedFont TextMeasurer::ResolveFont(const FontSpec& font) {
    const FontEntry* entry = FontFor(*caches_, font.face, font.size, font.bold);
    return entry == nullptr ? ResolvedFont{} : entry->info;
}

QRect TextMeasurer::DrawText(PixelView dst, int32_t x, int32_t top, TextAnchor anchor,
                             const QString& text, const FontSpec& font, int32_t colour,
                             int32_t spread) {
    if (dst.pixels == nullptr || dst.width <= 0 || dst.height <= 0 || text.isEmpty()) {
        return {};
    }
    const FontEntry* entry = FontFor(*caches_, font.face, font.size, font.bold);
    if (entry == nullptr) {
        return {};
    }
    const int64_t width = MeasureWith(*caches_, *entry, text);
    const int64_t cell = entry->info.cellHeight;
    const int64_t s = std::clamp<int32_t>(spread, 0, kMaxTextSpread);
    const int64_t penX = AnchoredLeft(x, width, anchor);
    const int64_t penY = top;

    // Where ink can be, relative to the pen on the cell top: glyphs may overhang their cell.
    const int64_t gx0 = -cell, gx1 = width + cell, gy0 = -cell / 2, gy1 = cell + cell / 2;
    // Where ink can reach the picture, with the outline's reach.
    const int64_t wx0 = -penX - s, wx1 = dst.width - penX + s;
    const int64_t wy0 = -penY - s, wy1 = dst.height - penY + s;
    const int64_t ax0 = std::max(gx0, wx0), ax1 = std::min(gx1, wx1);
    const int64_t ay0 = std::max(gy0, wy0), ay1 = std::min(gy1, wy1);
    if (ax0 >= ax1 || ay0 >= ay1) {
        return {};
    }
    const QRect area = ToRect(ax0, ay0, ax1, ay1);
    const bool whole = ax0 == gx0 && ax1 == gx1 && ay0 == gy0 && ay1 == gy1;

    auto& rasters = caches_->rasters;
    const QString key = entry->key + QChar(0x1E) + text + QChar(0x1E) + QString::number(s) +
                        (whole ? QString() : RectKey(area));
    const Raster* raster = rasters.object(key);
    Raster uncached;
    if (raster == nullptr) {
        Raster made = Rasterise(*entry, text, area);
        if (s > 0 && !made.coverage.isNull()) {
            // A line that lies partly outside only needs its outline inside the picture.
            const QRect clip =
                whole ? made.coverage.rect().adjusted(int(-s), int(-s), int(s), int(s))
                      : ToRect(wx0 + s, wy0 + s, wx1 - s, wy1 - s).translated(-made.origin);
            made = Dilate(made, static_cast<int>(s), clip);
        }
        const qsizetype cost = std::max<qsizetype>(made.coverage.sizeInBytes(), 1);
        if (cost <= rasters.maxCost()) {
            auto* kept = new Raster(std::move(made));
            rasters.insert(key, kept, cost);
            raster = kept;
        } else {
            uncached = std::move(made);
            raster = &uncached;
        }
    }
    if (raster->coverage.isNull()) {
        return {};
    }
    return BlendCoverage(dst, raster->coverage, penX + raster->origin.x(),
                         penY + raster->origin.y(), PixelFromColour(colour));
}

}  // namespace lumek
