#pragma once
// Fakes for the session tests: a recording front end, the desk end of a
// socket pair, and a scripted registration port.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "event_log.h"
#include "recorded_dialogs.h"
#include "session/session_frontend.h"

using namespace std::chrono_literals;

// Every handover becomes a line: "registered 127.0.0.9 1", "panel 1",
// "mode 5", "buttons 1", "lost 127.0.0.9", "fatal-close", "view-switch",
// "desklist", "hide-list", "wait 1".
class RecordingFrontEnd : public SessionFrontEnd {
  public:
    EventLog log;
    // Runs inside DeskRegistered (a sent call), on the calling thread.
    std::function<void(uint32_t, bool)> onRegistered;
    std::function<void(uint8_t)> onInputPanel;
    bool recordFrames = false;  // "hide-list" for every frame

    void DeskRegistered(uint32_t desk, bool registered) override;
    void InputPanel(uint8_t show) override;
    void DeskMode(uint8_t mode) override;
    void EnableSessionButtons(bool enable) override;
    void LostConnection(uint32_t desk) override;
    void CloseAfterFatalError() override;
    void EnableViewSwitch() override;
    void ShowDeskListAfterThrownOut() override;
    void HideDeskListForFrame() override;
    void SetWaitCursor(bool on) override;
};

// The desk's end of a connected socket pair; the other end goes to the
// station.
class DeskEnd {
  public:
    DeskEnd();
    ~DeskEnd();
    int TakeStationSide();  // hand the station's descriptor over (once)
    void Send(const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Receive(size_t n, std::chrono::milliseconds timeout = 5s);
    // Bytes that arrive within the time (for "nothing was sent").
    std::vector<uint8_t> ReceiveAvailable(std::chrono::milliseconds wait);
    bool SeesClosed(std::chrono::milliseconds timeout = 5s);
    void Close();

  private:
    int desk_ = -1;
    int station_ = -1;
};

std::vector<uint8_t> Int32Bytes(int32_t value);
int32_t Int32From(const std::vector<uint8_t>& bytes, size_t at = 0);
uint32_t Address(const char* dotted);

// Serves the registration port 7003 of one loopback address on its own
// thread: reads each code, answers 1500 with `answer` (a null string, an
// empty one, the refusal text, silence, or the refusal frame dripped one
// byte per second), and runs the closing handshake. Codes received are
// logged as "code N".
class ScriptedRegistrar {
  public:
    enum class Answer { Null, Empty, Refuse, Silent, Drip };
    ScriptedRegistrar(const std::string& address, Answer answer, std::string refusal = {});
    ~ScriptedRegistrar();
    EventLog codes;
    EventLog echoes;  // "echo N" for every handshake value echoed

  private:
    void Serve();
    std::string address_;
    Answer answer_;
    std::string refusal_;
    std::atomic<bool> stop_{false};
    int listener_ = -1;
    std::thread thread_;
};
