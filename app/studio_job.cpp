#include "app/studio.h"

#include "base/temp_folder.h"
#include "pipeline/encoder.h"

namespace lumek {

BuildContext Studio::buildContext() {
    return {settings_,
            derived_,
            pictures_,
            holders_,
            render_,
            list_,
            job_,
            song_,
            audio_,
            host_,
            coverOptions_,
            LyricService{settings_.LyricsURL},
            RunTempFolder().path,
            FindEncoder()};
}

ListContext Studio::listContext() {
    return {list_, job_, song_, audio_, host_, LyricService{settings_.LyricsURL}};
}

JobOutcome Studio::PressMakeButton() {
    BuildContext build = buildContext();
    ListContext adding = listContext();
    return StartOrCancelJob(build, adding);
}

bool Studio::StartAudio() {
    audioReady_ = StartAudioEngine(audio_, host_);
    return audioReady_;
}

bool Studio::PrepareDecoder() {
    return audio_.create() == 0;
}

}  // namespace lumek
