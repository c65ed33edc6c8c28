#include "base/paths.h"

#include <QtGlobal>

namespace lumek {

namespace {

qsizetype LastSeparator(const QString& path) {
#ifdef Q_OS_WIN
    return qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
#else
    return path.lastIndexOf(u'/');
#endif
}

}  // namespace

QString GetFileName(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

QString GetFolder(const QString& path) {
    const qsizetype separator = LastSeparator(path);
    return separator < 0 ? QString() : path.left(separator);
}

QString GetExtension(const QString& path, bool lowerCase) {
    const QString name = GetFileName(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return QString();
    }
    const QString extension = name.mid(dot);
    return lowerCase ? extension.toLower() : extension;
}

QString TwoDigits(int value) {
    return (value >= 0 && value <= 9 ? QStringLiteral("0") : QString()) + QString::number(value);
}

QString LyricPathFor(const QString& mp3Path) {
    if (mp3Path.size() < 4) {
        return QString();
    }
    return mp3Path.left(mp3Path.size() - 3) + QStringLiteral("lrc");
}

}  // namespace lumek
