#include "app/studio.h"

#include "pipeline/encoder.h"

namespace lumek {

BuildContext Studio::buildContext() {
    return {settings,     derived,      pictures,     holders,
            render,       list,         job,          song,
            audio,        host_,        coverOptions, LyricService{settings.LyricsURL},
            temp_.path(), FindEncoder()};
}

ListContext Studio::listContext() {
    return {list, job, song, audio, host_, LyricService{settings.LyricsURL}};
}

JobOutcome Studio::PressMakeButton() {
    BuildContext build = buildContext();
    ListContext adding = listContext();
    return lumek::PressMakeButton(build, adding);
}

bool Studio::StartAudio() {
    AudioReady = StartAudioEngine(audio, host_);
    return AudioReady;
}

}  // namespace lumek
