#include "app/window/pages/page_binder.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lumek::pages {

namespace {

// Every geometry box acts on each change.
struct GeometryBox {
    QString name;
    QString caption;
    QString tooltip;
    QString key;
};

// Two geometry boxes in one row: caption, first, between, second, after, and "px".
void AddPairRow(PageBinder* binder, QGridLayout* grid, const QString& caption,
                const GeometryBox& first, const QString& between, const GeometryBox& second,
                const QString& after = {}) {
    const auto make = [binder](const GeometryBox& box) {
        return binder->box(box.name, {box.caption, box.tooltip}, box.key, BoxTrigger::EveryChange);
    };
    std::vector<InlinePart> parts = {make(first), between, make(second)};
    if (!after.isEmpty()) {
        parts.emplace_back(after);
    }
    AddRow(grid, caption, Inline(binder->page(), parts), QStringLiteral("px"));
}

void AddSingleRow(PageBinder* binder, QGridLayout* grid, const QString& caption,
                  const GeometryBox& box) {
    AddRow(grid, caption,
           binder->box(box.name, {box.caption, box.tooltip}, box.key, BoxTrigger::EveryChange),
           QStringLiteral("px"));
}

}  // namespace

// Page 8: cover picture position and size, title text position and area, title bar heights,
// the title bar images and masks and the cover intro background.
QWidget* BuildGeometryPage(const PageContext& context, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* binder = new PageBinder(context, page);

    auto* cover = FormGrid();
    AddPairRow(binder, cover, QStringLiteral("커버 이미지 좌표 ( X ="),
               {QStringLiteral("CLX"), QStringLiteral("커버 이미지 좌표 X"),
                QStringLiteral("출력되는 커버이미지의 가로 위치를 설정합니다."),
                QStringLiteral("CoverImageX")},
               QStringLiteral(", Y ="),
               {QStringLiteral("CLY"), QStringLiteral("커버 이미지 좌표 Y"),
                QStringLiteral("출력되는 커버이미지의 세로 위치를 설정합니다."),
                QStringLiteral("CoverImageY")},
               QStringLiteral(")"));
    AddPairRow(binder, cover, QStringLiteral("커버 이미지 크기  ="),
               {QStringLiteral("CLW"), QStringLiteral("커버 이미지 가로 크기"),
                QStringLiteral("출력되는 커버이미지의 가로 길이를 설정합니다."),
                QStringLiteral("CoverImageW")},
               QStringLiteral("*"),
               {QStringLiteral("CLH"), QStringLiteral("커버 이미지 세로 크기"),
                QStringLiteral("출력되는 커버이미지의 세로 길이를 설정합니다."),
                QStringLiteral("CoverImageH")});
    AddRow(cover, QStringLiteral("커버인트로 배경"),
           binder->imageButton(QStringLiteral("cmdCoverBG"),
                               {QStringLiteral("커버인트로 배경 이미지"),
                                QStringLiteral("커버인트로 배경이미지를 선택합니다.")},
                               QStringLiteral("CoverBGPath"),
                               QStringLiteral("불러올 커버인트로 배경 이미지를 선택하세요.")));

    auto* bar = FormGrid();
    AddPairRow(binder, bar, QStringLiteral("타이틀바 글자위치 ( X ="),
               {QStringLiteral("TTX"), QStringLiteral("타이틀바 글자위치 X"),
                QStringLiteral("타이틀바 글자의 가로 위치를 설정합니다."),
                QStringLiteral("TitleBarTextX")},
               QStringLiteral(", Y ="),
               {QStringLiteral("TTY"), QStringLiteral("타이틀바 글자위치 Y"),
                QStringLiteral("타이틀바 글자의 세로 위치를 설정합니다."),
                QStringLiteral("TitleBarTextY")},
               QStringLiteral(")"));
    AddPairRow(binder, bar, QStringLiteral("타이틀바 글자공간 크기 ("),
               {QStringLiteral("TTW"), QStringLiteral("타이틀바 글자공간 가로 크기"),
                QStringLiteral("타이틀바 글자공간의 가로 길이를 설정합니다."),
                QStringLiteral("TitleBarTextW")},
               QStringLiteral("*"),
               {QStringLiteral("TTH"), QStringLiteral("타이틀바 글자공간 세로 크기"),
                QStringLiteral("타이틀바 글자공간의 세로 길이를 설정합니다."),
                QStringLiteral("TitleBarTextH")},
               QStringLiteral(")"));
    AddSingleRow(binder, bar, QStringLiteral("타이틀바 초기 높이 ="),
                 {QStringLiteral("TY1"), QStringLiteral("타이틀바 초기 높이"),
                  QStringLiteral("타이틀바의 초기 높이(내려오기 전)를 설정합니다."),
                  QStringLiteral("TitleBarUpTop")});
    AddSingleRow(binder, bar, QStringLiteral("타이틀바 내려오는 높이 ="),
                 {QStringLiteral("TY2"), QStringLiteral("타이틀바 내려오는 높이"),
                  QStringLiteral("타이틀바가 초기 높이에서 내려오는 높이를 설정합니다."),
                  QStringLiteral("TitleBarDownTop")});

    auto* images = FormGrid();
    AddRow(images, QStringLiteral("타이틀바 이미지"),
           binder->imageButton(
               QStringLiteral("cmdTitleImage"),
               {QStringLiteral("타이틀바 이미지"), QStringLiteral("타이틀바 이미지를 선택합니다.")},
               QStringLiteral("TitleImagePath"),
               QStringLiteral("불러올 타이틀바 이미지를 선택하세요.")));
    AddRow(images, QStringLiteral("타이틀바 마스크"),
           binder->imageButton(QStringLiteral("cmdTitleMask"),
                               {QStringLiteral("타이틀바 마스크 이미지"),
                                QStringLiteral("타이틀바 마스크 이미지를 선택합니다.")},
                               QStringLiteral("TitleMaskPath"),
                               QStringLiteral("불러올 타이틀바 마스크 이미지를 선택하세요.")));
    AddRow(images, QStringLiteral("글자공간 마스크"),
           binder->imageButton(QStringLiteral("cmdTitleTextMask"),
                               {QStringLiteral("타이틀바 텍스트 마스크 이미지"),
                                QStringLiteral("타이틀바 글자공간에 대한 마스크 이미지를 "
                                               "선택합니다.")},
                               QStringLiteral("TitleTextMaskPath"),
                               QStringLiteral("불러올 타이틀바 텍스트 마스크 이미지를 "
                                              "선택하세요.")));

    return StackedPage(page, {Group(QStringLiteral("커버 이미지"), cover, page),
                              Group(QStringLiteral("타이틀바 위치"), bar, page),
                              Group(QStringLiteral("타이틀바 이미지"), images, page)});
}

}  // namespace lumek::pages
