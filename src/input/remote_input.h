#pragma once
// The operator's pointer, keys and desk buttons on the remote view, turned
// into the desk's input messages.
//
// Pointer: every move is sent (event 1); a press (2) starts the hold
// measurement, its release is sent as 4, or as 0x104 when it was held longer
// than the software hold time, and only while a session is open. A beep
// tells the operator once a press has become long.
//
// Keys: outside shortcut mode a key that types a character reaches the desk
// once, as the character when pressed; a key without one reaches it once, as
// its virtual key when released. In shortcut mode, while the desk is ready,
// every key goes out twice, down and up, with the modifier bits; characters
// are not sent then. Auto-repeat repeats presses and characters; only the
// final release counts. The station's key state (the on-screen keyboard's
// Shift and Caps Lock) adds to the physical keyboard's: a latched Shift
// counts as held and, with Caps Lock, decides the case of typed letters.
//
// Only what the operator aimed at the remote screen reaches the desk: a
// release whose press this object did not see (the press went to a box or
// the desk list) is not sent, and neither is the second click of a double
// click whose first click landed elsewhere.
//
// Every message leaves from the handler that receives the event. GUI thread.

#include <QString>
#include <QTimer>
#include <Qt>
#include <cstdint>
#include <set>

#include "input/desk_input_sink.h"

class KeyState;
class SessionState;

// Pointer events of the input messages.
enum PointerEvent : uint16_t {
    kPointerMove = 1,
    kPointerPress = 2,
    kPointerRelease = 4,
    kPointerLongRelease = 0x104,
};

struct KeyStroke {
    int qtKey = 0;
    QString text;
    Qt::KeyboardModifiers modifiers;  // as the event reports them
    quint32 nativeVirtualKey = 0;
    quint32 nativeScanCode = 0;  // the physical key, when the platform tells
    bool autoRepeat = false;
};

class RemoteInput {
  public:
    // state: hold time, desk-ready flag and the press tick shared with the
    // hardware buttons. keys: the station's key state, may be null; it
    // must outlive this object.
    RemoteInput(DeskInputSink& sink, SessionState& state, const KeyState* keys = nullptr);

    // Client coordinates of the frame (the session halves them in the big
    // sizes).
    void PointerMoved(int x, int y);
    void PointerPressed(int x, int y);
    void PointerDoubleClicked(int x, int y);
    void PointerReleased(int x, int y);
    // One period of the hold timer: the long-press beep once the press has
    // become long.
    void HoldTimerTick();
    bool HoldTimerRunning() const { return holdTimer_.isActive(); }
    // The remote screen was (re)shown: presses before it belong elsewhere.
    void ForgetPresses();

    void KeyPressed(const KeyStroke& key);
    void KeyReleased(const KeyStroke& key);
    bool CharSent() const { return charSent_; }

    // 32868, 32869, 32873, 32874 and 32876; false for other ids.
    bool RunCommand(int id);
    bool ShortcutMode() const { return shortcutMode_; }

  private:
    bool ShortcutKeysActive() const;
    uint16_t HeldModifierBits(const KeyStroke& key, bool pressed);
    static uint64_t KeyIdentity(const KeyStroke& key);
    QString TypedText(const KeyStroke& key) const;

    DeskInputSink& sink_;
    SessionState& state_;
    const KeyState* keys_;
    QTimer holdTimer_;
    bool charSent_ = false;
    bool shortcutMode_ = false;
    bool capsLockKeyDown_ = false;
    std::set<uint64_t> keysDown_;  // pressed here and not yet released
    bool pointerDown_ = false;     // a press was sent, its release not yet
    bool clickSeen_ = false;       // the last click ended here (a double click may follow)
};
