#include "app/builtin_pictures.h"

#include <QString>

namespace lumek {

namespace {

// Drawn at build time (resources/draw_presets.cpp) and embedded under this prefix.
QImage Resource(const QString& name) {
    const QImage image(QStringLiteral(":/builtin/") + name);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QImage BuiltinPicture(Preset preset, int number) {
    if (number < 1 || number > 6) {
        return {};
    }
    const QString name =
        preset == Preset::Phone ? QStringLiteral("phone") : QStringLiteral("iphone");
    return Resource(QStringLiteral("%1_%2.png").arg(name).arg(number));
}

QImage BuiltinCoverPicture() {
    return Resource(QStringLiteral("cover.png"));
}

}  // namespace lumek
