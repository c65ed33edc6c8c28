#include "audio/id3_picture.h"

#include "audio/id3_tags.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace lumek {

namespace {

constexpr qsizetype kHeaderBytes = 10;
// Tags with pictures are a few megabytes; a larger size is read only this far.
constexpr qsizetype kMaxTagBytes = 64 * 1024 * 1024;

// A byte 0xFF followed by 0x00 was written as the two bytes; the 0x00 goes.
QByteArray UndoUnsynchronisation(QByteArrayView bytes) {
    QByteArray plain;
    plain.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        plain.append(bytes[i]);
        if (static_cast<uint8_t>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) {
            ++i;
        }
    }
    return plain;
}

// The index just past the zero terminator of a text starting at from: one zero byte, or two at
// an even distance from the start for UTF-16 (encodings 1 and 2). -1 without a terminator.
qsizetype SkipText(QByteArrayView data, qsizetype from, int encoding) {
    if (encoding == 1 || encoding == 2) {
        for (qsizetype i = from; i + 1 < data.size(); i += 2) {
            if (data[i] == 0 && data[i + 1] == 0) {
                return i + 2;
            }
        }
        return -1;
    }
    const qsizetype zero = data.indexOf('\0', from);
    return zero < 0 ? -1 : zero + 1;
}

// The image of a picture frame's data: after the encoding, the MIME type (three letters in
// version 2.2), the picture type and the description.
std::optional<QByteArray> PictureImage(QByteArrayView data, int version) {
    if (data.isEmpty()) {
        return std::nullopt;
    }
    const int encoding = static_cast<uint8_t>(data[0]);
    qsizetype position = 1;
    if (version == 2) {
        position += 3;
    } else {
        position = SkipText(data, position, 0);
        if (position < 0) {
            return std::nullopt;
        }
    }
    ++position;  // picture type
    if (position > data.size()) {
        return std::nullopt;
    }
    position = SkipText(data, position, encoding);
    if (position < 0 || position >= data.size()) {
        return std::nullopt;
    }
    return data.sliced(position).toByteArray();
}

}  // namespace

std::optional<QByteArray> ExtractCoverArtFromBytes(QByteArrayView fileStart) {
    const std::optional<Id3v2Header> header = ParseId3v2Header(fileStart);
    if (!header || header->majorVersion < 2 || header->majorVersion > 4) {
        return std::nullopt;
    }
    const int version = header->majorVersion;
    const bool tagUnsynchronised = (header->flags & 0x80) != 0;
    QByteArrayView body = fileStart.sliced(kHeaderBytes);
    body = body.first(std::min<qsizetype>(body.size(), header->bodySize));
    // Before version 4 the flag covers the whole tag, frame headers included.
    QByteArray plainBody;
    if (version < 4 && tagUnsynchronised) {
        plainBody = UndoUnsynchronisation(body);
        body = plainBody;
    }

    const qsizetype size = body.size();
    qsizetype position = 0;
    if (version > 2 && (header->flags & 0x40) != 0) {
        // The extended header's size counts itself in version 4, not in version 3.
        const int64_t extended = ReadBigEndian32(body, version == 4) + (version == 4 ? 0 : 4);
        position = static_cast<qsizetype>(std::min<int64_t>(extended, size));
    }

    const qsizetype frameHeaderBytes = version == 2 ? 6 : 10;
    const QByteArrayView pictureId = version == 2 ? QByteArrayView("PIC") : QByteArrayView("APIC");
    while (position < size - (frameHeaderBytes + 1)) {
        const QByteArrayView frame = body.sliced(position);
        int64_t frameSize = 0;
        if (version == 2) {
            frameSize = (int64_t{static_cast<uint8_t>(frame[3])} << 16) |
                        (static_cast<uint8_t>(frame[4]) << 8) | static_cast<uint8_t>(frame[5]);
        } else {
            frameSize = ReadBigEndian32(frame.sliced(4, 4), version == 4);
        }
        if (!frame.startsWith(pictureId)) {
            position = static_cast<qsizetype>(
                std::min<int64_t>(position + frameHeaderBytes + frameSize, size));
            continue;
        }

        if (frameSize < 1 || frameSize > frame.size() - frameHeaderBytes) {
            return std::nullopt;
        }
        QByteArrayView data = frame.sliced(frameHeaderBytes, static_cast<qsizetype>(frameSize));
        bool unsynchronised = version == 4 && tagUnsynchronised;
        if (version > 2) {
            const auto format = static_cast<uint8_t>(frame[9]);
            // Version 4: 0x40 group byte, 0x08 compressed, 0x04 encrypted, 0x02
            // unsynchronised, 0x01 data length in front. Version 3: 0x80 compressed, 0x40
            // encrypted, 0x20 group byte.
            const bool packed = version == 4 ? (format & 0x0C) != 0 : (format & 0xC0) != 0;
            if (packed) {
                return std::nullopt;
            }
            qsizetype prefix = 0;
            if (version == 4) {
                prefix = ((format & 0x40) != 0 ? 1 : 0) + ((format & 0x01) != 0 ? 4 : 0);
                unsynchronised = unsynchronised || (format & 0x02) != 0;
            } else {
                prefix = (format & 0x20) != 0 ? 1 : 0;
            }
            if (prefix >= data.size()) {
                return std::nullopt;
            }
            data = data.sliced(prefix);
        }
        if (unsynchronised) {
            return PictureImage(UndoUnsynchronisation(data), version);
        }
        return PictureImage(data, version);
    }
    return std::nullopt;
}

std::optional<QByteArray> ExtractCoverArt(const QString& mp3Path) {
    if (!QFileInfo(mp3Path).isFile()) {
        return std::nullopt;
    }
    QFile file(mp3Path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.read(kHeaderBytes);
    const std::optional<Id3v2Header> header = ParseId3v2Header(bytes);
    if (!header) {
        return std::nullopt;
    }
    // Only what the file holds: a size field can claim far more, and reading allocates it.
    const qint64 available = file.size() - file.pos();
    bytes += file.read(std::min<qint64>({header->bodySize, available, kMaxTagBytes}));
    return ExtractCoverArtFromBytes(bytes);
}

}  // namespace lumek
