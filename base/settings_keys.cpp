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

struct KeyRule {
    QStringView name;
    Kind kind;
    Field field;
    int32_t min = 0;
    int32_t max = 0;
};

// List indices may also be -1: the list then has no selection.
constexpr int32_t kNoSelection = -1;

const std::array kKeys = {
    KeyRule{u"FontName", Kind::Text, &Settings::FontName},
    KeyRule{u"FontSize", Kind::Number, &Settings::FontSize},
    KeyRule{u"FontBold", Kind::Flag, &Settings::FontBold},
    KeyRule{u"MainFontColor", Kind::Colour, &Settings::MainFontColor},
    KeyRule{u"MainFontColor2", Kind::Colour, &Settings::MainFontColor2},
    KeyRule{u"Font2Name", Kind::Text, &Settings::Font2Name},
    KeyRule{u"Font2Size", Kind::Number, &Settings::Font2Size},
    KeyRule{u"Font2Bold", Kind::Flag, &Settings::Font2Bold},
    KeyRule{u"SubFontColor", Kind::Colour, &Settings::SubFontColor},
    KeyRule{u"SubFontColor2", Kind::Colour, &Settings::SubFontColor2},
    KeyRule{u"MainStokeColor", Kind::Colour, &Settings::MainStokeColor},
    KeyRule{u"MainShadowColor", Kind::Colour, &Settings::MainShadowColor},
    KeyRule{u"SubStokeColor", Kind::Colour, &Settings::SubStokeColor},
    KeyRule{u"SubShadowColor", Kind::Colour, &Settings::SubShadowColor},
    KeyRule{u"FontStroke1", Kind::Number, &Settings::FontStroke1},
    KeyRule{u"FontStroke2", Kind::Number, &Settings::FontStroke2},
    KeyRule{u"FontStroke3", Kind::Number, &Settings::FontStroke3},
    KeyRule{u"FontShadow1", Kind::Number, &Settings::FontShadow1},
    KeyRule{u"FontShadow2", Kind::Number, &Settings::FontShadow2},
    KeyRule{u"FontShadow3", Kind::Number, &Settings::FontShadow3},
    KeyRule{u"StrokeBlur1", Kind::Number, &Settings::StrokeBlur1},
    KeyRule{u"StrokeBlur2", Kind::Number, &Settings::StrokeBlur2},
    KeyRule{u"StrokeBlur3", Kind::Number, &Settings::StrokeBlur3},
    KeyRule{u"ShadowBlur1", Kind::Number, &Settings::ShadowBlur1},
    KeyRule{u"ShadowBlur2", Kind::Number, &Settings::ShadowBlur2},
    KeyRule{u"ShadowBlur3", Kind::Number, &Settings::ShadowBlur3},
    KeyRule{u"PointX", Kind::Number, &Settings::PointX},
    KeyRule{u"PointY", Kind::Number, &Settings::PointY},
    KeyRule{u"TextAlign", Kind::Alignment, &Settings::TextAlign},
    KeyRule{u"TextBetween", Kind::Text, &Settings::TextBetween},
    KeyRule{u"TextLength", Kind::Text, &Settings::TextLength},
    KeyRule{u"SubTextShow", Kind::Range, &Settings::SubTextShow, 0, 2},
    KeyRule{u"FadeTime", Kind::Text, &Settings::FadeTime},
    KeyRule{u"EffectType", Kind::Range, &Settings::EffectType, kNoSelection, 2},
    KeyRule{u"ExampleText", Kind::Text, &Settings::ExampleText},

    KeyRule{u"CoverIntro", Kind::Range, &Settings::CoverIntro, 0, 2},
    KeyRule{u"CoverShowTime", Kind::Text, &Settings::CoverShowTime},
    KeyRule{u"CoverFadeTime", Kind::Text, &Settings::CoverFadeTime},
    KeyRule{u"CoverFontName", Kind::Text, &Settings::CoverFontName},
    KeyRule{u"CoverFontSize", Kind::Number, &Settings::CoverFontSize},
    KeyRule{u"CoverFontBold", Kind::Flag, &Settings::CoverFontBold},
    KeyRule{u"CoverFontColor", Kind::Colour, &Settings::CoverFontColor},
    KeyRule{u"CoverStokeColor", Kind::Colour, &Settings::CoverStokeColor},
    KeyRule{u"CoverShadowColor", Kind::Colour, &Settings::CoverShadowColor},
    KeyRule{u"CPointX", Kind::Number, &Settings::CPointX},
    KeyRule{u"CPointY", Kind::Number, &Settings::CPointY},
    KeyRule{u"CoverTextAlign", Kind::Alignment, &Settings::CoverTextAlign},
    KeyRule{u"CoverLength", Kind::Text, &Settings::CoverLength},
    KeyRule{u"CoverImageX", Kind::RoundedText, &Settings::CoverImageX},
    KeyRule{u"CoverImageY", Kind::RoundedText, &Settings::CoverImageY},
    KeyRule{u"CoverImageW", Kind::RoundedText, &Settings::CoverImageW},
    KeyRule{u"CoverImageH", Kind::RoundedText, &Settings::CoverImageH},
    KeyRule{u"CoverBGPath", Kind::Path, &Settings::CoverBGPath},
    KeyRule{u"CoverImagePath", Kind::Path, &Settings::CoverImagePath},

    KeyRule{u"TitleBar", Kind::Range, &Settings::TitleBar, 0, 2},
    KeyRule{u"TitleBarUpTop", Kind::RoundedText, &Settings::TitleBarUpTop},
    KeyRule{u"TitleBarDownTop", Kind::RoundedText, &Settings::TitleBarDownTop},
    KeyRule{u"TitleBarTextX", Kind::RoundedText, &Settings::TitleBarTextX},
    KeyRule{u"TitleBarTextY", Kind::RoundedText, &Settings::TitleBarTextY},
    KeyRule{u"TitleBarTextW", Kind::RoundedText, &Settings::TitleBarTextW},
    KeyRule{u"TitleBarTextH", Kind::RoundedText, &Settings::TitleBarTextH},
    KeyRule{u"TitleBarTextLength", Kind::RoundedText, &Settings::TitleBarTextLength},
    KeyRule{u"TitleFontName", Kind::Text, &Settings::TitleFontName},
    KeyRule{u"TitleFontSize", Kind::Number, &Settings::TitleFontSize},
    KeyRule{u"TitleFontBold", Kind::Flag, &Settings::TitleFontBold},
    KeyRule{u"TitleFontColor", Kind::Colour, &Settings::TitleFontColor},
    KeyRule{u"Title Hue", Kind::Range, &Settings::TitleHue, 0, 3600},
    KeyRule{u"Title Speed", Kind::Range, &Settings::TitleSpeed, 0, 49},
    KeyRule{u"Title Brightness", Kind::Range, &Settings::TitleBrightness, 0, 200},
    KeyRule{u"TitleImagePath", Kind::Path, &Settings::TitleImagePath},
    KeyRule{u"TitleMaskPath", Kind::Path, &Settings::TitleMaskPath},
    KeyRule{u"TitleTextMaskPath", Kind::Path, &Settings::TitleTextMaskPath},
    KeyRule{u"TitleEffectMaskPath", Kind::Path, &Settings::TitleEffectMaskPath},

    KeyRule{u"BGColor", Kind::StrictColour, &Settings::BGColor},
    KeyRule{u"BGImage", Kind::Range, &Settings::BGImage, 0, 2},
    KeyRule{u"BGAnimation", Kind::Range, &Settings::BGAnimation, 0, 2},
    KeyRule{u"PicturePath", Kind::Path, &Settings::PicturePath},
    KeyRule{u"PsizeX", Kind::CanvasSize, &Settings::PsizeX},
    KeyRule{u"PsizeY", Kind::CanvasSize, &Settings::PsizeY},
    KeyRule{u"ScreenWidth", Kind::VideoSize, &Settings::ScreenWidth},
    KeyRule{u"ScreenHeight", Kind::VideoSize, &Settings::ScreenHeight},
    KeyRule{u"Output Ext", Kind::Range, &Settings::OutputExt, kNoSelection, 2},
    KeyRule{u"Audio Bitrate", Kind::Range, &Settings::AudioBitrate, kNoSelection, 6},
    KeyRule{u"AudioOriginal", Kind::Range, &Settings::AudioOriginal, 0, 2},
    KeyRule{u"Video Quality", Kind::Range, &Settings::VideoQuality, 0, 50},
    KeyRule{u"VideoMode", Kind::Range, &Settings::VideoMode, 0, 2},

    KeyRule{kStartSettingKey, Kind::StartSetting, &Settings::StartSetting},
    KeyRule{u"LyricsURL", Kind::Text, &Settings::LyricsURL},
};

