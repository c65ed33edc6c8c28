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

QByteArray ReadFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A valid settings file holding the given preset's values, then the extra lines.
QByteArray PresetFile(Preset preset, const QByteArray& extra = {}) {
    QByteArray bytes = "[Program Settings]\r\n";
    for (const auto& [key, value] : EncodeSettings(MakePreset(preset))) {
        bytes += (key + u'=' + value).toUtf8() + "\r\n";
    }
    return bytes + extra;
}

bool SameImage(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

class StudioSettingsTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("LumekSetting.ini")) const {
        return QDir(dir_.path()).filePath(name);
    }
    void writeFile(const QByteArray& bytes, const QString& name = {}) const {
        QFile file(name.isEmpty() ? path() : path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // Loads the settings file as start-up does, to the end of start-up.
    bool load(Studio& studio) {
        const bool accepted = studio.LoadSettings(path());
        studio.LoadingInProgress = false;
        return accepted;
    }

    testing::RecordingHost host_;
    QTemporaryDir dir_;
};

TEST_F(StudioSettingsTest, MissingFileAsksTheFirstRunQuestion) {
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        testing::RecordingHost host;
        host.yesNoReplies = {yes};
        Studio studio(host);
        EXPECT_FALSE(studio.LoadSettings(path()));
        ASSERT_EQ(host.questions.size(), 1u);
        EXPECT_EQ(host.questions[0].title, QStringLiteral("루멕 기본설정"));
        EXPECT_EQ(
            host.questions[0].text,
            QStringLiteral("프로그램을 처음 실행하셨습니다.\r\n기본설정을 아이폰/아이팟터치로 "
                           "하시겠습니까?\r\n아니오를 누르시면 기본설정을 핸드폰으로 합니다."));
        const Preset preset = yes ? Preset::IPhone : Preset::Phone;
        EXPECT_EQ(studio.settings, MakePreset(preset));
        EXPECT_TRUE(SameImage(studio.holders.PTMP, BuiltinPicture(preset, 1)));
        EXPECT_TRUE(SameImage(studio.holders.SP4, BuiltinPicture(preset, 6)));
        EXPECT_EQ(studio.pictures.Picture1.width(), yes ? 480 : 320);
        EXPECT_EQ(studio.render.CurrentLyricText, QStringLiteral("미리보기"));
        EXPECT_FALSE(QFile::exists(path())) << "nothing is written until the program ends";
    }
}

TEST_F(StudioSettingsTest, FileOfAnotherVersionIsReplacedByThePreset) {
    writeFile(PresetFile(Preset::IPhone, "MyOwnKey=kept\r\n")
                  .replace("ProgramVersion=2.2", "ProgramVersion=2.1")
                  .replace("FontSize=44", "FontSize=12"));
    host_.yesNoReplies = {false};
    Studio studio(host_);
    EXPECT_FALSE(load(studio));
    EXPECT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(studio.settings, MakePreset(Preset::Phone));
    ASSERT_TRUE(studio.SaveSettings(path()));

    Studio reloaded(host_);
    EXPECT_TRUE(load(reloaded));
    EXPECT_EQ(reloaded.settings, MakePreset(Preset::Phone));
    const QByteArray saved = ReadFile(path());
    EXPECT_TRUE(saved.contains("ProgramVersion=2.2\r\n") && saved.contains("MyOwnKey=kept"));
}

TEST_F(StudioSettingsTest, SavedSettingsLoadBackUnchanged) {
    Studio studio(host_);
    studio.ApplyPreset(Preset::IPhone);
    Settings& s = studio.settings;
    s.FontName = QStringLiteral("나눔고딕");
    s.BGColor = 0x00FF00;
    s.TextBetween = QStringLiteral("12abc");
    s.TextAlign = kAlignRight;
    s.ExampleText = QStringLiteral("첫 줄 / second");
    s.PsizeX = QStringLiteral("640");
    ASSERT_TRUE(studio.SaveSettings(path()));

    // Korean text is stored in the code page: "굴림" is B1 BC B8 B2 in CP949.
    const QByteArray bytes = ReadFile(path());
    EXPECT_TRUE(bytes.startsWith("[Program Settings]\r\nProgramVersion=2.2\r\nMainFontColor="));
    EXPECT_TRUE(bytes.contains("CoverFontName=\xB1\xBC\xB8\xB2\r\n"));

    Studio reloaded(host_);
    EXPECT_TRUE(load(reloaded));
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_EQ(reloaded.settings, studio.settings);
    EXPECT_EQ(reloaded.render.CurrentLyricText, s.ExampleText);
    EXPECT_EQ(reloaded.pictures.Picture1.width(), 640);
    EXPECT_EQ(reloaded.pictures.SP6.width(), 640);
    EXPECT_EQ(reloaded.pictures.Picture1.backColour(), 0x00FF00);

    SCOPED_TRACE("nothing is saved while start-up runs");
    Studio starting(host_);
    starting.LoadSettings(path());  // start-up ends early: LoadingInProgress stays set
    starting.settings.FontSize = 99;
    EXPECT_FALSE(starting.SaveSettings(path()));
    EXPECT_EQ(ReadFile(path()), bytes);
}

