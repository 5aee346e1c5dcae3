#pragma once
// The session's and the heartbeat threads' way into the main frame. Every
// call from a worker thread becomes a call on the GUI thread: a posted one is
// queued and the caller goes on; a sent one blocks the caller until the frame
// has handled it (and runs at once when the caller is the GUI thread).
// Handovers that arrive when there is no frame (before it is attached, or
// after it was shut down) are dropped, and a sent call that is waiting when
// the frame goes away returns at once: a worker never hangs on a GUI thread
// that has stopped serving it. Handovers carry values only, so nothing
// leaks. The handover object itself outlives every worker thread.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

#include "chat/chat_service.h"
#include "discovery/heartbeat.h"
#include "discovery/station_inbox.h"
#include "discovery/station_record.h"
#include "platform/gui_gate.h"
#include "session/session_frontend.h"

class CMainFrame;

class FrameHandover : public QObject,
                      public SessionFrontEnd,
                      public HeartbeatSink,
                      public ChatSink {
    Q_OBJECT
  public:
    // Lives on the GUI thread (the thread that constructs it).
    FrameHandover();

    // GUI thread: the frame that receives the handovers. Null drops them
    // from now on and releases every worker waiting for a sent one.
    void Attach(CMainFrame* frame);
    // Sent handovers whose workers wait for the GUI thread.
    size_t SendsWaiting() const { return gate_.SendsWaiting(); }

    // SessionFrontEnd
    void DeskRegistered(uint32_t desk, bool registered) override;  // sent
    void InputPanel(uint8_t show) override;                        // posted
    void DeskMode(uint8_t mode) override;                          // posted
    void EnableSessionButtons(bool enable) override;               // posted
    void LostConnection(uint32_t desk) override;                   // sent
    void CloseAfterFatalError() override;                          // sent
    void EnableViewSwitch() override;                              // GUI thread
    void ShowDeskListAfterThrownOut() override;                    // posted
    void HideDeskListForFrame() override;                          // posted
    void SetWaitCursor(bool on) override;                          // GUI thread

    // HeartbeatSink, all posted: a station was heard (merged: the latest
    // record per desk waits in a bounded inbox, one drain is queued for any
    // number), a heartbeat was sent (ages the desk table, after applying
    // what was heard), a socket could not be set up (error box; also for
    // the chat receiver).
    void StationHeard(StationRecord station) override;
    void AgeTick() override;
    void SocketSetupFailed(std::string text, int error) override;

    // GUI thread: whether the frame shows its desk list. While it does not,
    // HideDeskListForFrame posts nothing.
    void DeskListShown(bool shown) { listShown_ = shown; }

    // ChatSink, posted and merged: however many messages arrive before the
    // GUI thread gets to them, one call tells the frame, and whether any of
    // them came from another station.
    void ChatMessageTaken(const ChatMessage& message) override;

  private:
    using FrameWork = std::function<void(CMainFrame&)>;
    void Post(FrameWork work);
    void Send(const FrameWork& work);
    // GUI thread: applies the waiting stations; queues itself again while
    // more keep arriving, so other events run in between.
    void DrainStations();
    void ApplyWaitingStations();

    QPointer<CMainFrame> frame_;  // GUI thread only
    GuiGate gate_{this};
    // One hide request queued at a time: a fast desk draws far more frames
    // than the GUI thread needs requests.
    std::atomic<bool> hidePending_{false};
    std::atomic<bool> listShown_{true};
    // One chat notice queued at a time, and whether it covers a foreign one.
    std::atomic<bool> chatPending_{false};
    std::atomic<bool> chatForeign_{false};
    StationInbox stations_;
};
