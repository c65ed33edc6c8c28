#include "base/paths.h"

#include <gtest/gtest.h>

namespace lumek {
namespace {

TEST(Paths, NamesFoldersAndExtensions) {
    EXPECT_EQ(GetFileName("/m/a.b/Song.MP3"), "Song.MP3");
    EXPECT_EQ(GetFolder("/m/a.b/Song.MP3"), "/m/a.b");
    EXPECT_EQ(GetFileName("song.mp3"), "song.mp3");
    EXPECT_EQ(GetFolder("song.mp3"), "");
    EXPECT_EQ(GetFolder("/song.mp3"), "");
    EXPECT_EQ(GetFileName("/m/"), "");

    EXPECT_EQ(GetExtension("/m/Song.MP3", false), ".MP3");
    EXPECT_EQ(GetExtension("/m/a.tar.GZ", true), ".gz");
    EXPECT_EQ(GetExtension("/m.dir/song", true), "");  // a folder's dot does not count
}

TEST(Paths, TwoDigitsAndLyricPath) {
    EXPECT_EQ(TwoDigits(0), "00");
    EXPECT_EQ(TwoDigits(9), "09");
    EXPECT_EQ(TwoDigits(100), "100");
    EXPECT_EQ(TwoDigits(-5), "-5");

    EXPECT_EQ(LyricPathFor("/songs/a.MP3"), "/songs/a.lrc");
    EXPECT_EQ(LyricPathFor("/songs/a.flac"), "/songs/a.flrc");  // always three characters
    EXPECT_EQ(LyricPathFor("a.mp"), "alrc");
    EXPECT_EQ(LyricPathFor("mp3"), "");
}

}  // namespace
}  // namespace lumek
