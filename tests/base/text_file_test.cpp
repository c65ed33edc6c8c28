#include "base/text_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace lumek {
namespace {

class TextFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString writeRaw(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }
    QByteArray readRaw(const QString& name) const {
        return ReadWholeFile(path(name)).value_or("<unreadable>");
    }

    QTemporaryDir dir_;
};

TEST_F(TextFileTest, OnlyOrdinaryVisibleFilesExistAndRead) {
    const QString plain = writeRaw("a.lrc", "x");
    writeRaw(".hidden.lrc", "hidden");
    writeRaw("zero.lrc", QByteArray());
    ASSERT_TRUE(QDir(dir_.path()).mkdir("dir.lrc"));
    ASSERT_TRUE(QFile::link(plain, path("link.lrc")));
    ASSERT_TRUE(QFile::link(path("gone"), path("dangling.lrc")));

    EXPECT_TRUE(FileExists(plain));
    EXPECT_EQ(ReadTextFile(path("link.lrc")), "x");
    EXPECT_EQ(TryReadTextFile(path("zero.lrc")), std::optional<QString>(QString()));
    for (const char* name : {".hidden.lrc", "dir.lrc", "dangling.lrc", "missing.lrc"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(FileExists(path(name)));
        EXPECT_FALSE(TryReadTextFile(path(name)).has_value());
        EXPECT_EQ(ReadTextFile(path(name)), QString());
    }
    EXPECT_FALSE(FileExists("/dev/null"));
    EXPECT_FALSE(FileExists(QString()));
    // Settings files are read whether hidden or not.
    EXPECT_EQ(ReadWholeFile(path(".hidden.lrc")), std::optional<QByteArray>("hidden"));
}

TEST_F(TextFileTest, TextRoundTripsInTheCodePageOrUtf8) {
    const QString korean = QStringLiteral("[ar:가수]\r\n[00:01.00]노래 ø");
    ASSERT_TRUE(WriteTextFile(path("k.lrc"), korean));
    EXPECT_TRUE(readRaw("k.lrc").startsWith("[ar:\xB0\xA1\xBC\xF6]"));  // 가수 in CP949
    EXPECT_EQ(ReadTextFile(path("k.lrc")), korean);

    const QString other = QString::fromUtf8("노래 \xF0\x9F\x8E\xB5 café");
    ASSERT_TRUE(WriteTextFile(path("u.lrc"), other));
    EXPECT_TRUE(readRaw("u.lrc").startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(ReadTextFile(path("u.lrc")), other);

    writeRaw("u8.lrc", "[00:01.00]\xEA\xB0\x80");  // another program's UTF-8, no mark
    EXPECT_EQ(ReadTextFile(path("u8.lrc")), QStringLiteral("[00:01.00]가"));
}

TEST_F(TextFileTest, NulAndWriteFailures) {
    ASSERT_TRUE(WriteTextFile(path("n.lrc"), QString::fromUtf16(u"ab\0cd", 5)));
    EXPECT_EQ(readRaw("n.lrc"), "ab");  // writing stops at the first NUL
    writeRaw("r.lrc", QByteArray("\0a\0\xB0\xA1\0", 6));
    EXPECT_EQ(ReadTextFile(path("r.lrc")), QStringLiteral("a가"));  // reading drops them all

    ASSERT_TRUE(WriteTextFile(path("r.lrc"), QString()));
    EXPECT_EQ(readRaw("r.lrc"), QByteArray());
}

TEST_F(TextFileTest, OnlyRegularFilesAreWrittenAndLinksStay) {
    // Through a link the file it leads to is replaced, keeping its mode; the link stays.
    const QString target = writeRaw("target.lrc", "old");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(target, path("link.lrc")));
    ASSERT_TRUE(WriteTextFile(path("link.lrc"), "new"));
    EXPECT_TRUE(QFileInfo(path("link.lrc")).isSymLink());
    EXPECT_EQ(readRaw("target.lrc"), "new");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // Whatever else stands at the path stays as it is, and both ways say why.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.lrc")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("dir.lrc"));
    ASSERT_TRUE(QFile::link(path("gone"), path("dangling.lrc")));
    ASSERT_TRUE(QFile::link(path("loop.lrc"), path("loop.lrc")));
    const QStringList before = QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden);
    const std::pair<const char*, QString> cases[] = {
        {"pipe.lrc", kNotRegularFile},
        {"dir.lrc", kNotRegularFile},
        {"dangling.lrc", kNotRegularFile},
        {"loop.lrc", "Too many levels of symbolic links"},
        {"no/such/folder.lrc", "No such file or directory"},
    };
    for (const auto& [name, why] : cases) {
        SCOPED_TRACE(name);
        QString written;
        QString read;
        EXPECT_FALSE(WriteTextFile(path(name), "x", &written));
        EXPECT_FALSE(ReadWholeFile(path(name), kMaxTextFileBytes, &read).has_value());
        EXPECT_EQ(written, why);
        EXPECT_EQ(read, why);
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    EXPECT_EQ(QFileInfo(path("pipe.lrc")).symLinkTarget(), QString());
    EXPECT_FALSE(QFileInfo(path("pipe.lrc")).isFile());

    QString tooLarge;
    EXPECT_FALSE(ReadWholeFile(target, 2, &tooLarge).has_value());
    EXPECT_EQ(tooLarge, "File too large");
}

TEST(LineCount, CountsCrLfPairsOnly) {
    EXPECT_EQ(LineCount(QString()), -1);
    EXPECT_EQ(LineCount("a"), 0);
    EXPECT_EQ(LineCount("a\r\n"), 1);
    EXPECT_EQ(LineCount("a\nb\rc"), 0);
    EXPECT_EQ(LineCount("\r\r\n\n\r\n"), 2);
}

}  // namespace
}  // namespace lumek
