#include "app/window/pages/page_binder.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <memory>

namespace lumek::pages {

namespace {

// The three numbered keys of one effect setting ("FontStroke1".."FontStroke3").
QStringList TargetKeys(const QString& stem) {
    return {stem + u'1', stem + u'2', stem + u'3'};
}

// One effect of the text target: its strength box, its colour and its blur slider.
struct Effect {
    QString stem;         // "FontStroke": the box edits stem + target
    QString blurStem;     // "StrokeBlur": the slider edits blurStem + target
    QStringList colours;  // the colour key of targets 1, 2, 3
    QString boxName;
    QString boxCaption;
    Words box;
    QString colourName;
    Words colour;
    QString sliderName;
    Words slider;  // its caption starts the label: "Stroke Blur = " + value
};

template <typename Numbered, typename ColourKey>
QGridLayout* EffectGrid(PageBinder* binder, const Numbered& numbered, const ColourKey& colourKey,
                        const Effect& effect) {
    auto* grid = FormGrid();
    AddRow(grid, effect.boxCaption,
           binder->box(effect.boxName, effect.box, numbered(effect.stem), TargetKeys(effect.stem),
                       BoxTrigger::KeyRelease),
           QStringLiteral("px"));
    AddRow(grid, effect.colour.caption,
           binder->colourButton(effect.colourName, effect.colour, colourKey(effect.colours),
                                effect.colours));
    auto* label = new QLabel(binder->page());
    const QString prefix = effect.slider.caption + QStringLiteral(" = ");
    AddSliderRow(grid, label,
                 binder->slider(
                     effect.sliderName, effect.slider, numbered(effect.blurStem),
                     TargetKeys(effect.blurStem), 10, 1,
                     [prefix](int v) { return prefix + QString::number(v); }, label));
    return grid;
}

}  // namespace

// Page 5: outline and shadow of the text target chosen in CB4 (1 main lyric, 2 neighbours,
// 3 cover intro text). The target is not saved and starts at the main lyric.
QWidget* BuildOutlinePage(const PageContext& context, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* binder = new PageBinder(context, page);
    auto target = std::make_shared<int>(1);
    const auto numbered = [target](const QString& stem) {
        return [target, stem] { return stem + QString::number(*target); };
    };
    const auto colourKey = [target](const QStringList& keys) {
        return [target, keys] { return keys[*target - 1]; };
    };
    const QStringList strokeColours = {QStringLiteral("MainStokeColor"),
                                       QStringLiteral("SubStokeColor"),
                                       QStringLiteral("CoverStokeColor")};
    const QStringList shadowColours = {QStringLiteral("MainShadowColor"),
                                       QStringLiteral("SubShadowColor"),
                                       QStringLiteral("CoverShadowColor")};

    auto* chooser = FormGrid();
    auto* targets = new QComboBox(page);
    Describe(targets, QStringLiteral("CB4"),
             {QStringLiteral("설정할 가사"), QStringLiteral("효과를 설정할 텍스트를 선택합니다.")});
    targets->addItems(
        {QStringLiteral("메인가사"), QStringLiteral("전후가사"), QStringLiteral("커버인트로")});
    AddRow(chooser, QStringLiteral("설정할 가사"), targets);
    // Loading a settings file (or a preset) reports every key and starts again at the main
    // lyric; an edit changes one target's key only, and choosing a target no alignment. Followed
    // before the target's controls so that they show the main lyric's values.
    binder->follow(targets, {QStringLiteral("TextAlign")}, [=] {
        const QStringList strokes = TargetKeys(QStringLiteral("FontStroke"));
        if (*target != 1 && std::all_of(strokes.begin(), strokes.end(), [&](const QString& key) {
                return binder->changing().contains(key);
            })) {
            targets->setCurrentIndex(0);
            *target = 1;
        }
    });

    QGridLayout* stroke = EffectGrid(
        binder, numbered, colourKey,
        {QStringLiteral("FontStroke"),
         QStringLiteral("StrokeBlur"),
         strokeColours,
         QStringLiteral("Text4"),
         QStringLiteral("외곽선 두께 -"),
         {QStringLiteral("외곽선 두께"),
          QStringLiteral("선택한 텍스트의 외곽선 두께를 설정합니다.")},
         QStringLiteral("C7"),
         {QStringLiteral("외곽선 색"), QStringLiteral("선택한 텍스트의 외곽선 색을 설정합니다.")},
         QStringLiteral("PS3"),
         {QStringLiteral("Stroke Blur"),
          QStringLiteral("선택한 텍스트의 외곽선에 흐림효과를 어느정도 줄것인지 "
                         "설정합니다.")}});
    QGridLayout* shadow = EffectGrid(
        binder, numbered, colourKey,
        {QStringLiteral("FontShadow"),
         QStringLiteral("ShadowBlur"),
         shadowColours,
         QStringLiteral("Text5"),
         QStringLiteral("그림자 위치 -"),
         {QStringLiteral("그림자 위치"),
          QStringLiteral("선택한 텍스트의 그림자 위치를 설정합니다. 양수일 경우 ↘ "
                         "방향, 음수일 경우 ↖ 방향이 됩니다.")},
         QStringLiteral("C8"),
         {QStringLiteral("그림자 색"), QStringLiteral("선택한 텍스트의 그림자 색을 설정합니다.")},
         QStringLiteral("PS4"),
         {QStringLiteral("Shadow Blur"),
          QStringLiteral("선택한 텍스트의 그림자에 흐림효과를 어느정도 줄것인지 "
                         "설정합니다.")}});

    // A click, a key or the wheel on the list shows the chosen target's values.
    QObject::connect(targets, &QComboBox::currentIndexChanged, binder, [=](int index) {
        *target = index + 1;
        binder->refresh(TargetKeys(QStringLiteral("FontStroke")) +
                        TargetKeys(QStringLiteral("FontShadow")) +
                        TargetKeys(QStringLiteral("StrokeBlur")) +
                        TargetKeys(QStringLiteral("ShadowBlur")) + strokeColours + shadowColours);
    });
    return StackedPage(page, {Group(QStringLiteral("대상"), chooser, page),
                              Group(QStringLiteral("외곽선"), stroke, page),
                              Group(QStringLiteral("그림자"), shadow, page)});
}

}  // namespace lumek::pages
