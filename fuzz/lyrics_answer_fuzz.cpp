// The lyrics service's answer: its fields, the markup escapes and the re-timing of the lyric
// lines to the song's length.

#include "fuzz/fuzz_support.h"
#include "lyrics/lyric_download.h"

using namespace lumek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Answers come as UTF-8 unless their Content-Type names another charset.
    const QString answer = QString::fromUtf8(fuzz::Bytes(data, size));
    bool anyField = false;
    for (const char16_t* name : {u"strArtist", u"strTitle", u"strAlbum", u"strLyric"}) {
        if (const std::optional<QString> field = AnswerField(answer, name)) {
            anyField = true;
            UnescapeMarkup(*field);
        }
    }
    fuzz::SilentHost host;
    constexpr int kThreeMinutes = 1800;  // tenths
    const QString lyrics = LyricsFromAnswer(answer, kThreeMinutes, host);
    fuzz::Expect(anyField || lyrics.isEmpty(), "an answer without fields gives no lyrics");
    return 0;
}
