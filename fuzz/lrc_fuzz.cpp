// LRC lyric files (plain and enhanced, with word times inside the text): decoding, the sheet's
// lines and the lookups the frame loop and the preview make.

#include "base/codepage.h"
#include "fuzz/fuzz_support.h"
#include "lyrics/lyric_sheet.h"
#include "lyrics/retime.h"

using namespace lumek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size).toByteArray();
    const LyricSheet sheet = LyricSheet::FromText(DecodeCodePage(bytes));
    fuzz::SilentHost host;
    const LineAdvance zero = FindTimeZeroLine(sheet);
    fuzz::Expect(!zero.started || MatchingTenth(sheet.line(zero.index)) == 0,
                 "the time-zero line has the time key of tenth 0");

    for (int i = 0; i < sheet.size(); ++i) {
        const std::optional<int> tenth = MatchingTenth(sheet.line(i));
        sheet.text(i);
        if (!tenth) {
            continue;
        }
        const QString tag = ClockTag(*tenth / 600, *tenth / 10 % 60, *tenth % 10);
        fuzz::Expect(MatchesClockTag(sheet.line(i), tag), "a line matches the tag of its tenth");
        const LineAdvance advance = AdvanceLine(sheet, zero.index, tag);
        fuzz::Expect(i < zero.index || (advance.started && advance.index >= i),
                     "the frame loop reaches every timed line after its start");
        const LineLookup lookup =
            FindLineAt(sheet, *tenth / 600, *tenth / 10 % 60, *tenth % 10, 0, host);
        fuzz::Expect(lookup.index <= i && lookup.current == sheet.text(lookup.index),
                     "the preview finds the first line of a time");
    }
    // The preview's search from the end of a long song, with the budget it gives a drag.
    FindLineAt(sheet, 99, 59, 9, 50, host);
    sheet.text(-1);
    sheet.text(sheet.size());
    return 0;
}
