#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;

namespace lumek {

class Studio;

// Shows Picture1 pixel for pixel; the frame comes from the studio's canvas. Reports the mouse in
// canvas pixels.
class CanvasView : public QWidget {
    Q_OBJECT
public:
    CanvasView(const Studio& studio, QWidget* parent);
    QSize sizeHint() const override;

Q_SIGNALS:
    // A press, or a move with a button held, at a point of the canvas.
    void pointed(QPointF at, Qt::MouseButtons buttons);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const Studio& studio_;
};

// The preview area: the canvas Picture1, the position slider PS2, the play button cmdPlay, the
// status line lblStatus and a progress bar for long work. Plays the selected song with the
// slider following the sound (Timer1), scrubs with the slider, and edits the reference points
// on the canvas with the mouse and the numeric keypad.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    PreviewPane(Studio& studio, QWidget* parent);

    // Draws the preview for the slider's position and shows it at once.
    void redraw();
    void setStatus(const QString& text);
    // Progress of a make job, 0..1; a negative value hides the bar.
    void setProgress(double fraction);
    // The canvas changed its size: the area is laid out around it again.
    void canvasResized();

    // An entry of the encoding list was selected: loads its song (downloading and padding its
    // lyric file when needed), stops a playing preview, sets the slider over the song and draws
    // its start. Skipped once, and the flag cleared, after suppressNextSelection().
    void selectSong(const QString& path);
    void suppressNextSelection() { suppressSelection_ = true; }

    // The window's working state (a make job or an add action): the play button and the slider
    // are off and Timer1 stops; idle again turns them on but does not restart Timer1.
    void setWorking(bool working);
    // The make button's first step: the button reads "재생" again and Timer1 stops; the sound
    // itself is left alone.
    void stopFollowing();

    // The play button: plays from the slider's position, or stops.
    void togglePlay();
    // Timer1's tick: the slider follows the sound, or the end of the song stops the preview.
    void followPlayback();
    bool playing() const;

    CanvasView* canvas() const { return canvas_; }
    QSlider* slider() const { return slider_; }
    QPushButton* playButton() const { return play_; }
    QTimer* timer1() const { return timer1_; }

protected:
    // The window's keys before its controls see them: Space plays and stops (not in a text
    // box), the numeric keypad moves the edited point by a pixel.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stopPlayback();
    void sliderPressed();
    void sliderReleased();
    void canvasPointed(QPointF at, Qt::MouseButtons buttons);
    void movePoint(QPoint point);
    bool handleKey(QKeyEvent* key);

    Studio& studio_;
    CanvasView* canvas_;
    QSlider* slider_;
    QPushButton* play_;
    QLabel* status_;
    QProgressBar* progress_;
    QTimer* timer1_;
    // Slider changes and canvas drags draw in the next turn of the event loop: a burst of them
    // draws once, at the latest position.
    QTimer* redrawSoon_;
    QTimer* moveSoon_;
    QPoint pendingPoint_;
    bool suppressSelection_ = false;
};

}  // namespace lumek
