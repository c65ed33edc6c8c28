#pragma once

#include "base/settings.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <utility>
#include <vector>

namespace lumek {

// The settings file: one section, every key a line "Key=value".
inline const QString kSettingsSection = QStringLiteral("Program Settings");
inline const QString kSettingsVersionKey = QStringLiteral("ProgramVersion");
inline const QString kSettingsVersion = QStringLiteral("2.2");
inline const QString kStartSettingKey = QStringLiteral("StartSetting");

// Keys in the order they are read: every key but the version and "StartSetting" (which are read
// first), the path keys near the end and "TextAlign" last.
const QStringList& SettingsLoadOrder();
// Every key in the order it is written, the version first.
const QStringList& SettingsSaveOrder();

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

// The change rules of the size boxes, also used by the window.
// Video size: a value below 100 becomes "100"; any other text stays as typed.
QString VideoSizeText(const QString& typed);
// Canvas size: the absolute value of the number, at least 100.
QString CanvasSizeText(const QString& typed);
// Geometry boxes read back as the text of their rounded number ("12abc" gives "12").
QString RoundedNumberText(const QString& typed);

}  // namespace lumek
