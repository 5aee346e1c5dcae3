#pragma once
// SessionFrontEnd: what the desk session hands to the program's front end
// (the station's window, the command-line tool, a recording fake in tests).
// The window turns each call into the matching private window message.
//
// "Posted" calls must return at once (queue the work for the GUI thread).
// "Sent" calls may wait until the front end has handled them; the session
// never makes them while it holds its session lock, so a GUI thread that
// repaints under that lock cannot deadlock against them.
//
// Message boxes and sounds go through ShowMessageBox and MessageBeep
// (platform/), not through this interface. Every method has an empty default
// so a front end implements only what it shows.

#include <cstdint>

class SessionFrontEnd {
  public:
    virtual ~SessionFrontEnd() = default;

    // WM_APP+3. Sent, from the thread running the registration exchange (the
    // GUI thread in Connect, or the receive thread when it disconnects after
    // a broken channel or being thrown out). The desk was registered (true)
    // or deregistered (false); the desk list changes its icon.
    virtual void DeskRegistered(uint32_t /*desk*/, bool /*registered*/) {}

    // WM_APP+5. Posted, from the receive thread: the desk asks to show
    // (non-zero) or hide the handheld's input panel.
    virtual void InputPanel(uint8_t /*show*/) {}

    // WM_APP+7. Posted, from the receive thread: the desk's mode byte, shown
    // on the "Cursor Resolution" button.
    virtual void DeskMode(uint8_t /*mode*/) {}

    // WM_APP+9. Posted, from the receive thread (true, the desk sent its
    // session information) or from Disconnect on any thread (false).
    virtual void EnableSessionButtons(bool /*enable*/) {}

    // WM_APP+12. Sent, from the receive thread, when the display channel
    // broke by itself: "Lost connection to host %s." and back to the desk
    // list. The session disconnects after this returns.
    virtual void LostConnection(uint32_t /*desk*/) {}

    // WM_CLOSE. Sent, from the receive thread, after the terminating error
    // box of a fatal error; the front end closes in order (which calls
    // Disconnect) and the receive thread then ends.
    virtual void CloseAfterFatalError() {}

    // Called by Connect on the thread that calls Connect (the GUI thread),
    // once both channels are open: enable the switch between desk list and
    // remote view (command 32900).
    virtual void EnableViewSwitch() {}

    // Posted, from the receive thread, after "Thrown out from current desk."
    // was answered: show the desk list and its caption label again if they
    // are hidden, and give the main frame the focus.
    virtual void ShowDeskListAfterThrownOut() {}

    // Posted, from whichever thread draws a frame (receive thread or
    // repaint), before the session lock is taken, for every frame drawn
    // while the remote view flag is set: hide the desk list and its label if
    // they are visible and focus the frame (the first frame after connecting
    // replaces the list by the remote screen). Cheap when already hidden.
    virtual void HideDeskListForFrame() {}

    // Called by Connect on its own thread: show (true) or end (false) the
    // wait cursor around the connecting.
    virtual void SetWaitCursor(bool /*on*/) {}
};
