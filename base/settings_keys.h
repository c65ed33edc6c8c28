#pragma once

#include "base/settings.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <span>
#include <utility>
#include <variant>
#include <vector>

namespace lumek {

// The settings file: one section, every key a line "Key=value".
inline const QString kSettingsSection = QStringLiteral("Program Settings");
inline const QString kSettingsVersionKey = QStringLiteral("ProgramVersion");
inline const QString kSettingsVersion = QStringLiteral("2.2");
inline const QString kStartSettingKey = QStringLiteral("StartSetting");

// Keys in the order they are read: every key but the version and "StartSetting" (which are read
// first), the path keys near the end, this program's own keys and "TextAlign" last.
const QStringList& SettingsLoadOrder();
// Every key in the order it is written, the version first and this program's own keys
// ("LyricsURL") in one block after all the keys other readers of the format know.
const QStringList& SettingsSaveOrder();

// How a key's value is stored and what loading accepts.
enum class SettingKind {
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

// What a control does to a value the user typed or picked before it is stored.
enum class EditRule {
    AsLoaded,    // the rule of loading (lists, sliders, check boxes, colours, sizes)
    Typed,       // kept as typed; the renderers read its number (geometry, transition length)
    Absolute,    // the text becomes the absolute value of its number (gaps and margins)
    AtLeastOne,  // a number of 0 becomes "1", other text stays (cover times)
    Stroke,      // the absolute value, 0 when it is above max (outline width)
    Shadow,      // 0 when its absolute value is above max, the sign kept (shadow offset)
};

using SettingField =
    std::variant<int32_t Settings::*, bool Settings::*, QString Settings::*, Preset Settings::*>;

// One key of the settings file: its field, how it loads and how its control edits it. min and
// max bound a Range on loading and a Stroke or Shadow on editing.
struct SettingKey {
    QStringView name;
    SettingKind kind;
    SettingField field;
    int32_t min = 0;
    int32_t max = 0;
    EditRule edit = EditRule::AsLoaded;
};

// Every key but the version, in no particular order; pages build their controls from it.
std::span<const SettingKey> SettingKeys();
const SettingKey* FindSettingKey(QStringView name);

bool IsPathKey(QStringView key);

// The text a key is written as: numbers and colours in decimal, bold flags "-1"/"0", texts and
// paths verbatim, "StartSetting" "1" (iPhone) or "0" (phone), alignments "1".."3" or "0".
QString EncodeSetting(const Settings& settings, QStringView key);
// Every key with its text, in save order.
std::vector<std::pair<QString, QString>> EncodeSettings(const Settings& settings);

// Puts a stored value into its field as loading does, with the rule of the key's control: numbers
// are read with ToInt (a non-number is 0), "BGColor" only as a strict whole number, bold flags are
// any non-zero number, list indices, check states, sliders and alignments only within their range,
// the geometry texts become the text of their rounded number, the canvas and video sizes follow
// their boxes' minimum rules. Returns false (field unchanged) when the value can't be applied.
// Path keys and unknown keys are not handled here.
bool ApplyStoredSetting(Settings& settings, QStringView key, const QString& stored);

// Stores a path key's text (the caller loads its picture).
bool SetPathSetting(Settings& settings, QStringView key, const QString& path);

// Puts a value from a control into its field with the key's edit rule. Returns the text the
// control shows afterwards, or nothing (field unchanged) when the value is refused. Path keys
// and unknown keys are refused.
std::optional<QString> ApplyEditedSetting(Settings& settings, QStringView key,
                                          const QString& value);

// The change rules of the size boxes, also used by the window.
// Video size: a value below 100 becomes "100"; any other text stays as typed.
QString VideoSizeText(const QString& typed);
// Canvas size: the absolute value of the number, at least 100.
QString CanvasSizeText(const QString& typed);
// Geometry boxes read back as the text of their rounded number ("12abc" gives "12").
QString RoundedNumberText(const QString& typed);

}  // namespace lumek
