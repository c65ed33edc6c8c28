#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumek {

// Lyric files are a few KB; a bigger file is not one of them and is never loaded, which also
// bounds the memory a sheet of tiny lines can take.
inline constexpr qint64 kMaxTextFileBytes = 16 * 1024 * 1024;

// What a failed read or write gives as its reason for a path that is a folder, device, pipe or
// socket (or a link to one): such files are never opened for writing nor replaced.
inline const QString kNotRegularFile = QStringLiteral("일반 파일이 아닙니다");

// The system's text for an errno value ("Permission denied", "No space left on device").
QString SystemReason(int error);

// Why a path can't be read or replaced as a regular file: empty when it is one (or a link to
// one) and when nothing at all is there; kNotRegularFile for a folder, device, pipe or socket;
// the system's reason for a link that leads nowhere or in a circle.
QString NotRegularReason(const QString& path);

// Where a write to a path lands, so that a link stays a link: the path itself, or the regular
// file a link leads to. problem tells why nothing may be written there (NotRegularReason).
struct FileTarget {
    QString path;
    bool exists = false;
    QString problem;
};
FileTarget ResolveFileTarget(const QString& path);

// A hidden name beside the target for a file on its way there: ".NAME.lumek-PID-N" + suffix.
QString PartialPath(const FileTarget& target, const QString& suffix = {});

// Gives the finished file at partial the target's name, with the mode and owner of the file it
// replaces. replace false never replaces an existing file. False, with the reason when asked
// for, when it can't; partial is then removed.
bool PutInPlace(const QString& partial, const FileTarget& target, bool replace,
                QString* reason = nullptr);

// True for an ordinary file (a symbolic link to one included). Directories, devices, pipes and
// hidden files (names starting with ".") count as absent.
bool FileExists(const QString& path);

// Exactly as many bytes as the file system gives as the file's length. Nothing when the path
// is not an ordinary file (hidden ones are read), can't be read, is larger than maxBytes or
// yields fewer bytes than its length; reason, when given, then says which. A pipe or device is
// never opened.
std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 maxBytes = kMaxTextFileBytes,
                                        QString* reason = nullptr);

// The whole text of a file (DecodeCodePage) without NUL characters; nothing when FileExists is
// false or the file can't be read as ReadWholeFile says. An empty file gives the empty text.
std::optional<QString> TryReadTextFile(const QString& path, QString* reason = nullptr);
// TryReadTextFile with every failure read as the empty text.
QString ReadTextFile(const QString& path);

// Creates or replaces a file with the bytes, through a hidden file beside it that takes its
// name at the end (a link keeps leading to the file, which keeps its mode). Where no new file
// can be made beside it, an existing file is written in place. The old content stays whole
// when the write fails. False when the file can't be written (reason, when given, says why),
// and always for a path that is no regular file: that is never opened nor replaced.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* reason = nullptr);

// Creates or replaces the file with the text up to its first NUL character, encoded by
// EncodeCodePage (no byte-order mark unless the text needs UTF-8). The old content stays
// whole when the write fails. False when the file can't be written, as WriteWholeFile says.
bool WriteTextFile(const QString& path, const QString& text, QString* reason = nullptr);

// The number of CR LF pairs in a text, that is the highest index of the text split at CR LF;
// the empty text gives -1.
int LineCount(const QString& text);

}  // namespace lumek
