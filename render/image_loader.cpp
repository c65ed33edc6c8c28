#include "render/image_loader.h"

#include "base/colour.h"
#include "base/numbers.h"

#include <QBuffer>
#include <QByteArrayView>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace lumek {

namespace {

// Decoded images and drawn pictures beyond this are refused, so that a header claiming a
// gigantic image fails instead of exhausting memory: 8192 x 8192 pixels of 4 bytes.
constexpr int kAllocationLimitMegabytes = 256;
// Pictures decoded at their own size (BMP, GIF, ICO) stay within 100 MB: 25 megapixels.
constexpr int64_t kMaxWholePixels = int64_t{25} * 1024 * 1024;
constexpr int64_t kMaxPixels = kMaxPicturePixels;
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

bool Fail(QString* problem, const QString& text) {
    if (problem != nullptr) {
        *problem = text;
    }
    return false;
}

// The smallest size with the image's aspect that covers box: the own size when it is no larger
// in one dimension (or there is no box).
QSize CoveringSize(QSize own, QSize box) {
    if (box.width() <= 0 || box.height() <= 0 || own.width() <= box.width() ||
        own.height() <= box.height()) {
        return own;
    }
    const double factor = std::max(static_cast<double>(box.width()) / own.width(),
                                   static_cast<double>(box.height()) / own.height());
    const auto side = [factor](int length) {
        return std::max(1, static_cast<int>(std::ceil(length * factor - 1e-9)));
    };
    return {side(own.width()), side(own.height())};
}

// The image, decoded at the size that covers box (its own size without one). JPEG and PNG
// readers decode a reduced image directly (libjpeg in the DCT, PNG row by row); the others
// decode the whole image first, which kMaxPicturePixels bounds.
std::optional<QImage> Decode(const QByteArray& data, QSize box, QString* problem) {
    const QString unreadable = QStringLiteral("그림 파일이 아니거나 손상되었습니다");
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) {
        Fail(problem, unreadable);
        return std::nullopt;
    }
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    const QByteArray format = reader.format();
    if (format != "bmp" && format != "gif" && format != "ico" && format != "jpeg" &&
        format != "png") {
        Fail(problem, unreadable);
        return std::nullopt;
    }
    const QSize declared = reader.size();
    // A format that can't be decoded smaller takes its whole size in memory.
    const int64_t maxPixels =
        reader.supportsOption(QImageIOHandler::ScaledSize) ? kMaxPicturePixels : kMaxWholePixels;
    if (declared.isValid() && int64_t{declared.width()} * declared.height() > maxPixels) {
        Fail(problem, QStringLiteral("그림이 너무 큽니다: %1 x %2 픽셀 (최대 %3 메가픽셀)")
                          .arg(declared.width())
                          .arg(declared.height())
                          .arg(maxPixels >> 20));
        return std::nullopt;
    }
    if (format == "jpeg" && !JpegIsComplete(QByteArrayView(data))) {
        Fail(problem, unreadable);
        return std::nullopt;
    }
    if (declared.isValid() && CoveringSize(declared, box) != declared) {
        reader.setScaledSize(CoveringSize(declared, box));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        Fail(problem, unreadable);
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
    // An opaque image at its own size is the picture already: no copy of a large one is made.
    if (size == image.size() && !image.hasAlphaChannel()) {
        QImage same = image.convertToFormat(QImage::Format_RGB32);
        return same.isNull() ? std::nullopt : std::optional(std::move(same));
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

// The bytes of an image file: a device or pipe is no image file (reading it could block or
// never end), and larger files are not read.
std::optional<QByteArray> ReadImageFile(const QString& fileName, QString* problem) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(problem, file.errorString());
        return std::nullopt;
    }
    if (file.isSequential() || file.size() > kMaxFileBytes) {
        Fail(problem, QStringLiteral("그림 파일이 아니거나 너무 큽니다"));
        return std::nullopt;
    }
    return file.read(kMaxFileBytes);
}

}  // namespace

std::optional<QImage> LoadPicture(const QString& fileName, QSize size, int32_t backColour,
                                  bool keepAspect, QString* problem) {
    const std::optional<QByteArray> data = ReadImageFile(fileName, problem);
    if (!data) {
        return std::nullopt;
    }
    return LoadPictureFromMemory(*data, size, backColour, keepAspect, problem);
}

std::optional<QImage> LoadPictureFromMemory(const QByteArray& data, QSize size, int32_t backColour,
                                            bool keepAspect, QString* problem) {
    // A fitted image covers the picture in one dimension, a stretched one in both: decoding to
    // cover the picture is enough either way.
    const QSize box = size.width() > 0 && size.height() > 0 ? size : QSize();
    const std::optional<QImage> image = Decode(data, box, problem);
    if (!image) {
        return std::nullopt;
    }
    std::optional<QImage> picture = Draw(*image, size, backColour, keepAspect);
    if (!picture) {
        Fail(problem, QStringLiteral("그림을 그릴 수 없습니다"));
    }
    return picture;
}

std::optional<QImage> LoadPictureCovering(const QString& fileName, QSize box, QString* problem) {
    const std::optional<QByteArray> data = ReadImageFile(fileName, problem);
    if (!data) {
        return std::nullopt;
    }
    return LoadPictureCoveringFromMemory(*data, box, problem);
}

std::optional<QImage> LoadPictureCoveringFromMemory(const QByteArray& data, QSize box,
                                                    QString* problem) {
    const std::optional<QImage> image = Decode(data, box, problem);
    if (!image) {
        return std::nullopt;
    }
    std::optional<QImage> picture = Draw(*image, {-1, -1}, 0xFFFFFF, false);
    if (!picture) {
        Fail(problem, QStringLiteral("그림을 그릴 수 없습니다"));
    }
    return picture;
}

}  // namespace lumek
