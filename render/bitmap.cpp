#include "render/bitmap.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <limits>
#include <optional>

#include <unistd.h>

namespace lumek {

namespace {

constexpr uint16_t kBitmapType = 19778;  // "BM" read as a little-endian 16-bit word
constexpr int kHeadersSize = kBitmapFileHeaderSize + kBitmapInfoHeaderSize;
constexpr uint32_t kUncompressed = 0;  // BI_RGB

void PutU16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint16_t GetU16(const uint8_t* in) {
    return static_cast<uint16_t>(in[0] | (in[1] << 8));
}

uint32_t GetU32(const uint8_t* in) {
    return uint32_t{in[0]} | (uint32_t{in[1]} << 8) | (uint32_t{in[2]} << 16) |
           (uint32_t{in[3]} << 24);
}

int32_t GetI32(const uint8_t* in) {
    return static_cast<int32_t>(GetU32(in));
}

// Bytes of one stored row: whole 32-bit words.
int64_t RowSize(int64_t width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

// Byte size of the 24-bit pixel data of a picture; nothing for a null picture or one whose
// data would not fit the 32-bit size fields.
std::optional<uint32_t> PixelDataSize(const Picture& picture) {
    if (picture.isNull()) {
        return std::nullopt;
    }
    const int64_t size = RowSize(picture.width(), 24) * picture.height();
    if (size > std::numeric_limits<int32_t>::max() - kHeadersSize) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(size);
}

void WriteFileHeader(uint8_t* out, uint32_t fileSize) {
    PutU16(out, kBitmapType);
    PutU32(out + 2, fileSize);
    PutU32(out + 6, 0);  // two reserved words
    PutU32(out + 10, kHeadersSize);
}

void WriteInfoHeader(uint8_t* out, const Picture& picture, uint32_t sizeImage) {
    PutU32(out, kBitmapInfoHeaderSize);
    PutU32(out + 4, static_cast<uint32_t>(picture.width()));
    PutU32(out + 8, static_cast<uint32_t>(picture.height()));
    PutU16(out + 12, 1);   // planes
    PutU16(out + 14, 24);  // bits per pixel
    PutU32(out + 16, kUncompressed);
    PutU32(out + 20, sizeImage);
    PutU32(out + 24, 0);  // pixels per metre, x and y: unspecified
    PutU32(out + 28, 0);
    PutU32(out + 32, 0);  // colours used and important: no colour table
    PutU32(out + 36, 0);
}

// Rows bottom-up, blue-green-red, zero padding; out holds sizeImage bytes.
void WritePixelRows(uint8_t* out, const Picture& picture) {
    const ConstPixelView view = picture.view();
    const auto rowSize = static_cast<size_t>(RowSize(view.width, 24));
    for (int y = 0; y < view.height; ++y) {
        uint8_t* row = out + static_cast<size_t>(view.height - 1 - y) * rowSize;
        const uint32_t* pixels = view.row(y);
        uint8_t* byte = row;
        for (int x = 0; x < view.width; ++x) {
            const uint32_t pixel = pixels[x];
            *byte++ = static_cast<uint8_t>(pixel);
            *byte++ = static_cast<uint8_t>(pixel >> 8);
            *byte++ = static_cast<uint8_t>(pixel >> 16);
        }
        while (byte < row + rowSize) {
            *byte++ = 0;
        }
    }
}

uint8_t* Bytes(QByteArray& array) {
    return reinterpret_cast<uint8_t*>(array.data());
}

BitmapInfoHeader ReadInfoHeader(const uint8_t* in) {
    BitmapInfoHeader info;
    info.size = GetU32(in);
    info.width = GetI32(in + 4);
    info.height = GetI32(in + 8);
    info.planes = GetU16(in + 12);
    info.bitCount = GetU16(in + 14);
    info.compression = GetU32(in + 16);
    info.sizeImage = GetU32(in + 20);
    info.xPelsPerMeter = GetI32(in + 24);
    info.yPelsPerMeter = GetI32(in + 28);
    info.clrUsed = GetU32(in + 32);
    info.clrImportant = GetU32(in + 36);
    return info;
}

// Whether the info header describes data that lies inside a file of fileSize bytes, with
// positive dimensions; uncompressed data must also hold every row the dimensions call for, so
// that whoever reads the pixels by width and height stays inside the buffer. The pixel offset
// offBits is already known to lie inside the file, after the two headers.
bool HeadersFit(uint32_t offBits, const BitmapInfoHeader& info, qint64 fileSize) {
    if (info.size < kBitmapInfoHeaderSize || info.size > offBits - kBitmapFileHeaderSize) {
        return false;
    }
    if (info.width <= 0 || info.height <= 0) {
        return false;
    }
    if (info.sizeImage == 0 || info.sizeImage > std::numeric_limits<int32_t>::max() ||
        info.sizeImage > fileSize - offBits) {
        return false;
    }
    if (info.compression == kUncompressed) {
        const int bits = info.bitCount;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
            return false;
        }
        // Divided, since rows x height of two huge dimensions overflows 64 bits.
        if (RowSize(info.width, bits) > info.sizeImage / static_cast<uint32_t>(info.height)) {
            return false;
        }
    }
    return true;
}

QString FileMessage(const char* text, const QString& fileName) {
    return QString::fromLatin1(text) + QStringLiteral("\r\n") + fileName;
}

bool PermissionDenied(const QString& fileName) {
    return ::access(QFile::encodeName(fileName).constData(), R_OK) != 0 &&
           (errno == EACCES || errno == EPERM);
}

}  // namespace

QByteArray EncodeBitmap(const Picture& picture) {
    const std::optional<uint32_t> sizeImage = PixelDataSize(picture);
    if (!sizeImage) {
        return {};
    }
    QByteArray file(kHeadersSize + static_cast<qsizetype>(*sizeImage), Qt::Uninitialized);
    WriteFileHeader(Bytes(file), static_cast<uint32_t>(file.size()));
    WriteInfoHeader(Bytes(file) + kBitmapFileHeaderSize, picture, *sizeImage);
    WritePixelRows(Bytes(file) + kHeadersSize, picture);
    return file;
}

bool SaveBitmap(const Picture& picture, const QString& fileName) {
    const QByteArray bytes = EncodeBitmap(picture);
    if (bytes.isEmpty()) {
        return false;
    }
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool BitmapData::CreateFromFile(const QString& fileName, UiHost& host) {
    if (fileName.isEmpty() || !QFileInfo::exists(fileName)) {
        host.message(kAppTitle, FileMessage("File does not exist:", fileName),
                     MessageIcon::Critical);
        return false;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (PermissionDenied(fileName)) {
            host.message(kAppTitle, FileMessage("File is locked - cannot access:", fileName),
                         MessageIcon::Critical);
        } else {
            host.message(kAppTitle, file.errorString(), MessageIcon::Information);
        }
        return false;
    }
    const auto unsupported = [&] {
        host.message(kAppTitle, FileMessage("File is not a supported bitmap format:", fileName),
                     MessageIcon::Information);
        return false;
    };

    const QByteArray fileHeader = file.read(kBitmapFileHeaderSize);
    if (fileHeader.size() < kBitmapFileHeaderSize) {
        return unsupported();
    }
    const auto* header = reinterpret_cast<const uint8_t*>(fileHeader.constData());
    if (GetU16(header) != kBitmapType) {
        return unsupported();
    }
    const uint32_t offBits = GetU32(header + 10);
    const qint64 fileSize = file.size();
    if (offBits < kHeadersSize || offBits > fileSize) {
        return unsupported();
    }

    // The info header with any colour table, then the pixel data.
    QByteArray bitmapInfo = file.read(offBits - kBitmapFileHeaderSize);
    if (bitmapInfo.size() != offBits - kBitmapFileHeaderSize) {
        return unsupported();
    }
    const BitmapInfoHeader info = ReadInfoHeader(Bytes(bitmapInfo));
    if (!HeadersFit(offBits, info, fileSize) || !file.seek(offBits)) {
        return unsupported();
    }
    QByteArray bits = file.read(info.sizeImage);
    if (bits.size() != static_cast<qsizetype>(info.sizeImage)) {
        return unsupported();
    }

    info_ = info;
    bitmapInfo_ = std::move(bitmapInfo);
    bits_ = std::move(bits);
    return true;
}

bool BitmapData::CreateFromPicture(const Picture& picture) {
    const std::optional<uint32_t> sizeImage = PixelDataSize(picture);
    if (!sizeImage) {
        return false;
    }
    bitmapInfo_.resize(kBitmapInfoHeaderSize);
    WriteInfoHeader(Bytes(bitmapInfo_), picture, *sizeImage);
    bits_.resize(static_cast<qsizetype>(*sizeImage));
    WritePixelRows(Bytes(bits_), picture);
    info_ = ReadInfoHeader(Bytes(bitmapInfo_));
    return true;
}

const uint8_t* BitmapData::PointerToBits() const {
    return bits_.isEmpty() ? nullptr : reinterpret_cast<const uint8_t*>(bits_.constData());
}

const uint8_t* BitmapData::PointerToBitmapInfo() const {
    return bitmapInfo_.isEmpty() ? nullptr
                                 : reinterpret_cast<const uint8_t*>(bitmapInfo_.constData());
}

}  // namespace lumek
