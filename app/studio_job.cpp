#include "app/studio.h"

#include "base/temp_folder.h"
#include "pipeline/encoder.h"

namespace lumek {

BuildContext Studio::buildContext() {
    return {settings,
            pictures,
            holders,
            render,
            list,
            job,
            song,
            audio,
            host_,
            coverOptions,
            LyricService{settings.LyricsURL},
            RunTempFolder().path,
            FindEncoder()};
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
