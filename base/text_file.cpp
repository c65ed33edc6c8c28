#include "base/text_file.h"

#include "base/codepage.h"
#include "base/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumek {

namespace {

bool Fail(QString* reason, const QString& text) {
    if (reason != nullptr) {
        *reason = text;
    }
    return false;
}

// Writes all bytes to fd and closes it; the reason of the first failure, or empty.
QString WriteAllAndClose(int fd, const QByteArray& bytes) {
    int error = 0;
    qsizetype done = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t written =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written > 0) {
            done += written;
        } else if (written < 0 && errno != EINTR) {
            error = errno;
        }
    }
    // A full disk may only show when the data goes out at the close.
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error == 0 ? QString() : SystemReason(error);
}

// Writes an existing regular file in place, for a folder where no new file can be made.
bool WriteInPlace(const FileTarget& target, const QByteArray& bytes, QString* reason) {
    const int fd =
        ::open(QFile::encodeName(target.path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return Fail(reason, SystemReason(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Fail(reason, kNotRegularFile);
    }
    if (::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        return Fail(reason, SystemReason(error));
    }
    const QString problem = WriteAllAndClose(fd, bytes);
    return problem.isEmpty() || Fail(reason, problem);
}

}  // namespace

QString SystemReason(int error) {
    const QString text = QString::fromLocal8Bit(std::strerror(error));
    return text.isEmpty() ? QStringLiteral("error %1").arg(error) : text;
}

QString NotRegularReason(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (::stat(name.constData(), &info) == 0) {
        return S_ISREG(info.st_mode) ? QString() : kNotRegularFile;
    }
    const int error = errno;
    struct stat link {};
    if (::lstat(name.constData(), &link) != 0) {
        // Nothing there; a folder on the way that is missing or a file says so itself.
        return error == ENOENT ? QString() : SystemReason(error);
    }
    // A link that leads nowhere leads to no regular file; a circle of links is the system's.
    return error == ENOENT ? kNotRegularFile : SystemReason(error);
}

FileTarget ResolveFileTarget(const QString& path) {
    FileTarget target;
    target.path = path;
    target.problem = path.isEmpty() ? SystemReason(ENOENT) : NotRegularReason(path);
    if (!target.problem.isEmpty()) {
        return target;
    }
    const QFileInfo info(path);
    target.exists = info.exists();
    if (target.exists && info.isSymLink()) {
        target.path = info.canonicalFilePath();
    }
    return target;
}

QString PartialPath(const FileTarget& target, const QString& suffix) {
    static std::atomic<int> serial{0};
    const QFileInfo info(target.path);
    // Names stay below the usual 255-byte limit of a file name.
    return info.dir().filePath(QStringLiteral(".%1.lumek-%2-%3%4")
                                   .arg(info.fileName().left(160))
                                   .arg(::getpid())
                                   .arg(++serial)
                                   .arg(suffix));
}

bool PutInPlace(const QString& partial, const FileTarget& target, bool replace, QString* reason) {
    const QByteArray from = QFile::encodeName(partial);
    const QByteArray to = QFile::encodeName(target.path);
    int error = 0;
    struct stat old {};
    if (::stat(to.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode)) {
            ::unlink(from.constData());
            return Fail(reason, kNotRegularFile);
        }
        if (!replace) {
            error = EEXIST;
        } else {
            ::chmod(from.constData(), old.st_mode & 07777);
            if (::chown(from.constData(), old.st_uid, old.st_gid) != 0) {
                // Only the superuser may give a file away; the mode is kept all the same.
            }
        }
    }
    if (error == 0 && ::rename(from.constData(), to.constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(from.constData());
        return Fail(reason, SystemReason(error));
    }
    return true;
}

bool FileExists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.isFile() && !info.fileName().startsWith(u'.');
}

std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 maxBytes, QString* reason) {
    const QString problem = path.isEmpty() ? SystemReason(ENOENT) : NotRegularReason(path);
    if (!problem.isEmpty()) {
        Fail(reason, problem);
        return std::nullopt;
    }
    // Not waiting, in case a pipe took the file's place since the test.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(reason, SystemReason(errno));
        return std::nullopt;
    }
    const auto fail = [&](const QString& text) {
        ::close(fd);
        Fail(reason, text);
        return std::nullopt;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return fail(kNotRegularFile);
    }
    // The length is taken once; a file that grows meanwhile is read up to that length only.
    const qint64 length = info.st_size;
    if (length < 0 || length > maxBytes) {
        return fail(SystemReason(EFBIG));
    }
    QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd, bytes.data() + done, static_cast<size_t>(length - done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            // A file that shrank while read gives fewer bytes than it had.
            return fail(SystemReason(got < 0 ? errno : EIO));
        }
        done += got;
    }
    ::close(fd);
    return bytes;
}

std::optional<QString> TryReadTextFile(const QString& path, QString* reason) {
    if (!FileExists(path)) {
        const QString problem = NotRegularReason(path);
        Fail(reason, problem.isEmpty() ? SystemReason(ENOENT) : problem);
        return std::nullopt;
    }
    std::optional<QByteArray> bytes = ReadWholeFile(path, kMaxTextFileBytes, reason);
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

bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* reason) {
    const FileTarget target = ResolveFileTarget(path);
    if (!target.problem.isEmpty()) {
        return Fail(reason, target.problem);
    }
    const QString partial = PartialPath(target);
    const int fd = ::open(QFile::encodeName(partial).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        // A folder we may write files in but not create new ones in still gets its file written.
        if (target.exists && (error == EACCES || error == EPERM)) {
            return WriteInPlace(target, bytes, reason);
        }
        return Fail(reason, SystemReason(error));
    }
    const PendingFile pending(partial);
    const QString problem = WriteAllAndClose(fd, bytes);
    if (!problem.isEmpty()) {
        ::unlink(QFile::encodeName(partial).constData());
        return Fail(reason, problem);
    }
    return PutInPlace(partial, target, true, reason);
}

bool WriteTextFile(const QString& path, const QString& text, QString* reason) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return WriteWholeFile(path, EncodeCodePage(nul < 0 ? text : text.left(nul)), reason);
}

int LineCount(const QString& text) {
    if (text.isEmpty()) {
        return -1;
    }
    return static_cast<int>(text.count(QStringLiteral("\r\n")));
}

}  // namespace lumek
