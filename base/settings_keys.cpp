#include "base/settings_keys.h"

#include "base/numbers.h"

#include <array>
#include <cstdlib>
#include <variant>

namespace lumek {

namespace {

// How a key's value is stored and what loading accepts.
enum class Kind {
    Number,        // whole number
    Range,         // whole number within [min, max]: sliders and lists
    Colour,        // whole number
    StrictColour,  // only a text that is exactly a whole number
    Flag,          // bold: any non-zero number
    Text,          // kept as typed
    RoundedText,   // the text of the rounded number
    CanvasSize,    // CanvasSizeText
    VideoSize,     // VideoSizeText
    Alignment,     // 1..3
    Path,          // loaded with its picture by the caller
    StartSetting,  // 0 phone, anything else iPhone
};

using Field =
    std::variant<int32_t Settings::*, bool Settings::*, QString Settings::*, Preset Settings::*>;

struct KeySpec {
    QStringView name;
    Kind kind;
    Field field;
    int32_t min = 0;
    int32_t max = 0;
};

// List indices may also be -1: the list then has no selection.
constexpr int32_t kNoSelection = -1;

const std::array kKeys = {
    KeySpec{u"FontName", Kind::Text, &Settings::FontName},
    KeySpec{u"FontSize", Kind::Number, &Settings::FontSize},
    KeySpec{u"FontBold", Kind::Flag, &Settings::FontBold},
    KeySpec{u"MainFontColor", Kind::Colour, &Settings::MainFontColor},
    KeySpec{u"MainFontColor2", Kind::Colour, &Settings::MainFontColor2},
    KeySpec{u"Font2Name", Kind::Text, &Settings::Font2Name},
    KeySpec{u"Font2Size", Kind::Number, &Settings::Font2Size},
    KeySpec{u"Font2Bold", Kind::Flag, &Settings::Font2Bold},
    KeySpec{u"SubFontColor", Kind::Colour, &Settings::SubFontColor},
    KeySpec{u"SubFontColor2", Kind::Colour, &Settings::SubFontColor2},
    KeySpec{u"MainStokeColor", Kind::Colour, &Settings::MainStokeColor},
    KeySpec{u"MainShadowColor", Kind::Colour, &Settings::MainShadowColor},
    KeySpec{u"SubStokeColor", Kind::Colour, &Settings::SubStokeColor},
    KeySpec{u"SubShadowColor", Kind::Colour, &Settings::SubShadowColor},
    KeySpec{u"FontStroke1", Kind::Number, &Settings::FontStroke1},
    KeySpec{u"FontStroke2", Kind::Number, &Settings::FontStroke2},
    KeySpec{u"FontStroke3", Kind::Number, &Settings::FontStroke3},
    KeySpec{u"FontShadow1", Kind::Number, &Settings::FontShadow1},
    KeySpec{u"FontShadow2", Kind::Number, &Settings::FontShadow2},
    KeySpec{u"FontShadow3", Kind::Number, &Settings::FontShadow3},
    KeySpec{u"StrokeBlur1", Kind::Number, &Settings::StrokeBlur1},
    KeySpec{u"StrokeBlur2", Kind::Number, &Settings::StrokeBlur2},
    KeySpec{u"StrokeBlur3", Kind::Number, &Settings::StrokeBlur3},
    KeySpec{u"ShadowBlur1", Kind::Number, &Settings::ShadowBlur1},
    KeySpec{u"ShadowBlur2", Kind::Number, &Settings::ShadowBlur2},
    KeySpec{u"ShadowBlur3", Kind::Number, &Settings::ShadowBlur3},
    KeySpec{u"PointX", Kind::Number, &Settings::PointX},
    KeySpec{u"PointY", Kind::Number, &Settings::PointY},
    KeySpec{u"TextAlign", Kind::Alignment, &Settings::TextAlign},
    KeySpec{u"TextBetween", Kind::Text, &Settings::TextBetween},
    KeySpec{u"TextLength", Kind::Text, &Settings::TextLength},
    KeySpec{u"SubTextShow", Kind::Range, &Settings::SubTextShow, 0, 2},
    KeySpec{u"FadeTime", Kind::Text, &Settings::FadeTime},
    KeySpec{u"EffectType", Kind::Range, &Settings::EffectType, kNoSelection, 2},
    KeySpec{u"ExampleText", Kind::Text, &Settings::ExampleText},

    KeySpec{u"CoverIntro", Kind::Range, &Settings::CoverIntro, 0, 2},
    KeySpec{u"CoverShowTime", Kind::Text, &Settings::CoverShowTime},
    KeySpec{u"CoverFadeTime", Kind::Text, &Settings::CoverFadeTime},
    KeySpec{u"CoverFontName", Kind::Text, &Settings::CoverFontName},
    KeySpec{u"CoverFontSize", Kind::Number, &Settings::CoverFontSize},
    KeySpec{u"CoverFontBold", Kind::Flag, &Settings::CoverFontBold},
    KeySpec{u"CoverFontColor", Kind::Colour, &Settings::CoverFontColor},
    KeySpec{u"CoverStokeColor", Kind::Colour, &Settings::CoverStokeColor},
    KeySpec{u"CoverShadowColor", Kind::Colour, &Settings::CoverShadowColor},
    KeySpec{u"CPointX", Kind::Number, &Settings::CPointX},
    KeySpec{u"CPointY", Kind::Number, &Settings::CPointY},
    KeySpec{u"CoverTextAlign", Kind::Alignment, &Settings::CoverTextAlign},
    KeySpec{u"CoverLength", Kind::Text, &Settings::CoverLength},
    KeySpec{u"CoverImageX", Kind::RoundedText, &Settings::CoverImageX},
    KeySpec{u"CoverImageY", Kind::RoundedText, &Settings::CoverImageY},
    KeySpec{u"CoverImageW", Kind::RoundedText, &Settings::CoverImageW},
    KeySpec{u"CoverImageH", Kind::RoundedText, &Settings::CoverImageH},
    KeySpec{u"CoverBGPath", Kind::Path, &Settings::CoverBGPath},
    KeySpec{u"CoverImagePath", Kind::Path, &Settings::CoverImagePath},

    KeySpec{u"TitleBar", Kind::Range, &Settings::TitleBar, 0, 2},
    KeySpec{u"TitleBarUpTop", Kind::RoundedText, &Settings::TitleBarUpTop},
    KeySpec{u"TitleBarDownTop", Kind::RoundedText, &Settings::TitleBarDownTop},
    KeySpec{u"TitleBarTextX", Kind::RoundedText, &Settings::TitleBarTextX},
    KeySpec{u"TitleBarTextY", Kind::RoundedText, &Settings::TitleBarTextY},
    KeySpec{u"TitleBarTextW", Kind::RoundedText, &Settings::TitleBarTextW},
    KeySpec{u"TitleBarTextH", Kind::RoundedText, &Settings::TitleBarTextH},
    KeySpec{u"TitleBarTextLength", Kind::RoundedText, &Settings::TitleBarTextLength},
    KeySpec{u"TitleFontName", Kind::Text, &Settings::TitleFontName},
    KeySpec{u"TitleFontSize", Kind::Number, &Settings::TitleFontSize},
    KeySpec{u"TitleFontBold", Kind::Flag, &Settings::TitleFontBold},
    KeySpec{u"TitleFontColor", Kind::Colour, &Settings::TitleFontColor},
    KeySpec{u"Title Hue", Kind::Range, &Settings::TitleHue, 0, 3600},
    KeySpec{u"Title Speed", Kind::Range, &Settings::TitleSpeed, 0, 49},
    KeySpec{u"Title Brightness", Kind::Range, &Settings::TitleBrightness, 0, 200},
    KeySpec{u"TitleImagePath", Kind::Path, &Settings::TitleImagePath},
    KeySpec{u"TitleMaskPath", Kind::Path, &Settings::TitleMaskPath},
    KeySpec{u"TitleTextMaskPath", Kind::Path, &Settings::TitleTextMaskPath},
    KeySpec{u"TitleEffectMaskPath", Kind::Path, &Settings::TitleEffectMaskPath},

    KeySpec{u"BGColor", Kind::StrictColour, &Settings::BGColor},
    KeySpec{u"BGImage", Kind::Range, &Settings::BGImage, 0, 2},
    KeySpec{u"BGAnimation", Kind::Range, &Settings::BGAnimation, 0, 2},
    KeySpec{u"PicturePath", Kind::Path, &Settings::PicturePath},
    KeySpec{u"PsizeX", Kind::CanvasSize, &Settings::PsizeX},
    KeySpec{u"PsizeY", Kind::CanvasSize, &Settings::PsizeY},
    KeySpec{u"ScreenWidth", Kind::VideoSize, &Settings::ScreenWidth},
    KeySpec{u"ScreenHeight", Kind::VideoSize, &Settings::ScreenHeight},
    KeySpec{u"Output Ext", Kind::Range, &Settings::OutputExt, kNoSelection, 2},
    KeySpec{u"Audio Bitrate", Kind::Range, &Settings::AudioBitrate, kNoSelection, 6},
    KeySpec{u"AudioOriginal", Kind::Range, &Settings::AudioOriginal, 0, 2},
    KeySpec{u"Video Quality", Kind::Range, &Settings::VideoQuality, 0, 50},
    KeySpec{u"VideoMode", Kind::Range, &Settings::VideoMode, 0, 2},

    KeySpec{kStartSettingKey, Kind::StartSetting, &Settings::StartSetting},
    KeySpec{u"LyricsURL", Kind::Text, &Settings::LyricsURL},
};

const KeySpec* FindKey(QStringView key) {
    for (const KeySpec& spec : kKeys) {
        if (spec.name == key) {
            return &spec;
        }
    }
    return nullptr;
}

QStringList KeyList(std::initializer_list<const char16_t*> names) {
    QStringList list;
    for (const char16_t* name : names) {
        list.append(QString::fromUtf16(name));
    }
    return list;
}

}  // namespace

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
        u"LyricsURL",
        u"TextAlign",
    });
    return order;
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
        u"LyricsURL",
    });
    return order;
}

