#include "app/studio.h"

#include "app/builtin_pictures.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/settings_keys.h"
#include "base/text_file.h"
#include "lyrics/lyric_download.h"
#include "preview/preview.h"
#include "render/cover_art.h"
#include "render/image_loader.h"
#include "render/title_bar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace lumek {

namespace {

// Larger canvases are cut to this side so that a typing slip can't allocate gigabytes.
constexpr int kMaxCanvasSide = 4096;

int CanvasSide(const QString& text) {
    return std::clamp(ToInt(text), 1, kMaxCanvasSide);
}

bool ChangesAny(const QStringList& changed, std::initializer_list<QStringView> keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](QStringView key) { return changed.contains(key); });
}

}  // namespace

Studio::Studio(UiHost& host) : host_(host) {
    UsePresetPictures(settings_.StartSetting);
    holders_.Picture3 = BuiltinCoverPicture();
    render_.CurrentLyricText = settings_.ExampleText;
    derived_ = DeriveSettings(settings_);
    ApplyCanvasSize();
}

void Studio::UsePresetPictures(Preset preset) {
    holders_.PTMP = BuiltinPicture(preset, 1);
    holders_.TTS = BuiltinPicture(preset, 2);
    holders_.TTM = BuiltinPicture(preset, 3);
    holders_.SP5 = BuiltinPicture(preset, 4);
    holders_.COVERT = BuiltinPicture(preset, 5);
    holders_.SP4 = BuiltinPicture(preset, 6);
}

QImage& Studio::HolderFor(QStringView pathKey) {
    if (pathKey == u"PicturePath") {
        return holders_.PTMP;
    }
    if (pathKey == u"TitleImagePath") {
        return holders_.TTS;
    }
    if (pathKey == u"TitleEffectMaskPath") {
        return holders_.TTM;
    }
    if (pathKey == u"TitleTextMaskPath") {
        return holders_.SP5;
    }
    if (pathKey == u"CoverBGPath") {
        return holders_.COVERT;
    }
    if (pathKey == u"TitleMaskPath") {
        return holders_.SP4;
    }
    return holders_.Picture3;
}

EditOutcome Studio::edit(QStringView key, const QString& value) {
    return edit({{key.toString(), value}});
}

EditOutcome Studio::edit(const std::vector<std::pair<QString, QString>>& values) {
    EditOutcome outcome;
    for (const auto& [key, value] : values) {
        if (IsPathKey(key)) {
            ApplyPathSetting(key, value);
            outcome.shown = value;
        } else if (std::optional<QString> shown = ApplyEditedSetting(settings_, key, value)) {
            outcome.shown = *shown;
        } else {
            continue;
        }
        outcome.accepted = true;
        outcome.changed.append(key);
    }
    // Only a sequence background can play as an animation; an empty path leaves the box alone.
    const bool testSequence = outcome.changed.contains(u"PicturePath") ||
                              (outcome.changed.contains(u"BGImage") && settings_.BGImage == 1);
    if (testSequence && settings_.BGAnimation != 0 && !settings_.PicturePath.trimmed().isEmpty() &&
        !IsSequenceBackground(settings_.PicturePath)) {
        settings_.BGAnimation = 0;
        outcome.changed.append(QStringLiteral("BGAnimation"));
    }
    if (outcome.accepted) {
        SettingsChanged(outcome.changed);
    }
    return outcome;
}

