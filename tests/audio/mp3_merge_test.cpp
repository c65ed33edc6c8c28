#include "audio/mp3_merge.h"
#include "audio/audio_engine.h"
#include "audio/audio_fixtures.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace lumek {
namespace {

using namespace lumek::testing;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Mp3Merge : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(engine.create(), 0);
        QFile::remove(merge);
    }
    std::optional<int64_t> Append(const QByteArray& song) {
        return AppendMp3(WriteTempFile(QStringLiteral("song.mp3"), song), merge, engine, host);
    }

    AudioEngine engine;
    RecordingHost host;
    QString merge = TempPath(QStringLiteral("merge.mp3"));
};

TEST_F(Mp3Merge, TagsAreLeftOut) {
    // Megabyte songs: a 4096-byte ID3v2 tag, frames of filler, an ID3v1 tag.
    const auto tagged = [](qsizetype size, uint32_t seed) {
        return Id3v2Tag(3, 0, QByteArray(4086, '\0')) + MpegFrame(0xFB, 0x90, 0x00, 417) +
               Filler(size - 4096 - 128 - 417, seed) + Id3v1Tag('\0', '\x01');
    };
    const QByteArray first = tagged(1000000, 1);
    const QByteArray second = tagged(2000000, 2);
    EXPECT_EQ(Append(first), 1000000 - 4096 - 128);
    EXPECT_EQ(Append(second), 2000000 - 4096 - 128);
    EXPECT_TRUE(ReadAll(merge) ==
                first.mid(4096, 1000000 - 4096 - 128) + second.mid(4096, 2000000 - 4096 - 128));
}

TEST_F(Mp3Merge, SongLayouts) {
    const QByteArray frames = MpegFrame(0xFB, 0x90, 0x00, 417) + MpegFrame(0xFB, 0x90, 0x00, 417);
    const QByteArray shortTag = QByteArray("TAG") + Filler(100);
    const QByteArray noFrame = Id3v2Tag(3, 0, QByteArray(20, '\0')) + Filler(300);
    const struct {
        const char* name;
        QByteArray song;
        QByteArray appended;
    } cases[] = {
        {"no tags: the whole file", frames, frames},
        {"shorter than 128 bytes: never an ID3v1 tag", shortTag, shortTag},
        {"no frame found: copied from offset 0, ID3v2 tag included", noFrame, noFrame},
        {"first frame inside the ID3v1 tag: nothing",
         Filler(150) + Id3v1Tag('\0', '\0').replace(10, 4, "\xFF\xFB\x90\x01"), QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(merge);
        EXPECT_EQ(Append(c.song), c.appended.size());
        EXPECT_TRUE(ReadAll(merge) == c.appended);
    }
    EXPECT_EQ(Mp3AudioLength(1000, 1000, true), -128);
}

TEST_F(Mp3Merge, UnreadableSongsAddNothing) {
    EXPECT_FALSE(AppendMp3(TempPath(QStringLiteral("gone.mp3")), merge, engine, host).has_value());
    EXPECT_FALSE(QFile::exists(merge)) << "the merge file is made only for a readable song";
    EXPECT_FALSE(AppendMp3(QDir::tempPath(), merge, engine, host).has_value());
    const QString song = WriteTempFile(QStringLiteral("ok.mp3"), MpegFrame(0xFB, 0x90, 0, 417));
    EXPECT_FALSE(AppendMp3(song, QDir::tempPath(), engine, host).has_value())
        << "merge file is a folder";
}

TEST_F(Mp3Merge, JoinedSongsPlayForTheSumOfTheirLengths) {
    if (!HaveFfmpeg()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    uint32_t single = 0;
    uint32_t joined = 0;
    ASSERT_EQ(engine.measureLength(CbrMp3(), single), 0);
    AppendMp3(CbrMp3(), merge, engine, host);
    AppendMp3(CbrMp3(), merge, engine, host);
    ASSERT_EQ(engine.measureLength(merge, joined), 0);
    EXPECT_NEAR(joined, 2 * single, 1);
}

}  // namespace
}  // namespace lumek
