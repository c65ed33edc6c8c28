#pragma once

#include "base/colour.h"

#include <QString>

#include <cstdint>

namespace lumek {

// The two built-in presets; the numbers are what "StartSetting" stores.
enum class Preset { Phone = 0, IPhone = 1 };

// Alignment of lyric and cover text on their reference point; None when no option is chosen.
enum Alignment : int32_t { kAlignNone = 0, kAlignLeft = 1, kAlignCentre = 2, kAlignRight = 3 };

// Everything the user sets. Fields carry the settings file's key names (without their blanks).
// Texts stay as typed in their boxes; readers turn them into numbers with ToInt. Colours are
// 0x00BBGGRR. Check states are 0 unchecked, 1 checked (2 greyed); list indices are 0-based, -1
// when nothing is selected. The initial values are those of the iPhone/iPod touch preset.
struct Settings {
    // Which built-in preset's pictures fill the image holders.
    Preset StartSetting = Preset::IPhone;

    // Lyric text: the main line and its previous/next neighbours. Text targets 1, 2, 3 of the
    // outline and shadow settings are the main lyric, the neighbours and the cover intro text.
    QString FontName = QStringLiteral("굴림");
    int32_t FontSize = 44;  // points; also the main line pitch in pixels
    bool FontBold = false;
    int32_t MainFontColor = 0xFFFFFF;   // top of the gradient
    int32_t MainFontColor2 = 0xFFFFFF;  // bottom of the gradient
    QString Font2Name = QStringLiteral("굴림");
    int32_t Font2Size = 20;
    bool Font2Bold = false;
    int32_t SubFontColor = 0xFFFFFF;
    int32_t SubFontColor2 = 0xFFFFFF;
    int32_t MainStokeColor = 0x282828;
    int32_t MainShadowColor = 0x808080;
    int32_t SubStokeColor = 0x404040;
    int32_t SubShadowColor = 0x808080;
    int32_t FontStroke1 = 1, FontStroke2 = 0, FontStroke3 = 1;  // outline width, pixels
    int32_t FontShadow1 = 2, FontShadow2 = 1, FontShadow3 = 2;  // shadow offset, + is right/down
    int32_t StrokeBlur1 = 1, StrokeBlur2 = 1, StrokeBlur3 = 1;  // blur passes
    int32_t ShadowBlur1 = 1, ShadowBlur2 = 1, ShadowBlur3 = 1;
    int32_t PointX = 240, PointY = 160;  // reference point of the main line, frame pixels
    int32_t TextAlign = kAlignCentre;
    QString TextBetween = QStringLiteral("70");  // main line centre to neighbour centre, pixels
    QString TextLength = QStringLiteral("14");   // left and right wrapping margin, pixels
    int32_t SubTextShow = 0;
    QString FadeTime = QStringLiteral("2");  // lyric transition length, frames
    int32_t EffectType = 0;                  // 0 blur, 1 spread, 2 mosaic
    QString ExampleText = QStringLiteral("미리보기");

    // Cover intro.
    int32_t CoverIntro = 1;
    QString CoverShowTime = QStringLiteral("20");  // frames
    QString CoverFadeTime = QStringLiteral("30");  // frames
    QString CoverFontName = QStringLiteral("굴림");
    int32_t CoverFontSize = 40;
    bool CoverFontBold = false;
    int32_t CoverFontColor = 0xFFFFFF;
    int32_t CoverStokeColor = 0x404040;
    int32_t CoverShadowColor = 0xC0C0C0;
    int32_t CPointX = 328, CPointY = 160;
    int32_t CoverTextAlign = kAlignCentre;
    QString CoverLength = QStringLiteral("30");
    QString CoverImageX = QStringLiteral("35"), CoverImageY = QStringLiteral("90");
    QString CoverImageW = QStringLiteral("140"), CoverImageH = QStringLiteral("140");
    QString CoverBGPath;
    QString CoverImagePath;

    // Title bar.
    int32_t TitleBar = 1;
    QString TitleBarUpTop = QStringLiteral("-50");   // bar top before it slides down
    QString TitleBarDownTop = QStringLiteral("50");  // distance it slides
    QString TitleBarTextX = QStringLiteral("90"), TitleBarTextY = QStringLiteral("3");
    QString TitleBarTextW = QStringLiteral("300"), TitleBarTextH = QStringLiteral("35");
    QString TitleBarTextLength = QStringLiteral("11");  // longer titles scroll
    QString TitleFontName = QStringLiteral("굴림");
    int32_t TitleFontSize = 30;
    bool TitleFontBold = false;
    int32_t TitleFontColor = 0xFFFFFF;
    int32_t TitleHue = 0;           // 0..3600, tenths of a degree
    int32_t TitleSpeed = 1;         // 0..49, scroll step minus one
    int32_t TitleBrightness = 100;  // 0..200, 100 unchanged
    QString TitleImagePath;
    QString TitleMaskPath;
    QString TitleTextMaskPath;
    QString TitleEffectMaskPath;

    // Background, frame and output.
    int32_t BGColor = kWindowBackgroundColour;
    int32_t BGImage = 1;
    int32_t BGAnimation = 0;
    QString PicturePath;
    QString PsizeX = QStringLiteral("480"), PsizeY = QStringLiteral("320");             // canvas
    QString ScreenWidth = QStringLiteral("480"), ScreenHeight = QStringLiteral("320");  // video
    int32_t OutputExt = 0;     // 0 "mp4", 1 "k3g", 2 "skm"
    int32_t AudioBitrate = 1;  // 0 "320", 1 "192", 2 "160", 3 "128", 4 "64", 5 "48", 6 "32"
    int32_t AudioOriginal = 1;
    int32_t VideoQuality = 50;  // 0..50, shown as 1..51
    int32_t VideoMode = 0;      // one video of the whole list

    // The lyrics service's SOAP endpoint (host and path).
    QString LyricsURL = QStringLiteral("http://lyrics.alsong.co.kr/alsongwebservice/service1.asmx");

    bool operator==(const Settings&) const = default;
};

// Every value of a built-in preset, as a first run gets it.
Settings MakePreset(Preset preset);

}  // namespace lumek
