#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace lumek {

// The cover picture of an MP3 file: the first picture of its ID3v2 tag (JPEG, PNG, GIF or BMP),
// decoded from memory at its own size, transparent parts on white. Nothing when the song has no
// tag, no picture frame or no image a loader accepts.
std::optional<QImage> ReadCoverArt(const QString& mp3Path);

}  // namespace lumek
