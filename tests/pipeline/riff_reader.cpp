#include "pipeline/riff_reader.h"

#include <QTextStream>

namespace lumek::testing {

namespace {

bool IsList(const QByteArray& id) {
    return id == "RIFF" || id == "LIST";
}

void ParseChildren(const QByteArray& file, int64_t begin, int64_t end,
                   std::vector<RiffChunk>& out) {
    int64_t at = begin;
    while (at + 8 <= end) {
        RiffChunk chunk;
        chunk.id = file.mid(at, 4);
        chunk.offset = at;
        chunk.size = U32At(file, at + 4);
        const int64_t dataEnd = at + 8 + chunk.size;
        const int64_t next = dataEnd + (chunk.size & 1);
        if (dataEnd > end || (IsList(chunk.id) && chunk.size < 4)) {
            chunk.id = "????";
            out.push_back(std::move(chunk));
            return;
        }
        if (IsList(chunk.id)) {
            chunk.type = file.mid(at + 8, 4);
            ParseChildren(file, at + 12, dataEnd, chunk.children);
        }
        out.push_back(std::move(chunk));
        at = next;
    }
}

QString Code(uint32_t value) {
    if (value == 0) {
        return QStringLiteral("0");
    }
    QString text;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<char>(value >> (8 * i));
        if (c < 32 || c > 126) {
            return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
        }
        text += QLatin1Char(c);
    }
    return text;
}

QString Hex(uint32_t value) {
    return QStringLiteral("0x%1").arg(value, 0, 16);
}

void DumpFields(const QByteArray& f, const RiffChunk& c, const QString& pad, QTextStream& out) {
    const int64_t d = c.data();
    if (c.id == "avih" && c.size >= 56) {
        out << pad << "MicroSecPerFrame=" << U32At(f, d) << " MaxBytesPerSec=" << U32At(f, d + 4)
            << " PaddingGranularity=" << U32At(f, d + 8) << " Flags=" << Hex(U32At(f, d + 12))
            << "\n"
            << pad << "TotalFrames=" << U32At(f, d + 16) << " InitialFrames=" << U32At(f, d + 20)
            << " Streams=" << U32At(f, d + 24) << " SuggestedBufferSize=" << U32At(f, d + 28)
            << " Width=" << U32At(f, d + 32) << " Height=" << U32At(f, d + 36)
            << " Reserved=" << U32At(f, d + 40) << "," << U32At(f, d + 44) << ","
            << U32At(f, d + 48) << "," << U32At(f, d + 52) << "\n";
    } else if (c.id == "strh" && c.size >= 56) {
        out << pad << "Type=" << Code(U32At(f, d)) << " Handler=" << Code(U32At(f, d + 4))
            << " Flags=" << Hex(U32At(f, d + 8)) << " Priority=" << U16At(f, d + 12)
            << " Language=" << U16At(f, d + 14) << " InitialFrames=" << U32At(f, d + 16) << "\n"
            << pad << "Scale=" << U32At(f, d + 20) << " Rate=" << U32At(f, d + 24)
            << " Start=" << U32At(f, d + 28) << " Length=" << U32At(f, d + 32)
            << " SuggestedBufferSize=" << U32At(f, d + 36)
            << " Quality=" << static_cast<int32_t>(U32At(f, d + 40))
            << " SampleSize=" << U32At(f, d + 44) << "\n"
            << pad << "Frame=" << static_cast<int16_t>(U16At(f, d + 48)) << ","
            << static_cast<int16_t>(U16At(f, d + 50)) << ","
            << static_cast<int16_t>(U16At(f, d + 52)) << ","
            << static_cast<int16_t>(U16At(f, d + 54)) << "\n";
    } else if (c.id == "strf" && c.size >= 40) {
        out << pad << "Size=" << U32At(f, d) << " Width=" << static_cast<int32_t>(U32At(f, d + 4))
            << " Height=" << static_cast<int32_t>(U32At(f, d + 8)) << " Planes=" << U16At(f, d + 12)
            << " BitCount=" << U16At(f, d + 14) << " Compression=" << Code(U32At(f, d + 16))
            << " SizeImage=" << U32At(f, d + 20) << "\n"
            << pad << "XPelsPerMeter=" << U32At(f, d + 24) << " YPelsPerMeter=" << U32At(f, d + 28)
            << " ClrUsed=" << U32At(f, d + 32) << " ClrImportant=" << U32At(f, d + 36) << "\n";
    } else if (c.id == "dmlh" && c.size >= 4) {
        bool zeros = true;
        for (int64_t i = 4; i < c.size; ++i) {
            zeros = zeros && ByteAt(f, d + i) == 0;
        }
        out << pad << "TotalFrames=" << U32At(f, d) << (zeros ? " rest zero" : " rest NOT zero")
            << "\n";
    } else if (c.id == "idx1") {
        for (int64_t e = d; e + 16 <= d + c.size; e += 16) {
            out << pad << Code(U32At(f, e)) << " flags=" << Hex(U32At(f, e + 4))
                << " offset=" << U32At(f, e + 8) << " size=" << U32At(f, e + 12) << "\n";
        }
    }
}

void DumpChunk(const QByteArray& file, const RiffChunk& chunk, int depth, QTextStream& out) {
    const QString pad(depth * 2, QLatin1Char(' '));
    out << pad << chunk.id;
    if (!chunk.type.isEmpty()) {
        out << " '" << chunk.type << "'";
    }
    out << " @" << chunk.offset << " size=" << chunk.size << "\n";
    DumpFields(file, chunk, pad + QStringLiteral("    "), out);
    for (const RiffChunk& child : chunk.children) {
        DumpChunk(file, child, depth + 1, out);
    }
}

}  // namespace

const RiffChunk* RiffChunk::find(const char* childId, const char* listType) const {
    for (const RiffChunk& child : children) {
        if (child.id == childId && (listType == nullptr || child.type == listType)) {
            return &child;
        }
    }
    return nullptr;
}

std::vector<const RiffChunk*> RiffChunk::all(const char* childId) const {
    std::vector<const RiffChunk*> found;
    for (const RiffChunk& child : children) {
        if (child.id == childId) {
            found.push_back(&child);
        }
    }
    return found;
}

std::vector<RiffChunk> ParseRiff(const QByteArray& file) {
    std::vector<RiffChunk> top;
    ParseChildren(file, 0, file.size(), top);
    return top;
}

uint8_t ByteAt(const QByteArray& bytes, int64_t offset) {
    return static_cast<uint8_t>(bytes.at(static_cast<qsizetype>(offset)));
}

uint16_t U16At(const QByteArray& bytes, int64_t offset) {
    return static_cast<uint16_t>(ByteAt(bytes, offset) | (ByteAt(bytes, offset + 1) << 8));
}

uint32_t U32At(const QByteArray& bytes, int64_t offset) {
    return uint32_t{U16At(bytes, offset)} | (uint32_t{U16At(bytes, offset + 2)} << 16);
}

uint64_t U64At(const QByteArray& bytes, int64_t offset) {
    return uint64_t{U32At(bytes, offset)} | (uint64_t{U32At(bytes, offset + 4)} << 32);
}

QString DumpAvi(const QByteArray& file) {
    QString text;
    QTextStream out(&text);
    for (const RiffChunk& chunk : ParseRiff(file)) {
        DumpChunk(file, chunk, 0, out);
    }
    out.flush();
    return text;
}

}  // namespace lumek::testing
