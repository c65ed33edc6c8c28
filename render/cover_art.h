#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace lumek {

// The cover picture of an MP3 file: the first picture of its ID3v2 tag (JPEG, PNG, GIF or BMP),
// decoded from memory, transparent parts on white. It comes at its own size, or at the smallest
// size that covers box when it is larger (LoadPictureCovering). Nothing when the song has no
// tag, no picture frame or no image a loader accepts; problem, when given, then says why a
// picture that is there can't be used (too large, damaged) and stays empty for no picture.
std::optional<QImage> ReadCoverArt(const QString& mp3Path, QSize box = {},
                                   QString* problem = nullptr);

// The status line on a song's cover picture that can't be used.
QString CoverArtProblem(const QString& mp3Path, const QString& problem);

}  // namespace lumek
