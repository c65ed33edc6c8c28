#include "base/codepage.h"

#include <QList>
#include <QStringDecoder>
#include <QtGlobal>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <iconv.h>

namespace lumek {

namespace {

const char* const kUtf16 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE";
const char* const kCodePage = "CP949";
constexpr char16_t kReplacement = 0xFFFD;
const QByteArray kUtf8Bom("\xEF\xBB\xBF");

// One iconv descriptor. Opening one costs far more than a short conversion, so each thread
// keeps its pair open (a descriptor carries shift state and must not be shared).
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; false with errno set where it stopped.
    bool run(const char*& in, size_t& inLeft, char*& out, size_t& outLeft) {
        char* inPtr = const_cast<char*>(in);
        const size_t result = iconv(cd_, &inPtr, &inLeft, &out, &outLeft);
        in = inPtr;
        return result != static_cast<size_t>(-1);
    }
    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

struct Converters {
    Converter decoder{kUtf16, kCodePage};
    Converter encoder{kCodePage, kUtf16};
};

Converters& ThreadConverters() {
    thread_local Converters converters;
    return converters;
}

// CP949 bytes of a text where every code point CP949 lacks (and every lone surrogate) becomes
// one "?" and is counted in *missing.
QByteArray EncodeLenient(QStringView text, int* missing) {
    *missing = 0;
    Converter& encoder = ThreadConverters().encoder;
    if (!encoder.ok()) {
        // Without the code page only ASCII can be written.
        QByteArray out;
        for (const QChar c : text) {
            out.append(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?');
            *missing += c.unicode() < 0x80 ? 0 : 1;
        }
        return out;
    }
    encoder.reset();
    const char* in = reinterpret_cast<const char*>(text.data());
    size_t inLeft = static_cast<size_t>(text.size()) * sizeof(char16_t);
    // At most 2 bytes per UTF-16 unit, so one allocation is enough.
    QByteArray buffer(text.size() * 2 + 4, Qt::Uninitialized);
    char* outPtr = buffer.data();
    size_t outLeft = static_cast<size_t>(buffer.size());
    while (inLeft > 0) {
        if (encoder.run(in, inLeft, outPtr, outLeft)) {
            break;
        }
        if (errno == E2BIG) {
            break;  // cannot happen with the size above; stop rather than loop
        }
        // EILSEQ (no CP949 form, or a lone surrogate) or EINVAL (high surrogate at the end).
        const auto* unit = reinterpret_cast<const char16_t*>(in);
        size_t skip = sizeof(char16_t);
        if (QChar::isHighSurrogate(unit[0]) && inLeft >= 2 * sizeof(char16_t) &&
            QChar::isLowSurrogate(unit[1])) {
            skip = 2 * sizeof(char16_t);
        }
        skip = std::min(skip, inLeft);  // the converter may have taken the character already
        in += skip;
        inLeft -= skip;
        *outPtr++ = '?';
        --outLeft;
        ++*missing;
        encoder.reset();
    }
    buffer.resize(outPtr - buffer.data());
    return buffer;
}

// glibc's CP949 decoder takes some unassigned pairs (A2 E8) whole before it reports them. True
// when the two bytes before end, all decoded in a run from start, are such a pair: two bytes
// from 0x80 up (a single-byte character is ASCII) that alone fail having been taken.
bool TookBadPair(Converter& decoder, const char* start, const char* end) {
    if (end - start < 2 || static_cast<uint8_t>(end[-2]) < 0x80 ||
        static_cast<uint8_t>(end[-1]) < 0x80) {
        return false;
    }
    decoder.reset();
    const char* in = end - 2;
    size_t inLeft = 2;
    char16_t unit = 0;
    char* out = reinterpret_cast<char*>(&unit);
    size_t outLeft = sizeof(unit);
    return !decoder.run(in, inLeft, out, outLeft) && errno == EILSEQ && inLeft == 0;
}

}  // namespace

bool IsUtf8Text(const QByteArray& bytes) {
    if (bytes.startsWith(kUtf8Bom)) {
        return true;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    bool nonAscii = false;
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = b[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        int length = 0;
        uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            cp = c & 0x1Fu;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            cp = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            cp = c & 0x07u;
        } else {
            return false;
        }
        if (n - i < length) {
            return false;
        }
        for (int k = 1; k < length; ++k) {
            const unsigned char cc = b[i + k];
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3Fu);
        }
        // Overlong forms, encoded surrogates and values past U+10FFFF are not UTF-8.
        if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (length == 4 && (cp < 0x10000 || cp > 0x10FFFF))) {
            return false;
        }
        i += length;
    }
    return nonAscii;
}

