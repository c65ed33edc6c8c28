#include "app/window/preview_pane.h"

#include "app/studio.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace lumek {

CanvasView::CanvasView(const Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setObjectName(QStringLiteral("Picture1"));
    setAccessibleName(QStringLiteral("미리보기"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

QSize CanvasView::sizeHint() const {
    return studio_.canvas().image().size();
}

void CanvasView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // One frame pixel is one device-independent pixel; a HiDPI screen scales it whole.
    painter.drawImage(QPoint(0, 0), studio_.canvas().image());
}

PreviewPane::PreviewPane(Studio& studio, QWidget* parent)
    : QWidget(parent),
      studio_(studio),
      canvas_(new CanvasView(studio, this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      play_(new QPushButton(QStringLiteral("재생"), this)),
      status_(new QLabel(this)),
      progress_(new QProgressBar(this)) {
    slider_->setObjectName(QStringLiteral("PS2"));
    slider_->setAccessibleName(QStringLiteral("미리보기 위치"));
    slider_->setToolTip(QStringLiteral("만들기 전에 지정한 부분을 미리볼 수 있습니다."));
    slider_->setRange(0, 0);
    play_->setObjectName(QStringLiteral("cmdPlay"));
    play_->setAccessibleName(QStringLiteral("재생"));
    play_->setToolTip(
        QStringLiteral("미리보기를 음악과 함께 재생합니다. (미리보기 재생중의 "
                       "프레임은 실제 프레임과 다를 수 있습니다.)"));
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setAccessibleName(QStringLiteral("상태"));
    status_->setToolTip(QStringLiteral("작업 과정을 표시하는 란입니다."));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setAccessibleName(QStringLiteral("진행률"));
    progress_->setRange(0, 1000);
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(6);
    progress_->hide();

    auto* controls = new QHBoxLayout;
    controls->addWidget(slider_, 1);
    controls->addWidget(play_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(canvas_, 0, Qt::AlignHCenter);
    layout->addLayout(controls);
    layout->addWidget(status_);
    layout->addWidget(progress_);

    connect(slider_, &QSlider::valueChanged, this, [this] { redraw(); });
}

void PreviewPane::redraw() {
    if (studio_.RenderPreview(slider_->value())) {
        canvas_->update();
    }
}

void PreviewPane::setStatus(const QString& text) {
    status_->setText(text);
}

void PreviewPane::setProgress(double fraction) {
    progress_->setVisible(fraction >= 0);
    progress_->setValue(static_cast<int>(fraction * 1000));
}

void PreviewPane::canvasResized() {
    canvas_->setFixedSize(canvas_->sizeHint());
    updateGeometry();
}

}  // namespace lumek
