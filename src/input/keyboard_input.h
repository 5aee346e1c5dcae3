#pragma once
// KeyboardInput: what the on-screen keyboard does with taps and key-ups,
// apart from drawing. A character key sends its character (the shifted one
// while Shift is down or Caps Lock is on) and lets a latched Shift go; Enter
// sends the character 13 and Esc the virtual key 27; every other special key
// is pressed and released in the station's KeyState, its release reaching
// the desk as a key-up passing the keyboard would. Shift latches: one tap
// holds it down, the next tap or the next character releases it.
//
// Every key-up passing the keyboard (simulated or from the physical
// keyboard) goes to the desk as a virtual key (kind 0), its low 8 bits
// sign-extended to 16; key-downs are not sent. Without a session the sink
// drops the messages; the key state still changes. GUI thread only.

#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

#include "input/keyboard_layout.h"

class DeskInputSink;
class KeyState;

class KeyboardInput {
  public:
    // The sink and the key state must outlive this object.
    KeyboardInput(DeskInputSink& sink, KeyState& keys);
    // Lets go of what the keyboard left latched (ReleaseLatchedKeys).
    ~KeyboardInput();
    KeyboardInput(const KeyboardInput&) = delete;
    KeyboardInput& operator=(const KeyboardInput&) = delete;

    // Places the keys for the client area.
    void Resize(QSize client);
    const std::vector<PlacedKey>& Keys() const { return placed_; }
    const KeyboardMetrics& Metrics() const { return metrics_; }
    const KEYDEF& Definition(const PlacedKey& key) const { return KeyboardTable()[key.index]; }

    // A tap (press or double click) at the point: the first key there acts.
    // False when no key is there; nothing changes then.
    bool Tap(QPoint point);
    // The pointer went up: the tapped key shows normal again. Returns its
    // rectangle (empty when none is shown pressed).
    QRect ReleasePointer();
    QRect PressedRect() const { return pressed_; }
    // A key is drawn inverted while it is tapped, Caps while Caps Lock is
    // on, both Shift keys while Shift is down.
    bool ShownInverted(const PlacedKey& key) const;

    // A key-up passing the keyboard.
    void ForwardKeyUp(uint16_t virtualKey);
    // Caps Lock off and Shift up, each with its key-up, when they are on.
    void ReleaseLatchedKeys();

  private:
    void CharacterKey(const KEYDEF& def);
    void SpecialKey(int kind);
    void PressAndRelease(uint16_t virtualKey);
    void ReleaseKey(uint16_t virtualKey);

    DeskInputSink& sink_;
    KeyState& keys_;
    KeyboardMetrics metrics_;
    std::vector<PlacedKey> placed_;
    QRect pressed_;
};
