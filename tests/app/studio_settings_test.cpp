#include "app/builtin_pictures.h"
#include "app/studio.h"
#include "base/settings_keys.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumek {
namespace {

class StudioSettingsTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("LumekSetting.ini")) const {
        return QDir(dir_.path()).filePath(name);
    }

    void writeFile(const QString& fileName, const QByteArray& bytes) const {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const QString& fileName) const {
        QFile file(fileName);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // A valid settings file holding the given preset's values, then the extra lines.
    QByteArray presetFile(Preset preset, const QByteArray& extra = {}) const {
        QByteArray bytes = "[Program Settings]\r\n";
        for (const auto& [key, value] : EncodeSettings(MakePreset(preset))) {
            bytes += (key + u'=' + value).toUtf8() + "\r\n";
        }
        return bytes + extra;
    }

    // Loads a file as start-up does; the answers are for a first-run question.
    bool load(Studio& studio, const QString& fileName) {
        const bool accepted = studio.LoadSettings(fileName);
        studio.LoadingInProgress = false;
        return accepted;
    }

    testing::RecordingHost host_;
    QTemporaryDir dir_;
};

bool SameImage(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

TEST_F(StudioSettingsTest, MissingFileAsksTheFirstRunQuestion) {
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        testing::RecordingHost host;
        host.yesNoReplies = {yes};
        Studio studio(host);
        EXPECT_FALSE(studio.LoadSettings(path(QStringLiteral("missing.ini"))));
        ASSERT_EQ(host.questions.size(), 1u);
        EXPECT_EQ(host.questions[0].title, QStringLiteral("루멕 기본설정"));
        EXPECT_EQ(
            host.questions[0].text,
            QStringLiteral("프로그램을 처음 실행하셨습니다.\r\n기본설정을 아이폰/아이팟터치로 "
                           "하시겠습니까?\r\n아니오를 누르시면 기본설정을 핸드폰으로 합니다."));
        const Preset preset = yes ? Preset::IPhone : Preset::Phone;
        EXPECT_EQ(studio.settings, MakePreset(preset));
        EXPECT_EQ(studio.settings.ScreenWidth, yes ? QStringLiteral("480") : QStringLiteral("320"));
        EXPECT_EQ(studio.settings.OutputExt, yes ? 0 : 1);
        EXPECT_TRUE(SameImage(studio.holders.PTMP, BuiltinPicture(preset, 1)));
        EXPECT_TRUE(SameImage(studio.holders.SP4, BuiltinPicture(preset, 6)));
        EXPECT_EQ(studio.pictures.Picture1.width(), yes ? 480 : 320);
        EXPECT_EQ(studio.render.CurrentLyricText, QStringLiteral("미리보기"));
        // Nothing is written until the program ends.
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("missing.ini"))));
    }
}

TEST_F(StudioSettingsTest, FileOfAnotherVersionIsReplacedByThePreset) {
    QByteArray old = presetFile(Preset::IPhone, "MyOwnKey=kept\r\n");
    old.replace("ProgramVersion=2.2", "ProgramVersion=2.1");
    old.replace("FontSize=44", "FontSize=12");
    writeFile(path(), old);
    host_.yesNoReplies = {false};
    Studio studio(host_);
    EXPECT_FALSE(load(studio, path()));
    EXPECT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(studio.settings, MakePreset(Preset::Phone));
    ASSERT_TRUE(studio.SaveSettings(path()));

    Studio reloaded(host_);
    EXPECT_TRUE(load(reloaded, path()));
    EXPECT_EQ(reloaded.settings, MakePreset(Preset::Phone));
    EXPECT_TRUE(readFile(path()).contains("ProgramVersion=2.2\r\n"));
    EXPECT_TRUE(readFile(path()).contains("MyOwnKey=kept"));
}

