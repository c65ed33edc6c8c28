#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;

namespace lumek {

class Studio;

// Shows Picture1 pixel for pixel; the frame comes from the studio's canvas.
class CanvasView : public QWidget {
    Q_OBJECT
public:
    CanvasView(const Studio& studio, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Studio& studio_;
};

// The preview area: the canvas Picture1, the position slider PS2, the play button, the status
// line lblStatus and a progress bar for long work.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    PreviewPane(Studio& studio, QWidget* parent);

    // Draws the preview for the slider's position and shows it.
    void redraw();
    void setStatus(const QString& text);
    // Progress of a make job, 0..1; a negative value hides the bar.
    void setProgress(double fraction);
    // The canvas changed its size: the area is laid out around it again.
    void canvasResized();

    CanvasView* canvas() const { return canvas_; }
    QSlider* slider() const { return slider_; }
    QPushButton* playButton() const { return play_; }

private:
    Studio& studio_;
    CanvasView* canvas_;
    QSlider* slider_;
    QPushButton* play_;
    QLabel* status_;
    QProgressBar* progress_;
};

}  // namespace lumek
