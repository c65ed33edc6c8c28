#include "preview/preview.h"

#include "render/frame_composer.h"
#include "render/lyric_renderer.h"
#include "render/pixops.h"
#include "render/title_bar.h"

#include <algorithm>
#include <limits>

namespace lumek {

namespace {

// Keeps a second drawing out while one runs (a pump inside may deliver a slider change).
class DrawingGuard {
public:
    explicit DrawingGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~DrawingGuard() { flag_ = false; }
    DrawingGuard(const DrawingGuard&) = delete;
    DrawingGuard& operator=(const DrawingGuard&) = delete;

private:
    bool& flag_;
};

struct Moment {
    int32_t minutes;
    int32_t seconds;
    int32_t tenths;
};

// Slider position v stands for v + 1 tenths.
Moment MomentOf(int32_t position) {
    const int64_t tenths = int64_t{std::max(position, 0)} + 1;
    return {static_cast<int32_t>(tenths / 10 / 60), static_cast<int32_t>(tenths / 10 % 60),
            static_cast<int32_t>(tenths % 10)};
}

void ShowBackground(const RenderContext& context, int32_t position) {
    const std::optional<BackgroundSequence> sequence = FindBackgroundSequence(context);
    if (!sequence || sequence->count == 0) {
        return;  // a still background is prepared in PTMP2 when it is chosen
    }
    // Frame v + 1 shows picture (v + 1) mod count.
    const auto number = static_cast<int32_t>((int64_t{position} + 1) % sequence->count);
    ShowSequencePicture(context.pictures, *sequence, number);
}

void DrawTitle(const RenderContext& context, int32_t position) {
    const RenderState& st = context.state;
    const std::optional<int32_t> level = TitleBarLevel(position, context.derived.coverIntroEnd());
    if (!level) {
        return;
    }
    // Once down, a title that fits came with the lyric layer; a longer one scrolls, from where
    // the video would have it at this position.
    const bool scrolls = !context.derived.titleFits(st.TitleText);
    if (position > context.derived.titleBarDownAt() && !scrolls) {
        return;
    }
    if (scrolls) {
        PreviewTitleScroll(context, st.TitleText);
    }
    DrawTitleBar(context, st.TitleText, *level);
}

}  // namespace

QString PreviewTimeText(int32_t position) {
    const Moment moment = MomentOf(position);
    return ClockTag(moment.minutes, moment.seconds, moment.tenths).mid(1) + QStringLiteral("초");
}

bool RenderPreview(const RenderContext& context, const PreviewSong& song, int32_t position,
                   bool loadingInProgress) {
    RenderState& st = context.state;
    if (loadingInProgress || st.PreviewDrawing || st.MakingVideo) {
        return false;
    }
    const DrawingGuard guard(st.PreviewDrawing);
    const DerivedSettings& d = context.derived;
    WorkingPictures& p = context.pictures;
    // The step budget of the line search is v + 1, so v stays below the largest whole number.
    const int32_t v = std::clamp(position, 0, std::numeric_limits<int32_t>::max() - 1);
    st.PreviewPosition = v;

    ShowBackground(context, v);

    const bool withSong = song.loaded && !song.path.trimmed().isEmpty();
    QString previous;
    QString next;
    QString coverText;
    st.TitleText.clear();
    if (withSong) {
        context.host.status(PreviewTimeText(v));
        const Moment moment = MomentOf(v);
        const LineLookup line = FindLineAt(song.sheet, moment.minutes, moment.seconds,
                                           moment.tenths, v + 1, context.host);
        st.CurrentLyricText = line.current;
        previous = line.previous;
        next = line.next;
        coverText = CoverText(song.sheet.line(0), song.sheet.line(1));
        st.TitleText = TitleBarText(song.sheet.line(0), song.sheet.line(1));
    }

    const std::optional<int32_t> coverAlpha =
        d.coverIntro ? CoverAlpha(v, d.coverShowFrames, d.coverFadeFrames) : std::nullopt;
    if (coverAlpha) {
        RenderCoverIntro(context, coverText, withSong ? song.coverArt : QImage(), song.cover);
    }

    // A still frame of the line: no fade, the layers drawn afresh.
    st.TransitionStep = 0;
    st.NoCurrentText = false;
    st.LineChanged = true;
    RenderLyrics(context, previous, next, true);

    if (d.titleBar) {
        DrawTitle(context, v);
    }
    if (coverAlpha) {
        Picture& canvas = p.Picture1;
        PxAlphaBlend(canvas.view(), 0, 0, canvas.width(), canvas.height(), p.Picture4.constView(),
                     0, 0, *coverAlpha, 0, 0);
    }
    return true;
}

}  // namespace lumek
