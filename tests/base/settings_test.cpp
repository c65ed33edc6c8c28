#include "base/derived_settings.h"
#include "base/settings_keys.h"
#include "support/qt_printers.h"

#include <QFile>

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

// The load order reads every saved key once, the version and StartSetting aside (they are read
// first). The save order itself is that of the reference files.
TEST(SettingsTest, LoadOrderReadsEverySavedKeyOnce) {
    QStringList load = SettingsLoadOrder();
    EXPECT_EQ(load.last(), QStringLiteral("TextAlign"));
    QStringList save = SettingsSaveOrder();
    load << kSettingsVersionKey << kStartSettingKey;
    load.sort();
    save.sort();
    EXPECT_EQ(load, save);
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
    // Rows "key=stored|loaded", loaded being the value as it would be saved again, after "!" when
    // the stored value is refused and the key keeps its default.
    const QStringList cases =
        QStringLiteral(
            "FontSize=12.5|12;FontSize=13.5|14;FontSize=big|0;FontSize=1e99|1;"
            "FontSize=99999999999|!44;"
            "TitleBarTextX=12abc|12;CoverImageW=-7.5|-8;TextBetween=12abc|12abc;TextLength=-5|-5;"
            "ScreenWidth=50|100;ScreenWidth=|100;ScreenWidth=640x|640x;PsizeX=-500|500;"
            "PsizeY=50|100;PsizeY=240.5|240;Output Ext=7|!0;Output Ext=2|2;"
            "Audio Bitrate=6|6;Audio Bitrate=7|!1;EffectType=-2|!0;"
            "FontBold=-1|-1;FontBold=5|-1;FontBold=0|0;FontBold=x|0;"
            "BGColor=255|255;BGColor=12.0|!-2147483643;BGColor=12abc|!-2147483643;"
            "MainFontColor=255abc|255;SubTextShow=2|2;SubTextShow=3|!0;Video Quality=51|!50;"
            "Title Hue=3600|3600;Title Speed=50|!1;Title Brightness=-1|!100;"
            "TextAlign=3|3;TextAlign=4|!2;CoverTextAlign=0|!2;StartSetting=|0;StartSetting=7|1;"
            "ExampleText= 가사 | 가사 ;PicturePath=/tmp/x.png|!;NoSuchKey=1|!")
            .split(u';');
    for (const QString& text : cases) {
        SCOPED_TRACE(text.toStdString());
        const QString key = text.section(u'=', 0, 0);
        const QString stored = text.section(u'=', 1).section(u'|', 0, 0);
        const QString loaded = text.section(u'|', 1);
        Settings settings;
        EXPECT_EQ(ApplyStoredSetting(settings, key, stored), !loaded.startsWith(u'!'));
        EXPECT_EQ(EncodeSetting(settings, key), loaded.startsWith(u'!') ? loaded.mid(1) : loaded);
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

// The renderers' values are the typed texts as whole numbers, clamped where a time can't be
// negative or a fade would run too long; only state 1 ticks a check box.
TEST(SettingsTest, DerivedValuesAreTheTypedTextsAsNumbers) {
    const Settings preset = MakePreset(Preset::IPhone);
    const DerivedSettings d = DeriveSettings(preset);
    EXPECT_EQ(std::tuple(d.textBetween, d.fadeFrames, d.coverIntroEnd(), d.titleBarDownAt(),
                         d.titleBarUpTop, d.titleBarTextLength, d.screenWidth),
              std::tuple(70, 2, 50, 60, -50, 11, 480));
    EXPECT_TRUE(d.titleFits(QStringLiteral("열한 글자인 제목이다")));
    EXPECT_FALSE(d.titleFits(QStringLiteral("열두 글자가 넘는 제목")));

    struct Case {
        const char* fade;
        int32_t effectType, check;
        int32_t fadeFrames;
        TransitionEffect effect;
        bool ticked;
    };
    for (const Case& c : {Case{"-4", 0, 1, 0, TransitionEffect::Blur, true},
                          Case{"2.5", 1, 2, 2, TransitionEffect::Spread, false},
                          Case{"99999", 2, 0, kMaxFadeTime, TransitionEffect::Mosaic, false},
                          Case{"x", 7, 1, 0, TransitionEffect::Blur, true}}) {
        SCOPED_TRACE(c.fade);
        Settings s = preset;
        s.FadeTime = QString::fromUtf8(c.fade);
        s.EffectType = c.effectType;
        s.SubTextShow = s.CoverIntro = s.TitleBar = s.BGImage = s.BGAnimation = c.check;
        const DerivedSettings e = DeriveSettings(s);
        EXPECT_EQ(e.fadeFrames, c.fadeFrames);
        EXPECT_EQ(e.effect, c.effect);
        EXPECT_EQ(std::vector<bool>({e.neighboursShown, e.coverIntro, e.titleBar, e.backgroundImage,
                                     e.backgroundAnimation}),
                  std::vector<bool>(5, c.ticked));
    }
}

}  // namespace
}  // namespace lumek
