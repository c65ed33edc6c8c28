#include "base/settings_keys.h"

#include "base/numbers.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <variant>

namespace lumek {

namespace {

// List indices may also be -1: the list then has no selection.
constexpr int32_t kNoSelection = -1;

const std::array kKeys = {
    SettingKey{u"FontName", SettingKind::Text, &Settings::FontName},
    SettingKey{u"FontSize", SettingKind::Number, &Settings::FontSize},
    SettingKey{u"FontBold", SettingKind::Flag, &Settings::FontBold},
    SettingKey{u"MainFontColor", SettingKind::Colour, &Settings::MainFontColor},
    SettingKey{u"MainFontColor2", SettingKind::Colour, &Settings::MainFontColor2},
    SettingKey{u"Font2Name", SettingKind::Text, &Settings::Font2Name},
    SettingKey{u"Font2Size", SettingKind::Number, &Settings::Font2Size},
    SettingKey{u"Font2Bold", SettingKind::Flag, &Settings::Font2Bold},
    SettingKey{u"SubFontColor", SettingKind::Colour, &Settings::SubFontColor},
    SettingKey{u"SubFontColor2", SettingKind::Colour, &Settings::SubFontColor2},
    SettingKey{u"MainStokeColor", SettingKind::Colour, &Settings::MainStokeColor},
    SettingKey{u"MainShadowColor", SettingKind::Colour, &Settings::MainShadowColor},
    SettingKey{u"SubStokeColor", SettingKind::Colour, &Settings::SubStokeColor},
    SettingKey{u"SubShadowColor", SettingKind::Colour, &Settings::SubShadowColor},
    SettingKey{u"FontStroke1", SettingKind::Number, &Settings::FontStroke1, 0, 20,
               EditRule::Stroke},
    SettingKey{u"FontStroke2", SettingKind::Number, &Settings::FontStroke2, 0, 20,
               EditRule::Stroke},
    SettingKey{u"FontStroke3", SettingKind::Number, &Settings::FontStroke3, 0, 20,
               EditRule::Stroke},
    SettingKey{u"FontShadow1", SettingKind::Number, &Settings::FontShadow1, -20, 20,
               EditRule::Shadow},
    SettingKey{u"FontShadow2", SettingKind::Number, &Settings::FontShadow2, -20, 20,
               EditRule::Shadow},
    SettingKey{u"FontShadow3", SettingKind::Number, &Settings::FontShadow3, -20, 20,
               EditRule::Shadow},
    SettingKey{u"StrokeBlur1", SettingKind::Number, &Settings::StrokeBlur1},
    SettingKey{u"StrokeBlur2", SettingKind::Number, &Settings::StrokeBlur2},
    SettingKey{u"StrokeBlur3", SettingKind::Number, &Settings::StrokeBlur3},
    SettingKey{u"ShadowBlur1", SettingKind::Number, &Settings::ShadowBlur1},
    SettingKey{u"ShadowBlur2", SettingKind::Number, &Settings::ShadowBlur2},
    SettingKey{u"ShadowBlur3", SettingKind::Number, &Settings::ShadowBlur3},
    SettingKey{u"PointX", SettingKind::Number, &Settings::PointX},
    SettingKey{u"PointY", SettingKind::Number, &Settings::PointY},
    SettingKey{u"TextAlign", SettingKind::Alignment, &Settings::TextAlign},
    SettingKey{u"TextBetween", SettingKind::Text, &Settings::TextBetween, 0, 0, EditRule::Absolute},
    SettingKey{u"TextLength", SettingKind::Text, &Settings::TextLength, 0, 0, EditRule::Absolute},
    SettingKey{u"SubTextShow", SettingKind::Range, &Settings::SubTextShow, 0, 2},
    SettingKey{u"FadeTime", SettingKind::Text, &Settings::FadeTime},
    SettingKey{u"EffectType", SettingKind::Range, &Settings::EffectType, kNoSelection, 2},
    SettingKey{u"ExampleText", SettingKind::Text, &Settings::ExampleText},

    SettingKey{u"CoverIntro", SettingKind::Range, &Settings::CoverIntro, 0, 2},
    SettingKey{u"CoverShowTime", SettingKind::Text, &Settings::CoverShowTime, 0, 0,
               EditRule::AtLeastOne},
    SettingKey{u"CoverFadeTime", SettingKind::Text, &Settings::CoverFadeTime, 0, 0,
               EditRule::AtLeastOne},
    SettingKey{u"CoverFontName", SettingKind::Text, &Settings::CoverFontName},
    SettingKey{u"CoverFontSize", SettingKind::Number, &Settings::CoverFontSize},
    SettingKey{u"CoverFontBold", SettingKind::Flag, &Settings::CoverFontBold},
    SettingKey{u"CoverFontColor", SettingKind::Colour, &Settings::CoverFontColor},
    SettingKey{u"CoverStokeColor", SettingKind::Colour, &Settings::CoverStokeColor},
    SettingKey{u"CoverShadowColor", SettingKind::Colour, &Settings::CoverShadowColor},
    SettingKey{u"CPointX", SettingKind::Number, &Settings::CPointX},
    SettingKey{u"CPointY", SettingKind::Number, &Settings::CPointY},
    SettingKey{u"CoverTextAlign", SettingKind::Alignment, &Settings::CoverTextAlign},
    SettingKey{u"CoverLength", SettingKind::Text, &Settings::CoverLength, 0, 0, EditRule::Absolute},
    SettingKey{u"CoverImageX", SettingKind::RoundedText, &Settings::CoverImageX, 0, 0,
               EditRule::Typed},
    SettingKey{u"CoverImageY", SettingKind::RoundedText, &Settings::CoverImageY, 0, 0,
               EditRule::Typed},
    SettingKey{u"CoverImageW", SettingKind::RoundedText, &Settings::CoverImageW, 0, 0,
               EditRule::Typed},
    SettingKey{u"CoverImageH", SettingKind::RoundedText, &Settings::CoverImageH, 0, 0,
               EditRule::Typed},
    SettingKey{u"CoverBGPath", SettingKind::Path, &Settings::CoverBGPath},
    SettingKey{u"CoverImagePath", SettingKind::Path, &Settings::CoverImagePath},

    SettingKey{u"TitleBar", SettingKind::Range, &Settings::TitleBar, 0, 2},
    SettingKey{u"TitleBarUpTop", SettingKind::RoundedText, &Settings::TitleBarUpTop, 0, 0,
               EditRule::Typed},
    SettingKey{u"TitleBarDownTop", SettingKind::RoundedText, &Settings::TitleBarDownTop, 0, 0,
               EditRule::Typed},
    SettingKey{u"TitleBarTextX", SettingKind::RoundedText, &Settings::TitleBarTextX, 0, 0,
               EditRule::Typed},
    SettingKey{u"TitleBarTextY", SettingKind::RoundedText, &Settings::TitleBarTextY, 0, 0,
               EditRule::Typed},
    SettingKey{u"TitleBarTextW", SettingKind::RoundedText, &Settings::TitleBarTextW, 0, 0,
               EditRule::Typed},
    SettingKey{u"TitleBarTextH", SettingKind::RoundedText, &Settings::TitleBarTextH, 0, 0,
               EditRule::Typed},
    SettingKey{u"TitleBarTextLength", SettingKind::RoundedText, &Settings::TitleBarTextLength, 0, 0,
               EditRule::Typed},
    SettingKey{u"TitleFontName", SettingKind::Text, &Settings::TitleFontName},
    SettingKey{u"TitleFontSize", SettingKind::Number, &Settings::TitleFontSize},
    SettingKey{u"TitleFontBold", SettingKind::Flag, &Settings::TitleFontBold},
    SettingKey{u"TitleFontColor", SettingKind::Colour, &Settings::TitleFontColor},
    SettingKey{u"Title Hue", SettingKind::Range, &Settings::TitleHue, 0, 3600},
    SettingKey{u"Title Speed", SettingKind::Range, &Settings::TitleSpeed, 0, 49},
    SettingKey{u"Title Brightness", SettingKind::Range, &Settings::TitleBrightness, 0, 200},
    SettingKey{u"TitleImagePath", SettingKind::Path, &Settings::TitleImagePath},
    SettingKey{u"TitleMaskPath", SettingKind::Path, &Settings::TitleMaskPath},
    SettingKey{u"TitleTextMaskPath", SettingKind::Path, &Settings::TitleTextMaskPath},
    SettingKey{u"TitleEffectMaskPath", SettingKind::Path, &Settings::TitleEffectMaskPath},

    SettingKey{u"BGColor", SettingKind::StrictColour, &Settings::BGColor},
    SettingKey{u"BGImage", SettingKind::Range, &Settings::BGImage, 0, 2},
    SettingKey{u"BGAnimation", SettingKind::Range, &Settings::BGAnimation, 0, 2},
    SettingKey{u"PicturePath", SettingKind::Path, &Settings::PicturePath},
    SettingKey{u"PsizeX", SettingKind::CanvasSize, &Settings::PsizeX},
    SettingKey{u"PsizeY", SettingKind::CanvasSize, &Settings::PsizeY},
    SettingKey{u"ScreenWidth", SettingKind::VideoSize, &Settings::ScreenWidth},
    SettingKey{u"ScreenHeight", SettingKind::VideoSize, &Settings::ScreenHeight},
    SettingKey{u"Output Ext", SettingKind::Range, &Settings::OutputExt, kNoSelection, 2},
    SettingKey{u"Audio Bitrate", SettingKind::Range, &Settings::AudioBitrate, kNoSelection, 6},
    SettingKey{u"AudioOriginal", SettingKind::Range, &Settings::AudioOriginal, 0, 2},
    SettingKey{u"Video Quality", SettingKind::Range, &Settings::VideoQuality, 0, 50},
    SettingKey{u"VideoMode", SettingKind::Range, &Settings::VideoMode, 0, 2},

    SettingKey{kStartSettingKey, SettingKind::StartSetting, &Settings::StartSetting},
    SettingKey{u"LyricsURL", SettingKind::Text, &Settings::LyricsURL},
};

QStringList KeyList(std::initializer_list<const char16_t*> names) {
    QStringList list;
    for (const char16_t* name : names) {
        list.append(QString::fromUtf16(name));
    }
    return list;
}

// Keys of this program's own, which the file format's other readers don't know: one block
// written after all of theirs, so that such a reader still finds its keys in its order. They
// are read before "TextAlign", which stays the last key read.
const QStringList& OwnKeys() {
    static const QStringList keys = KeyList({
        u"LyricsURL",  // the lyrics service's endpoint
    });
    return keys;
}

}  // namespace

std::span<const SettingKey> SettingKeys() {
    return kKeys;
}

const SettingKey* FindSettingKey(QStringView name) {
    for (const SettingKey& rule : kKeys) {
        if (rule.name == name) {
            return &rule;
        }
    }
    return nullptr;
}

const QStringList& SettingsLoadOrder() {
    static const QStringList order = KeyList({
        u"BGColor",
        u"FontBold",
        u"FontSize",
        u"MainFontColor",
        u"MainFontColor2",
        u"SubFontColor2",
        u"SubFontColor",
        u"Font2Bold",
        u"Font2Size",
        u"FontName",
        u"MainStokeColor",
        u"MainShadowColor",
        u"SubStokeColor",
        u"CoverStokeColor",
        u"SubShadowColor",
        u"CoverShadowColor",
        u"Output Ext",
        u"Audio Bitrate",
        u"Video Quality",
        u"Font2Name",
        u"PointY",
        u"PointX",
        u"PsizeX",
        u"PsizeY",
        u"TextBetween",
        u"TextLength",
        u"ScreenWidth",
        u"ScreenHeight",
        u"ExampleText",
        u"FadeTime",
        u"CoverShowTime",
        u"CoverFadeTime",
        u"TitleBarUpTop",
        u"TitleBarDownTop",
        u"TitleBarTextX",
        u"TitleBarTextY",
        u"TitleBarTextW",
        u"TitleBarTextH",
        u"CoverImageW",
        u"CoverImageH",
        u"CoverImageX",
        u"CoverImageY",
        u"TitleBarTextLength",
        u"EffectType",
        u"StrokeBlur1",
        u"StrokeBlur2",
        u"StrokeBlur3",
        u"ShadowBlur1",
        u"ShadowBlur2",
        u"ShadowBlur3",
        u"FontStroke1",
        u"FontStroke2",
        u"FontStroke3",
        u"FontShadow1",
        u"FontShadow2",
        u"FontShadow3",
        u"CPointY",
        u"CPointX",
        u"CoverFontBold",
        u"CoverFontSize",
        u"CoverFontName",
        u"CoverFontColor",
        u"TitleFontBold",
        u"TitleFontSize",
        u"TitleFontName",
        u"TitleFontColor",
        u"CoverLength",
        u"SubTextShow",
        u"BGImage",
        u"AudioOriginal",
        u"BGAnimation",
        u"CoverIntro",
        u"TitleBar",
        u"VideoMode",
        u"Title Hue",
        u"Title Speed",
        u"Title Brightness",
        u"CoverTextAlign",
        u"CoverBGPath",
        u"TitleImagePath",
        u"TitleMaskPath",
        u"TitleTextMaskPath",
        u"TitleEffectMaskPath",
        u"PicturePath",
        u"CoverImagePath",
    });
    static const QStringList withOwnKeys =
        order + OwnKeys() + QStringList{QStringLiteral("TextAlign")};
    return withOwnKeys;
}

const QStringList& SettingsSaveOrder() {
    static const QStringList order = KeyList({
        u"ProgramVersion",
        u"MainFontColor",
        u"MainFontColor2",
        u"SubFontColor2",
        u"SubFontColor",
        u"FontBold",
        u"FontSize",
        u"Font2Bold",
        u"Font2Size",
        u"FontName",
        u"Font2Name",
        u"PointY",
        u"PointX",
        u"PsizeX",
        u"PsizeY",
        u"TextBetween",
        u"TextLength",
        u"TitleBarTextLength",
        u"TitleBarUpTop",
        u"TitleBarDownTop",
        u"TitleBarTextX",
        u"TitleBarTextY",
        u"TitleBarTextW",
        u"TitleBarTextH",
        u"CoverImageW",
        u"CoverImageH",
        u"CoverImageX",
        u"CoverImageY",
        u"EffectType",
        u"CoverBGPath",
        u"TitleMaskPath",
        u"TitleImagePath",
        u"TitleEffectMaskPath",
        u"TitleTextMaskPath",
        u"CoverImagePath",
        u"PicturePath",
        u"BGColor",
        u"ScreenWidth",
        u"ScreenHeight",
        u"StartSetting",
        u"MainStokeColor",
        u"MainShadowColor",
        u"SubStokeColor",
        u"SubShadowColor",
        u"CoverStokeColor",
        u"CoverShadowColor",
        u"Output Ext",
        u"Audio Bitrate",
        u"Video Quality",
        u"ExampleText",
        u"FadeTime",
        u"CoverShowTime",
        u"FontStroke1",
        u"FontStroke2",
        u"FontStroke3",
        u"FontShadow1",
        u"FontShadow2",
        u"FontShadow3",
        u"CoverFadeTime",
        u"CPointY",
        u"CPointX",
        u"CoverFontName",
        u"CoverFontBold",
        u"CoverFontSize",
        u"CoverFontColor",
        u"TitleFontName",
        u"TitleFontBold",
        u"TitleFontSize",
        u"TitleFontColor",
        u"SubTextShow",
        u"BGImage",
        u"AudioOriginal",
        u"BGAnimation",
        u"CoverIntro",
        u"TitleBar",
        u"VideoMode",
        u"CoverLength",
        u"StrokeBlur1",
        u"StrokeBlur2",
        u"StrokeBlur3",
        u"ShadowBlur1",
        u"ShadowBlur2",
        u"ShadowBlur3",
        u"Title Hue",
        u"Title Speed",
        u"Title Brightness",
        u"CoverTextAlign",
        u"TextAlign",
    });
    static const QStringList withOwnKeys = order + OwnKeys();
    return withOwnKeys;
}

bool IsPathKey(QStringView key) {
    const SettingKey* rule = FindSettingKey(key);
    return rule != nullptr && rule->kind == SettingKind::Path;
}

QString EncodeSetting(const Settings& settings, QStringView key) {
    if (key == kSettingsVersionKey) {
        return kSettingsVersion;
    }
    const SettingKey* rule = FindSettingKey(key);
    if (rule == nullptr) {
        return {};
    }
    switch (rule->kind) {
        case SettingKind::Flag:
            return settings.*std::get<bool Settings::*>(rule->field) ? QStringLiteral("-1")
                                                                     : QStringLiteral("0");
        case SettingKind::Text:
        case SettingKind::RoundedText:
        case SettingKind::CanvasSize:
        case SettingKind::VideoSize:
        case SettingKind::Path:
            return settings.*std::get<QString Settings::*>(rule->field);
        case SettingKind::StartSetting:
            return settings.StartSetting == Preset::IPhone ? QStringLiteral("1")
                                                           : QStringLiteral("0");
        case SettingKind::Alignment: {
            const int32_t align = settings.*std::get<int32_t Settings::*>(rule->field);
            return QString::number(align >= kAlignLeft && align <= kAlignRight ? align : 0);
        }
        case SettingKind::Number:
        case SettingKind::Range:
        case SettingKind::Colour:
        case SettingKind::StrictColour:
            return QString::number(settings.*std::get<int32_t Settings::*>(rule->field));
    }
    return {};
}

std::vector<std::pair<QString, QString>> EncodeSettings(const Settings& settings) {
    std::vector<std::pair<QString, QString>> keys;
    for (const QString& key : SettingsSaveOrder()) {
        keys.emplace_back(key, EncodeSetting(settings, key));
    }
    return keys;
}

bool ApplyStoredSetting(Settings& settings, QStringView key, const QString& stored) {
    const SettingKey* rule = FindSettingKey(key);
    if (rule == nullptr) {
        return false;
    }
    const auto setNumber = [&](std::optional<int32_t> number) {
        if (!number ||
            (rule->kind == SettingKind::Range && (*number < rule->min || *number > rule->max))) {
            return false;
        }
        settings.*std::get<int32_t Settings::*>(rule->field) = *number;
        return true;
    };
    const auto setText = [&](const QString& text) {
        settings.*std::get<QString Settings::*>(rule->field) = text;
        return true;
    };
    switch (rule->kind) {
        case SettingKind::Number:
        case SettingKind::Range:
        case SettingKind::Colour:
            return setNumber(WholeNumber(stored));
        case SettingKind::StrictColour:
            return setNumber(StrictWholeNumber(stored));
        case SettingKind::Alignment: {
            const std::optional<int32_t> align = WholeNumber(stored);
            const bool valid = align && *align >= kAlignLeft && *align <= kAlignRight;
            return valid && setNumber(align);
        }
        case SettingKind::Flag:
            settings.*std::get<bool Settings::*>(rule->field) = ToInt(stored) != 0;
            return true;
        case SettingKind::StartSetting:
            settings.StartSetting = ToInt(stored) == 0 ? Preset::Phone : Preset::IPhone;
            return true;
        case SettingKind::Text:
            return setText(stored);
        case SettingKind::RoundedText:
            return setText(RoundedNumberText(stored));
        case SettingKind::CanvasSize:
            return setText(CanvasSizeText(stored));
        case SettingKind::VideoSize:
            return setText(VideoSizeText(stored));
        case SettingKind::Path:
            return false;
    }
    return false;
}

bool SetPathSetting(Settings& settings, QStringView key, const QString& path) {
    const SettingKey* rule = FindSettingKey(key);
    if (rule == nullptr || rule->kind != SettingKind::Path) {
        return false;
    }
    settings.*std::get<QString Settings::*>(rule->field) = path;
    return true;
}

QString VideoSizeText(const QString& typed) {
    return ToInt(typed) < 100 ? QStringLiteral("100") : typed;
}

QString CanvasSizeText(const QString& typed) {
    const long long size = std::llabs(static_cast<long long>(ToInt(typed)));
    return QString::number(size < 100 ? 100 : size);
}

QString RoundedNumberText(const QString& typed) {
    return QString::number(ToInt(typed));
}

std::optional<QString> ApplyEditedSetting(Settings& settings, QStringView key,
                                          const QString& value) {
    const SettingKey* rule = FindSettingKey(key);
    if (rule == nullptr || rule->kind == SettingKind::Path) {
        return std::nullopt;
    }
    const auto setText = [&](const QString& text) {
        settings.*std::get<QString Settings::*>(rule->field) = text;
        return text;
    };
    const auto setNumber = [&](int32_t number, const QString& shown) {
        settings.*std::get<int32_t Settings::*>(rule->field) = number;
        return shown;
    };
    // Absolute values of the 32-bit minimum don't fit; the boxes never hold such numbers.
    const int32_t number = ToInt(value);
    const int32_t absolute = number == std::numeric_limits<int32_t>::min()
                                 ? std::numeric_limits<int32_t>::max()
                                 : std::abs(number);
    switch (rule->edit) {
        case EditRule::AsLoaded:
            if (!ApplyStoredSetting(settings, key, value)) {
                return std::nullopt;
            }
            return EncodeSetting(settings, key);
        case EditRule::Typed:
            return setText(value);
        case EditRule::Absolute:
            return setText(QString::number(absolute));
        case EditRule::AtLeastOne:
            return setText(absolute == 0 ? QStringLiteral("1") : value);
        case EditRule::Stroke: {
            const int32_t width = absolute > rule->max ? 0 : absolute;
            return setNumber(width, QString::number(width));
        }
        case EditRule::Shadow:
            return absolute > rule->max ? setNumber(0, QStringLiteral("0"))
                                        : setNumber(number, value);
    }
    return std::nullopt;
}

}  // namespace lumek
