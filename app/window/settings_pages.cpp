#include "app/window/settings_pages.h"

#include "app/window/pages/page_binder.h"

#include <QWidget>

namespace lumek {

QWidget* CreateSettingsPage(int index, const PageContext& context, QWidget* parent) {
    switch (index) {
        case 0:
            return pages::BuildLyricTextPage(context, parent);
        case 1:
            return pages::BuildBackgroundPage(context, parent);
        case 2:
            return pages::BuildOutputPage(context, parent);
        case 4:
            return pages::BuildTitleBarPage(context, parent);
        case 5:
            return pages::BuildOutlinePage(context, parent);
        case 6:
            return pages::BuildCoverIntroPage(context, parent);
        case 8:
            return pages::BuildGeometryPage(context, parent);
        default:
            // Pages 3 and 7 belong to the window.
            return new QWidget(parent);
    }
}

}  // namespace lumek
