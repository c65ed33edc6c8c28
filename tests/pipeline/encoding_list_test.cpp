#include "pipeline/encoding_list.h"

#include "audio/audio_engine.h"
#include "audio/audio_fixtures.h"
#include "audio/song_info.h"
#include "base/text_file.h"
#include "pipeline/job_state.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumek {
namespace {

class EncodingListTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::HaveFfmpeg()) {
            GTEST_SKIP() << "ffmpeg is needed to make MP3 files";
        }
        engine_.create();
        job_.Mp3Folder = QStringLiteral("/start");
    }

    // A copy of the shared test song in this test's folder.
    QString song(const QString& name) const {
        QFile::copy(testing::CbrMp3(), dir_.filePath(name));
        return dir_.filePath(name);
    }
    QString textFile(const QString& name) const {
        WriteTextFile(dir_.filePath(name), QStringLiteral("not a song"));
        return dir_.filePath(name);
    }

    QTemporaryDir tempDir_;
    QDir dir_{tempDir_.path()};
    EncodingList list_;
    JobState job_;
    SongInfo song_;
    AudioEngine engine_;
    testing::RecordingHost host_;
    // Nothing listens there, so every song gets the placeholder lyrics at once.
    ListContext context_{list_, job_,
                         song_, engine_,
                         host_, LyricService{QStringLiteral("http://127.0.0.1:9/x"), 1, 200}};
};

TEST_F(EncodingListTest, DialogAddsValidSongsAndReportsTheRest) {
    // Dismissed dialogs change nothing.
    AddFilesFromDialog(context_);
    AddFolder(context_);
    EXPECT_TRUE(list_.isEmpty());
    EXPECT_TRUE(host_.statuses.empty());
    EXPECT_EQ(job_.Mp3Folder, QStringLiteral("/start"));

    const QStringList chosen = {song("a.mp3"), textFile("b.mp3"), song("c.mp3")};
    host_.openFilesReplies = {chosen};
    AddFilesFromDialog(context_);
    EXPECT_EQ(list_.items(), QStringList({chosen[0], chosen[2]}));
    ASSERT_EQ(host_.messages.size(), 1u);
    EXPECT_EQ(host_.messages[0].title, QStringLiteral("에러"));
    EXPECT_EQ(host_.messages[0].text,
              QStringLiteral("아래의 파일들은 옳바른 MP3파일이 아니므로 추가되지 못했습니다.\r\n") +
                  chosen[1] + QStringLiteral("\r\n"));
    EXPECT_EQ(host_.statuses.front(), QStringLiteral("리스트에 파일을 추가하는 중.."));
    EXPECT_EQ(host_.statuses.back(), QStringLiteral("파일 추가가 완료되었습니다."));
    EXPECT_FALSE(job_.Working);
    EXPECT_EQ(host_.events, (std::vector<testing::RecordingHost::Event>{{JobEvent::Started, -1},
                                                                        {JobEvent::Finished, -1}}));
    EXPECT_EQ(job_.Mp3Folder, dir_.path());
    // Each valid song got its lyric file (the placeholder) while it was added.
    EXPECT_TRUE(FileExists(dir_.filePath("a.lrc")));
    EXPECT_TRUE(FileExists(dir_.filePath("c.lrc")));
    EXPECT_FALSE(FileExists(dir_.filePath("b.lrc")));

    // The same file again changes nothing and reports nothing.
    host_.openFilesReplies = {{chosen[0]}};
    AddFilesFromDialog(context_);
    EXPECT_EQ(list_.count(), 2);
    EXPECT_EQ(host_.messages.size(), 1u);
}

TEST_F(EncodingListTest, FolderAddsItsOwnSongsOnly) {
    song("b.mp3");
    song("a.MP3");
    textFile("notes.txt");
    dir_.mkdir("sub");
    song("sub/deeper.mp3");
    QTemporaryDir empty;
    // A folder without songs adds nothing and still completes.
    for (const QString& folder : {dir_.path(), empty.path()}) {
        host_.folderReplies = {folder};
        AddFolder(context_);
        EXPECT_EQ(list_.items(), QStringList({dir_.filePath("a.MP3"), dir_.filePath("b.mp3")}));
        EXPECT_EQ(host_.statuses.back(), QStringLiteral("폴더추가가 완료되었습니다."));
        EXPECT_EQ(job_.Mp3Folder, folder);
    }
    EXPECT_EQ(FindFiles(dir_.path(), "*.mp3", true, host_),
              QStringList({dir_.filePath("a.MP3"), dir_.filePath("b.mp3"),
                           dir_.filePath("sub/deeper.mp3")}));

    // Drops keep only MP3 files, and a running job ignores them.
    const QString mp3 = song("loud.MP3");
    AddDroppedFiles(context_, {mp3, dir_.filePath("x.wav"), dir_.filePath("sub")});
    EXPECT_EQ(list_.count(), 3);
    EXPECT_EQ(list_.items().last(), mp3);
    job_.JobRunning = true;
    AddDroppedFiles(context_, {song("other.mp3")});
    EXPECT_EQ(list_.count(), 3);
    EXPECT_TRUE(host_.messages.empty());
}

TEST_F(EncodingListTest, CancelStopsAfterTheCurrentFile) {
    host_.openFilesReplies = {{textFile("bad.mp3"), song("1.mp3"), song("2.mp3"), song("3.mp3")}};
    // The make button is pressed while the first song is being added.
    host_.onPump = [this] { job_.CancelRequested = job_.CancelRequested || list_.count() == 1; };
    AddFilesFromDialog(context_);
    EXPECT_EQ(list_.count(), 1);
    EXPECT_EQ(host_.statuses.back(), QStringLiteral("파일 추가가 취소되었습니다."));
    EXPECT_TRUE(host_.messages.empty());  // no report of the invalid file
}

TEST(EncodingListEdits, RemoveAndMoveUp) {
    EncodingList list;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        EXPECT_TRUE(list.append(name));
    }
    EXPECT_FALSE(list.append("c"));
    EXPECT_TRUE(list.append("C"));  // exact, case-sensitive comparison

    list.select({4, 0, 2});
    list.removeSelected();
    EXPECT_EQ(list.items(), QStringList({"b", "d", "C"}));

    list.selectOnly(2);
    list.moveSelectedUp(false);
    EXPECT_EQ(list.items(), QStringList({"b", "C", "d"}));
    EXPECT_EQ(list.selection(), QList<int>{1});
    list.moveSelectedUp(true);  // ignored while a job runs
    list.selectOnly(0);
    list.moveSelectedUp(false);  // the first entry can't move up
    EXPECT_EQ(list.items(), QStringList({"b", "C", "d"}));
}

}  // namespace
}  // namespace lumek
