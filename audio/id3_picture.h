#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace lumek {

// The image bytes of the first picture frame of an ID3v2 tag that starts at the first byte:
// "PIC" in version 2.2, "APIC" in 2.3 and 2.4, unsynchronisation undone. Nothing without a tag,
// without a picture frame, or when the frame runs past the tag, lacks a terminator, is
// compressed or encrypted, or holds no image bytes. The image format is not checked.
std::optional<QByteArray> ExtractCoverArtFromBytes(QByteArrayView fileStart);
// The same for the tag at the start of an MP3 file.
std::optional<QByteArray> ExtractCoverArt(const QString& mp3Path);

}  // namespace lumek
