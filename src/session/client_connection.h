#pragma once
// ClientConnection: the session with one desk.
//
// Wire protocol (all integers little-endian, strings as STRING frames):
//   port 7003, registration: station sends int32 code (1500 register, 1501
//     deregister). For 1500 the desk answers a STRING: null or empty =
//     accepted, any text = refused (shown verbatim). Then the desk sends an
//     int32 which the station echoes (closing handshake); the station resets
//     the connection.
//   port 7001, input: station sends the current user STRING once, then input
//     messages (the Send* operations below).
//   port 7002, display: desk sends typed messages, a type byte then payload:
//     1 beep (1 byte), 2 input panel (1 byte), 3 screen (see screen_decoder.h;
//     the station answers each with an int32 byte count), 4 session
//     information (cursor mode byte + 64-byte user name), 5 desk mode
//     (1 byte), 6 thrown out (no payload); other types carry nothing.
//
// Threads: Connect, the senders and IsConnected run on the GUI thread;
// Disconnect and UpdateScreen on any thread. One receive thread per session
// reads the display channel and draws. A receive thread is always joined by
// another thread (the next Connect or Disconnect, or the destructor), never
// detached; one that is waiting for the front end (a sent call, a message
// box) is never waited for, so the GUI thread can close the program from
// inside such a call.
//
// The session lock is a std::mutex (not recursive). It is held while a frame
// is decoded or drawn and while Disconnect closes the display channel; the
// session never calls a waiting front-end method or shows a box while
// holding it. The front end takes it when it switches back to the desk list
// and when it replaces the display target.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "display/display_target.h"
#include "input/desk_input_sink.h"
#include "platform/winsock.h"
#include "session/session_frontend.h"
#include "session/session_state.h"

class ConnectReport;
class TCPCONNECTION;

class ClientConnection final : public DeskInputSink {
  public:
    static constexpr uint16_t kInputPort = 7001;
    static constexpr uint16_t kDisplayPort = 7002;
    static constexpr uint16_t kRegistrationPort = 7003;
    static constexpr int32_t kRegisterCode = 1500;
    static constexpr int32_t kDeregisterCode = 1501;
    // A desk that does not answer the registration in this time is reported
    // as not reachable, so a silent desk cannot freeze the caller.
    static constexpr std::chrono::milliseconds kAnswerTimeout{10000};
    // The closing handshake is optional; a desk that skips it costs this.
    static constexpr std::chrono::milliseconds kHandshakeTimeout{2000};
    // A button message waits this long for room on the input channel.
    static constexpr std::chrono::milliseconds kButtonWriteTimeout{5000};
    // A desk that has not taken a screen acknowledgement in this time has
    // stopped reading: the session is lost, not frozen.
    static constexpr std::chrono::milliseconds kAcknowledgeTimeout{10000};
    // The display channel carries only 4-byte acknowledgements. A small send
    // buffer means a desk that stops reading is met by the time-out above
    // after a few thousand screens; the kernel's own tuning would take
    // megabytes of them first.
    static constexpr int kDisplaySendBuffer = 16 * 1024;

    enum class ConnectResult {
        Connected,         // both channels open, receive thread started
        AlreadyConnected,  // the desk asked for is the current one
        Declined,          // the user kept the current session
        Unreachable,       // registration could not reach the desk (box shown)
        Refused,           // the desk refused the registration (box shown)
        ChannelsFailed,    // input or display channel failed (deregistered)
        Cancelled,         // CancelConnect or AbortExchanges ended it (deregistered)
    };

    // state: the station's shared state; it must outlive this object.
    explicit ClientConnection(SessionState& state);
    // Disconnects, ends every exchange still waiting for a desk and joins
    // every receive thread.
    ~ClientConnection() override;
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    // The front end must stay valid until it is replaced or the object is
    // destroyed, and must let its waiting calls return before either (the
    // destructor joins a receive thread that may be inside one); null drops
    // every handover.
    void SetFrontEnd(SessionFrontEnd* frontEnd);
    // Where frames are drawn; null draws nothing. Takes the session lock, so
    // a frame in progress finishes on the old target first.
    void SetDisplayTarget(DisplayTarget* target);

    // Opens a session: registration (1500), input channel with the current
    // user, display channel, cleared frame buffer, receive thread.
    // reconnecting = 1 is the silent reconnect: no questions, the remote view
    // flag unchanged. failure: when given, what went wrong is written there
    // instead of being shown in a box (a reconnect that is retried).
    // One Connect at a time, on the GUI thread or the frame's session worker.
    ConnectResult Connect(uint32_t desk, int reconnecting, std::string* failure = nullptr);
    // Any thread: the Connect in progress gives up at once (its sockets are
    // closed, a registration it made is withdrawn) and so does every later
    // one until ClearCancel.
    void CancelConnect();
    void ClearCancel();
    // Any thread, for teardown: every exchange with the desk in progress, and
    // every later one, fails at once (deregistrations included).
    void AbortExchanges();
    // Ends the session (deregistration 1501); safe without one; any thread.
    void Disconnect();
    // 1 when the input channel is open; otherwise 0, after "No connection to
    // host!" when tellUser is non-zero.
    int IsConnected(int tellUser);
    // The registration exchange on port 7003: 1 = done, 0 = failed or
    // refused (the user has been told for code 1500).
    int Register(uint32_t desk, int32_t code);

