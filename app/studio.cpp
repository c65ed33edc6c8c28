#include "app/studio.h"

#include "app/builtin_pictures.h"
#include "base/numbers.h"
#include "preview/preview.h"
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

}  // namespace

Studio::Studio(UiHost& host) : host_(host) {
    UsePresetPictures(settings.StartSetting);
    holders.Picture3 = BuiltinCoverPicture();
    RefreshDerivedSettings();
    ApplyCanvasSize();
}

void Studio::RefreshDerivedSettings() {
    derived = DeriveSettings(settings);
}

void Studio::UsePresetPictures(Preset preset) {
    holders.PTMP = BuiltinPicture(preset, 1);
    holders.TTS = BuiltinPicture(preset, 2);
    holders.TTM = BuiltinPicture(preset, 3);
    holders.SP5 = BuiltinPicture(preset, 4);
    holders.COVERT = BuiltinPicture(preset, 5);
    holders.SP4 = BuiltinPicture(preset, 6);
}

QImage& Studio::HolderFor(QStringView pathKey) {
    if (pathKey == u"PicturePath") {
        return holders.PTMP;
    }
    if (pathKey == u"TitleImagePath") {
        return holders.TTS;
    }
    if (pathKey == u"TitleEffectMaskPath") {
        return holders.TTM;
    }
    if (pathKey == u"TitleTextMaskPath") {
        return holders.SP5;
    }
    if (pathKey == u"CoverBGPath") {
        return holders.COVERT;
    }
    if (pathKey == u"TitleMaskPath") {
        return holders.SP4;
    }
    return holders.Picture3;
}

void Studio::ApplyCanvasSize() {
    RefreshDerivedSettings();
    const int width = CanvasSide(settings.PsizeX);
    const int height = CanvasSide(settings.PsizeY);
    pictures.resize(width, height);
    SetBackgroundColour(settings.BGColor);

    Picture& cover = pictures.Picture4;
    StretchOver(holders.COVERT, cover);
    cover.keepImage();

    Picture& background = pictures.PTMP2;
    background.removeBackPicture();
    if (settings.BGImage == 1) {
        StretchOver(holders.PTMP, background);
        background.keepImage();
    }
    background.clear();
    PrepareTitleBar(renderContext());
}

void Studio::SetBackgroundColour(int32_t colour) {
    settings.BGColor = colour;
    for (Picture* picture : {&pictures.Picture1, &pictures.PTMP2}) {
        picture->setBackColour(colour);
        picture->clear();
    }
}

bool Studio::RenderPreview(int32_t position) {
    const PreviewSong selected{SelectedSong, SongLoaded, sheet, SongCoverArt, coverOptions};
    return lumek::RenderPreview(renderContext(), selected, position,
                                LoadingInProgress || job.JobRunning);
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

}  // namespace lumek
