#include "app/studio.h"
#include "app/window/page_dialogs.h"
#include "app/window/settings_pages.h"
#include "base/settings_keys.h"
#include "support/qt_printers.h"
#include "support/recording_host.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace lumek {
namespace {

// Answers the page dialogs from queues and records what they were asked.
class FakeDialogs : public PageDialogs {
public:
    std::deque<std::optional<int32_t>> colours;
    std::deque<Font> fonts;
    std::deque<QString> images;
    std::vector<int32_t> colourStarts;
    struct ImageAsk {
        QString title;
        QString startFolder;
    };
    std::vector<ImageAsk> imageAsks;

    std::optional<int32_t> pickColour(int32_t initial) override {
        colourStarts.push_back(initial);
        std::optional<int32_t> answer;  // cancelled when none is queued
        if (!colours.empty()) {
            answer = colours.front();
            colours.pop_front();
        }
        return answer;
    }
    std::optional<Font> pickFont(const Font&) override {
        if (fonts.empty()) {
            return std::nullopt;
        }
        const Font answer = fonts.front();
        fonts.pop_front();
        return answer;
    }
    QString askImageFile(const QString& title, const QString& startFolder) override {
        imageAsks.push_back({title, startFolder});
        const QString answer = images.empty() ? QString() : images.front();
        if (!images.empty()) {
            images.pop_front();
        }
        return answer;
    }
};

// One studio with all seven pages in one window, as the program shows them.
struct Window {
    testing::RecordingHost host;
    Studio studio{host};
    FakeDialogs dialogs;
    QString imageFolder = QDir::homePath();
    std::unique_ptr<QWidget> frame = std::make_unique<QWidget>();
    std::vector<QStringList> notified;

    Window() {
        studio.addChangeListener([this](const QStringList& keys) { notified.push_back(keys); });
        auto* layout = new QVBoxLayout(frame.get());
        for (int index : {0, 1, 2, 4, 5, 6, 8}) {
            layout->addWidget(
                CreateSettingsPage(index, {studio, dialogs, imageFolder}, frame.get()));
        }
        frame->show();
    }

    template <typename T = QWidget>
    T* control(const QString& name) const {
        return frame->findChild<T*>(name);
    }

    // What a control shows: a box its text, a slider its label, a list its entry, a check box or
    // option its state, a button its caption.
    QString shown(const QString& name) const {
        QWidget* widget = control(name);
        if (auto* box = qobject_cast<QLineEdit*>(widget)) {
            return box->text();
        }
        if (qobject_cast<QSlider*>(widget) != nullptr) {
            return control<QLabel>(QStringLiteral("lbl") + name)->text();
        }
        if (auto* list = qobject_cast<QComboBox*>(widget)) {
            return list->currentText();
        }
        if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            return check->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        }
        if (auto* option = qobject_cast<QRadioButton*>(widget)) {
            return option->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        }
        return qobject_cast<QPushButton*>(widget)->text();
    }

    // The stored text of a key; the unsaved cover options by their box.
    QString stored(const QString& key) const {
        const CoverOptions& options = studio.coverOptions();
        const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
        if (key == u"O12") {
            return flag(options.useTagArt);
        }
        if (key == u"O13") {
            return flag(options.keepAspect);
        }
        if (key == u"O14") {
            return flag(options.reflection);
        }
        return EncodeSetting(studio.settings(), key);
    }
};

// How the user sets a control.
enum class How {
    Type,    // select all, type the text
    Append,  // End, type the text
    Clear,   // select all, Backspace
    Slide,   // move the slider to the number
    Choose,  // choose list entry number
    Press,   // Space on a check box, option or button (a dialog answers with the input)
    Look,    // nothing: the row only looks, and nothing may have been notified
};

struct Row {
    const char* control;
    How how;
    QString input;    // typed text, slider or list position, dialog answer
    const char* key;  // the key to look at; "" when none
    QString stored;   // its stored text afterwards
    QString shown;    // what the control shows afterwards
    bool notifies = true;
    const char* enabled = "";   // a control enabled afterwards
    const char* disabled = "";  // a control disabled afterwards
};

// Types text key by key; letters outside ASCII go as key events carrying their text.
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

class PagesTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }

    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        for (const char* name : {"bg00000.jpg", "bg.jpg", "mask.png", "cover.png"}) {
            ASSERT_TRUE(picture.save(file(QString::fromLatin1(name))));
        }
    }

    // Sets one control the way the user does; dialog answers go into the fake first.
    void Apply(Window& window, const Row& row) {
        QWidget* widget = window.control(QString::fromLatin1(row.control));
        ASSERT_NE(widget, nullptr) << row.control;
        switch (row.how) {
            case How::Type:
                QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
                TypeText(widget, row.input);
                break;
            case How::Append:
                QTest::keyClick(widget, Qt::Key_End);
                TypeText(widget, row.input);
                break;
            case How::Clear:
                QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(widget, Qt::Key_Backspace);
                break;
            case How::Slide:
                qobject_cast<QSlider*>(widget)->setValue(row.input.toInt());
                break;
            case How::Choose:
                qobject_cast<QComboBox*>(widget)->setCurrentIndex(row.input.toInt());
                break;
            case How::Press:
                QueueAnswer(window, QString::fromLatin1(row.control), row.input);
                QTest::keyClick(widget, Qt::Key_Space);
                break;
            case How::Look:
                break;
        }
    }

    // Colour buttons take a decimal colour (empty: cancel), font buttons "face|size|bold",
    // image buttons a file name in the test folder or an absolute path.
    void QueueAnswer(Window& window, const QString& control, const QString& input) {
        // Check boxes and options ask nothing.
        if (qobject_cast<QPushButton*>(window.control(control)) == nullptr) {
            return;
        }
        static const QStringList fontButtons = {QStringLiteral("C2"), QStringLiteral("C3"),
                                                QStringLiteral("C9"), QStringLiteral("C11")};
        if (fontButtons.contains(control)) {
            const QStringList parts = input.split(u'|');
            window.dialogs.fonts.push_back(
                PageDialogs::Font{parts[0], parts[1].toDouble(), parts[2] == u"bold"});
        } else if (control == u"C6" || control.startsWith(u"cmd")) {
            window.dialogs.images.push_back(input.startsWith(u'/') ? input : file(input));
        } else if (input.isEmpty()) {
            window.dialogs.colours.push_back(std::nullopt);
        } else {
            window.dialogs.colours.push_back(input.toInt());
        }
    }

    QTemporaryDir dir_;
};

