#include "base/text_file.h"

#include "base/codepage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace lumek {

bool FileExists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(u'.');
}

std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 maxBytes) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // The length is taken once; a file that grows meanwhile is read up to that length only.
    const qint64 length = file.size();
    if (length < 0 || length > maxBytes) {
        return std::nullopt;
    }
    QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const qint64 got = file.read(bytes.data() + done, length - done);
        if (got <= 0) {
            return std::nullopt;
        }
        done += got;
    }
    return bytes;
}

std::optional<QString> TryReadTextFile(const QString& path) {
    if (!FileExists(path)) {
        return std::nullopt;
    }
    std::optional<QByteArray> bytes = ReadWholeFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    QString text = DecodeCodePage(*bytes);
    text.remove(QChar(u'\0'));
    return text;
}

QString ReadTextFile(const QString& path) {
    return TryReadTextFile(path).value_or(QString());
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // A folder we may write files in but not create new ones in still gets its file written.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool WriteTextFile(const QString& path, const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return WriteWholeFile(path, EncodeCodePage(nul < 0 ? text : text.left(nul)));
}

int LineCount(const QString& text) {
    if (text.isEmpty()) {
        return -1;
    }
    return static_cast<int>(text.count(QStringLiteral("\r\n")));
}

}  // namespace lumek
