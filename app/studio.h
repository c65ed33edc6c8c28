#pragma once

#include "audio/audio_engine.h"
#include "audio/song_info.h"
#include "base/derived_settings.h"
#include "base/settings.h"
#include "base/ui_host.h"
#include "lyrics/lyric_sheet.h"
#include "pipeline/encoding_list.h"
#include "pipeline/job_state.h"
#include "pipeline/make_job.h"
#include "pipeline/song_build.h"
#include "render/cover_intro.h"
#include "render/working_pictures.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace lumek {

// What an edit did: whether the key's rule took the value, the text its control shows now, and
// every key whose value changed with it (a background that is no sequence also clears
// BGAnimation).
struct EditOutcome {
    bool accepted = false;
    QString shown;
    QStringList changed;
};

// What came of selecting a song for the preview.
enum class SongLoad {
    Loaded,
    Missing,  // no file at the path
    NotMp3,   // no MPEG audio frame after its tag
};

// The program's state and its operations, without widgets: the window and the command line each
// own one and talk to the user through their UiHost.
class Studio {
public:
    explicit Studio(UiHost& host);

    UiHost& host() { return host_; }

    // ---- Settings ----
    const Settings& settings() const { return settings_; }

    // The one way a setting changes: a key of the settings file and a value as its control
    // delivers it (the text of a box, the number of a slider, list or check box, a colour, a
    // path). Applies the key's rule, rebuilds what depends on the key (the title bar pictures,
    // the canvas and working pictures, the image holders, the lyric layer) and tells the change
    // listeners which keys changed. A refused value changes nothing and notifies no one.
    EditOutcome edit(QStringView key, const QString& value);
    // Several keys as one change (the font dialog gives face, size and bold): one notification.
    EditOutcome edit(const std::vector<std::pair<QString, QString>>& values);

    // Called after every change of settings with the keys that changed; a load or a preset
    // reports every key.
    using ChangeListener = std::function<void(const QStringList& keys)>;
    void addChangeListener(ChangeListener listener);

    // Reads the settings file (or asks the first-run question when it is missing or of another
    // version) and puts every value into the settings, the holders and the working pictures.
    // Nothing draws the preview while it runs. Returns whether the file was accepted.
    bool LoadSettings(const QString& path);
    // Writes every key; skipped while a load runs. False when the file can't be written
    // (reason, when given, says why).
    bool SaveSettings(const QString& path, QString* reason = nullptr);
    // Every value of a preset, with its pictures, as a first run chooses it.
    void ApplyPreset(Preset preset);

    // The cover intro's check boxes that the settings file does not keep.
    const CoverOptions& coverOptions() const { return coverOptions_; }
    void setCoverOptions(const CoverOptions& options);

    // ---- Preview ----
    // Loads a song for the preview: its analysis, lyric sheet and cover art. With secureLyrics
    // (a selection in the window) a missing lyric file is downloaded and the file is padded
    // first; without, the lyric file is read as it is and never written. A lyric file that
    // can't be read leaves the sheet empty, with the reason in lyricProblem when given.
    SongLoad SelectPreviewSong(const QString& path, bool secureLyrics,
                               QString* lyricProblem = nullptr);
    const QString& selectedSong() const { return selectedSong_; }
    const SongInfo& song() const { return song_; }
    const LyricSheet& sheet() const { return sheet_; }
    // Draws the preview frame for slider position v into Picture1; nothing while a load runs,
    // while another preview drawing runs or while a make job runs. Returns whether it drew.
    bool RenderPreview(int32_t position);
    // The frame the preview and the builds draw into, and the pictures behind it.
    const Picture& canvas() const { return pictures_.Picture1; }
    const WorkingPictures& pictures() const { return pictures_; }
    const ImageHolders& holders() const { return holders_; }
    // What the renderers draw with: the settings, pictures and state of this studio.
    RenderContext renderContext() {
        return {settings_, derived_, pictures_, holders_, render_, host_};
    }

