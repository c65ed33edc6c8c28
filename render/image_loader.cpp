#include "render/image_loader.h"

#include "base/colour.h"
#include "base/numbers.h"

#include <QBuffer>
#include <QByteArrayView>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace lumek {

namespace {

// Decoded images and drawn pictures beyond this are refused, so that a header claiming a
// gigantic image fails instead of exhausting memory: 8192 x 8192 pixels of 4 bytes.
constexpr int kAllocationLimitMegabytes = 256;
constexpr int64_t kMaxPixels = int64_t{kAllocationLimitMegabytes} * 1024 * 1024 / 4;
// Larger files are not read into memory; no image this program wants comes near it.
constexpr qint64 kMaxFileBytes = qint64{512} * 1024 * 1024;

bool IsJpegStandaloneMarker(uint8_t code) {
    return code == 0x01 || (code >= 0xD0 && code <= 0xD7);  // TEM, RST0..RST7
}

// Whether a JPEG stream runs from its start marker to its end marker. The decoder fills a
// cut-off stream with grey instead of failing, so a truncated file is caught here.
bool JpegIsComplete(QByteArrayView data) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const qsizetype size = data.size();
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        return false;
    }
    qsizetype i = 2;
    while (i < size) {
        if (bytes[i] != 0xFF) {
            return false;
        }
        while (i < size && bytes[i] == 0xFF) {  // fill bytes before a marker
            ++i;
        }
        if (i >= size) {
            return false;
        }
        const uint8_t code = bytes[i++];
        if (code == 0xD9) {
            return true;  // EOI
        }
        if (IsJpegStandaloneMarker(code)) {
            continue;
        }
        if (size - i < 2) {
            return false;
        }
        const int length = (bytes[i] << 8) | bytes[i + 1];  // includes its own two bytes
        if (length < 2 || size - i < length) {
            return false;
        }
        i += length;
        if (code == 0xDA) {
            // Entropy-coded data ends at the first marker that is not a stuffed 0xFF 0x00, a
            // restart marker or a fill byte.
            for (;;) {
                if (size - i < 2) {
                    return false;
                }
                const uint8_t next = bytes[i + 1];
                if (bytes[i] == 0xFF && next != 0x00 && next != 0xFF &&
                    !IsJpegStandaloneMarker(next)) {
                    break;
                }
                ++i;
            }
        }
    }
    return false;
}

std::optional<QImage> Decode(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    const QByteArray format = reader.format();
    if (format != "bmp" && format != "gif" && format != "ico" && format != "jpeg" &&
        format != "png") {
        return std::nullopt;
    }
    const QSize declared = reader.size();
    if (declared.isValid() && int64_t{declared.width()} * declared.height() > kMaxPixels) {
        return std::nullopt;
    }
    if (format == "jpeg" && !JpegIsComplete(QByteArrayView(data))) {
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return std::nullopt;
    }
    return image;
}

// The image fitted inside the box without distortion and centred: r = image width / height and
// t = box width / height; a box relatively narrower than the image (t < r) is filled across.
QRect KeepAspectRect(QSize image, QSize box) {
    const double r = static_cast<double>(image.width()) / image.height();
    const double t = static_cast<double>(box.width()) / box.height();
    double width = box.width();
    double height = box.height();
    if (t < r) {
        height = width / r;
    } else {
        width = height * r;
    }
    const int x = RoundHalfEven((box.width() - width) / 2);
    const int y = RoundHalfEven((box.height() - height) / 2);
    return {x, y, std::max(1, RoundHalfEven(width)), std::max(1, RoundHalfEven(height))};
}

std::optional<QImage> Draw(const QImage& image, QSize size, int32_t backColour, bool keepAspect) {
    if (size.width() == -1 || size.height() == -1) {
        size = image.size();
    }
    if (size.width() <= 0 || size.height() <= 0 ||
        int64_t{size.width()} * size.height() > kMaxPixels) {
        return std::nullopt;
    }
    QImage picture(size, QImage::Format_RGB32);
    if (picture.isNull()) {
        return std::nullopt;
    }
    picture.fill(PixelFromColour(backColour));

    const QRect target = keepAspect ? KeepAspectRect(image.size(), size) : picture.rect();
    // Scaling premultiplied pixels keeps dark fringes off transparent edges.
    QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (source.size() != target.size()) {
        source = source.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (source.isNull()) {
        return std::nullopt;
    }
    QPainter painter(&picture);
    painter.drawImage(target.topLeft(), source);
    painter.end();
    return picture;
}

}  // namespace

std::optional<QImage> LoadPicture(const QString& fileName, QSize size, int32_t backColour,
                                  bool keepAspect) {
    QFile file(fileName);
    // A device or pipe is no image file; reading it could block or never end.
    if (!file.open(QIODevice::ReadOnly) || file.isSequential() || file.size() > kMaxFileBytes) {
        return std::nullopt;
    }
    return LoadPictureFromMemory(file.read(kMaxFileBytes), size, backColour, keepAspect);
}

std::optional<QImage> LoadPictureFromMemory(const QByteArray& data, QSize size, int32_t backColour,
                                            bool keepAspect) {
    const std::optional<QImage> image = Decode(data);
    if (!image) {
        return std::nullopt;
    }
    return Draw(*image, size, backColour, keepAspect);
}

}  // namespace lumek