TEST_F(StudioSettingsTest, SavedSettingsLoadBackUnchanged) {
    Studio studio(host_);
    studio.ApplyPreset(Preset::IPhone);
    Settings& s = studio.settings;
    s.FontName = QStringLiteral("나눔고딕");
    s.FontBold = true;
    s.MainFontColor = 0x123456;
    s.BGColor = 0x00FF00;
    s.TextBetween = QStringLiteral("12abc");
    s.TextAlign = kAlignRight;
    s.CoverTextAlign = kAlignLeft;
    s.OutputExt = 2;
    s.TitleHue = 1800;
    s.ExampleText = QStringLiteral("첫 줄 / second");
    s.PsizeX = QStringLiteral("640");
    ASSERT_TRUE(studio.SaveSettings(path()));

    // Korean text is stored in the code page: "굴림" is B1 BC B8 B2 in CP949.
    const QByteArray bytes = readFile(path());
    EXPECT_TRUE(bytes.startsWith("[Program Settings]\r\nProgramVersion=2.2\r\nMainFontColor="));
    EXPECT_TRUE(bytes.contains("CoverFontName=\xB1\xBC\xB8\xB2\r\n"));

    Studio reloaded(host_);
    EXPECT_TRUE(load(reloaded, path()));
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_EQ(reloaded.settings, studio.settings);
    EXPECT_EQ(reloaded.render.CurrentLyricText, s.ExampleText);
    EXPECT_EQ(reloaded.pictures.Picture1.width(), 640);
    EXPECT_EQ(reloaded.pictures.SP6.width(), 640);
    EXPECT_EQ(reloaded.pictures.Picture1.backColour(), 0x00FF00);
}

TEST_F(StudioSettingsTest, LoadAppliesEachKeysRule) {
    writeFile(path(),
              presetFile(Preset::IPhone)
                  .replace("FontName=\xea\xb5\xb4\xeb\xa6\xbc", "FontName=" + QByteArray(300, 'A'))
                  .replace("ScreenWidth=480", "ScreenWidth=50")
                  .replace("TextLength=14", "TextLength=-5")
                  .replace("Output Ext=0", "Output Ext=7")
                  .replace("FontBold=0", "FontBold=5")
                  .replace("TitleBarTextX=90", "TitleBarTextX=12abc")
                  .replace("BGColor=-2147483643", "BGColor=12abc"));
    Studio studio(host_);
    EXPECT_TRUE(load(studio, path()));
    const Settings& s = studio.settings;
    EXPECT_EQ(s.FontName, QString(254, u'A'));
    EXPECT_EQ(s.ScreenWidth, QStringLiteral("100"));
    EXPECT_EQ(s.TextLength, QStringLiteral("-5"));
    EXPECT_EQ(s.OutputExt, -1);  // no container selected
    EXPECT_TRUE(s.FontBold);
    EXPECT_EQ(s.TitleBarTextX, QStringLiteral("12"));
    EXPECT_EQ(s.BGColor, kWindowBackgroundColour);
    ASSERT_TRUE(studio.SaveSettings(path()));
    EXPECT_TRUE(readFile(path()).contains("FontBold=-1\r\n"));
    EXPECT_TRUE(readFile(path()).contains("Output Ext=-1\r\n"));
}

TEST_F(StudioSettingsTest, MissingStartSettingMeansThePhonePictures) {
    writeFile(path(), presetFile(Preset::IPhone).replace("StartSetting=1\r\n", ""));
    Studio studio(host_);
    EXPECT_TRUE(load(studio, path()));
    EXPECT_EQ(studio.settings.StartSetting, Preset::Phone);
    EXPECT_TRUE(SameImage(studio.holders.PTMP, BuiltinPicture(Preset::Phone, 1)));
    EXPECT_TRUE(SameImage(studio.holders.COVERT, BuiltinPicture(Preset::Phone, 5)));
    EXPECT_EQ(studio.settings.ScreenWidth, QStringLiteral("480"));  // the other values stay
    ASSERT_TRUE(studio.SaveSettings(path()));
    EXPECT_TRUE(readFile(path()).contains("StartSetting=0\r\n"));
}