TEST_F(PagesTest, EveryControlEditsItsKeyAndShowsTheRulesText) {
    // In order: later rows build on earlier ones (O1 enables the neighbours' controls, the text
    // target chosen in CB4 decides which keys Text4 and C7 edit).
    const std::vector<Row> rows = {
        // Page 0: lyric text.
        {"C1", How::Press, "255", "MainFontColor", "255", "#FF0000"},
        {"C1", How::Press, "", "MainFontColor", "255", "#FF0000", false},  // cancelled
        {"C13", How::Press, "65280", "MainFontColor2", "65280", "#00FF00"},
        {"C2", How::Press, "Serif|12.5|bold", "FontSize", "12", "Serif, 12pt, 굵게"},
        {"C2", How::Look, "", "FontBold", "-1", "Serif, 12pt, 굵게"},
        {"C3", How::Look, "", "Font2Size", "20", "굴림, 20pt", false, "", "C3"},
        {"O1", How::Press, "", "SubTextShow", "1", "1", true, "hlng2"},
        {"O1", How::Look, "", "SubTextShow", "1", "1", true, "lblTextBetween"},
        {"C3", How::Press, "Serif|13.5|plain", "Font2Size", "14", "Serif, 14pt"},
        {"C4", How::Press, "16711680", "SubFontColor", "16711680", "#0000FF"},
        {"C14", How::Press, "0", "SubFontColor2", "0", "#000000"},
        {"OPP1", How::Press, "", "TextAlign", "1", "1"},
        {"OPP2", How::Look, "", "TextAlign", "1", "0"},
        {"Text1", How::Type, "가사 예시", "ExampleText", "가사 예시", "가사 예시"},
        {"hlng2", How::Type, "-35", "TextBetween", "35", "35"},
        {"hlng", How::Type, "12abc", "TextLength", "12", "12"},
        // Page 1: background.
        {"C5", How::Press, "1193046", "BGColor", "1193046", "#563412"},
        {"O5", How::Look, "", "BGAnimation", "0", "0", false, "", "O5"},
        {"C6", How::Press, "bg00000.jpg", "PicturePath", "", "bg00000.jpg", true, "O5"},
        {"O5", How::Press, "", "BGAnimation", "1", "1"},
        {"C6", How::Press, "bg.jpg", "BGAnimation", "0", "bg.jpg", true, "", "O5"},
        {"O5", How::Look, "", "BGAnimation", "0", "0", false, "", "O5"},
        {"C6", How::Press, "/no/such/picture.jpg", "PicturePath", "", "bg.jpg", false},
        {"O2", How::Press, "", "BGImage", "0", "0"},
        {"Pxsize", How::Type, "7", "PsizeX", "100", "100"},
        {"Pysize", How::Append, "0", "PsizeY", "3200", "3200"},
        // Page 2: output.
        {"CB1", How::Look, "", "Audio Bitrate", "1", "192", false, "", "CB1"},
        {"O4", How::Press, "", "AudioOriginal", "0", "0", true, "CB1"},
        {"CB1", How::Choose, "3", "Audio Bitrate", "3", "128", true, "lblAudioBitrate"},
        {"CB2", How::Choose, "2", "Output Ext", "2", "skm"},
        {"Hlng3", How::Clear, "", "ScreenWidth", "100", "100"},
        {"Hlng4", How::Append, "0", "ScreenHeight", "3200", "3200"},
        {"O11", How::Press, "", "VideoMode", "1", "1"},
        {"HS1", How::Slide, "20", "Video Quality", "20", "동영상 품질 = 21"},
        {"HS2", How::Look, "", "", "", "동영상 프레임 = 11", false},
        {"HS2", How::Slide, "29", "", "", "동영상 프레임 = 30", false},
        // Page 4: transition and title bar.
        {"Text2", How::Type, "-3", "FadeTime", "-3", "-3"},
        {"CB3", How::Choose, "2", "EffectType", "2", "모자이크"},
        {"O8", How::Press, "", "TitleBar", "0", "0"},
        {"CLT", How::Type, "15", "TitleBarTextLength", "15", "15"},
        {"PS5", How::Slide, "1234", "Title Hue", "1234", "타이틀바 색 설정 [Hue = 123.4]"},
        {"PS6", How::Slide, "9", "Title Speed", "9", "타이틀바 글자 속도 = 10"},
        {"PS7", How::Slide, "30", "Title Brightness", "30", "타이틀바 밝기 설정 = -70"},
        {"C11", How::Press, "Sans|13.5|plain", "TitleFontSize", "14", "Sans, 14pt"},
        {"C12", How::Press, "8421504", "TitleFontColor", "8421504", "#808080"},
        {"cmdTitleEffectMask", How::Press, "mask.png", "TitleEffectMaskPath", "", "mask.png"},
        // Page 5: outline and shadow of the text target.
        {"Text4", How::Type, "25", "FontStroke1", "0", "0"},
        {"Text4", How::Type, "-3", "FontStroke1", "3", "3"},
        {"Text5", How::Type, "-25", "FontShadow1", "0", "0"},
        {"Text5", How::Type, "-7", "FontShadow1", "-7", "-7"},
        {"C7", How::Press, "255", "MainStokeColor", "255", "#FF0000"},
        {"C8", How::Press, "65280", "MainShadowColor", "65280", "#00FF00"},
        {"PS3", How::Slide, "4", "StrokeBlur1", "4", "Stroke Blur = 4"},
        {"PS4", How::Slide, "6", "ShadowBlur1", "6", "Shadow Blur = 6"},
        {"CB4", How::Choose, "2", "", "", "커버인트로", false},
        {"Text4", How::Look, "", "FontStroke3", "1", "1", false},
        {"Text5", How::Look, "", "FontShadow3", "2", "2", false},
        {"PS3", How::Look, "", "StrokeBlur3", "1", "Stroke Blur = 1", false},
        {"PS4", How::Look, "", "ShadowBlur3", "1", "Shadow Blur = 1", false},
        {"C7", How::Look, "", "CoverStokeColor", "4210752", "#404040", false},
        {"Text4", How::Type, "5", "FontStroke3", "5", "5"},
        {"C8", How::Press, "16777215", "CoverShadowColor", "16777215", "#FFFFFF"},
        {"PS4", How::Slide, "10", "ShadowBlur3", "10", "Shadow Blur = 10"},
        {"Text4", How::Look, "", "FontStroke1", "3", "5", false},
        // Page 6: cover intro.
        {"O6", How::Press, "", "CoverIntro", "0", "0"},
        {"O12", How::Press, "", "O12", "0", "0"},
        {"O13", How::Press, "", "O13", "0", "0"},
        {"O14", How::Press, "", "O14", "0", "0"},
        {"Text3", How::Type, "0", "CoverShowTime", "1", "1"},
        {"Text6", How::Type, "45", "CoverFadeTime", "45", "45"},
        {"CPP0", How::Press, "", "CoverTextAlign", "1", "1"},
        {"Alng", How::Type, "-8", "CoverLength", "8", "8"},
        {"cmdCoverImage", How::Press, "cover.png", "CoverImagePath", "", "cover.png"},
        {"C9", How::Press, "Serif|22|plain", "CoverFontSize", "22", "Serif, 22pt"},
        {"C10", How::Press, "65535", "CoverFontColor", "65535", "#FFFF00"},
        // Page 8: geometry, every box on every change, kept as typed.
        {"CLX", How::Type, "12abc", "CoverImageX", "12abc", "12abc"},
        {"CLY", How::Type, "-4", "CoverImageY", "-4", "-4"},
        {"CLW", How::Type, "99", "CoverImageW", "99", "99"},
        {"CLH", How::Type, "98", "CoverImageH", "98", "98"},
        {"TTX", How::Type, "7", "TitleBarTextX", "7", "7"},
        {"TTY", How::Type, "8", "TitleBarTextY", "8", "8"},
        {"TTW", How::Type, "250", "TitleBarTextW", "250", "250"},
        {"TTH", How::Type, "30", "TitleBarTextH", "30", "30"},
        {"TY1", How::Type, "-40", "TitleBarUpTop", "-40", "-40"},
        {"TY2", How::Type, "44", "TitleBarDownTop", "44", "44"},
        {"cmdTitleImage", How::Press, "bg.jpg", "TitleImagePath", "", "bg.jpg"},
        {"cmdTitleMask", How::Press, "mask.png", "TitleMaskPath", "", "mask.png"},
        {"cmdTitleTextMask", How::Press, "mask.png", "TitleTextMaskPath", "", "mask.png"},
        {"cmdCoverBG", How::Press, "bg.jpg", "CoverBGPath", "", "bg.jpg"},
    };

    Window window;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.control << " " << row.input.toStdString());
        window.notified.clear();
        Apply(window, row);
        const QString key = QString::fromLatin1(row.key);
        if (!key.isEmpty()) {
            // Image rows store the chosen file's path.
            const bool picked = row.how == How::Press && IsPathKey(key);
            EXPECT_EQ(window.stored(key), picked ? file(row.shown) : row.stored);
        }
        EXPECT_EQ(window.shown(QString::fromLatin1(row.control)), row.shown);
        EXPECT_EQ(!window.notified.empty(), row.notifies && row.how != How::Look);
        if (row.notifies && row.how != How::Look && FindSettingKey(key) != nullptr) {
            EXPECT_TRUE(!window.notified.empty() && window.notified.back().contains(key));
        }
        if (*row.enabled != '\0') {
            EXPECT_TRUE(window.control(QString::fromLatin1(row.enabled))->isEnabled());
        }
        if (*row.disabled != '\0') {
            EXPECT_FALSE(window.control(QString::fromLatin1(row.disabled))->isEnabled());
        }
    }

    // The dialogs opened where the page says: colours at the current colour, images in the
    // folder of the image chosen last, the cover picture at the stored cover picture.
    EXPECT_EQ(window.dialogs.colourStarts.front(), 0xFFFFFF);
    ASSERT_GE(window.dialogs.imageAsks.size(), 3u);
    EXPECT_EQ(window.dialogs.imageAsks[0].title, QStringLiteral("불러올 배경이미지를 선택하세요."));
    EXPECT_EQ(window.dialogs.imageAsks[0].startFolder, QDir::homePath());
    EXPECT_EQ(window.dialogs.imageAsks[1].startFolder, dir_.path());
    EXPECT_EQ(window.imageFolder, dir_.path());
    window.dialogs.images.push_back({});
    QTest::keyClick(window.control(QStringLiteral("cmdCoverImage")), Qt::Key_Space);
    EXPECT_EQ(window.dialogs.imageAsks.back().title,
              QStringLiteral("불러올 커버 이미지를 선택하세요."));
    EXPECT_EQ(window.dialogs.imageAsks.back().startFolder, file(QStringLiteral("cover.png")));
}