TEST_F(StudioSettingsTest, LoadAppliesEachKeysRule) {
    writeFile(PresetFile(Preset::IPhone)
                  .replace("FontName=\xea\xb5\xb4\xeb\xa6\xbc", "FontName=" + QByteArray(300, 'A'))
                  .replace("ScreenWidth=480", "ScreenWidth=50")
                  .replace("Output Ext=0", "Output Ext=7")
                  .replace("BGColor=-2147483643", "BGColor=12abc")
                  .replace("StartSetting=1\r\n", ""));
    Studio studio(host_);
    EXPECT_TRUE(load(studio));
    const Settings& s = studio.settings;
    EXPECT_EQ(s.FontName, QString(254, u'A'));
    EXPECT_EQ(s.ScreenWidth, QStringLiteral("100"));
    EXPECT_EQ(s.OutputExt, -1);  // no container selected
    EXPECT_EQ(s.BGColor, kWindowBackgroundColour);
    // A missing StartSetting means the phone pictures, and only that: the width stays as read.
    EXPECT_EQ(s.StartSetting, Preset::Phone);
    EXPECT_TRUE(SameImage(studio.holders.PTMP, BuiltinPicture(Preset::Phone, 1)));
    EXPECT_TRUE(SameImage(studio.holders.COVERT, BuiltinPicture(Preset::Phone, 5)));
    ASSERT_TRUE(studio.SaveSettings(path()));
    const QByteArray saved = ReadFile(path());
    EXPECT_TRUE(saved.contains("Output Ext=-1\r\n"));
    EXPECT_TRUE(saved.contains("StartSetting=0\r\n"));
}

TEST_F(StudioSettingsTest, PathKeysLoadTheirPictures) {
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString redPath = path(QStringLiteral("red.png"));
    const QString brokenPath = path(QStringLiteral("broken.png"));
    ASSERT_TRUE(red.save(redPath));
    writeFile("\x89PNG\r\n\x1a\nnot really", QStringLiteral("broken.png"));
    writeFile(PresetFile(Preset::IPhone)
                  .replace("PicturePath=", "PicturePath=" + redPath.toUtf8())
                  .replace("TitleImagePath=", "TitleImagePath=   ")
                  .replace("TitleMaskPath=", "TitleMaskPath=" + redPath.toUtf8() + ".gone")
                  .replace("CoverImagePath=", "CoverImagePath=" + brokenPath.toUtf8()));
    Studio studio(host_);
    EXPECT_TRUE(load(studio));
    const Settings& s = studio.settings;
    EXPECT_EQ(s.PicturePath, redPath);
    EXPECT_EQ(studio.holders.PTMP.size(), QSize(20, 10));
    // The background picture is stretched over the whole frame background.
    EXPECT_EQ(studio.pictures.PTMP2.image().pixel(400, 300), qRgb(255, 0, 0));

    // Blanks only and a missing file are dropped; the presets stay.
    EXPECT_EQ(s.TitleImagePath, QString());
    EXPECT_EQ(s.TitleMaskPath, QString());
    EXPECT_TRUE(SameImage(studio.holders.TTS, BuiltinPicture(Preset::IPhone, 2)));
    EXPECT_TRUE(SameImage(studio.holders.SP4, BuiltinPicture(Preset::IPhone, 6)));

    // A file that is not a picture keeps its path but not its picture, and says so.
    EXPECT_EQ(s.CoverImagePath, brokenPath);
    EXPECT_TRUE(SameImage(studio.holders.Picture3, BuiltinCoverPicture()));
    ASSERT_EQ(host_.statuses.size(), 1u);
    EXPECT_TRUE(host_.statuses[0].contains(QStringLiteral("broken.png")));

    ASSERT_TRUE(studio.SaveSettings(path()));
    EXPECT_TRUE(ReadFile(path()).contains("TitleImagePath=\r\n"));
}

TEST_F(StudioSettingsTest, BrokenFilesNeverStopTheProgram) {
    QByteArray garbage(4096, '\0');
    for (int i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>((i * 7919) % 256);
    }
    const QByteArray longLine = "Junk=" + QByteArray(100000, 'x') + "\r\n";
    const std::pair<const char*, QByteArray> files[] = {
        {"binary garbage", garbage},
        {"100 KB line", PresetFile(Preset::IPhone, longLine)},
        {"no section", PresetFile(Preset::IPhone).mid(20)},
        {"duplicate keys: the first wins",
         PresetFile(Preset::IPhone).replace("FontSize=44", "FontSize=44\r\nFontSize=10")},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        writeFile(bytes);
        testing::RecordingHost host;
        host.yesNoReplies = {true};
        Studio studio(host);
        load(studio);
        EXPECT_EQ(studio.settings.FontSize, 44);
        EXPECT_TRUE(studio.SaveSettings(path()));
        // Whatever the file held besides our keys is kept.
        EXPECT_EQ(ReadFile(path()).contains(longLine), bytes.contains(longLine));
    }
}

}  // namespace
}  // namespace lumek
