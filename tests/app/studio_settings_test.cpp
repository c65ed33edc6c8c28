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
    bool load(Studio& studio) { return studio.LoadSettings(path()); }

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
        EXPECT_EQ(studio.settings(), MakePreset(preset));
        EXPECT_TRUE(SameImage(studio.holders().PTMP, BuiltinPicture(preset, 1)));
        EXPECT_TRUE(SameImage(studio.holders().SP4, BuiltinPicture(preset, 6)));
        EXPECT_EQ(studio.pictures().Picture1.width(), yes ? 480 : 320);
        EXPECT_EQ(studio.renderContext().state.CurrentLyricText, QStringLiteral("미리보기"));
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
    EXPECT_EQ(studio.settings(), MakePreset(Preset::Phone));
    ASSERT_TRUE(studio.SaveSettings(path()));

    Studio reloaded(host_);
    EXPECT_TRUE(load(reloaded));
    EXPECT_EQ(reloaded.settings(), MakePreset(Preset::Phone));
    const QByteArray saved = ReadFile(path());
    EXPECT_TRUE(saved.contains("ProgramVersion=2.2\r\n") && saved.contains("MyOwnKey=kept"));
}

TEST_F(StudioSettingsTest, SavedSettingsLoadBackUnchanged) {
    Studio studio(host_);
    studio.ApplyPreset(Preset::IPhone);
    studio.edit({{"FontName", "나눔고딕"},
                 {"BGColor", "65280"},
                 {"FadeTime", "12abc"},
                 {"TextAlign", "3"},
                 {"ExampleText", "첫 줄 / second"},
                 {"PsizeX", "640"}});
    const Settings& s = studio.settings();
    ASSERT_TRUE(studio.SaveSettings(path()));

    // Korean text is stored in the code page: "굴림" is B1 BC B8 B2 in CP949.
    const QByteArray bytes = ReadFile(path());
    EXPECT_TRUE(bytes.startsWith("[Program Settings]\r\nProgramVersion=2.2\r\nMainFontColor="));
    EXPECT_TRUE(bytes.contains("CoverFontName=\xB1\xBC\xB8\xB2\r\n"));

    Studio reloaded(host_);
    EXPECT_TRUE(load(reloaded));
    EXPECT_TRUE(host_.questions.empty());
    EXPECT_EQ(reloaded.settings(), studio.settings());
    EXPECT_EQ(reloaded.renderContext().state.CurrentLyricText, s.ExampleText);
    EXPECT_EQ(reloaded.pictures().Picture1.width(), 640);
    EXPECT_EQ(reloaded.pictures().SP6.width(), 640);
    EXPECT_EQ(reloaded.pictures().Picture1.backColour(), 0x00FF00);

    SCOPED_TRACE("nothing is saved while settings load");
    Studio starting(host_);
    int refused = 0;
    starting.addChangeListener(
        [&](const QStringList&) { refused += starting.SaveSettings(path()) ? 0 : 1; });
    // A missing file takes the first-run preset in the middle of the load.
    starting.LoadSettings(path(QStringLiteral("missing.ini")));
    EXPECT_EQ(refused, 1);
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
    const Settings& s = studio.settings();
    EXPECT_EQ(s.FontName, QString(254, u'A'));
    EXPECT_EQ(s.ScreenWidth, QStringLiteral("100"));
    EXPECT_EQ(s.OutputExt, -1);  // no container selected
    EXPECT_EQ(s.BGColor, kWindowBackgroundColour);
    // A missing StartSetting means the phone pictures, and only that: the width stays as read.
    EXPECT_EQ(s.StartSetting, Preset::Phone);
    EXPECT_TRUE(SameImage(studio.holders().PTMP, BuiltinPicture(Preset::Phone, 1)));
    EXPECT_TRUE(SameImage(studio.holders().COVERT, BuiltinPicture(Preset::Phone, 5)));
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
    const Settings& s = studio.settings();
    EXPECT_EQ(s.PicturePath, redPath);
    EXPECT_EQ(studio.holders().PTMP.size(), QSize(20, 10));
    // The background picture is stretched over the whole frame background.
    EXPECT_EQ(studio.pictures().PTMP2.image().pixel(400, 300), qRgb(255, 0, 0));

    // Blanks only and a missing file are dropped; the presets stay.
    EXPECT_EQ(s.TitleImagePath, QString());
    EXPECT_EQ(s.TitleMaskPath, QString());
    EXPECT_TRUE(SameImage(studio.holders().TTS, BuiltinPicture(Preset::IPhone, 2)));
    EXPECT_TRUE(SameImage(studio.holders().SP4, BuiltinPicture(Preset::IPhone, 6)));

    // A file that is not a picture keeps its path but not its picture, and says so.
    EXPECT_EQ(s.CoverImagePath, brokenPath);
    EXPECT_TRUE(SameImage(studio.holders().Picture3, BuiltinCoverPicture()));
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
        EXPECT_EQ(studio.settings().FontSize, 44);
        EXPECT_TRUE(studio.SaveSettings(path()));
        // Whatever the file held besides our keys is kept.
        EXPECT_EQ(ReadFile(path()).contains(longLine), bytes.contains(longLine));
    }
}