    // The current session's desk; none without a session.
    std::optional<uint32_t> CurrentDesk() const;
    // True while a session's receive thread has been started and the session
    // not yet torn down.
    bool IsReceiving() const;

    SessionState& State() const { return state_; }

    // DeskInputSink: input messages on the input channel. Without a session,
    // or when the channel is not writable at once (all but SendButton), they
    // are dropped silently. GUI thread.
    void SendKey(uint16_t code, uint8_t kind) override;
    void SendPointer(int x, int y, uint16_t event) override;
    void SendButton(uint8_t isLong, uint16_t keyCode) override;
    void SendCursorMode() override;
    void SendCommand() override;
    void SendShortcutKey(uint16_t virtualKey, uint16_t modifiers, uint8_t down) override;
    bool SessionOpen() const override;

    // Draws the frame buffer into the display target when the remote view
    // flag is set. Receive thread after each screen, GUI thread on repaint.
    void UpdateScreen();
    // A copy of the 240 x 268 frame buffer, taken under the session lock.
    std::vector<uint16_t> CopyFrame() const;
    std::mutex& SessionLock() { return sessionLock_; }

    // Starts a session over already connected sockets, skipping registration
    // (socket pairs in tests and fuzzers). input may be INVALID_SOCKET.
    void AdoptSession(SOCKET input, SOCKET display, uint32_t desk);
    // Shorter registration waits for tests of a silent desk.
    void SetRegistrationTimeouts(std::chrono::milliseconds answer,
                                 std::chrono::milliseconds handshake);

  private:
    struct Session;
    using SessionPtr = std::shared_ptr<Session>;
    enum class RegisterOutcome { Done, Unreachable, Refused };
    // What became of a screen message: applied (draw it); its code words
    // could not be read (draw nothing, the next read finds the channel);
    // the channel failed (header cut short, acknowledgement not taken); a
    // fatal error ended the session.
    enum class ScreenRead { Applied, WordsMissing, ChannelFailed, Fatal };

    // An exchange with the desk that CancelConnect (when cancellable) or
    // AbortExchanges may end by closing its channel.
    class InFlight {
      public:
        InFlight(ClientConnection& owner, TCPCONNECTION& channel, bool cancellable);
        ~InFlight();
        InFlight(const InFlight&) = delete;
        InFlight& operator=(const InFlight&) = delete;
        bool Interrupted() const;

      private:
        friend class ClientConnection;
        ClientConnection& owner_;
        TCPCONNECTION& channel_;
        const bool cancellable_;
    };

    RegisterOutcome RegisterDesk(uint32_t desk, int32_t code, const ConnectReport& report);
    ConnectResult ConnectOnce(uint32_t desk, int reconnecting, const ConnectReport& report,
                              bool& tryAgain);
    bool ConnectCancelled() const;
    bool OpenChannels(Session& session, int& error);
    void StartSession(SessionPtr session, int reconnecting);
    void DisconnectSession(const SessionPtr& expected);
    void StopReceiver(const SessionPtr& session);
    void ReapReceivers(bool all);
    SessionPtr Current() const;
    bool IsCurrent(const SessionPtr& session) const;

    static void RcvMessage(ClientConnection* self, SessionPtr session);
    void ReceiveLoop(const SessionPtr& session);
    bool DispatchDeskMessage(const SessionPtr& session, uint8_t type);
    void ApplySessionInformation(const uint8_t* payload);
    void HandleThrownOut(const SessionPtr& session);
    void HandleBrokenChannel(const SessionPtr& session);
    void HandleFatalError(const SessionPtr& session, const char* text);
    ScreenRead ReadScreen(const SessionPtr& session);
    bool WriteInput(const void* message, int length, bool pollFirst);
    SessionFrontEnd* FrontEnd() const;

    SessionState& state_;
    mutable std::mutex sessionLock_;
    mutable std::mutex currentMutex_;  // guards current_, receivers_
    SessionPtr current_;
    std::vector<SessionPtr> receivers_;    // sessions whose thread is not joined
    std::unique_ptr<uint16_t[]> frame_;    // kRemotePixels, exactly
    std::unique_ptr<uint16_t[]> receive_;  // the largest screen message
    DisplayTarget* target_ = nullptr;      // under sessionLock_
    std::atomic<SessionFrontEnd*> frontEnd_{nullptr};
    std::atomic<int> drawingSuspended_{0};
    std::atomic<int64_t> answerTimeoutMs_{kAnswerTimeout.count()};
    std::atomic<int64_t> handshakeTimeoutMs_{kHandshakeTimeout.count()};
    std::mutex inFlightMutex_;  // guards inFlight_
    std::vector<InFlight*> inFlight_;
    std::atomic<bool> connectCancelled_{false};
    std::atomic<bool> aborting_{false};
};