    // ---- Preview playback and canvas points (studio_preview.cpp) ----
    // Plays the selected song from slider position v: a new stream, seeked to (v + 1) x 100 ms.
    // False without a selected song, and false with the error box shown when no stream can be
    // made.
    bool PlayPreview(int32_t position);
    // Pauses the preview channel; it is never resumed, the next play makes a new stream.
    void StopPreview();
    bool PreviewPlaying() const;
    bool HasPreviewSound() const { return audio_.hasStream(); }
    void SeekPreview(int32_t position);
    // The slider position of what sounds now: the channel position in ms ÷ 100.
    std::optional<int32_t> PlayingPosition() const;
    // Reads the selected song's lyric file again as it stands (no padding), so that edits made
    // outside show; false when no song is loaded.
    bool ReloadLyrics();
    // The reference point the canvas edits at slider position v: the cover point while the
    // cover intro is on and v is before its show time (in frames), else the lyric point.
    QPoint EditedPoint(int32_t position) const;
    // Moves that point through edit(), unclamped; false (nothing changes) while a make job runs.
    bool MoveEditedPoint(int32_t position, QPoint point);

    // ---- Encoding list and make job ----
    EncodingList& list() { return list_; }
    const JobState& job() const { return job_; }
    // The make job's and the add actions' view of the studio. The temporary files of a build
    // live in the run's private folder (RunTempFolder).
    BuildContext buildContext();
    ListContext listContext();
    // The make button: starts a job over the encoding list, or cancels the running one (or the
    // add action under way).
    JobOutcome PressMakeButton();

    // ---- Audio ----
    // Starts the audio engine as start-up does; false (the user has been told) when it can't.
    bool StartAudio();
    // Readies the decoder for analysis alone (no sound output); false when it can't start.
    bool PrepareDecoder();
    bool audioReady() const { return audioReady_; }
    AudioEngine& audio() { return audio_; }

private:
    void UsePresetPictures(Preset preset);
    void RunFirstRunChoice();
    void LoadPathSetting(const QString& key, const QString& stored);
    // Stores a picture path and loads the picture into its holder; a picture that can't be
    // decoded leaves the holder as it was (the path stays chosen) and says so on the status line.
    bool ApplyPathSetting(const QString& key, const QString& path);
    QImage& HolderFor(QStringView pathKey);
    // Sizes the working pictures to the canvas (PsizeX x PsizeY) and stretches the cover intro
    // background and the background picture over them.
    void ApplyCanvasSize();
    void ApplyBackgroundPicture();
    void SetBackgroundColour(int32_t colour);
    // Rebuilds what depends on the keys just changed and tells the listeners.
    void SettingsChanged(const QStringList& keys);

    UiHost& host_;

    // Settings and what is built from them.
    Settings settings_;
    // The settings as the renderers read them, worked out again after every change.
    DerivedSettings derived_;
    CoverOptions coverOptions_;
    ImageHolders holders_;
    WorkingPictures pictures_;
    std::vector<ChangeListener> listeners_;
    // Set while settings load: nothing draws the preview and nothing saves the settings.
    bool loading_ = false;

    // Per-frame state of the renderers, shared by the preview and the builds.
    RenderState render_;

    // The preview's song: its path (empty when none), whether it is loaded, and its tag's cover
    // picture (null when it has none). song_ describes the song analysed last.
    QString selectedSong_;
    bool songLoaded_ = false;
    SongInfo song_;
    LyricSheet sheet_;
    QImage songCoverArt_;

    // The make job.
    EncodingList list_;
    JobState job_;

    AudioEngine audio_;
    bool audioReady_ = false;
};

// Where the settings live: "LumekSetting.ini" beside the executable when that folder is
// writable, else in the user's configuration folder.
QString DefaultSettingsPath();

// A background picture whose name ends in "00000" before its extension starts a numbered
// sequence, which may play as an animated background.
bool IsSequenceBackground(const QString& picturePath);

}  // namespace lumek
