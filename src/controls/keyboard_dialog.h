#pragma once
// CKeyboardDialog: the station's on-screen keyboard, a modeless window
// captioned "Kel Remote Keyboard" with five rows of keys that fill whatever
// size the operator gives it. Taps and key-ups become desk input through
// KeyboardInput; Shift and Caps Lock live in the station's KeyState, never in
// the desktop's. Enter, Esc and the close box end the dialog (finished);
// its owner then closes it. GUI thread only.

#include <QDialog>

#include "input/keyboard_input.h"

class DeskInputSink;
class KeyState;

class CKeyboardDialog : public QDialog {
    Q_OBJECT
  public:
    // parent: the handheld window. The sink and the key state must outlive
    // the dialog.
    CKeyboardDialog(QWidget* parent, DeskInputSink& sink, KeyState& keys);
    ~CKeyboardDialog() override;

    // Default client size.
    static constexpr int kDefaultWidth = 450;
    static constexpr int kDefaultHeight = 150;

    KeyboardInput& Input() { return input_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    void TapAt(QMouseEvent* event);
    void FitFont();

    KeyboardInput input_;
    int fontPixelSize_ = 0;  // of the dialog's own font
};
