#include "app/window/pages/page_binder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace lumek::pages {

// Page 4: the lyric transition and the title bar.
QWidget* BuildTitleBarPage(const PageContext& context, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* binder = new PageBinder(context, page);

    auto* transition = FormGrid();
    AddRow(transition, QStringLiteral("가사 전환 효과 시간 -"),
           binder->box(QStringLiteral("Text2"),
                       {QStringLiteral("가사 전환 효과 시간"),
                        QStringLiteral("가사 전환시 흐려지는 시간을 설정합니다.")},
                       QStringLiteral("FadeTime"), BoxTrigger::KeyRelease),
           QStringLiteral("프레임"));
    AddRow(
        transition, QStringLiteral("효과 -"),
        binder->list(QStringLiteral("CB3"),
                     {QStringLiteral("효과"), QStringLiteral("가사 전환 효과를 선택합니다.")},
                     QStringLiteral("EffectType"),
                     {QStringLiteral("흐림"), QStringLiteral("분산"), QStringLiteral("모자이크")}));

    auto* bar = FormGrid();
    bar->addWidget(
        binder->check(QStringLiteral("O8"),
                      {QStringLiteral("타이틀바 보이기"),
                       QStringLiteral("상단에 표시되는 타이틀바를 사용할 것인지 선택합니다.")},
                      QStringLiteral("TitleBar")),
        0, 0, 1, 3);
    AddRow(bar, QStringLiteral("타이틀바 최대 글자 제한 -"),
           binder->box(QStringLiteral("CLT"),
                       {QStringLiteral("타이틀바 최대 글자 제한"),
                        QStringLiteral("글자 수가 설정한 값을 초과하면 글자를 움직여서 "
                                       "보여줍니다.")},
                       QStringLiteral("TitleBarTextLength"), BoxTrigger::EveryChange),
           QStringLiteral("글자"));

    auto* hueLabel = new QLabel(page);
    AddSliderRow(
        bar, hueLabel,
        binder->slider(
            QStringLiteral("PS5"),
            {QStringLiteral("타이틀바 색 설정"), QStringLiteral("타이틀바의 색상을 설정합니다.")},
            QStringLiteral("Title Hue"), 3600, 100,
            [](int v) {
                // Tenths of a degree, shown in degrees.
                return QStringLiteral("타이틀바 색 설정 [Hue = ") + QString::number(v / 10.0) +
                       QStringLiteral("]");
            },
            hueLabel));
    auto* speedLabel = new QLabel(page);
    AddSliderRow(
        bar, speedLabel,
        binder->slider(
            QStringLiteral("PS6"),
            {QStringLiteral("타이틀바 글자 속도"),
             QStringLiteral("타이틀바의 글자가 움직일 때, 글자의 이동 속도를 "
                            "설정합니다.")},
            QStringLiteral("Title Speed"), 49, 5,
            [](int v) { return QStringLiteral("타이틀바 글자 속도 = ") + QString::number(v + 1); },
            speedLabel));
    auto* brightnessLabel = new QLabel(page);
    AddSliderRow(
        bar, brightnessLabel,
        binder->slider(
            QStringLiteral("PS7"),
            {QStringLiteral("타이틀바 밝기 설정"), QStringLiteral("타이틀바의 밝기을 설정합니다.")},
            QStringLiteral("Title Brightness"), 200, 10,
            [](int v) {
                return QStringLiteral("타이틀바 밝기 설정 = ") + QString::number(v - 100);
            },
            brightnessLabel));
    AddRow(bar, QStringLiteral("글꼴"),
           binder->fontButton(
               QStringLiteral("C11"),
               {QStringLiteral("타이틀바 글꼴"), QStringLiteral("타이틀바의 글꼴을 설정합니다.")},
               QStringLiteral("TitleFont")));
    AddRow(bar, QStringLiteral("글꼴 색"),
           binder->colourButton(QStringLiteral("C12"),
                                {QStringLiteral("타이틀바 글꼴 색"),
                                 QStringLiteral("타이틀바의 글꼴 색을 설정합니다.")},
                                QStringLiteral("TitleFontColor")));
    AddRow(bar, QStringLiteral("색/밝기 마스크"),
           binder->imageButton(QStringLiteral("cmdTitleEffectMask"),
                               {QStringLiteral("타이틀바 색/밝기 마스크 이미지"),
                                QStringLiteral("타이틀바 색 설정, 밝기 설정에 대한 마스크 이미지를 "
                                               "선택합니다.")},
                               QStringLiteral("TitleEffectMaskPath"),
                               QStringLiteral("불러올 타이틀바 텍스트 마스크 이미지를 "
                                              "선택하세요.")));

    return StackedPage(page, {Group(QStringLiteral("가사 전환"), transition, page),
                              Group(QStringLiteral("타이틀바"), bar, page)});
}

}  // namespace lumek::pages
