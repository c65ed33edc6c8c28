#include "base/inifile.h"

#include "base/codepage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace lumek {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");

QByteArray Cp949(const QString& text) {
    return EncodeCp949(text).value();
}

TEST(IniFile, ReadsSectionsAndKeysAsPrivateProfilesDo) {
    const QString hangul(200, QChar(u'가'));
    const IniFile ini = IniFile::FromBytes(
        "top=outside\r\n[Program Settings]\r\n  FontName =  " + Cp949(QStringLiteral("굴림")) +
        "  \r\nfontname=second\r\n; Comment=x\r\nnoequals\r\n=novalue\r\nEq=a=b\r\n"
        "[other]\r\nonly=other\r\n[PROGRAM settings]\r\nLate=in the duplicate\r\n"
        " [ Unclosed \r\nu=1\r\n" +
        QByteArray("n=a\0b", 5) + "\n[S]\nk=" + Cp949(hangul) + "\nm=a" + Cp949(hangul) +
        "\nx=" + QByteArray(300, 'x'));
    const struct {
        const char* section;
        const char* key;
        QString value;
    } cases[] = {
        {"program settings", "FONTNAME", QStringLiteral("굴림")},  // first duplicate key wins
        {"Program Settings", "top", ""},                           // keys before any section
        {"Program Settings", "; Comment", ""},
        {"Program Settings", "noequals", ""},
        {"Program Settings", "", ""},
        {"Program Settings", "Eq", "a=b"},
        {"Program Settings", "only", ""},
        {"OTHER", " only ", "other"},
        {"Program Settings", "Late", ""},  // only the first of duplicate sections counts
        {"Unclosed", "u", "1"},
        {"Unclosed", "n", "a"},  // a NUL byte ends the value
        {"Missing", "u", ""},
        {"S", "k", hangul.left(127)},         // values are cut to 254 code-page bytes,
        {"S", "m", u'a' + hangul.left(126)},  // never inside a character
        {"S", "x", QString(254, u'x')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " / " + c.key);
        EXPECT_EQ(ini.value(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), c.value);
    }
}

TEST(IniFile, EditsKeepEveryUntouchedByte) {
    IniFile ini = IniFile::FromBytes(
        "; lumek\n[Program Settings]\nFontName = old \nweird\xFF line\n\n[Other]\nx=1");
    ini.setValue(u"program settings", u"fontname", QStringLiteral("new"));
    EXPECT_EQ(ini.toBytes(),
              "; lumek\n[Program Settings]\nFontName =new\nweird\xFF line\n\n[Other]\nx=1");
    ini.setValue(u"Program Settings", u"Added", QStringLiteral("v"));
    ini.setValue(u"Other", u"y", QStringLiteral("2"));
    ini.setValue(u"New", u"k", QStringLiteral(" spaced "));
    EXPECT_EQ(ini.toBytes(),
              "; lumek\n[Program Settings]\nFontName =new\nweird\xFF line\nAdded=v\n\n"
              "[Other]\nx=1\ny=2\n[New]\nk= spaced \n");
    EXPECT_EQ(ini.value(u"new", u"K"), QStringLiteral("spaced"));
}

TEST(IniFile, NewLinesEndAsTheFilesLinesDo) {
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"[S]\r\na=1\r\n", "[S]\r\na=1\r\nk=v\r\n"},
        {"", "[S]\r\nk=v\r\n"},
        {"junk\r\nmore", "junk\r\nmore\r\n[S]\r\nk=v\r\n"},
        {"[S]", "[S]\r\nk=v\r\n"},
        {"[S]\n\n", "[S]\nk=v\n\n"},
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before.toStdString());
        IniFile ini = IniFile::FromBytes(before);
        ini.setValue(u"S", u"k", QStringLiteral("v"));
        EXPECT_EQ(ini.toBytes(), after);
    }
    // One key on one line: a value ends at a line break; keys that would read back as
    // something else are not written.
    IniFile ini = IniFile::FromBytes("[S]\r\n");
    ini.setValue(u"S", u"k", QStringLiteral("a\r\nb=c"));
    for (const char* key : {"bad=key", "[T]", ";c", "  "}) {
        ini.setValue(u"S", QString::fromUtf8(key), QStringLiteral("x"));
    }
    EXPECT_EQ(ini.toBytes(), QByteArray("[S]\r\nk=a\r\n"));
}

