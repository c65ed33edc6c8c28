#include "pipeline/riff_reader.h"

#include <QTextStream>

namespace lumek::testing {

namespace {

bool IsList(const QByteArray& id) {
    return id == "RIFF" || id == "LIST";
}

void ParseChildren(const QByteArray& file, int64_t at, int64_t end, std::vector<RiffChunk>& out) {
    while (at + 8 <= end) {
        RiffChunk chunk{file.mid(at, 4), {}, at, U32At(file, at + 4), {}};
        const int64_t dataEnd = at + 8 + chunk.size;
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
        at = dataEnd + (dataEnd & 1);
    }
}

QString Code(uint32_t value) {
    QString text;
    for (int i = 0; i < 4 && value != 0; ++i) {
        const auto c = static_cast<char>(value >> (8 * i));
        if (c < 32 || c > 126) {
            return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
        }
        text += QLatin1Char(c);
    }
    return value == 0 ? QStringLiteral("0") : text;
}

// Writes header fields stored one after the other from `at` on, as the pattern names them:
// %u and %i are unsigned and signed 32-bit values, %w and %s 16-bit ones, %x a 32-bit value in
// hex and %c a four-character code. Each line starts with pad. Returns the end of the fields.
int64_t DumpLayout(const QByteArray& f, int64_t at, const char* pattern, const QString& pad,
                   QTextStream& out) {
    out << pad;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == '\n') {
            out << '\n' << (p[1] != '\0' ? pad : QString());
        } else if (*p != '%') {
            out << *p;
        } else if (const char kind = *++p; kind == 'w' || kind == 's') {
            const uint16_t v = U16At(f, at);
            out << (kind == 's' ? int{static_cast<int16_t>(v)} : int{v});
            at += 2;
        } else {
            const uint32_t v = U32At(f, at);
            if (kind == 'x') {
                out << QStringLiteral("0x%1").arg(v, 0, 16);
            } else if (kind == 'c') {
                out << Code(v);
            } else {
                out << (kind == 'i' ? int64_t{static_cast<int32_t>(v)} : int64_t{v});
            }
            at += 4;
        }
    }
    return at;
}

void DumpChunk(const QByteArray& f, const RiffChunk& c, int depth, QTextStream& out) {
    const QString pad(depth * 2, QLatin1Char(' '));
    out << pad << c.id << (c.type.isEmpty() ? QByteArray() : " '" + c.type + "'") << " @"
        << c.offset << " size=" << c.size << "\n";
    const QString fieldPad = pad + QStringLiteral("    ");
    const int64_t d = c.data();
    if (c.id == "avih" && c.size >= 56) {
        DumpLayout(f, d,
                   "MicroSecPerFrame=%u MaxBytesPerSec=%u PaddingGranularity=%u Flags=%x\n"
                   "TotalFrames=%u InitialFrames=%u Streams=%u SuggestedBufferSize=%u Width=%u "
                   "Height=%u Reserved=%u,%u,%u,%u\n",
                   fieldPad, out);
    } else if (c.id == "strh" && c.size >= 56) {
        DumpLayout(f, d,
                   "Type=%c Handler=%c Flags=%x Priority=%w Language=%w InitialFrames=%u\n"
                   "Scale=%u Rate=%u Start=%u Length=%u SuggestedBufferSize=%u Quality=%i "
                   "SampleSize=%u\nFrame=%s,%s,%s,%s\n",
                   fieldPad, out);
    } else if (c.id == "strf" && c.size >= 40) {
        DumpLayout(f, d,
                   "Size=%u Width=%i Height=%i Planes=%w BitCount=%w Compression=%c SizeImage=%u\n"
                   "XPelsPerMeter=%u YPelsPerMeter=%u ClrUsed=%u ClrImportant=%u\n",
                   fieldPad, out);
    } else if (c.id == "dmlh" && c.size >= 4) {
        const bool zeros = f.mid(d + 4, c.size - 4).count('\0') == c.size - 4;
        DumpLayout(f, d, zeros ? "TotalFrames=%u rest zero\n" : "TotalFrames=%u rest NOT zero\n",
                   fieldPad, out);
    } else if (c.id == "idx1") {
        for (int64_t e = d; e + 16 <= d + c.size;) {
            e = DumpLayout(f, e, "%c flags=%x offset=%u size=%u\n", fieldPad, out);
        }
    }
    for (const RiffChunk& child : c.children) {
        DumpChunk(f, child, depth + 1, out);
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

uint16_t U16At(const QByteArray& bytes, int64_t offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) |
                                 static_cast<uint8_t>(bytes.at(offset + 1)) << 8);
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
