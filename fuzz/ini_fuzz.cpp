// Settings files: INI parsing, reading every setting into the record, and rewriting keys with
// the lines around them kept.

#include "base/inifile.h"
#include "base/settings.h"
#include "base/settings_keys.h"
#include "fuzz/fuzz_support.h"

using namespace lumek;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size).toByteArray();
    IniFile ini = IniFile::FromBytes(bytes);
    fuzz::Expect(ini.toBytes() == bytes, "an untouched file is written back byte for byte");

    Settings settings = MakePreset(Preset::IPhone);
    QStringList before;
    for (const QString& key : SettingsLoadOrder()) {
        before.append(ini.value(kSettingsSection, key));
        if (!IsPathKey(key)) {
            ApplyStoredSetting(settings, key, before.last());
        }
    }
    EncodeSettings(settings);

    // An ASCII value, then one CP949 can't hold, which turns a CP949 file into UTF-8.
    const std::pair<QString, QString> edits[] = {
        {QStringLiteral("TextAlign"), QStringLiteral("2")},
        {QStringLiteral("LyricsURL"), QStringLiteral("http://가사.example/\u2603")},
    };
    for (const auto& [key, value] : edits) {
        ini.setValue(kSettingsSection, key, value);
        const IniFile reread = IniFile::FromBytes(ini.toBytes());
        fuzz::Expect(reread.value(kSettingsSection, key) == value, "a written key reads back");
        for (qsizetype i = 0; i < SettingsLoadOrder().size(); ++i) {
            const QString& other = SettingsLoadOrder()[i];
            if (other != u"TextAlign" && other != u"LyricsURL") {
                fuzz::Expect(reread.value(kSettingsSection, other) == before[i],
                             "writing a key keeps the others");
            }
        }
    }
    return 0;
}
