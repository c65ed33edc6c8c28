#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace lumek {

// Text files are in the Korean code page (CP949). A file that is UTF-8 (a byte-order mark, or
// valid UTF-8 with non-ASCII bytes) is read as UTF-8 instead.
QString DecodeCodePage(const QByteArray& bytes);

// CP949 bytes of a text; when the text holds a character CP949 cannot represent, UTF-8 with a
// byte-order mark instead, so nothing is lost.
QByteArray EncodeCodePage(const QString& text);

// The number of CP949 bytes of a text (2 per Hangul syllable, 1 per ASCII character); a
// character CP949 lacks counts as one byte ("?").
int CodePageByteLength(const QString& text);

// Characters of a text as the word wrapper and the title bar count them (code points).
int32_t CharacterCount(const QString& text);

// The longest start of a text that fits in maxBytes CP949 bytes, counted as CodePageByteLength
// does; a character (a surrogate pair included) is never cut in two.
QString CodePagePrefix(const QString& text, int maxBytes);

// Whether DecodeCodePage takes the bytes as UTF-8: a byte-order mark, or valid UTF-8 that has
// at least one non-ASCII byte.
bool IsUtf8Text(const QByteArray& bytes);

// Plain UTF-8 decoding; invalid sequences become U+FFFD and a leading U+FEFF is kept (the
// byte-order mark is the caller's business).
QString DecodeUtf8(QByteArrayView bytes);

// Plain CP949 decoding, without the UTF-8 check.
QString DecodeCp949(const QByteArray& bytes);

// Plain CP949 encoding; nothing when a character of the text has no CP949 form that decodes
// back to it.
std::optional<QByteArray> EncodeCp949(const QString& text);

}  // namespace lumek