void Studio::SettingsChanged(const QStringList& keys) {
    derived_ = DeriveSettings(settings_);
    if (ChangesAny(keys, {u"PsizeX", u"PsizeY"})) {
        ApplyCanvasSize();
    } else {
        if (keys.contains(u"BGColor")) {
            SetBackgroundColour(settings_.BGColor);
        }
        // Ticking the animation reads the first picture of the sequence again.
        if (keys.contains(u"BGAnimation") && settings_.BGAnimation == 1 &&
            FileExists(settings_.PicturePath)) {
            ApplyPathSetting(QStringLiteral("PicturePath"), settings_.PicturePath);
        }
        if (ChangesAny(keys, {u"PicturePath", u"BGImage", u"BGAnimation"})) {
            ApplyBackgroundPicture();
        }
        if (keys.contains(u"CoverBGPath")) {
            StretchOver(holders_.COVERT, pictures_.Picture4);
            pictures_.Picture4.keepImage();
        }
        if (ChangesAny(keys, {u"Title Hue", u"Title Brightness", u"TitleImagePath",
                              u"TitleMaskPath", u"TitleTextMaskPath", u"TitleEffectMaskPath"})) {
            PrepareTitleBar(renderContext());
        }
    }
    // Without a song the lyric layer shows the example text.
    if (keys.contains(u"ExampleText") && !songLoaded_) {
        render_.CurrentLyricText = settings_.ExampleText;
    }
    render_.LineChanged = true;
    for (const ChangeListener& listener : listeners_) {
        listener(keys);
    }
}

void Studio::addChangeListener(ChangeListener listener) {
    listeners_.push_back(std::move(listener));
}

void Studio::setCoverOptions(const CoverOptions& options) {
    coverOptions_ = options;
    SettingsChanged({});
}

void Studio::ApplyCanvasSize() {
    pictures_.resize(CanvasSide(settings_.PsizeX), CanvasSide(settings_.PsizeY));
    SetBackgroundColour(settings_.BGColor);
    StretchOver(holders_.COVERT, pictures_.Picture4);
    pictures_.Picture4.keepImage();
    ApplyBackgroundPicture();
    PrepareTitleBar(renderContext());
}

void Studio::ApplyBackgroundPicture() {
    Picture& background = pictures_.PTMP2;
    background.removeBackPicture();
    if (settings_.BGImage == 1) {
        StretchOver(holders_.PTMP, background);
        background.keepImage();
    }
    background.clear();
}

void Studio::SetBackgroundColour(int32_t colour) {
    settings_.BGColor = colour;
    for (Picture* picture : {&pictures_.Picture1, &pictures_.PTMP2}) {
        picture->setBackColour(colour);
        picture->clear();
    }
}

SongLoad Studio::SelectPreviewSong(const QString& path, bool secureLyrics, QString* lyricProblem) {
    if (!QFileInfo(path).isFile()) {
        return SongLoad::Missing;
    }
    render_.CurrentLyricText.clear();
    if (!AnalyzeSong(path, song_, audio_, host_)) {
        return SongLoad::NotMp3;
    }
    const QString lyricPath = LyricPathFor(path);
    if (secureLyrics) {
        if (!FileExists(lyricPath)) {
            DownloadLyrics(path, LengthInTenths(song_.Duration), song_.FirstFrame, host_,
                           LyricService{settings_.LyricsURL});
        }
        LrcCheck(path);
    }
    selectedSong_ = path;
    job_.Mp3Folder = GetFolder(path);
    const std::optional<QString> lyrics = TryReadTextFile(lyricPath, lyricProblem);
    sheet_ = LyricSheet::FromText(lyrics.value_or(QString()));
    songLoaded_ = true;
    QString coverProblem;
    songCoverArt_ = ReadCoverArt(path, kHeldPictureBox, &coverProblem).value_or(QImage());
    if (!coverProblem.isEmpty()) {
        host_.status(CoverArtProblem(path, coverProblem));
    }
    return SongLoad::Loaded;
}

bool Studio::RenderPreview(int32_t position) {
    const PreviewSong selected{selectedSong_, songLoaded_, sheet_, songCoverArt_, coverOptions_};
    return lumek::RenderPreview(renderContext(), selected, position, loading_ || job_.JobRunning);
}

QString DefaultSettingsPath() {
    const QString fileName = QStringLiteral("LumekSetting.ini");
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty() && QFileInfo(programFolder).isWritable()) {
        return QDir(programFolder).filePath(fileName);
    }
    const QString configFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/lumek");
    QDir().mkpath(configFolder);
    return QDir(configFolder).filePath(fileName);
}

bool IsSequenceBackground(const QString& picturePath) {
    const QString path = picturePath.trimmed();
    const QString stem = path.left(path.size() - GetExtension(path, false).size());
    return !path.isEmpty() && stem.endsWith(u"00000");
}

}  // namespace lumek
