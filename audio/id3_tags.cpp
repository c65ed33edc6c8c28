#include "audio/id3_tags.h"

#include "base/codepage.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace lumek {

namespace {

constexpr int kId3v2HeaderBytes = 10;
constexpr int kId3v1Bytes = 128;

uint8_t ByteAt(QByteArrayView bytes, qsizetype index) {
    return index < bytes.size() ? static_cast<uint8_t>(bytes[index]) : 0;
}

}  // namespace

uint32_t ReadBigEndian32(QByteArrayView bytes, bool syncsafe) {
    const uint32_t b0 = ByteAt(bytes, 0);
    const uint32_t b1 = ByteAt(bytes, 1);
    const uint32_t b2 = ByteAt(bytes, 2);
    const uint32_t b3 = ByteAt(bytes, 3);
    if (syncsafe && ((b0 | b1 | b2 | b3) & 0x80) == 0) {
        return (b0 << 21) | (b1 << 14) | (b2 << 7) | b3;
    }
    return (b0 << 24) | (b1 << 16) | (b2 << 8) | b3;
}

int64_t Id3v2Header::totalSize() const {
    int64_t size = int64_t{bodySize} + kId3v2HeaderBytes;
    if (majorVersion >= 4 && (flags & 0x10) != 0) {
        size += kId3v2HeaderBytes;
    }
    return size;
}

std::optional<Id3v2Header> ParseId3v2Header(QByteArrayView bytes) {
    if (bytes.size() < kId3v2HeaderBytes || !bytes.startsWith("ID3")) {
        return std::nullopt;
    }
    Id3v2Header header;
    header.majorVersion = static_cast<uint8_t>(bytes[3]);
    header.flags = static_cast<uint8_t>(bytes[5]);
    header.bodySize = ReadBigEndian32(bytes.sliced(6, 4), true);
    return header;
}

int64_t Id3v2Size(QByteArrayView bytes) {
    const std::optional<Id3v2Header> header = ParseId3v2Header(bytes);
    return header ? header->totalSize() : 0;
}

int64_t Id3v2Size(QFile& file, int64_t offset) {
    if (offset < 0 || !file.seek(offset)) {
        return 0;
    }
    return Id3v2Size(file.read(kId3v2HeaderBytes));
}

int Id3v1Kind(QByteArrayView last128) {
    if (last128.size() < kId3v1Bytes || !last128.startsWith("TAG")) {
        return -1;
    }
    return last128[125] == 0 && last128[126] != 0 ? 1 : 0;
}

bool HasId3v1(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < kId3v1Bytes ||
        !file.seek(file.size() - kId3v1Bytes)) {
        return false;
    }
    return Id3v1Kind(file.read(kId3v1Bytes)) >= 0;
}

QString BytesToText(QByteArrayView bytes, qsizetype count, int mode, bool stopAtNul) {
    count = std::clamp<qsizetype>(count, 0, bytes.size());
    qsizetype index = mode == 1 ? 2 : 0;
    const qsizetype step = mode == 1 || mode == 2 ? 2 : 1;
    QByteArray taken;
    for (; index < count; index += step) {
        const char byte = bytes[index];
        if (byte == '\0' && stopAtNul) {
            break;
        }
        if (byte == '\r') {
            continue;
        }
        if (byte == '\n') {
            taken.append('\r');
        }
        taken.append(byte);
    }
    return DecodeCodePage(taken);
}

}  // namespace lumek
