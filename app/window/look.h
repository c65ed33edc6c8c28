#pragma once

class QApplication;

namespace lumek {

// One look for the whole program: the Fusion style with a light palette in the icon's violet, a
// Korean font (NanumGothic when installed) and the side bar's and buttons' styles.
void ApplyLumekLook(QApplication& app);

}  // namespace lumek
