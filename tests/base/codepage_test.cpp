#include "base/codepage.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <random>

namespace lumek {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QString kEmoji = QString::fromUtf8("\xF0\x9F\x8E\xB5");

TEST(CodePage, KoreanIsCp949AndOtherTextUtf8WithBom) {
    const QString korean = QStringLiteral("가사 abc 똠 ø");  // 똠 is an extended syllable
    EXPECT_EQ(EncodeCodePage(korean), QByteArray("\xB0\xA1\xBB\xE7 abc \x8C\x63 \xA9\xAA"));
    EXPECT_EQ(DecodeCodePage(EncodeCodePage(korean)), korean);
    // "징" is C2 A1 in CP949, which is also UTF-8 for "¡" and would read back wrong.
    for (const QString& text : {QStringLiteral("가 é"), QStringLiteral("노래 ") + kEmoji,
                                QStringLiteral("징"), QChar(0xFEFF) + QStringLiteral("abc")}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(EncodeCodePage(text).startsWith(kBom));
        EXPECT_EQ(DecodeCodePage(EncodeCodePage(text)), text);
    }
    EXPECT_FALSE(EncodeCp949(QStringLiteral("é")).has_value());
}

// UTF-8 is taken as such; else an invalid CP949 byte becomes U+FFFD and decoding goes on with
// the next byte.
TEST(CodePage, DecodingRecognisesUtf8AndReplacesInvalidBytes) {
    EXPECT_EQ(DecodeCodePage("\xEA\xB0\x80 x"), QStringLiteral("가 x"));
    EXPECT_EQ(DecodeCodePage(kBom + "a\xFF"), QStringLiteral("a\uFFFD"));
    EXPECT_EQ(DecodeCodePage(kBom), QString());
    EXPECT_EQ(DecodeCodePage(QByteArray("a\xFF") + 'b'), QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(DecodeCodePage("\xB0\nabc"), QStringLiteral("\uFFFD\nabc"));
    EXPECT_EQ(DecodeCodePage("\xB0\xA1\xB0"), QStringLiteral("가\uFFFD"));
    // A2 E8 is unassigned; the library's decoder reports it only after taking both bytes.
    EXPECT_EQ(DecodeCodePage("\xA2\xE8"
                             "AB"),
              QStringLiteral("\uFFFD\uFFFDAB"));
    EXPECT_EQ(DecodeCodePage("x\xA2\xE8"), QStringLiteral("x\uFFFD\uFFFD"));
    EXPECT_EQ(DecodeCodePage(QByteArray("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
    // Overlong, surrogate, truncated, past U+10FFFF, stray continuation, plain ASCII.
    for (const char* bytes :
         {"\xC0\x80", "\xED\xA0\x80", "ab\xEA\xB0", "\xF4\x90\x80\x80", "\x80", "ascii", ""}) {
        EXPECT_FALSE(IsUtf8Text(bytes)) << QByteArray(bytes).toHex().toStdString();
    }
}

TEST(CodePage, ByteLengthAndPrefix) {
    EXPECT_EQ(CodePageByteLength(QStringLiteral("가a")), 3);
    EXPECT_EQ(CharacterCount(QStringLiteral("가😀a")), 3);
    EXPECT_EQ(CodePageByteLength(kEmoji), 1);  // one "?"
    EXPECT_EQ(CodePageByteLength(QString(QChar(0xD800))), 1);

    const QString hangul(200, QChar(u'가'));
    EXPECT_EQ(CodePagePrefix(hangul, 254), hangul.left(127));
    EXPECT_EQ(CodePagePrefix(u'a' + hangul, 254), u'a' + hangul.left(126));
    EXPECT_EQ(CodePagePrefix(QString(253, u'x') + kEmoji + kEmoji, 254),
              QString(253, u'x') + kEmoji);  // a surrogate pair is one character
    EXPECT_EQ(CodePagePrefix(QStringLiteral("가"), 1), QString());
}

TEST(CodePage, RandomTextRoundTripsAndRandomBytesAndAMegabyteDecode) {
    std::mt19937 random(949);
    const char16_t pool[] = {u'a', u' ', u'\r', u'\0', u'가',  u'똠',  u'징',
                             u'ø', u'é', u'漢', u'¡',  0xFEFF, 0xD83C, 0xDFB5};
    for (int round = 0; round < 3000; ++round) {
        QString text;
        QByteArray bytes;
        for (int i = static_cast<int>(random() % 12); i > 0; --i) {
            text += QChar(pool[random() % std::size(pool)]);
            bytes += static_cast<char>(random());
        }
        if (!text.isValidUtf16()) {
            continue;  // lone surrogates have no UTF-8 form
        }
        ASSERT_EQ(DecodeCodePage(EncodeCodePage(text)), text) << text.toStdString();
        const QString decoded = DecodeCodePage(bytes);
        ASSERT_TRUE(IsUtf8Text(bytes) || decoded.size() <= bytes.size());
    }

    const QString text = QStringLiteral("가나 ab").repeated(200000);
    const QByteArray megabyte = EncodeCodePage(text);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(DecodeCodePage(megabyte), text);
    EXPECT_LT(timer.elapsed(), 500);  // a few ms normally; generous for sanitizer builds
}

}  // namespace
}  // namespace lumek
