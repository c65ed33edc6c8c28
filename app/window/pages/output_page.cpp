#include "app/window/pages/page_binder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace lumek::pages {

// Page 2: audio bit rate, container, video size, one-file mode, quality and the frame slider.
QWidget* BuildOutputPage(const PageContext& context, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* binder = new PageBinder(context, page);

    auto* audio = FormGrid();
    QComboBox* bitrate = binder->list(
        QStringLiteral("CB1"),
        {QStringLiteral("오디오 비트레이트"),
         QStringLiteral("클수록 오디오 품질이 좋아지고 용량이 커집니다.")},
        QStringLiteral("Audio Bitrate"),
        {QStringLiteral("320"), QStringLiteral("192"), QStringLiteral("160"), QStringLiteral("128"),
         QStringLiteral("64"), QStringLiteral("48"), QStringLiteral("32")});
    QLabel* bitrateCaption =
        AddRow(audio, QStringLiteral("오디오 비트레이트"), bitrate, QStringLiteral("kbps"));
    bitrateCaption->setObjectName(QStringLiteral("lblAudioBitrate"));
    QCheckBox* original =
        binder->check(QStringLiteral("O4"),
                      {QStringLiteral("소리에 MP3 원본 비트레이트를 사용"),
                       QStringLiteral("MP3 원본의 비트레이트로 인코딩할 것인지 선택합니다.")},
                      QStringLiteral("AudioOriginal"));
    audio->addWidget(original, audio->rowCount(), 0, 1, 3);
    // The chosen bit rate only counts when the MP3's own is not used.
    binder->follow(original, {QStringLiteral("AudioOriginal")}, [=] {
        const bool own = original->checkState() == Qt::Checked;
        bitrate->setEnabled(!own);
        bitrateCaption->setEnabled(!own);
    });

    auto* video = FormGrid();
    AddRow(video, QStringLiteral("출력 파일 확장자"),
           binder->list(QStringLiteral("CB2"),
                        {QStringLiteral("출력 파일 확장자"),
                         QStringLiteral("출력하는 동영상의 확장자를 선택합니다.")},
                        QStringLiteral("Output Ext"),
                        {QStringLiteral("mp4"), QStringLiteral("k3g"), QStringLiteral("skm")}));
    AddRow(video, QStringLiteral("동영상 크기  -"),
           Inline(page, {binder->box(QStringLiteral("Hlng3"),
                                     {QStringLiteral("동영상 가로 크기"),
                                      QStringLiteral("배경의 가로길이를 설정합니다.")},
                                     QStringLiteral("ScreenWidth"), BoxTrigger::EveryChange),
                         QStringLiteral("*"),
                         binder->box(QStringLiteral("Hlng4"),
                                     {QStringLiteral("동영상 세로 크기"),
                                      QStringLiteral("배경의 세로길이를 설정합니다.")},
                                     QStringLiteral("ScreenHeight"), BoxTrigger::EveryChange),
                         QStringLiteral("px")}));
    video->addWidget(
        binder->check(QStringLiteral("O11"),
                      {QStringLiteral("동영상 하나로 합쳐서 만들기"),
                       QStringLiteral("인코딩 목록의 순서대로 여러파일을 하나의 파일로 "
                                      "인코딩합니다.")},
                      QStringLiteral("VideoMode")),
        video->rowCount(), 0, 1, 3);

    auto* qualityLabel = new QLabel(page);
    AddSliderRow(
        video, qualityLabel,
        binder->slider(
            QStringLiteral("HS1"),
            {QStringLiteral("동영상 품질"),
             QStringLiteral("클수록 화질이 좋아지고 용량이 커집니다.")},
            QStringLiteral("Video Quality"), 50, 4,
            [](int v) { return QStringLiteral("동영상 품질 = ") + QString::number(v + 1); },
            qualityLabel));

    // The frame slider is not a setting: it only shows its value.
    auto* framesLabel = new QLabel(page);
    auto* frames = new QSlider(Qt::Horizontal, page);
    Describe(frames, QStringLiteral("HS2"), {QStringLiteral("동영상 프레임"), QString()});
    frames->setRange(0, 29);
    frames->setPageStep(4);
    const auto showFrames = [framesLabel](int v) {
        framesLabel->setText(QStringLiteral("동영상 프레임 = ") + QString::number(v + 1));
    };
    QObject::connect(frames, &QSlider::valueChanged, framesLabel, showFrames);
    frames->setValue(10);
    showFrames(frames->value());
    AddSliderRow(video, framesLabel, frames);

    return StackedPage(page, {Group(QStringLiteral("오디오"), audio, page),
                              Group(QStringLiteral("동영상"), video, page)});
}

}  // namespace lumek::pages
