#pragma once
// DeskInputSink: the one way from the operator's input to the desk. The
// remote screen's pointer and keys, the bar's desk buttons, the hardware
// buttons, the encoder, the mouse wheel, the on-screen keyboard and the
// settings' cursor option all send through it. The session implements it;
// tests record what reaches it.
//
// Without a session every call is dropped quietly. GUI thread.

#include <cstdint>

class DeskInputSink {
  public:
    virtual ~DeskInputSink() = default;
    // Input message type 1: kind 1 = a character, 0 = a virtual key.
    virtual void SendKey(uint16_t code, uint8_t kind) = 0;
    // Type 2, in the frame's client coordinates (halved in the big sizes).
    virtual void SendPointer(int x, int y, uint16_t event) = 0;
    // Type 3: a handheld button or cursor step.
    virtual void SendButton(uint8_t isLong, uint16_t keyCode) = 0;
    // Type 4: the stored cursor-mode option.
    virtual void SendCursorMode() = 0;
    // Type 5: a screen refresh request.
    virtual void SendCommand() = 0;
    // Type 6: a key in shortcut mode with the modifier bits held.
    virtual void SendShortcutKey(uint16_t virtualKey, uint16_t modifiers, uint8_t down) = 0;
    // True while a session's input channel is open.
    virtual bool SessionOpen() const = 0;
};