// Each edit rule as a control delivers its value: the text the control shows afterwards, the
// value stored, and one notification naming the key. A refused value changes nothing.
TEST_F(StudioSettingsTest, EditsApplyTheirKeysRuleAndNotify) {
    struct Row {
        const char* key;
        const char* typed;
        const char* shown;   // nullptr: refused
        const char* stored;  // the key's text in the settings file
    };
    const Row rows[] = {
        {"FontStroke1", "25", "0", "0"},  // above 20: no outline
        {"FontStroke2", "-7", "7", "7"},
        {"FontShadow1", "-25", "0", "0"},
        {"FontShadow3", "-7", "-7", "-7"},     // the sign gives the direction
        {"TextBetween", "-12.5", "12", "12"},  // halves to even
        {"CoverLength", "3abc", "3", "3"},
        {"CoverShowTime", "0", "1", "1"},
        {"CoverFadeTime", "-5", "-5", "-5"},
        {"FadeTime", "-3x", "-3x", "-3x"},
        {"TitleBarTextX", "12.7abc", "12.7abc", "12.7abc"},  // geometry keeps what is typed
        {"ScreenWidth", "", "100", "100"},
        {"PsizeY", "-300", "300", "300"},
        {"Title Speed", "49", "49", "49"},
        {"Title Speed", "50", nullptr, "1"},
        {"TextAlign", "4", nullptr, "2"},
        {"FontBold", "-1", "-1", "-1"},
        {"NoSuchKey", "1", nullptr, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " = " + row.typed);
        Studio studio(host_);
        std::vector<QStringList> notified;
        studio.addChangeListener([&](const QStringList& keys) { notified.push_back(keys); });
        const EditOutcome outcome = studio.edit(QString::fromUtf8(row.key), row.typed);
        EXPECT_EQ(outcome.accepted, row.shown != nullptr);
        EXPECT_EQ(EncodeSetting(studio.settings(), QString::fromUtf8(row.key)), row.stored);
        if (row.shown != nullptr) {
            EXPECT_EQ(outcome.shown, row.shown);
            EXPECT_EQ(notified, std::vector<QStringList>{{QString::fromUtf8(row.key)}});
        } else {
            EXPECT_TRUE(notified.empty());
        }
    }
}

// An edit rebuilds exactly the pictures that depend on its key.
TEST_F(StudioSettingsTest, EditsRebuildWhatDependsOnTheirKey) {
    Studio studio(host_);
    const auto titleBar = [&] { return studio.pictures().TTD.image().copy(); };
    const QImage before = titleBar();
    studio.edit(u"Title Speed", QStringLiteral("10"));
    EXPECT_EQ(titleBar(), before);
    studio.edit(u"Title Hue", QStringLiteral("1800"));
    EXPECT_NE(titleBar(), before);

    studio.edit(u"PsizeX", QStringLiteral("640"));
    EXPECT_EQ(studio.canvas().width(), 640);
    EXPECT_EQ(studio.pictures().SP6.width(), 640);
    studio.edit(u"BGColor", QStringLiteral("16711680"));  // blue, 0x00BBGGRR
    EXPECT_EQ(studio.canvas().backColour(), 0xFF0000);
    EXPECT_EQ(studio.pictures().PTMP2.backColour(), 0xFF0000);

    // A background named as the start of a sequence may animate; another clears the animation.
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    for (const char* name : {"bg00000.png", "bg.png"}) {
        ASSERT_TRUE(red.save(path(QString::fromUtf8(name))));
    }
    studio.edit({{"PicturePath", path("bg00000.png")}, {"BGImage", "1"}, {"BGAnimation", "1"}});
    EXPECT_EQ(studio.settings().BGAnimation, 1);
    EXPECT_EQ(studio.pictures().PTMP2.image().pixel(300, 100), qRgb(255, 0, 0));
    const EditOutcome other = studio.edit(u"PicturePath", path("bg.png"));
    EXPECT_EQ(studio.settings().BGAnimation, 0);
    EXPECT_EQ(other.changed, QStringList({"PicturePath", "BGAnimation"}));
    studio.edit(u"BGImage", QStringLiteral("0"));
    EXPECT_EQ(studio.pictures().PTMP2.image().pixel(300, 100), qRgb(0, 0, 255));
}

}  // namespace
}  // namespace lumek
