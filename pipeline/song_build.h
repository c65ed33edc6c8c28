#pragma once

#include "lyrics/lyric_download.h"
#include "pipeline/encoder.h"
#include "render/cover_intro.h"
#include "render/working_pictures.h"

#include <QString>

namespace lumek {

class AudioEngine;
class EncodingList;
struct JobState;
struct SongInfo;

// Everything a make job works with; the Studio owns it all.
struct BuildContext {
    const Settings& settings;
    const DerivedSettings& derived;
    WorkingPictures& pictures;
    const ImageHolders& holders;
    RenderState& render;
    EncodingList& list;
    JobState& job;
    SongInfo& song;  // the song being built (in one-file mode, the last one analysed)
    AudioEngine& engine;
    UiHost& host;
    CoverOptions cover;
    LyricService lyrics;
    QString tempFolder;                    // the run's private temporary folder
    QString encoder;                       // the encoder program; empty when there is none
    int encoderStallMs = kEncoderStallMs;  // EncoderProcess::watch

    RenderContext renderContext() const {
        return {settings, derived, pictures, holders, render, host};
    }
    QString tempFile(const QString& name) const;
};

// The temporary files of a build, inside the temporary folder; all are gone when a build ends.
// The video itself is written beside its destination under a hidden name.
inline const QString kTempAvi = QStringLiteral("Lumek_Temp.avi");
inline const QString kTempMp3 = QStringLiteral("Lumek_Temp.mp3");
inline const QString kMergedMp3 = QStringLiteral("Lumek_AudioMerge.mp3");

// The output extension of an "Output Ext" index ("mp4", "k3g", "skm"); empty for no selection.
QString OutputExtension(int32_t index);

// The progress text of a song build at an exported frame: "120 번째 프레임 저장중.. (20%)
// [2 / 3]", the percentage rounded to one decimal (halves to even) in its shortest form.
QString FrameProgressText(int32_t frame, int32_t frameCount, int songNumber, int songCount);

// Makes one song's video in the job's output folder: analyses the song, secures its lyric file,
// writes its frames to a temporary AVI file and has the encoder turn that and the song into the
// video. Every outcome ends in a status text; the path of the video written, or empty.
QString BuildSongVideo(BuildContext& context, const QString& songPath, int songNumber,
                       int songCount);

// Makes one video of every song of the list, in list order, over the joined audio the job
// driver made (kMergedMp3 in the temporary folder). The path of the video written, or empty.
QString BuildMergedVideo(BuildContext& context, const QString& outputPath);

}  // namespace lumek
