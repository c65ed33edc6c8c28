#include "app/window/pages/page_binder.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumek::pages {

namespace {

// A check box over one of the cover options the settings file does not keep.
QCheckBox* CoverOption(PageBinder* binder, const QString& name, const Words& words,
                       bool CoverOptions::*option) {
    auto* check = new QCheckBox(words.caption, binder->page());
    Describe(check, name, words);
    check->setChecked(binder->studio().coverOptions().*option);
    QObject::connect(check, &QCheckBox::clicked, binder, [binder, option](bool checked) {
        CoverOptions options = binder->studio().coverOptions();
        options.*option = checked;
        binder->studio().setCoverOptions(options);
    });
    return check;
}

}  // namespace

// Page 6: the cover intro: use, tag art, aspect ratio, reflection, times, alignment, margin,
// picture, font and colour.
QWidget* BuildCoverIntroPage(const PageContext& context, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* binder = new PageBinder(context, page);

    auto* use = new QVBoxLayout;
    use->addWidget(binder->check(QStringLiteral("O6"),
                                 {QStringLiteral("커버 인트로 사용"),
                                  QStringLiteral("영상 초반에 나오는 커버 인트로를 사용할 것인지 "
                                                 "선택합니다.")},
                                 QStringLiteral("CoverIntro")));
    use->addWidget(CoverOption(binder, QStringLiteral("O12"),
                               {QStringLiteral("MP3 태그에 커버 아트가 있는 경우 사용"),
                                QStringLiteral("MP3 태그에 포함된 커버아트를 사용할 것인지 "
                                               "선택합니다.")},
                               &CoverOptions::useTagArt));
    use->addWidget(CoverOption(binder, QStringLiteral("O13"),
                               {QStringLiteral("원본의 비율에 맞게 출력"),
                                QStringLiteral("원본 커버이미지의 비율에 맞게 출력할 것인지 "
                                               "선택합니다.")},
                               &CoverOptions::keepAspect));
    use->addWidget(
        CoverOption(binder, QStringLiteral("O14"),
                    {QStringLiteral("반사 효과"),
                     QStringLiteral("커버이미지의 반사효과를 사용할 것인지 선택합니다.")},
                    &CoverOptions::reflection));

    auto* times = FormGrid();
    AddRow(times, QStringLiteral("커버 표시 시간 -"),
           binder->box(QStringLiteral("Text3"),
                       {QStringLiteral("커버 표시 시간"),
                        QStringLiteral("커버인트로를 표시하는 시간을 설정합니다.")},
                       QStringLiteral("CoverShowTime"), BoxTrigger::KeyRelease),
           QStringLiteral("프레임"));
    AddRow(times, QStringLiteral("커버 Fade 시간 -"),
           binder->box(QStringLiteral("Text6"),
                       {QStringLiteral("커버 Fade 시간"),
                        QStringLiteral("커버인트로가 사라지는 시간을 설정합니다.")},
                       QStringLiteral("CoverFadeTime"), BoxTrigger::KeyRelease),
           QStringLiteral("프레임"));

    auto* text = FormGrid();
    QHBoxLayout* align =
        binder->alignment({QStringLiteral("CPP0"), QStringLiteral("CPP1"), QStringLiteral("CPP2")},
                          {QStringLiteral("기준점이 왼쪽에 오도록 텍스트를 맞춥니다."),
                           QStringLiteral("기준점이 가운데에 오도록 텍스트를 맞춥니다."),
                           QStringLiteral("기준점이 오른쪽에 오도록 텍스트를 맞춥니다.")},
                          QStringLiteral("CoverTextAlign"));
    text->addLayout(align, 0, 0, 1, 3);
    AddRow(text, QStringLiteral("화면 좌우 여백 -"),
           binder->box(QStringLiteral("Alng"),
                       {QStringLiteral("화면 좌우 여백"),
                        QStringLiteral("화면 좌우 여백을 넘어가면 텍스트를 다음줄로 넘깁니다.")},
                       QStringLiteral("CoverLength"), BoxTrigger::KeyRelease),
           QStringLiteral("px"));
    AddRow(text, QStringLiteral("글꼴"),
           binder->fontButton(QStringLiteral("C9"),
                              {QStringLiteral("커버 인트로 글꼴"),
                               QStringLiteral("커버 인트로의 글꼴을 설정합니다.")},
                              QStringLiteral("CoverFont")));
    AddRow(text, QStringLiteral("글꼴 색"),
           binder->colourButton(QStringLiteral("C10"),
                                {QStringLiteral("커버 인트로 글꼴 색"),
                                 QStringLiteral("커버 인트로의 글꼴 색을 설정합니다.")},
                                QStringLiteral("CoverFontColor")));

    auto* picture = FormGrid();
    // The cover picture's dialog opens where the stored picture is.
    AddRow(picture, QStringLiteral("커버 이미지"),
           binder->imageButton(QStringLiteral("cmdCoverImage"),
                               {QStringLiteral("커버 이미지"),
                                QStringLiteral("커버 인트로에 사용할 이미지를 불러옵니다.")},
                               QStringLiteral("CoverImagePath"),
                               QStringLiteral("불러올 커버 이미지를 선택하세요."), true));

    return StackedPage(page, {Group(QStringLiteral("커버 인트로"), use, page),
                              Group(QStringLiteral("시간"), times, page),
                              Group(QStringLiteral("커버 텍스트"), text, page),
                              Group(QStringLiteral("기본 커버 이미지"), picture, page)});
}

}  // namespace lumek::pages
