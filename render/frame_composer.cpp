#include "render/frame_composer.h"

#include "base/numbers.h"
#include "base/paths.h"
#include "render/cover_art.h"
#include "render/image_loader.h"
#include "render/lyric_renderer.h"
#include "render/pixops.h"
#include "render/text.h"
#include "render/title_bar.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace lumek {

namespace {

// Five digits number the pictures of a background sequence.
constexpr int32_t kMaxSequencePictures = 100000;
const QString kSequenceZero = QStringLiteral("00000");

}  // namespace

int32_t FrameCount(double durationSeconds) {
    return LengthInTenths(durationSeconds);
}

void LyricClock::advance() {
    if (++tenths < 10) {
        return;
    }
    tenths = 0;
    if (++seconds < 60) {
        return;
    }
    seconds = 0;
    if (minutes < std::numeric_limits<int32_t>::max()) {
        ++minutes;
    }
}

LyricClock StartClock(int32_t fadeTime) {
    LyricClock clock{0, 0, 1};
    for (int32_t step = 0; step < 2 * std::clamp(fadeTime, 0, kMaxFadeTime); ++step) {
        clock.advance();
    }
    return clock;
}

QString BackgroundSequence::file(int32_t number) const {
    return prefix + QString::number(number).rightJustified(5, u'0') + extension;
}

std::optional<BackgroundSequence> FindBackgroundSequence(const RenderContext& context) {
    const QString& path = context.settings.PicturePath;
    const DerivedSettings& d = context.derived;
    if (!d.backgroundImage || !d.backgroundAnimation || path.size() <= 5) {
        return std::nullopt;
    }
    BackgroundSequence sequence;
    sequence.extension = GetExtension(path, false);
    const QString stem = path.left(path.size() - sequence.extension.size());
    if (!stem.endsWith(kSequenceZero)) {
        return std::nullopt;
    }
    sequence.prefix = stem.left(stem.size() - kSequenceZero.size());
    while (sequence.count < kMaxSequencePictures &&
           QFileInfo(sequence.file(sequence.count)).isFile()) {
        ++sequence.count;
    }
    return sequence;
}

bool ShowSequencePicture(WorkingPictures& pictures, const BackgroundSequence& sequence,
                         int32_t number) {
    const QString file = sequence.file(number);
    if (!QFileInfo(file).isFile()) {
        return false;
    }
    // Decoded no larger than the canvas it is stretched over.
    const std::optional<QImage> image =
        LoadPictureCovering(file, {pictures.PTMP2.width(), pictures.PTMP2.height()});
    if (!image) {
        return false;
    }
    StretchOver(*image, pictures.PTMP2);
    pictures.Picture1.setBackPicture(pictures.PTMP2.image());
    pictures.Picture1.clear();
    return true;
}

void ResetSongState(const RenderContext& context) {
    RenderState& state = context.state;
    state.TitleScrollX =
        ClampToInt32(int64_t{context.derived.titleBarTextW} + context.settings.TitleSpeed + 1);
    state.CoverFrameCounter = 0;
    state.TransitionStep = 0;
    state.LineChanged = true;
    state.CurrentLyricText.clear();
}

void DrawStartImage(const RenderContext& context, const LyricSheet& sheet) {
    context.state.CurrentLyricText.clear();
    RenderLyrics(context, QString(), sheet.text(3), true);
}

std::optional<int32_t> CoverAlpha(int64_t counter, int64_t showTime, int64_t fadeTime) {
    if (counter < showTime) {
        return 255;
    }
    if (counter > showTime + std::max<int64_t>(fadeTime, 0)) {
        return std::nullopt;
    }
    if (fadeTime <= 0) {
        return 0;
    }
    const double passed = static_cast<double>(counter - showTime) / static_cast<double>(fadeTime);
    return RoundHalfEven(255.0 - passed * 255.0);
}

std::optional<int32_t> TitleBarLevel(int64_t counter, int64_t introEnd) {
    if (counter <= introEnd) {
        return std::nullopt;
    }
    if (counter > introEnd + kTitleDropFrames) {
        return 255;
    }
    return static_cast<int32_t>((counter - introEnd) * 25 + 5);
}

FrameComposer::FrameComposer(ExportSink sink) : sink_(std::move(sink)) {}

