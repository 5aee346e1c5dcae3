#pragma once
// KeyState: the station's own Shift and Caps Lock, in place of the desktop's
// key state. The on-screen keyboard latches Shift and toggles Caps Lock here
// (nothing is ever injected into the desktop's input), and the remote
// view's keys consult the same state, so a latched on-screen Shift also
// shifts keys typed on the physical keyboard.
//
// The application owns the one object; the main frame and the on-screen
// keyboard get it through StationServices. GUI thread only.

#include <QObject>
#include <cstdint>

class KeyState : public QObject {
    Q_OBJECT
  public:
    bool ShiftDown() const { return shiftDown_; }
    bool CapsLockOn() const { return capsLockOn_; }
    // True while either of them changes what a key types.
    bool Engaged() const { return shiftDown_ || capsLockOn_; }

    // A key going down or up, by virtual key: Shift (16) is held from its
    // press to its release; a press of Caps Lock (20) toggles it, as the
    // keyboard's own light does. Other keys change nothing.
    void Press(uint16_t virtualKey);
    void Release(uint16_t virtualKey);
    // Caps Lock off without a key stroke (the keyboard closing).
    void ClearCapsLock();

  signals:
    // Shift or Caps Lock changed.
    void Changed();

  private:
    void Set(bool& flag, bool value);

    bool shiftDown_ = false;
    bool capsLockOn_ = false;
};
