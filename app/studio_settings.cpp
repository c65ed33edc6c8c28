#include "app/studio.h"

#include "app/builtin_pictures.h"

#include "base/inifile.h"
#include "base/settings_keys.h"
#include "base/text_file.h"
#include "render/image_loader.h"

namespace lumek {

bool Studio::LoadSettings(const QString& path) {
    loading_ = true;
    // The effect list starts at its first entry; the two output lists are filled with nothing
    // selected, so a refused stored index leaves them without a selection.
    settings_.EffectType = 0;
    settings_.OutputExt = -1;
    settings_.AudioBitrate = -1;

    const IniFile file = IniFile::Load(path);
    // Both tests are made even when the file is missing.
    const bool exists = FileExists(path);
    const bool sameVersion = file.value(kSettingsSection, kSettingsVersionKey) == kSettingsVersion;
    if (!exists || !sameVersion) {
        RunFirstRunChoice();
        loading_ = false;
        return false;
    }
    ApplyStoredSetting(settings_, kStartSettingKey, file.value(kSettingsSection, kStartSettingKey));
    UsePresetPictures(settings_.StartSetting);
    for (const QString& key : SettingsLoadOrder()) {
        const QString stored = file.value(kSettingsSection, key);
        if (IsPathKey(key)) {
            LoadPathSetting(key, stored);
        } else {
            ApplyStoredSetting(settings_, key, stored);
        }
    }
    render_.CurrentLyricText = settings_.ExampleText;
    loading_ = false;
    SettingsChanged(SettingsLoadOrder());
    return true;
}

void Studio::LoadPathSetting(const QString& key, const QString& stored) {
    // A path to a missing file is dropped, so the holder keeps the preset picture and the next
    // save writes an empty path.
    if (stored.trimmed().isEmpty() || !FileExists(stored)) {
        return;
    }
    ApplyPathSetting(key, stored);
}

bool Studio::ApplyPathSetting(const QString& key, const QString& path) {
    SetPathSetting(settings_, key, path);
    QString problem;
    if (std::optional<QImage> picture = LoadPictureCovering(path, kHeldPictureBox, &problem)) {
        HolderFor(key) = std::move(*picture);
        return true;
    }
    // The path stays chosen; the holder keeps what it showed.
    host_.status(QStringLiteral("그림 파일을 읽을 수 없습니다: %1 (%2)").arg(path, problem));
    return false;
}

void Studio::RunFirstRunChoice() {
    const bool iPhone =
        host_.askYesNo(QStringLiteral("루멕 기본설정"),
                       QStringLiteral("프로그램을 처음 실행하셨습니다.\r\n"
                                      "기본설정을 아이폰/아이팟터치로 하시겠습니까?\r\n"
                                      "아니오를 누르시면 기본설정을 핸드폰으로 합니다."));
    ApplyPreset(iPhone ? Preset::IPhone : Preset::Phone);
}

void Studio::ApplyPreset(Preset preset) {
    settings_ = MakePreset(preset);
    UsePresetPictures(preset);
    holders_.Picture3 = BuiltinCoverPicture();
    render_.CurrentLyricText = settings_.ExampleText;
    settings_.BGAnimation = 0;
    SettingsChanged(SettingsLoadOrder());
}

bool Studio::SaveSettings(const QString& path, QString* reason) {
    // A start-up that ended early must not overwrite a good file with half-loaded values.
    if (loading_) {
        return false;
    }
    // A file that can't be read is left alone rather than replaced without its other content.
    std::optional<IniFile> file = IniFile::TryLoad(path, reason);
    if (!file) {
        return false;
    }
    for (const auto& [key, value] : EncodeSettings(settings_)) {
        file->setValue(kSettingsSection, key, value);
    }
    return file->save(path, reason);
}

}  // namespace lumek
