#include "app/window/preview_pane.h"

#include "app/studio.h"
#include "base/numbers.h"
#include "render/frame_composer.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace lumek {

namespace {

const QString kPlay = QStringLiteral("재생");
const QString kStop = QStringLiteral("정지");

// Timer1's period. The slider moves in tenths of a second; a 10 ms tick shows a new tenth at
// most 10 ms (plus one drawing) after it starts to sound.
constexpr int kFollowMs = 10;

bool IsTextBox(const QWidget* widget) {
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->isEditable();
    }
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

}  // namespace

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

void CanvasView::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pointed(event->position(), event->buttons());
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::NoButton) {
        Q_EMIT pointed(event->position(), event->buttons());
    }
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent*) {
    Q_EMIT doubleClicked();
}

PreviewPane::PreviewPane(Studio& studio, QWidget* parent)
    : QWidget(parent),
      studio_(studio),
      canvas_(new CanvasView(studio, this)),
      slider_(new QSlider(Qt::Horizontal, this)),
      play_(new QPushButton(kPlay, this)),
      status_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      timer1_(new QTimer(this)),
      redrawSoon_(new QTimer(this)),
      moveSoon_(new QTimer(this)) {
    slider_->setObjectName(QStringLiteral("PS2"));
    slider_->setAccessibleName(QStringLiteral("미리보기 위치"));
    slider_->setToolTip(QStringLiteral("만들기 전에 지정한 부분을 미리볼 수 있습니다."));
    slider_->setRange(0, 0);
    play_->setObjectName(QStringLiteral("cmdPlay"));
    play_->setAccessibleName(kPlay);
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
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(kFollowMs);
    timer1_->setTimerType(Qt::PreciseTimer);
    for (QTimer* soon : {redrawSoon_, moveSoon_}) {
        soon->setSingleShot(true);
        soon->setInterval(0);
    }

    auto* controls = new QHBoxLayout;
    controls->addWidget(slider_, 1);
    controls->addWidget(play_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(canvas_, 0, Qt::AlignHCenter);
    layout->addLayout(controls);
    layout->addWidget(status_);
    layout->addWidget(progress_);

    connect(slider_, &QSlider::valueChanged, redrawSoon_, qOverload<>(&QTimer::start));
    connect(redrawSoon_, &QTimer::timeout, this, &PreviewPane::redraw);
    connect(slider_, &QSlider::sliderPressed, this, &PreviewPane::sliderPressed);
    connect(slider_, &QSlider::sliderReleased, this, &PreviewPane::sliderReleased);
    // A click beside the handle or a key on the slider jumps; while playing the sound follows.
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && playing() && !slider_->isSliderDown()) {
            studio_.SeekPreview(slider_->sliderPosition());
        }
    });
    connect(play_, &QPushButton::clicked, this, &PreviewPane::togglePlay);
    connect(timer1_, &QTimer::timeout, this, &PreviewPane::followPlayback);
    connect(canvas_, &CanvasView::pointed, this, &PreviewPane::canvasPointed);
    connect(moveSoon_, &QTimer::timeout, this, [this] { movePoint(pendingPoint_); });
    connect(canvas_, &CanvasView::doubleClicked, this, [this] {
        if (studio_.ReloadLyrics()) {
            redraw();
        }
    });
    qApp->installEventFilter(this);
}

