#include "app/window/pages/page_binder.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumek::pages {

// Page 0: fonts and colours of the main and the previous/next lines, their alignment, the
// example text, the gap and the margin.
QWidget* BuildLyricTextPage(const PageContext& context, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* binder = new PageBinder(context, page);

    auto* main = FormGrid();
    AddRow(main, QStringLiteral("글꼴"),
           binder->fontButton(
               QStringLiteral("C2"),
               {QStringLiteral("메인 가사 글꼴"), QStringLiteral("메인 가사의 글꼴을 설정합니다.")},
               QStringLiteral("Font")));
    AddRow(main, QStringLiteral("상단 색"),
           binder->colourButton(QStringLiteral("C1"),
                                {QStringLiteral("메인 가사 상단 색"),
                                 QStringLiteral("메인 가사의 상단 글꼴 색을 설정합니다.")},
                                QStringLiteral("MainFontColor")));
    AddRow(main, QStringLiteral("하단 색"),
           binder->colourButton(QStringLiteral("C13"),
                                {QStringLiteral("메인 가사 하단 색"),
                                 QStringLiteral("메인 가사의 하단 글꼴 색을 설정합니다.")},
                                QStringLiteral("MainFontColor2")));

    auto* sub = FormGrid();
    QCheckBox* show = binder->check(
        QStringLiteral("O1"),
        {QStringLiteral("전후 가사 보이기"), QStringLiteral("앞뒤의 가사를 표시할지 선택합니다.")},
        QStringLiteral("SubTextShow"));
    sub->addWidget(show, 0, 0, 1, 3);
    QPushButton* subFont = binder->fontButton(
        QStringLiteral("C3"),
        {QStringLiteral("전후 가사 글꼴"), QStringLiteral("전후 가사의 글꼴을 설정합니다.")},
        QStringLiteral("Font2"));
    AddRow(sub, QStringLiteral("글꼴"), subFont);
    QPushButton* subTop =
        binder->colourButton(QStringLiteral("C4"),
                             {QStringLiteral("전후 가사 상단 색"),
                              QStringLiteral("전후 가사의 상단 글꼴 색을 설정합니다.")},
                             QStringLiteral("SubFontColor"));
    AddRow(sub, QStringLiteral("상단 색"), subTop);
    QPushButton* subBottom =
        binder->colourButton(QStringLiteral("C14"),
                             {QStringLiteral("전후 가사 하단 색"),
                              QStringLiteral("전후 가사의 하단 글꼴 색을 설정합니다.")},
                             QStringLiteral("SubFontColor2"));
    AddRow(sub, QStringLiteral("하단 색"), subBottom);
    QLineEdit* gap = binder->box(
        QStringLiteral("hlng2"),
        {QStringLiteral("간격"), QStringLiteral("전후 가사와 메인 가사와의 간격을 설정합니다.")},
        QStringLiteral("TextBetween"), BoxTrigger::KeyRelease);
    QLabel* gapCaption = AddRow(sub, QStringLiteral("간격 -"), gap, QStringLiteral("px"));
    gapCaption->setObjectName(QStringLiteral("lblTextBetween"));

    // The neighbours' controls only matter while the neighbours are shown.
    const auto enableNeighbours = [=] {
        const bool shown = show->checkState() == Qt::Checked;
        for (QWidget* control : {static_cast<QWidget*>(subFont), static_cast<QWidget*>(subTop),
                                 static_cast<QWidget*>(subBottom), static_cast<QWidget*>(gap),
                                 static_cast<QWidget*>(gapCaption)}) {
            control->setEnabled(shown);
        }
    };
    const auto showClicked = [=] {
        subFont->setToolTip(QStringLiteral("전후 가사의 글꼴을 설정합니다."));
        subTop->setToolTip(QStringLiteral("전후 가사의 글꼴 색을 설정합니다."));
        enableNeighbours();
    };
    QObject::connect(show, &QCheckBox::clicked, binder, showClicked);
    binder->follow(show, {QStringLiteral("SubTextShow")}, enableNeighbours);

    QHBoxLayout* align =
        binder->alignment({QStringLiteral("OPP1"), QStringLiteral("OPP2"), QStringLiteral("OPP3")},
                          {QStringLiteral("기준점이 왼쪽에 오도록 가사를 맞춥니다."),
                           QStringLiteral("기준점이 가운데에 오도록 가사를 맞춥니다."),
                           QStringLiteral("기준점이 오른쪽에 오도록 가사를 맞춥니다.")},
                          QStringLiteral("TextAlign"));

    auto* text = FormGrid();
    AddRow(text, QStringLiteral("미리보기 가사"),
           binder->box(QStringLiteral("Text1"),
                       {QStringLiteral("미리보기 가사"),
                        QStringLiteral("만들기 전에 이곳에 가사를 입력하여 가사가 어떻게 "
                                       "나오는지 미리볼 수 있습니다.")},
                       QStringLiteral("ExampleText"), BoxTrigger::KeyRelease));
    AddRow(text, QStringLiteral("화면 좌우 여백 -"),
           binder->box(QStringLiteral("hlng"),
                       {QStringLiteral("화면 좌우 여백"),
                        QStringLiteral("화면 좌우 여백을 넘어가면 텍스트를 다음줄로 넘깁니다.")},
                       QStringLiteral("TextLength"), BoxTrigger::KeyRelease),
           QStringLiteral("px"));

    return StackedPage(page, {Group(QStringLiteral("메인 가사"), main, page),
                              Group(QStringLiteral("전후 가사"), sub, page),
                              Group(QStringLiteral("가사 정렬"), align, page),
                              Group(QStringLiteral("미리보기와 여백"), text, page)});
}

}  // namespace lumek::pages