TEST(IniFile, EncodingFollowsWhatTheValuesNeed) {
    const QString korean = QStringLiteral("굴림");
    const QString lyric = QStringLiteral("가사");
    IniFile ini = IniFile::FromBytes("[S]\r\nfont=" + Cp949(korean) + "\r\n");
    ini.setValue(u"S", u"text", lyric);
    EXPECT_EQ(ini.toBytes(), "[S]\r\nfont=" + Cp949(korean) + "\r\ntext=" + Cp949(lyric) + "\r\n");

    // A value CP949 lacks turns the file into UTF-8 with a byte-order mark.
    const QString emoji = QString::fromUtf8("노래 \xF0\x9F\x8E\xB5");
    ini.setValue(u"S", u"text", emoji);
    EXPECT_EQ(ini.toBytes(),
              kBom + "[S]\r\nfont=" + korean.toUtf8() + "\r\ntext=" + emoji.toUtf8() + "\r\n");
    const IniFile reloaded = IniFile::FromBytes(ini.toBytes());
    EXPECT_EQ(reloaded.value(u"S", u"font"), korean);
    EXPECT_EQ(reloaded.value(u"S", u"text"), emoji);

    // UTF-8 without a byte-order mark goes on without one.
    IniFile utf8 = IniFile::FromBytes("[S]\nfont=" + korean.toUtf8() + "\n");
    utf8.setValue(u"S", u"size", QStringLiteral("12"));
    EXPECT_EQ(utf8.toBytes(), "[S]\nfont=" + korean.toUtf8() + "\nsize=12\n");

    // C2 A1 is "징" in CP949 and "¡" in UTF-8; only the FF byte keeps this file CP949.
    IniFile edited = IniFile::FromBytes("[S]\r\na=\xFF\r\nb=\xC2\xA1\r\n");
    ASSERT_EQ(edited.value(u"S", u"b"), QStringLiteral("징"));
    edited.setValue(u"S", u"a", QStringLiteral("x"));
    EXPECT_EQ(IniFile::FromBytes(edited.toBytes()).value(u"S", u"b"), QStringLiteral("징"));
}

TEST(IniFile, FilesOnDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LumekSetting.ini"));
    EXPECT_EQ(ReadSetting("Program Settings", "ProgramVersion", path), QString());
    EXPECT_TRUE(WriteSetting("Program Settings", "ProgramVersion", "2.2", path));
    EXPECT_TRUE(WriteSetting("Program Settings", "FontName", QStringLiteral("굴림"), path));
    EXPECT_TRUE(WriteSetting("Program Settings", "ProgramVersion", "2.3", path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[Program Settings]\r\nProgramVersion=2.3\r\nFontName=" +
                                  Cp949(QStringLiteral("굴림")) + "\r\n");
    EXPECT_EQ(ReadSetting("program settings", "fontname", path), QStringLiteral("굴림"));

    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.ini"));
    EXPECT_FALSE(WriteSetting("S", "k", "v", dir.filePath("folder.ini")));
    EXPECT_FALSE(IniFile::Load(path).save(dir.filePath("no/such/folder.ini")));
    EXPECT_EQ(IniFile::Load(dir.filePath("folder.ini")).toBytes(), QByteArray());
}

// Bad and random files of INI-like pieces, random edits: no value reads back longer than 254
// characters, a value set reads back, another key keeps its value, and saving and reloading
// changes no value.
TEST(IniFile, BadAndRandomFilesAndEdits) {
    std::mt19937 random(1949);
    QByteArray garbage(64 * 1024, '\0');
    for (char& b : garbage) {
        b = static_cast<char>(random());
    }
    const QByteArray badFiles[] = {
        garbage,          "[S]\r\nk=" + QByteArray(100 * 1024, 'x'), QByteArray(100 * 1024, '['),
        "k=a\r\nk=b\r\n", QByteArray("\0\0[S]\0\n\0=\0\n", 11),      kBom + "[S]\n\xFF\xFE\n"};
    const QByteArray pieces[] = {
        "[", "]", "=", ";", " ", "\r",       "\n",           "\r\n", QByteArray(1, '\0'),
        "S", "s", "T", "k", "K", "\xB0\xA1", "\xEA\xB0\x80", "\xFF", "\xC2\xA1",
        kBom};
    const QString names[] = {"S", "s", "T", "", "k", "K", QStringLiteral("가")};
    const QString values[] = {
        " v ",         QStringLiteral("가사"), QStringLiteral("é"), QString::fromUtf16(u"x\0y", 3),
        "line\nbreak", QString(300, u'w')};
    const QString expected[] = {"v",    QStringLiteral("가사"), QStringLiteral("é"), "x",
                                "line", QString(254, u'w')};
    auto pick = [&random](const auto& list) { return list[random() % std::size(list)]; };
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = round < std::ssize(badFiles) ? badFiles[round] : QByteArray();
        for (int i = bytes.isEmpty() ? static_cast<int>(random() % 24) : 0; i > 0; --i) {
            bytes += pick(pieces);
        }
        IniFile ini = IniFile::FromBytes(bytes);
        const QString section = pick(names), key = pick(names);
        const QString otherSection = pick(names), otherKey = pick(names);
        const QString otherBefore = ini.value(otherSection, otherKey);
        ASSERT_LE(otherBefore.size(), 254);
        const auto v = random() % std::size(values);
        ini.setValue(section, key, values[v]);

        SCOPED_TRACE(bytes.left(100).toHex().toStdString());
        const IniFile reloaded = IniFile::FromBytes(ini.toBytes());
        if (!key.isEmpty()) {
            ASSERT_EQ(ini.value(section, key), expected[v]);
            ASSERT_EQ(reloaded.value(section, key), expected[v]);
        }
        if (section.compare(otherSection, Qt::CaseInsensitive) != 0 ||
            key.compare(otherKey, Qt::CaseInsensitive) != 0) {
            ASSERT_EQ(ini.value(otherSection, otherKey), otherBefore);
        }
        ASSERT_EQ(reloaded.value(otherSection, otherKey), ini.value(otherSection, otherKey));
    }
}

}  // namespace
}  // namespace lumek
