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
// final release counts.
//
// Every message leaves from the handler that receives the event. GUI thread.

#include <QString>
#include <QTimer>
#include <Qt>
#include <cstdint>

// Where input messages go: the session, or a recording fake in tests.
class DeskInputSink {
  public:
    virtual ~DeskInputSink() = default;
    virtual void SendPointer(int x, int y, uint16_t event) = 0;
    virtual void SendKey(uint16_t code, uint8_t kind) = 0;
    virtual void SendShortcutKey(uint16_t virtualKey, uint16_t modifiers, uint8_t down) = 0;
    virtual void SendButton(uint8_t isLong, uint16_t keyCode) = 0;
    virtual void SendCommand() = 0;
    virtual bool SessionOpen() const = 0;
};

// The sink of the running program: the one ClientConnection.
DeskInputSink& SessionInputSink();

// Pointer events of the input messages.
enum PointerEvent : uint16_t {
    kPointerMove = 1,
    kPointerPress = 2,
    kPointerRelease = 4,
    kPointerLongRelease = 0x104,
};

// Commands of the main frame that send to the desk.
enum DeskCommand : int {
    kCommandViews = 32868,
    kCommandCursorResolutionHidden = 32869,
    kCommandCursorResolution = 32873,
    kCommandRefreshScreen = 32874,
    kCommandShortcutMode = 32876,
};

struct KeyStroke {
    int qtKey = 0;
    QString text;
    Qt::KeyboardModifiers modifiers;  // as the event reports them
    quint32 nativeVirtualKey = 0;
    bool autoRepeat = false;
};

class RemoteInput {
  public:
    // pressTick is the tick count of the latest press, shared with the
    // hardware buttons.
    RemoteInput(DeskInputSink& sink, uint32_t& pressTick);

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

    void KeyPressed(const KeyStroke& key);
    void KeyReleased(const KeyStroke& key);
    bool CharSent() const { return charSent_; }

    // 32868, 32869, 32873, 32874 and 32876; false for other ids.
    bool RunCommand(int id);
    bool ShortcutMode() const { return shortcutMode_; }

  private:
    bool ShortcutKeysActive() const;
    uint16_t HeldModifierBits(const KeyStroke& key, bool pressed);

    DeskInputSink& sink_;
    uint32_t& pressTick_;
    QTimer holdTimer_;
    bool charSent_ = false;
    bool shortcutMode_ = false;
    bool capsLockKeyDown_ = false;
};
