#pragma once
// The session's and the heartbeat threads' way into the gateway's station:
// every report from a worker thread becomes a call on the GUI thread
// through a GuiGate. Nothing here waits for the GUI thread: the "sent"
// reports of the session are queued like the posted ones, since the
// gateway has no dialog a worker must wait for. Once the gate is closed,
// reports are dropped. Reports carry values only.

#include <atomic>

#include "discovery/heartbeat.h"
#include "platform/gui_gate.h"
#include "session/session_frontend.h"

class WebStation;

class StationHandover : public SessionFrontEnd, public HeartbeatSink {
  public:
    // station must outlive the handover; both live on the GUI thread.
    explicit StationHandover(WebStation& station);

    void Close() { gate_.Close(); }
    // Any thread: runs the work on the GUI thread unless closed.
    void Post(std::function<void()> work) { gate_.Post(std::move(work)); }

    // SessionFrontEnd
    void DeskRegistered(uint32_t desk, bool registered) override;
    void DeskMode(uint8_t mode) override;
    void EnableSessionButtons(bool enable) override;
    void LostConnection(uint32_t desk) override;
    void CloseAfterFatalError() override;
    void ShowDeskListAfterThrownOut() override;

    // HeartbeatSink
    void StationHeard(StationRecord station) override;
    void AgeTick() override;
    void SocketSetupFailed(std::string text, int error) override;

  private:
    WebStation& station_;
    GuiGate gate_;
    // One ageing pass queued at a time.
    std::atomic<bool> agePending_{false};
};