// A byte that starts no valid CP949 character becomes one U+FFFD and decoding goes on with the
// next byte, so a broken lead byte never swallows the ASCII character after it.
QString DecodeCp949(const QByteArray& bytes) {
    // Every CP949 character (1 or 2 bytes) and every replaced byte gives one UTF-16 unit.
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* const first = reinterpret_cast<char16_t*>(out.data());
    Converter& decoder = ThreadConverters().decoder;
    if (!decoder.ok()) {
        // Without the code page only ASCII can be read.
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            first[i] = c < 0x80 ? c : kReplacement;
        }
        return out;
    }
    decoder.reset();
    const char* in = bytes.constData();
    const char* const end = in + bytes.size();
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* outPtr = reinterpret_cast<char*>(first);
    size_t outLeft = static_cast<size_t>(out.size()) * sizeof(char16_t);
    while (inLeft > 0) {
        const char* const runStart = in;
        if (decoder.run(in, inLeft, outPtr, outLeft)) {
            break;
        }
        if (errno == E2BIG || outLeft < sizeof(char16_t)) {
            break;  // cannot happen with the size above; stop rather than loop
        }
        // EILSEQ (invalid sequence) or EINVAL (lead byte at the end): in points at the bad
        // byte, except after a pair glibc takes whole before reporting it.
        const char* const bad = TookBadPair(decoder, runStart, in) ? in - 2 : in;
        std::memcpy(outPtr, &kReplacement, sizeof(char16_t));
        outPtr += sizeof(char16_t);
        outLeft -= sizeof(char16_t);
        in = std::min(bad + 1, end);
        inLeft = static_cast<size_t>(end - in);
        decoder.reset();
    }
    out.resize(reinterpret_cast<char16_t*>(outPtr) - first);
    return out;
}

std::optional<QByteArray> EncodeCp949(const QString& text) {
    int missing = 0;
    QByteArray bytes = EncodeLenient(text, &missing);
    // A few characters have a CP949 form that decodes to a different character.
    if (missing > 0 || DecodeCp949(bytes) != text) {
        return std::nullopt;
    }
    return bytes;
}

QString DecodeUtf8(QByteArrayView bytes) {
    // QString::fromUtf8 would drop a leading U+FEFF.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                       QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QString DecodeCodePage(const QByteArray& bytes) {
    if (bytes.startsWith(kUtf8Bom)) {
        return DecodeUtf8(QByteArrayView(bytes).sliced(kUtf8Bom.size()));
    }
    if (IsUtf8Text(bytes)) {
        return DecodeUtf8(bytes);
    }
    return DecodeCp949(bytes);
}

QByteArray EncodeCodePage(const QString& text) {
    // CP949 bytes that would read back as UTF-8 ("징" is C2 A1, which is also UTF-8 for "¡")
    // are written as UTF-8 too.
    std::optional<QByteArray> cp949 = EncodeCp949(text);
    if (cp949 && !IsUtf8Text(*cp949)) {
        return *std::move(cp949);
    }
    return kUtf8Bom + text.toUtf8();
}

int CodePageByteLength(const QString& text) {
    int missing = 0;
    return static_cast<int>(EncodeLenient(text, &missing).size());
}

int32_t CharacterCount(const QString& text) {
    return static_cast<int32_t>(QStringView(text).toUcs4().size());
}

QString CodePagePrefix(const QString& text, int maxBytes) {
    if (maxBytes <= 0) {
        return QString();
    }
    if (text.size() <= maxBytes / 2) {
        return text;  // no UTF-16 unit takes more than 2 bytes
    }
    int missing = 0;
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        qsizetype units = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            units = 2;
        }
        const qsizetype length =
            text[i].unicode() < 0x80
                ? 1
                : EncodeLenient(QStringView(text).mid(i, units), &missing).size();
        if (bytes + length > maxBytes) {
            break;
        }
        bytes += length;
        i += units;
    }
    return text.left(i);
}

}  // namespace lumek
