#include "base/settings.h"

#include "base/numbers.h"

namespace lumek {

Settings MakePreset(Preset preset) {
    Settings s;
    int coverTextOffset = 88;
    if (preset == Preset::Phone) {
        s.StartSetting = Preset::Phone;
        s.ScreenWidth = s.PsizeX = QStringLiteral("320");
        s.ScreenHeight = s.PsizeY = QStringLiteral("240");
        s.FontSize = 26;
        s.Font2Size = 16;
        s.CoverFontSize = 26;
        s.TitleFontSize = 22;
        s.MainStokeColor = 0x313131;
        s.MainShadowColor = 0x000000;
        s.CoverShadowColor = 0x808080;
        s.FontShadow1 = s.FontShadow2 = s.FontShadow3 = 1;
        s.TextBetween = QStringLiteral("55");
        s.TextLength = QStringLiteral("10");
        s.TitleBarUpTop = QStringLiteral("-28");
        s.TitleBarDownTop = QStringLiteral("28");
        s.TitleBarTextX = QStringLiteral("30");
        s.TitleBarTextW = QStringLiteral("260");
        s.TitleBarTextH = QStringLiteral("30");
        s.TitleBarTextLength = QStringLiteral("10");
        s.CoverImageX = QStringLiteral("18");
        s.CoverImageY = QStringLiteral("75");
        s.CoverImageW = s.CoverImageH = QStringLiteral("90");
        s.OutputExt = 1;
        coverTextOffset = 55;
    }
    // The reference points follow the canvas size.
    const double width = ToInt(s.PsizeX);
    const double height = ToInt(s.PsizeY);
    s.PointX = RoundHalfEven(width / 2);
    s.PointY = RoundHalfEven(height / 2);
    s.CPointY = RoundHalfEven(height / 2);
    s.CPointX = RoundHalfEven(width / 2 + coverTextOffset);
    return s;
}

}  // namespace lumek