void PreviewPane::redraw() {
    redrawSoon_->stop();
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

void PreviewPane::selectSong(const QString& path) {
    if (suppressSelection_) {
        suppressSelection_ = false;
        return;
    }
    if (studio_.SelectPreviewSong(path, true) != SongLoad::Loaded) {
        return;
    }
    if (playing() && studio_.HasPreviewSound()) {
        stopPlayback();
    }
    const int32_t tenths = FrameCount(studio_.song().Duration);
    const QSignalBlocker quiet(slider_);
    slider_->setRange(0, std::max(tenths - 1, 0));
    slider_->setValue(0);
    redraw();
}

void PreviewPane::setWorking(bool working) {
    play_->setEnabled(!working);
    slider_->setEnabled(!working);
    if (working) {
        timer1_->stop();
    }
}

void PreviewPane::stopFollowing() {
    if (playing() && studio_.HasPreviewSound()) {
        play_->setText(kPlay);
        timer1_->stop();
    }
}

bool PreviewPane::playing() const {
    return play_->text() == kStop;
}

void PreviewPane::togglePlay() {
    if (studio_.selectedSong().isEmpty()) {
        return;
    }
    if (playing()) {
        if (studio_.HasPreviewSound()) {
            stopPlayback();
        }
        return;
    }
    timer1_->stop();
    if (studio_.PlayPreview(slider_->value())) {
        play_->setText(kStop);
        timer1_->start();
    }
}

void PreviewPane::stopPlayback() {
    play_->setText(kPlay);
    studio_.StopPreview();
    timer1_->stop();
}

// What is shown matches what is heard: the position read here is the frame sounding now (the
// device clock with its queued buffer taken off, see OutputClock), so slider position v appears
// at most one tick plus one drawing after the sound reaches v x 100 ms. The window test measures
// it on the dummy driver against the wall clock, which that driver plays out in real time.
void PreviewPane::followPlayback() {
    if (studio_.PreviewPlaying()) {
        if (const std::optional<int32_t> position = studio_.PlayingPosition()) {
            slider_->setValue(*position);
        }
    } else if (studio_.HasPreviewSound()) {
        stopPlayback();
    }
}

void PreviewPane::sliderPressed() {
    if (playing()) {
        timer1_->stop();
    }
}

void PreviewPane::sliderReleased() {
    if (playing()) {
        studio_.SeekPreview(slider_->value());
        timer1_->start();
    }
}

void PreviewPane::canvasPointed(QPointF at, Qt::MouseButtons buttons) {
    if (studio_.job().JobRunning) {
        return;
    }
    if (buttons & Qt::LeftButton) {
        pendingPoint_ = {RoundHalfEven(at.x()), RoundHalfEven(at.y())};
    } else if (buttons & Qt::RightButton) {
        const Picture& canvas = studio_.canvas();
        pendingPoint_ = {RoundHalfEven(canvas.width() / 2.0), RoundHalfEven(canvas.height() / 2.0)};
    } else {
        return;
    }
    // A drag moves the point once per turn of the event loop, to where the mouse is by then.
    moveSoon_->start();
}

void PreviewPane::movePoint(QPoint point) {
    // Scheduled first: a window that redraws on every settings change does so inside the edit
    // and cancels this one, so the edit draws once either way.
    redrawSoon_->start();
    if (!studio_.MoveEditedPoint(slider_->value(), point)) {
        redrawSoon_->stop();
    }
}

bool PreviewPane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    // Keys reach the application for the platform window first and then for each widget on
    // their way; the widget steps of this pane's window are the ones taken.
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != window()) {
        return false;
    }
    return handleKey(static_cast<QKeyEvent*>(event));
}

bool PreviewPane::handleKey(QKeyEvent* key) {
    // The window's focus widget takes the window's keys.
    const bool inTextBox = IsTextBox(window()->focusWidget());
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
        if (inTextBox || !play_->isEnabled() || key->isAutoRepeat()) {
            return false;
        }
        togglePlay();
        return true;
    }
    if (!(key->modifiers() & Qt::KeypadModifier) || studio_.job().JobRunning) {
        return false;
    }
    QPoint step;
    switch (key->key()) {
        case Qt::Key_8:
            step = {0, -1};
            break;
        case Qt::Key_2:
            step = {0, 1};
            break;
        case Qt::Key_4:
            step = {-1, 0};
            break;
        case Qt::Key_6:
            step = {1, 0};
            break;
        default:
            return false;
    }
    movePoint(studio_.EditedPoint(slider_->value()) + step);
    // A text box still takes the digit, as typed.
    return !inTextBox;
}

}  // namespace lumek
