#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumek {

// Lyric files are a few KB; a bigger file is not one of them and is never loaded, which also
// bounds the memory a sheet of tiny lines can take.
inline constexpr qint64 kMaxTextFileBytes = 16 * 1024 * 1024;

// True for an ordinary file (a symbolic link to one included). Directories, devices, pipes and
// hidden files (names starting with ".") count as absent.
bool FileExists(const QString& path);

// Exactly as many bytes as the file system gives as the file's length. Nothing when the path
// is not an ordinary file (hidden ones are read), can't be read, is larger than maxBytes or
// yields fewer bytes than its length.
std::optional<QByteArray> ReadWholeFile(const QString& path, qint64 maxBytes = kMaxTextFileBytes);

// The whole text of a file (DecodeCodePage) without NUL characters; nothing when FileExists is
// false or the file can't be read as ReadWholeFile says. An empty file gives the empty text.
std::optional<QString> TryReadTextFile(const QString& path);
// TryReadTextFile with every failure read as the empty text.
QString ReadTextFile(const QString& path);

// Creates or replaces a file with the bytes; the old content stays whole when the write fails.
// False when the file can't be written.
bool WriteWholeFile(const QString& path, const QByteArray& bytes);

// Creates or replaces the file with the text up to its first NUL character, encoded by
// EncodeCodePage (no byte-order mark unless the text needs UTF-8). The old content stays
// whole when the write fails. False when the file can't be written.
bool WriteTextFile(const QString& path, const QString& text);

// The number of CR LF pairs in a text, that is the highest index of the text split at CR LF;
// the empty text gives -1.
int LineCount(const QString& text);

}  // namespace lumek