bool IsPathKey(QStringView key) {
    const KeySpec* spec = FindKey(key);
    return spec != nullptr && spec->kind == Kind::Path;
}

QString EncodeSetting(const Settings& settings, QStringView key) {
    if (key == kSettingsVersionKey) {
        return kSettingsVersion;
    }
    const KeySpec* spec = FindKey(key);
    if (spec == nullptr) {
        return {};
    }
    switch (spec->kind) {
        case Kind::Flag:
            return settings.*std::get<bool Settings::*>(spec->field) ? QStringLiteral("-1")
                                                                     : QStringLiteral("0");
        case Kind::Text:
        case Kind::RoundedText:
        case Kind::CanvasSize:
        case Kind::VideoSize:
        case Kind::Path:
            return settings.*std::get<QString Settings::*>(spec->field);
        case Kind::StartSetting:
            return settings.StartSetting == Preset::IPhone ? QStringLiteral("1")
                                                           : QStringLiteral("0");
        case Kind::Alignment: {
            const int32_t align = settings.*std::get<int32_t Settings::*>(spec->field);
            return QString::number(align >= kAlignLeft && align <= kAlignRight ? align : 0);
        }
        case Kind::Number:
        case Kind::Range:
        case Kind::Colour:
        case Kind::StrictColour:
            return QString::number(settings.*std::get<int32_t Settings::*>(spec->field));
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
    const KeySpec* spec = FindKey(key);
    if (spec == nullptr) {
        return false;
    }
    const auto setNumber = [&](std::optional<int32_t> number) {
        if (!number ||
            (spec->kind == Kind::Range && (*number < spec->min || *number > spec->max))) {
            return false;
        }
        settings.*std::get<int32_t Settings::*>(spec->field) = *number;
        return true;
    };
    const auto setText = [&](const QString& text) {
        settings.*std::get<QString Settings::*>(spec->field) = text;
        return true;
    };
    switch (spec->kind) {
        case Kind::Number:
        case Kind::Range:
        case Kind::Colour:
            return setNumber(WholeNumber(stored));
        case Kind::StrictColour:
            return setNumber(StrictWholeNumber(stored));
        case Kind::Alignment: {
            const std::optional<int32_t> align = WholeNumber(stored);
            const bool valid = align && *align >= kAlignLeft && *align <= kAlignRight;
            return valid && setNumber(align);
        }
        case Kind::Flag:
            settings.*std::get<bool Settings::*>(spec->field) = ToInt(stored) != 0;
            return true;
        case Kind::StartSetting:
            settings.StartSetting = ToInt(stored) == 0 ? Preset::Phone : Preset::IPhone;
            return true;
        case Kind::Text:
            return setText(stored);
        case Kind::RoundedText:
            return setText(RoundedNumberText(stored));
        case Kind::CanvasSize:
            return setText(CanvasSizeText(stored));
        case Kind::VideoSize:
            return setText(VideoSizeText(stored));
        case Kind::Path:
            return false;
    }
    return false;
}

bool SetPathSetting(Settings& settings, QStringView key, const QString& path) {
    const KeySpec* spec = FindKey(key);
    if (spec == nullptr || spec->kind != Kind::Path) {
        return false;
    }
    settings.*std::get<QString Settings::*>(spec->field) = path;
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

}  // namespace lumek