TEST_F(PagesTest, ControlsCarryTheirCaptionsAndTooltips) {
    struct Described {
        const char* control;
        QString accessibleName;
        QString toolTip;
    };
    const Described described[] = {
        {"C4", "전후 가사 상단 색", "전후 가사의 상단 글꼴 색을 설정합니다."},
        {"O5", "배경 애니메이션 사용",
         "배경을 움직이는 배경으로 사용할지 선택합니다. (시퀀스 배경일 경우에만 해당됩니다.)"},
        {"Text5", "그림자 위치",
         "선택한 텍스트의 그림자 위치를 설정합니다. 양수일 경우 ↘ 방향, 음수일 경우 ↖ 방향이 "
         "됩니다."},
        {"PS7", "타이틀바 밝기 설정", "타이틀바의 밝기을 설정합니다."},
        {"cmdTitleEffectMask", "타이틀바 색/밝기 마스크 이미지",
         "타이틀바 색 설정, 밝기 설정에 대한 마스크 이미지를 선택합니다."},
        {"HS2", "동영상 프레임", ""},
    };
    Window window;
    for (const Described& control : described) {
        SCOPED_TRACE(control.control);
        QWidget* widget = window.control(QString::fromLatin1(control.control));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->accessibleName(), control.accessibleName);
        EXPECT_EQ(widget->toolTip(), control.toolTip);
    }
    // Ticking the neighbours rewords two tooltips.
    QTest::keyClick(window.control(QStringLiteral("O1")), Qt::Key_Space);
    EXPECT_EQ(window.control(QStringLiteral("C4"))->toolTip(),
              QStringLiteral("전후 가사의 글꼴 색을 설정합니다."));
}