void FrameComposer::StartSong(const RenderContext& context, const LyricSheet& sheet,
                              const SongSetup& setup) {
    const DerivedSettings& d = context.derived;
    sheet_ = sheet;
    setup_ = setup;
    coverArt_ = QImage();
    fadeTime_ = d.fadeFrames;
    coverShow_ = d.coverShowFrames;
    coverFade_ = d.coverFadeFrames;
    introEnd_ = d.coverIntroEnd();
    currentIndex_ = 0;
    initial_ = false;
    lyricFrame_ = QImage();

    // The line current at time zero, then the lines starting inside the first fade window.
    scanLines(context, QStringLiteral("[00:00.0"));
    LyricClock ahead;
    for (int32_t step = 0; step < 2 * fadeTime_; ++step) {
        if (setup.matchBeforeAdvance) {
            scanLines(context, ahead.tag());
            ahead.advance();
        } else {
            ahead.advance();
            scanLines(context, ahead.tag());
        }
    }
    clock_ = StartClock(fadeTime_);

    shownIndex_ = 0;
    context.state.TransitionStep = 0;
    context.state.CoverFrameCounter = 0;
    frameNumber_ = 0;
    animationIndex_ = 1;
    sequence_ = FindBackgroundSequence(context);
}

void FrameComposer::scanLines(const RenderContext& context, const QString& tag) {
    const LineAdvance found = AdvanceLine(sheet_, 0, tag);
    if (!found.started) {
        return;
    }
    RenderState& st = context.state;
    st.CurrentLyricText = found.text;
    currentIndex_ = found.index;
    st.LineChanged = true;
    initial_ = true;
}

void FrameComposer::ComposeFrame(const RenderContext& context, int32_t frameNumber) {
    const DerivedSettings& d = context.derived;
    frameNumber_ = frameNumber;
    if (sequence_) {
        showBackground(context);
    }
    advanceLyric(context);
    drawLyricLayer(context);
    if (context.state.CoverFrameCounter == 0) {
        drawSongHeader(context);
    }
    if (d.coverIntro) {
        drawCoverIntro(context);
    }
    if (d.titleBar) {
        drawTitleBar(context);
    }
    // Each picture of an animated background makes its own frame.
    if (sequence_) {
        exportFrame();
    }
}

void FrameComposer::showBackground(const RenderContext& context) {
    // Pictures 1, 2, ... count - 1, then 0, 1, ...: one per frame.
    if (animationIndex_ >= sequence_->count) {
        animationIndex_ = 0;
    }
    ShowSequencePicture(context.pictures, *sequence_, animationIndex_);
    ++animationIndex_;
}

void FrameComposer::advanceLyric(const RenderContext& context) {
    RenderState& st = context.state;
    // While a change runs the clock is not matched: a line starting then is never shown.
    if (st.TransitionStep != 0) {
        return;
    }
    const LineAdvance found = AdvanceLine(sheet_, currentIndex_, clock_.tag());
    if (!found.started) {
        return;
    }
    st.CurrentLyricText = found.text;
    currentIndex_ = found.index;
    initial_ = false;
    st.LineChanged = true;
}

void FrameComposer::drawLyricLayer(const RenderContext& context) {
    RenderState& st = context.state;
    const bool still = !sequence_;
    if (fadeTime_ == 0) {
        // A change in one frame, without a filter. With an animated background the current line
        // is drawn over every frame's picture from the first match on.
        if (shownIndex_ != currentIndex_) {
            drawIndex(context, currentIndex_);
            if (still) {
                exportFrame();
                shownIndex_ = currentIndex_;
            }
        }
        return;
    }

    if (initial_) {
        // The time-zero line, redrawn until the clock matches a line; not exported by itself.
        st.CurrentLyricText = sheet_.text(currentIndex_);
        renderLyrics(context, QString(), sheet_.text(currentIndex_ + 1));
        shownIndex_ = currentIndex_;
        return;
    }
    if (st.TransitionStep < fadeTime_ && shownIndex_ != currentIndex_) {
        // Fading out: the old line with the step rising 1 .. FadeTime.
        ++st.TransitionStep;
        st.CurrentLyricText = sheet_.text(shownIndex_);
        drawIndex(context, shownIndex_);
        if (still) {
            exportFrame();
        }
        return;
    }
    if (st.TransitionStep == fadeTime_ && shownIndex_ != currentIndex_) {
        shownIndex_ = currentIndex_;
    }
    st.NoCurrentText = false;
    st.CurrentLyricText = sheet_.text(currentIndex_);
    if (shownIndex_ != currentIndex_) {
        return;
    }
    // Fading in: the new line with the step falling. An animated background redraws the line on
    // every frame and lowers the step after drawing.
    if (still) {
        if (st.TransitionStep > 0) {
            --st.TransitionStep;
            drawIndex(context, currentIndex_);
            exportFrame();
        }
    } else if (st.TransitionStep == 0) {
        drawIndex(context, currentIndex_);
    } else if (st.TransitionStep > 0) {
        drawIndex(context, currentIndex_);
        --st.TransitionStep;
    }
}

