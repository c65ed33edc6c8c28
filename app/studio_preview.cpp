#include "app/studio.h"

#include "base/paths.h"

namespace lumek {

namespace {

// Slider position v stands for the moment v + 1 tenths.
uint32_t PositionMs(int32_t position) {
    return static_cast<uint32_t>((int64_t{std::max(position, 0)} + 1) * 100);
}

bool EditsCoverPoint(const DerivedSettings& derived, int32_t position) {
    return derived.coverIntro && position < derived.coverShowFrames;
}

}  // namespace

bool Studio::PlayPreview(int32_t position) {
    if (selectedSong_.isEmpty()) {
        return false;
    }
    // Seeked before it starts, so that a sound card never plays the song's first buffer.
    if (audio_.createStream(selectedSong_) != 0 || audio_.setPosition(PositionMs(position)) != 0 ||
        audio_.play() != 0) {
        audio_.releaseStream();
        host_.message(QStringLiteral("에러!"),
                      QStringLiteral("알 수 없는 오류로 미리보기 재생을 할 수 없습니다."),
                      MessageIcon::Critical);
        return false;
    }
    return true;
}

void Studio::StopPreview() {
    PausePreview(audio_);
}

bool Studio::PreviewPlaying() const {
    return IsPreviewPlaying(audio_);
}

void Studio::SeekPreview(int32_t position) {
    audio_.setPosition(PositionMs(position));
}

std::optional<int32_t> Studio::PlayingPosition() const {
    uint32_t ms = 0;
    if (audio_.getPosition(ms) != 0) {
        return std::nullopt;
    }
    return static_cast<int32_t>(ms / 100);
}

bool Studio::ReloadLyrics() {
    if (!songLoaded_ || selectedSong_.trimmed().isEmpty()) {
        return false;
    }
    sheet_ = LyricSheet::Load(LyricPathFor(selectedSong_));
    return true;
}

QPoint Studio::EditedPoint(int32_t position) const {
    if (EditsCoverPoint(derived_, position)) {
        return {settings_.CPointX, settings_.CPointY};
    }
    return {settings_.PointX, settings_.PointY};
}

bool Studio::MoveEditedPoint(int32_t position, QPoint point) {
    if (job_.JobRunning) {
        return false;
    }
    const bool cover = EditsCoverPoint(derived_, position);
    const QString x = cover ? QStringLiteral("CPointX") : QStringLiteral("PointX");
    const QString y = cover ? QStringLiteral("CPointY") : QStringLiteral("PointY");
    return edit({{x, QString::number(point.x())}, {y, QString::number(point.y())}}).accepted;
}

}  // namespace lumek