TEST_F(PagesTest, EditedSettingsComeBackIntoTheirControlsAfterARestart) {
    const std::vector<Row> edits = {
        {"C1", How::Press, "255", "", "", "#FF0000"},
        {"C9", How::Press, "Serif|18.5|bold", "", "", "Serif, 18pt, 굵게"},
        {"O1", How::Press, "", "", "", "1"},
        {"hlng2", How::Type, "-35", "", "", "35"},
        {"C6", How::Press, "bg00000.jpg", "", "", "bg00000.jpg"},
        {"O5", How::Press, "", "", "", "1"},
        {"Pxsize", How::Append, "0", "", "", "4800"},
        {"CB2", How::Choose, "1", "", "", "k3g"},
        {"PS5", How::Slide, "900", "", "", "타이틀바 색 설정 [Hue = 90]"},
        {"Text5", How::Type, "-7", "", "", "-7"},
        {"CPP2", How::Press, "", "", "", "1"},
        {"TY1", How::Type, "-12", "", "", "-12"},
    };
    const QString settingsFile = file(QStringLiteral("LumekSetting.ini"));
    {
        Window before;
        for (const Row& row : edits) {
            Apply(before, row);
        }
        ASSERT_TRUE(before.studio.SaveSettings(settingsFile));
    }
    Window after;
    after.notified.clear();
    ASSERT_TRUE(after.studio.LoadSettings(settingsFile));
    EXPECT_EQ(after.notified.size(), 1u) << "refreshing the controls edits nothing back";
    for (const Row& row : edits) {
        EXPECT_EQ(after.shown(QString::fromLatin1(row.control)), row.shown) << row.control;
    }
    EXPECT_TRUE(after.control(QStringLiteral("O5"))->isEnabled());
    EXPECT_TRUE(after.control(QStringLiteral("hlng2"))->isEnabled());
}

}  // namespace
}  // namespace lumek
