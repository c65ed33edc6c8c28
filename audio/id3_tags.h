#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

class QFile;

namespace lumek {

// The first 4 bytes as a big-endian number; missing bytes count as 0. With syncsafe, and only
// when no byte has its top bit set, each byte carries 7 bits (ID3v2 sizes: 00 01 00 00 is 16384);
// a byte with its top bit set makes the bytes a plain 32-bit number.
uint32_t ReadBigEndian32(QByteArrayView bytes, bool syncsafe);

// The 10-byte header that starts an ID3v2 tag.
struct Id3v2Header {
    int majorVersion = 0;   // byte 3: 2, 3 or 4 in practice
    uint8_t flags = 0;      // byte 5: 0x80 unsynchronised, 0x40 extended header, 0x10 footer
    uint32_t bodySize = 0;  // bytes 6-9, syncsafe: the bytes after the header, footer excluded
    // Header + body, + a 10-byte footer when the version is 4 or higher and the footer flag is
    // set.
    int64_t totalSize() const;
};

// Nothing unless the bytes start with "ID3" and hold the whole 10-byte header.
std::optional<Id3v2Header> ParseId3v2Header(QByteArrayView bytes);

// The total size of an ID3v2 tag starting at the first byte, or 0 when none starts there.
int64_t Id3v2Size(QByteArrayView bytes);
// The same for the tag at a file offset; 0 when the file has no tag there. Moves the file's
// position.
int64_t Id3v2Size(QFile& file, int64_t offset);

// The ID3v1 kind of a file's last 128 bytes: -1 no tag, 0 ID3v1, 1 ID3v1.1 (byte 125 is 0 and
// byte 126, the track number, is not).
int Id3v1Kind(QByteArrayView last128);
// Whether the file is at least 128 bytes long and its last 128 bytes start with "TAG". False for
// anything that is not a readable ordinary file.
bool HasId3v1(const QString& path);

// Text from the first count bytes of a tag field, decoded with the code page (CP949, or UTF-8
// when the bytes are UTF-8). Mode 0 or 3 takes every byte, mode 1 every second byte from index 2
// on (UTF-16 after its byte-order mark), mode 2 every second byte from index 0. CR bytes are
// dropped and LF becomes CR LF; with stopAtNul a zero byte ends the text.
QString BytesToText(QByteArrayView bytes, qsizetype count, int mode, bool stopAtNul);

}  // namespace lumek