void FrameComposer::renderLyrics(const RenderContext& context, const QString& previous,
                                 const QString& next) {
    RenderLyrics(context, previous, next, true);
    lyricFrame_ = QImage();
}

void FrameComposer::showBackgroundAndLyrics(const RenderContext& context) {
    WorkingPictures& p = context.pictures;
    Picture& canvas = p.Picture1;
    // With a still background the result changes only when the lyric layers do, so a scrolling
    // title reuses it on every frame.
    if (!sequence_ && lyricFrame_.size() == canvas.image().size()) {
        canvas.image() = lyricFrame_;
        return;
    }
    PxAlphaBlend(canvas.view(), 0, 0, canvas.width(), canvas.height(), p.PTMP2.constView(), 0, 0,
                 255, 0, 0);
    BlendThroughMask(canvas.view(), 0, 0, canvas.width(), canvas.height(), p.SP3.constView(), 0, 0,
                     p.SP6.constView(), 0, 0);
    if (!sequence_) {
        lyricFrame_ = canvas.image().copy();
    }
}

void FrameComposer::drawIndex(const RenderContext& context, int32_t index) {
    RenderState& st = context.state;
    QString previous;
    QString next;
    if (index < 3) {
        // A header line: nothing is current yet, the first lyric line comes next.
        next = sheet_.text(3);
        st.CurrentLyricText.clear();
        st.NoCurrentText = true;
    } else if (index == 3) {
        next = sheet_.text(index + 1);
    } else if (index == sheet_.lastIndex()) {
        previous = sheet_.text(index - 1);
    } else {
        previous = sheet_.text(index - 1);
        next = sheet_.text(index + 1);
    }
    renderLyrics(context, previous, next);
}

void FrameComposer::drawSongHeader(const RenderContext& context) {
    if (!setup_.songPath.isEmpty()) {
        QString problem;
        coverArt_ = ReadCoverArt(setup_.songPath, CoverBox(context.derived).size(), &problem)
                        .value_or(QImage());
        if (!problem.isEmpty()) {
            context.host.status(CoverArtProblem(setup_.songPath, problem));
        }
    }
    const QString artist = sheet_.line(0);
    const QString title = sheet_.line(1);
    RenderCoverIntro(context, CoverText(artist, title), coverArt_, setup_.cover);
    context.state.TitleText = TitleBarText(artist, title);
}

void FrameComposer::drawCoverIntro(const RenderContext& context) {
    WorkingPictures& p = context.pictures;
    const int64_t counter = context.state.CoverFrameCounter;
    const std::optional<int32_t> alpha = CoverAlpha(counter, coverShow_, coverFade_);
    if (!alpha) {
        return;
    }
    if (counter >= coverShow_) {
        drawIndex(context, currentIndex_);  // the frame the cover fades out over
    }
    Picture& canvas = p.Picture1;
    PxAlphaBlend(canvas.view(), 0, 0, canvas.width(), canvas.height(), p.Picture4.constView(), 0, 0,
                 *alpha, 0, 0);
    if (!sequence_) {
        exportFrame();
    }
}

void FrameComposer::drawTitleBar(const RenderContext& context) {
    const RenderState& st = context.state;
    const int64_t counter = st.CoverFrameCounter;
    const std::optional<int32_t> level = TitleBarLevel(counter, introEnd_);
    if (!level) {
        return;
    }
    // Once down, a title that fits is drawn by the lyric renderer; a longer one scrolls here.
    if (counter > introEnd_ + kTitleDropFrames && context.derived.titleFits(st.TitleText)) {
        return;
    }
    showBackgroundAndLyrics(context);
    DrawTitleBar(context, st.TitleText, *level);
    exportFrame();
}

void FrameComposer::exportFrame() {
    if (sink_) {
        sink_(frameNumber_);
    }
}

}  // namespace lumek
