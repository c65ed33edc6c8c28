#pragma once

#include "audio/audio_engine.h"
#include "audio/song_info.h"
#include "base/settings.h"
#include "base/ui_host.h"
#include "lyrics/lyric_sheet.h"
#include "pipeline/encoding_list.h"
#include "pipeline/job_state.h"
#include "pipeline/make_job.h"
#include "pipeline/song_build.h"
#include "render/cover_intro.h"
#include "render/working_pictures.h"

#include <QString>
#include <QStringView>

namespace lumek {

// The program's state and its operations, without widgets: the window and the command line each
// own one and talk to the user through their UiHost.
class Studio {
public:
    explicit Studio(UiHost& host);

    UiHost& host() { return host_; }

    Settings settings;
    // Set while start-up runs: nothing draws the preview and nothing saves the settings.
    bool LoadingInProgress = false;
    ImageHolders holders;
    WorkingPictures pictures;
    RenderState render;

    // The audio engine; AudioReady once it started.
    AudioEngine audio;
    bool AudioReady = false;
    // The song analysed last and the lyric sheet of the song selected for the preview.
    SongInfo song;
    LyricSheet sheet;

    EncodingList list;
    JobState job;

    // The cover intro's check boxes that the settings file does not keep.
    CoverOptions coverOptions;
    // The song selected for the preview: its path (empty when none), whether it is loaded, and
    // its tag's cover picture (null when it has none).
    QString SelectedSong;
    bool SongLoaded = false;
    QImage SongCoverArt;

    // What the renderers draw with: the settings, pictures and state of this studio.
    RenderContext renderContext() { return {settings, pictures, holders, render, host_}; }
    // Draws the preview frame for slider position v into Picture1; nothing while start-up runs,
    // while another preview drawing runs or while a make job runs. Returns whether it drew.
    bool RenderPreview(int32_t position);

    // The make job's view of the studio. The temporary files of a build live in the run's
    // private folder (RunTempFolder).
    BuildContext buildContext();
    ListContext listContext();
    // The make button: starts a job over the encoding list, or cancels the running one.
    JobOutcome PressMakeButton();
    // Starts the audio engine as start-up does; false (the user has been told) when it can't.
    bool StartAudio();

    // Reads the settings file (or asks the first-run question when it is missing or of another
    // version) and puts every value into the settings, the holders and the working pictures.
    // Returns whether the file was accepted.
    bool LoadSettings(const QString& path);
    // Writes every key; skipped while LoadingInProgress. False when the file can't be written
    // (reason, when given, says why).
    bool SaveSettings(const QString& path, QString* reason = nullptr);

    // Every value of a preset, with its pictures, as a first run chooses it.
    void ApplyPreset(Preset preset);

    // Sizes the working pictures to the canvas (PsizeX x PsizeY) and stretches the cover intro
    // background and, when it is used, the background picture over them.
    void ApplyCanvasSize();
    // The canvas and frame background colour (0x00BBGGRR or a system colour code).
    void SetBackgroundColour(int32_t colour);

    // Stores a picture path and loads the picture into its holder; a picture that can't be
    // decoded leaves the holder as it was (the path stays chosen) and says so on the status line.
    bool ApplyPathSetting(const QString& key, const QString& path);

    // The holder a path key fills.
    QImage& HolderFor(QStringView pathKey);

private:
    void UsePresetPictures(Preset preset);
    void RunFirstRunChoice();
    void LoadPathSetting(const QString& key, const QString& stored);

    UiHost& host_;
};

// Where the settings live: "LumekSetting.ini" beside the executable when that folder is
// writable, else in the user's configuration folder.
QString DefaultSettingsPath();

}  // namespace lumek
