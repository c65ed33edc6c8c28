#include "app/window/pages/page_binder.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumek::pages {

// Page 1: the background colour and picture, its animation and the canvas size.
QWidget* BuildBackgroundPage(const PageContext& context, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* binder = new PageBinder(context, page);

    auto* background = FormGrid();
    AddRow(
        background, QStringLiteral("배경 색"),
        binder->colourButton(QStringLiteral("C5"),
                             {QStringLiteral("배경 색"), QStringLiteral("배경 색을 설정합니다.")},
                             QStringLiteral("BGColor")));
    AddRow(background, QStringLiteral("배경 이미지"),
           binder->imageButton(
               QStringLiteral("C6"),
               {QStringLiteral("배경 이미지"), QStringLiteral("배경 이미지를 불러옵니다.")},
               QStringLiteral("PicturePath"), QStringLiteral("불러올 배경이미지를 선택하세요.")));
    QCheckBox* useImage = binder->check(
        QStringLiteral("O2"),
        {QStringLiteral("배경 이미지 사용"), QStringLiteral("배경 이미지를 표시할지 선택합니다.")},
        QStringLiteral("BGImage"));
    background->addWidget(useImage, background->rowCount(), 0, 1, 3);
    QCheckBox* animate = binder->check(
        QStringLiteral("O5"),
        {QStringLiteral("배경 애니메이션 사용"),
         QStringLiteral("배경을 움직이는 배경으로 사용할지 선택합니다. (시퀀스 배경일 경우에만 "
                        "해당됩니다.)")},
        QStringLiteral("BGAnimation"));
    background->addWidget(animate, background->rowCount(), 0, 1, 3);
    // Only a numbered picture sequence can play; the studio clears the box for any other.
    binder->follow(animate, {QStringLiteral("PicturePath"), QStringLiteral("BGAnimation")},
                   [binder, animate] {
                       animate->setEnabled(IsSequenceBackground(binder->settings().PicturePath));
                   });

    auto* canvas = FormGrid();
    const Words width{QStringLiteral("이미지 가로 크기"),
                      QStringLiteral("배경의 가로길이를 설정합니다.")};
    const Words height{QStringLiteral("이미지 세로 크기"),
                       QStringLiteral("배경의 세로길이를 설정합니다.")};
    AddRow(canvas, QStringLiteral("이미지 크기  -"),
           Inline(page, {binder->box(QStringLiteral("Pxsize"), width, QStringLiteral("PsizeX"),
                                     BoxTrigger::EveryChange),
                         QStringLiteral("*"),
                         binder->box(QStringLiteral("Pysize"), height, QStringLiteral("PsizeY"),
                                     BoxTrigger::EveryChange),
                         QStringLiteral("px")}));

    return StackedPage(page, {Group(QStringLiteral("배경"), background, page),
                              Group(QStringLiteral("캔버스"), canvas, page)});
}

}  // namespace lumek::pages
