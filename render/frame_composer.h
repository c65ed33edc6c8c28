#pragma once

#include "lyrics/lyric_sheet.h"
#include "render/cover_intro.h"
#include "render/working_pictures.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace lumek {

// Videos run at 10 frames per second: frame k (from 1) is the k-th tenth of the song. The lyric
// clock runs 2 x FadeTime + 1 tenths ahead of the video.
inline constexpr int32_t kFramesPerSecond = 10;

// Frames of a song: its whole tenths, the duration taken to 4 decimals (185.37 s gives 1853,
// 0.05 s gives 0).
int32_t FrameCount(double durationSeconds);

// The time the lyrics are matched with, in minutes, seconds 0-59 and tenths 0-9.
struct LyricClock {
    int32_t minutes = 0;
    int32_t seconds = 0;
    int32_t tenths = 0;

    // One tenth on.
    void advance();
    // "[mm:ss.t", as lyric lines are matched.
    QString tag() const { return ClockTag(minutes, seconds, tenths); }
    bool operator==(const LyricClock&) const = default;
};

// The clock of frame 1 for a fade of fadeTime frames: 2 x fadeTime + 1 tenths (00:00.5 for the
// default fade of 2, 00:00.1 without fade). Frame k then carries the clock of k + 2 x fadeTime
// tenths.
LyricClock StartClock(int32_t fadeTime);

// An animated background: files prefix + five-digit number + extension, numbered from 00000.
struct BackgroundSequence {
    QString prefix;
    QString extension;  // with its dot; may be empty
    int32_t count = 0;  // files that exist one after the other from 00000

    QString file(int32_t number) const;
};

// The sequence the background image names, when the background image and its animation are both
// ticked and the image path (longer than 5 characters) ends with "00000" before its extension.
// The files are counted here.
std::optional<BackgroundSequence> FindBackgroundSequence(const RenderContext& context);

// Loads picture `number` of a sequence, stretches it over the frame background PTMP2 and shows
// it in Picture1. A missing or unreadable picture keeps the previous background: false.
bool ShowSequencePicture(WorkingPictures& pictures, const BackgroundSequence& sequence,
                         int32_t number);

// What a song build resets before a song: the title's scroll position (at the text window's
// right edge plus one step), the cover frame counter, the transition step, the current line;
// and it forces the lyric layers to be redrawn.
void ResetSongState(const RenderContext& context);

// The frame image a song starts with: no current line and the first lyric line (index 3) as the
// next line, on the frame background. The caller copies Picture1 into its frame image.
void DrawStartImage(const RenderContext& context, const LyricSheet& sheet);

// What a song brings to its frames besides its lyric sheet.
struct SongSetup {
    QString songPath;  // its tag's cover art is read at the first frame
    CoverOptions cover;
    // The joined-list build matches each look-ahead step before it advances the clock, so the
    // look-ahead covers 00:00.0 up to 2 x FadeTime - 1 tenths instead of 0.1 up to 2 x FadeTime.
    bool matchBeforeAdvance = false;
};

// Decides, frame by frame, what a song's video shows and brings the canvas Picture1 up to date:
// the background, the lyric line with its fade, the cover intro and its fade, the title bar.
// Whenever the canvas changed enough to become the new frame image it calls the export sink,
// which copies Picture1 into the frame image; a frame without an export repeats the last one.
//
// A song build drives it like this, with state.MakingVideo set (a still title then follows the
// frame counter):
//   ResetSongState(context);  DrawStartImage(context, sheet);  <frame image = Picture1>
//   composer.StartSong(context, sheet, setup);
//   for k = 1 .. FrameCount(duration):
//       composer.ComposeFrame(context, k);   // exports through the sink as needed
//       ++state.CoverFrameCounter;  <write the frame image as sample k>;  <stop if cancelled>
//       composer.EndFrame();  host.pump();
class FrameComposer {
public:
    // Called with the frame number at every export; copies the canvas into the frame image and,
    // in a song build, writes the progress text and pumps.
    using ExportSink = std::function<void(int32_t frameNumber)>;

    explicit FrameComposer(ExportSink sink = {});

    // Song start: the line current at time zero, the lines inside the first fade window, the
    // clock's start, and the count of an animated background's pictures. The sheet is kept.
    void StartSong(const RenderContext& context, const LyricSheet& sheet, const SongSetup& setup);

    // One frame: background, lyric advance and lyric layer, the song header at the first frame
    // (CoverFrameCounter 0), the cover intro and the title bar, with their exports. With an
    // animated background every frame is exported once more at its end.
    void ComposeFrame(const RenderContext& context, int32_t frameNumber);

    // The end of a frame: the clock moves on one tenth.
    void EndFrame() { clock_.advance(); }

    const LyricClock& clock() const { return clock_; }
    int32_t currentIndex() const { return currentIndex_; }
    int32_t shownIndex() const { return shownIndex_; }
    bool initial() const { return initial_; }
    bool animated() const { return sequence_.has_value(); }

private:
    void showBackground(const RenderContext& context);
    void advanceLyric(const RenderContext& context);
    void drawLyricLayer(const RenderContext& context);
    void drawIndex(const RenderContext& context, int32_t index);
    void renderLyrics(const RenderContext& context, const QString& previous, const QString& next);
    void showBackgroundAndLyrics(const RenderContext& context);
    void drawSongHeader(const RenderContext& context);
    void drawCoverIntro(const RenderContext& context);
    void drawTitleBar(const RenderContext& context);
    void scanLines(const RenderContext& context, const QString& tag);
    void exportFrame();

    ExportSink sink_;
    LyricSheet sheet_;
    SongSetup setup_;
    QImage coverArt_;  // the song's tag picture; null when it has none

    // Settings read at the song start, in frames.
    int32_t fadeTime_ = 0;
    int64_t coverShow_ = 0;
    int64_t coverFade_ = 0;
    int64_t introEnd_ = 0;

    int32_t frameNumber_ = 0;
    LyricClock clock_;
    int32_t currentIndex_ = 0;  // the line the clock matched last
    int32_t shownIndex_ = 0;    // the line the canvas shows as current
    bool initial_ = false;      // the time-zero line has not been replaced by a clock match
    std::optional<BackgroundSequence> sequence_;
    int32_t animationIndex_ = 1;
    // The frame background with the lyric layers over it, kept while neither changes; null when
    // it must be composed again.
    QImage lyricFrame_;
};

// The alpha the cover layer is blended with at frame counter c: 255 before showTime, falling
// from 255 at showTime to 0 at showTime + fadeTime (rounded halves to even), nothing after. A
// fade of 0 frames gives alpha 0 at showTime.
std::optional<int32_t> CoverAlpha(int64_t counter, int64_t showTime, int64_t fadeTime);

// The slide level of the title bar at frame counter c, once the intro (showTime + fadeTime) is
// over: 30, 55, ... 255 over the 10 frames after it, 255 from then on; nothing before.
std::optional<int32_t> TitleBarLevel(int64_t counter, int64_t introEnd);

}  // namespace lumek