TEST_F(StudioSettingsTest, PathKeysLoadTheirPictures) {
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(path(QStringLiteral("red.png"))));
    writeFile(path(QStringLiteral("broken.png")), "\x89PNG\r\n\x1a\nnot really");

    const QByteArray red_path = path(QStringLiteral("red.png")).toUtf8();
    writeFile(path(),
              presetFile(Preset::IPhone)
                  .replace("PicturePath=", "PicturePath=" + red_path)
                  .replace("TitleImagePath=", "TitleImagePath=   ")
                  .replace("TitleMaskPath=", "TitleMaskPath=" + red_path + ".gone")
                  .replace("CoverImagePath=",
                           "CoverImagePath=" + path(QStringLiteral("broken.png")).toUtf8()));
    Studio studio(host_);
    EXPECT_TRUE(load(studio, path()));
    const Settings& s = studio.settings;
    EXPECT_EQ(s.PicturePath, path(QStringLiteral("red.png")));
    EXPECT_EQ(studio.holders.PTMP.size(), QSize(20, 10));
    // The background picture is stretched over the whole frame background.
    EXPECT_EQ(studio.pictures.PTMP2.image().pixel(400, 300), qRgb(255, 0, 0));

    // Blanks only and a missing file are dropped; the presets stay.
    EXPECT_EQ(s.TitleImagePath, QString());
    EXPECT_EQ(s.TitleMaskPath, QString());
    EXPECT_TRUE(SameImage(studio.holders.TTS, BuiltinPicture(Preset::IPhone, 2)));
    EXPECT_TRUE(SameImage(studio.holders.SP4, BuiltinPicture(Preset::IPhone, 6)));

    // A file that is not a picture keeps its path but not its picture, and says so.
    EXPECT_EQ(s.CoverImagePath, path(QStringLiteral("broken.png")));
    EXPECT_TRUE(SameImage(studio.holders.Picture3, BuiltinCoverPicture()));
    ASSERT_EQ(host_.statuses.size(), 1u);
    EXPECT_TRUE(host_.statuses[0].contains(QStringLiteral("broken.png")));

    ASSERT_TRUE(studio.SaveSettings(path()));
    EXPECT_TRUE(readFile(path()).contains("TitleImagePath=\r\n"));
}

TEST_F(StudioSettingsTest, NothingIsSavedWhileLoading) {
    writeFile(path(), presetFile(Preset::Phone));
    const QByteArray before = readFile(path());
    Studio studio(host_);
    studio.LoadSettings(path());  // start-up ends early: LoadingInProgress stays set
    studio.settings.FontSize = 99;
    EXPECT_FALSE(studio.SaveSettings(path()));
    EXPECT_EQ(readFile(path()), before);
}

TEST_F(StudioSettingsTest, BrokenFilesNeverStopTheProgram) {
    const QByteArray garbage = [] {
        QByteArray bytes;
        for (int i = 0; i < 4096; ++i) {
            bytes += static_cast<char>((i * 7919) % 256);
        }
        return bytes;
    }();
    const std::pair<const char*, QByteArray> files[] = {
        {"binary garbage", garbage},
        {"100 KB line", presetFile(Preset::IPhone, "Junk=" + QByteArray(100000, 'x') + "\r\n")},
        {"no section", presetFile(Preset::IPhone).mid(20)},
        {"duplicate keys", presetFile(Preset::IPhone)
                               .replace("FontSize=44",
                                        "FontSize=44\r\n"
                                        "FontSize=10")},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        writeFile(path(), bytes);
        testing::RecordingHost host;
        host.yesNoReplies = {true};
        Studio studio(host);
        load(studio, path());
        EXPECT_EQ(studio.settings.FontSize, 44);  // the first of duplicate keys wins
        EXPECT_TRUE(studio.SaveSettings(path()));
        // Whatever the file held besides our keys is kept.
        if (std::string(name) == "100 KB line") {
            EXPECT_TRUE(readFile(path()).contains(QByteArray(100000, 'x')));
        }
    }
}

}  // namespace
}  // namespace lumek