const KeyRule* FindKey(QStringView key) {
    for (const KeyRule& rule : kKeys) {
        if (rule.name == key) {
            return &rule;
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
    const KeyRule* rule = FindKey(key);
    return rule != nullptr && rule->kind == Kind::Path;
}

QString EncodeSetting(const Settings& settings, QStringView key) {
    if (key == kSettingsVersionKey) {
        return kSettingsVersion;
    }
    const KeyRule* rule = FindKey(key);
    if (rule == nullptr) {
        return {};
    }
    switch (rule->kind) {
        case Kind::Flag:
            return settings.*std::get<bool Settings::*>(rule->field) ? QStringLiteral("-1")
                                                                     : QStringLiteral("0");
        case Kind::Text:
        case Kind::RoundedText:
        case Kind::CanvasSize:
        case Kind::VideoSize:
        case Kind::Path:
            return settings.*std::get<QString Settings::*>(rule->field);
        case Kind::StartSetting:
            return settings.StartSetting == Preset::IPhone ? QStringLiteral("1")
                                                           : QStringLiteral("0");
        case Kind::Alignment: {
            const int32_t align = settings.*std::get<int32_t Settings::*>(rule->field);
            return QString::number(align >= kAlignLeft && align <= kAlignRight ? align : 0);
        }
        case Kind::Number:
        case Kind::Range:
        case Kind::Colour:
        case Kind::StrictColour:
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
    const KeyRule* rule = FindKey(key);
    if (rule == nullptr) {
        return false;
    }
    const auto setNumber = [&](std::optional<int32_t> number) {
        if (!number ||
            (rule->kind == Kind::Range && (*number < rule->min || *number > rule->max))) {
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
            settings.*std::get<bool Settings::*>(rule->field) = ToInt(stored) != 0;
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
    const KeyRule* rule = FindKey(key);
    if (rule == nullptr || rule->kind != Kind::Path) {
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

}  // namespace lumek
