#include "base/settings_keys.h"
#include "support/qt_printers.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

namespace lumek {
namespace {

QString ReferenceText(const QString& name) {
    QFile file(QStringLiteral(LUMEK_TEST_SOURCE_DIR "/base/data/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return QString::fromUtf8(file.readAll());
}

QString Encoded(const Settings& settings) {
    QString text;
    for (const auto& [key, value] : EncodeSettings(settings)) {
        text += key + u'=' + value + u'\n';
    }
    return text;
}

TEST(SettingsTest, KeyOrdersCoverEveryKeyOnce) {
    const QStringList& load = SettingsLoadOrder();
    const QStringList& save = SettingsSaveOrder();
    const QSet<QString> loadSet(load.begin(), load.end());
    const QSet<QString> saveSet(save.begin(), save.end());
    EXPECT_EQ(loadSet.size(), load.size()) << "a key is loaded twice";
    EXPECT_EQ(saveSet.size(), save.size()) << "a key is saved twice";
    EXPECT_EQ(save.first(), kSettingsVersionKey);
    EXPECT_EQ(load.last(), QStringLiteral("TextAlign"));
    QSet<QString> expected = loadSet;
    expected << kSettingsVersionKey << kStartSettingKey;
    EXPECT_EQ(saveSet, expected);
}

TEST(SettingsTest, PresetsHoldEveryValueInSaveOrder) {
    for (const auto& [preset, file] : {std::pair{Preset::IPhone, "iphone_preset.txt"},
                                       std::pair{Preset::Phone, "phone_preset.txt"}}) {
        SCOPED_TRACE(file);
        const QString expected = ReferenceText(QString::fromLatin1(file));
        const QString actual = Encoded(MakePreset(preset));
        EXPECT_EQ(actual, expected) << "actual:\n"
                                    << actual.toStdString() << "\nexpected:\n"
                                    << expected.toStdString();
    }
}

TEST(SettingsTest, StoredValuesLoadByTheirKeysRules) {
    struct Case {
        const char16_t* key;
        const char16_t* stored;
        bool applied;
        const char16_t* loaded;  // the value as it would be saved again
    };
    const Case cases[] = {
        {u"FontSize", u"12.5", true, u"12"},
        {u"FontSize", u"13.5", true, u"14"},
        {u"FontSize", u"big", true, u"0"},
        {u"FontSize", u"1e99", true, u"1"},
        {u"FontSize", u"99999999999", false, u"44"},
        {u"TitleBarTextX", u"12abc", true, u"12"},
        {u"CoverImageW", u"-7.5", true, u"-8"},
        {u"TextBetween", u"12abc", true, u"12abc"},
        {u"TextLength", u"-5", true, u"-5"},
        {u"ScreenWidth", u"50", true, u"100"},
        {u"ScreenWidth", u"", true, u"100"},
        {u"ScreenWidth", u"640x", true, u"640x"},
        {u"PsizeX", u"-500", true, u"500"},
        {u"PsizeY", u"50", true, u"100"},
        {u"PsizeY", u"240.5", true, u"240"},
        {u"Output Ext", u"7", false, u"0"},
        {u"Output Ext", u"2", true, u"2"},
        {u"Audio Bitrate", u"6", true, u"6"},
        {u"Audio Bitrate", u"7", false, u"1"},
        {u"EffectType", u"-2", false, u"0"},
        {u"FontBold", u"-1", true, u"-1"},
        {u"FontBold", u"5", true, u"-1"},
        {u"FontBold", u"0", true, u"0"},
        {u"FontBold", u"x", true, u"0"},
        {u"BGColor", u"255", true, u"255"},
        {u"BGColor", u"12.0", false, u"-2147483643"},
        {u"BGColor", u"12abc", false, u"-2147483643"},
        {u"MainFontColor", u"255abc", true, u"255"},
        {u"SubTextShow", u"2", true, u"2"},
        {u"SubTextShow", u"3", false, u"0"},
        {u"Video Quality", u"51", false, u"50"},
        {u"Title Hue", u"3600", true, u"3600"},
        {u"Title Speed", u"50", false, u"1"},
        {u"Title Brightness", u"-1", false, u"100"},
        {u"TextAlign", u"3", true, u"3"},
        {u"TextAlign", u"4", false, u"2"},
        {u"CoverTextAlign", u"0", false, u"2"},
        {u"StartSetting", u"", true, u"0"},
        {u"StartSetting", u"7", true, u"1"},
        {u"ExampleText", u" 가사 ", true, u" 가사 "},
        {u"PicturePath", u"/tmp/x.png", false, u""},
        {u"NoSuchKey", u"1", false, u""},
    };
    for (const Case& c : cases) {
        const QString key = QString::fromUtf16(c.key);
        SCOPED_TRACE((key + u'=' + QString::fromUtf16(c.stored)).toStdString());
        Settings settings;
        EXPECT_EQ(ApplyStoredSetting(settings, key, QString::fromUtf16(c.stored)), c.applied);
        EXPECT_EQ(EncodeSetting(settings, key), QString::fromUtf16(c.loaded));
    }
}

TEST(SettingsTest, SizeBoxRulesMatchTheWindowsBoxes) {
    EXPECT_EQ(VideoSizeText(QStringLiteral("99.5")), QStringLiteral("99.5"));  // rounds to 100
    EXPECT_EQ(VideoSizeText(QStringLiteral("99.4")), QStringLiteral("100"));
    EXPECT_EQ(VideoSizeText(QStringLiteral("100")), QStringLiteral("100"));
    EXPECT_EQ(VideoSizeText(QStringLiteral("-300")), QStringLiteral("100"));
    EXPECT_EQ(CanvasSizeText(QStringLiteral("-300")), QStringLiteral("300"));
    EXPECT_EQ(CanvasSizeText(QStringLiteral("-2147483648")), QStringLiteral("2147483648"));
    EXPECT_EQ(RoundedNumberText(QStringLiteral("2.5")), QStringLiteral("2"));
    Settings settings;
    EXPECT_TRUE(SetPathSetting(settings, u"CoverBGPath", QStringLiteral("/a b.png")));
    EXPECT_EQ(settings.CoverBGPath, QStringLiteral("/a b.png"));
    EXPECT_FALSE(SetPathSetting(settings, u"FontName", QStringLiteral("x")));
}

}  // namespace
}  // namespace lumek
