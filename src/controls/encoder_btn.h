#pragma once
// One of the five round hardware buttons of the handheld skin. Buttons 0, 1,
// 3 and 4 send their button code when released, long when held longer than
// the hardware hold time; button 2, the encoder, steps the desk's cursor one
// key per 5 pixels of drag and sends its own code when pressed and released
// without dragging. GUI thread only.

#include <QBasicTimer>
#include <QPolygon>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

class DeskInputSink;
class SessionState;

// Button code sent on release by button index (0..4).
int EncoderButtonCode(int index);

class EncoderBtn : public QWidget {
    Q_OBJECT
  public:
    // The sink and the state must outlive the button. The state gives the
    // zoom mode, the hold time and the press tick shared with the main frame.
    EncoderBtn(QPoint position, int size, int index, QWidget* parent, const QString& label,
               DeskInputSink& desk, SessionState& state);
    ~EncoderBtn() override;

    // Rebuilds the round shape (and the encoder's arrows) for the current
    // zoom mode and places the button. The shape is drawn anti-aliased over
    // the skin; presses outside it belong to the skin.
    void SetGeometry(int x, int y, int width, int height);

    int Index() const { return index_; }
    bool IsPressed() const { return pressed_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Press(QPoint point);
    int StepDirection(QPoint point) const;
    void Step(int direction);
    const QPolygon* ArrowFor(int direction) const;

    static constexpr int kNoStep = -1;

    DeskInputSink& desk_;
    SessionState& state_;
    const int index_;
    const QString label_;
    bool pressed_ = false;
    QPoint pressPoint_;
    int direction_ = kNoStep;
    bool Inside(QPoint point) const;
    QString FaceName(bool pressed) const;

    bool large_ = false;  // the 140-pixel set of shapes and faces
    QRect outline_;
    std::array<QPolygon, 4> arrows_;  // left, right, up, down
    QBasicTimer pressTimer_;
};
