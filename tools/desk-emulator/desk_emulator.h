#pragma once
// An emulated desk: the desk side of the remote-control protocol, for tests,
// demos and training without a real desk.
//
//   heartbeats   UDP 236.3.0.1:6000, 272 bytes every 900 ms (optional)
//   registration TCP <address>:7003  int32 code; 1500 is answered with a
//                STRING (null/empty = accepted, text = refusal); then the
//                closing handshake: the desk sends an int32, the station
//                echoes it
//   input        TCP <address>:7001  user-name STRING, then input messages
//   display      TCP <address>:7002  session information, desk mode, screen
//                messages (each acknowledged with 2 x N), beep, input panel,
//                thrown out
//   chat         UDP 236.3.0.3:6006 (optional)
//
// Every event received from a station becomes one trace line (format in
// README.md). Tests wait for trace lines instead of sleeping.
//
// Threads: all public methods may be called from any thread. Start() and
// Stop() must not race each other. Every thread the emulator starts is
// joined by Stop() (and by the destructor).
//
// The emulator has its own wire code; it never links the station's core.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace deskemu {

constexpr int kScreenWidth = 240;
constexpr int kScreenHeight = 268;
constexpr int kScreenPixels = kScreenWidth * kScreenHeight;

using Frame = std::vector<uint16_t>;  // kScreenPixels RGB565 pixels, row after row

struct Options {
    std::string address = "127.0.0.2";  // TCP services and the desk's record
    std::string ownInterface;           // multicast interface; empty = address
    std::string name = "Emulated Desk";
    int32_t type = 1;  // desk type code (1 = "Kel Alpha")
    int32_t softwareVersion = 3830;
    int32_t protocol = 5500;
    int16_t displayVersion = 5500;
    bool emulation = false;
    int32_t state = 1;  // 1 = available

    // Registration answer to code 1500: nullopt accepts; a text refuses.
    std::optional<std::string> refusal;
    bool acceptWithEmptyString = false;   // accept with length 0 instead of -1
    int32_t handshakeValue = 0x4B454C21;  // the desk's closing-handshake value

    std::string userName;  // user name in the session information
    uint8_t cursorMode = 1;
    uint8_t deskMode = 0;  // first desk-mode message after session information

    bool heartbeats = false;  // needs a private network namespace
    bool chat = false;        // needs a private network namespace

    uint16_t inputPort = 7001;
    uint16_t displayPort = 7002;
    uint16_t registrationPort = 7003;

    // A station that stays silent in the middle of a message, does not read,
    // or does not acknowledge a screen within this time is dropped.
    std::chrono::milliseconds stallTimeout{5000};
    std::chrono::milliseconds heartbeatInterval{900};

    // Keep every trace line for Trace() and WaitForTrace(). A long-running
    // program that only prints them (through the sink) turns this off.
    bool keepTrace = true;
};

// One registration exchange seen on the registration port.
struct Registration {
    std::string peer;       // dotted address of the station
    int32_t code = 0;       // 1500 register, 1501 deregister, anything else as received
    bool accepted = false;  // 1500 answered with an accepting STRING
    // The station echoed the closing value; set when the exchange ends, just
    // before the "handshake echoed=" trace line.
    bool handshakeEchoed = false;
};

class DeskEmulator {
  public:
    explicit DeskEmulator(Options options = {});
    ~DeskEmulator();
    DeskEmulator(const DeskEmulator&) = delete;
    DeskEmulator& operator=(const DeskEmulator&) = delete;

    // Binds the TCP services (and multicast when enabled) and starts serving.
    // False with a readable reason when a socket could not be set up.
    bool Start(std::string* error = nullptr);
    void Stop();
    bool Running() const;
    const Options& GetOptions() const { return options_; }

    // ---- trace ----
    std::vector<std::string> Trace() const;
    size_t TraceSize() const;
    // Waits until a trace line with index >= from satisfies the predicate.
    // Returns its index, or nullopt at the deadline.
    std::optional<size_t> WaitForTrace(const std::function<bool(const std::string&)>& match,
                                       std::chrono::milliseconds timeout, size_t from = 0);
    // Same, for a line that starts with prefix (a whole line is a prefix too).
    std::optional<size_t> WaitForTrace(const std::string& prefix, std::chrono::milliseconds timeout,
                                       size_t from = 0);
    // Called with every new line, on the thread that produced it (the
    // executable prints them). Set before Start().
    void SetTraceSink(std::function<void(const std::string&)> sink);

    // ---- screen ----
    Frame Screen() const;          // the desk's current drawn screen
    Frame LastSentFrame() const;   // what a station shows after the last acknowledged screen
    uint64_t ScreensSent() const;  // screen messages acknowledged correctly
    // Waits until at least count screen messages were acknowledged.
    bool WaitForScreens(uint64_t count, std::chrono::milliseconds timeout) const;

    // ---- registrations ----
    std::vector<Registration> Registrations() const;
    // Number of open input channels (one per connected station).
    size_t ConnectedStations() const;
    // Number of open display channels (stations that receive desk messages).
    size_t DisplayChannels() const;

    // ---- commands (the same as the executable's standard input) ----
    void Beep(uint8_t sound);       // desk message 1
    void InputPanel(uint8_t show);  // desk message 2
    void Mode(uint8_t mode);        // desk message 5
    void ThrowOut();                // desk message 6
    void GoSilent();                // stop heartbeats, TCP stays up
    void Resume();                  // heartbeats again
    void SetState(int32_t state);   // state carried by the next heartbeats
    void Drop();                    // abortive close of every station's channels
    // Registration answers from now on: nullopt accepts, a text refuses.
    void SetRefusal(std::optional<std::string> text);
    // Registrations are answered only after this delay from now on (0: at once).
    void SetAnswerDelay(std::chrono::milliseconds delay);

    // Chat (needs Options::chat). Each returns false when chat is off, an
    // address is malformed or the send failed; a sent message is traced.
    // To the stations with an open input channel (count = their number), or
    // to all (-1) when none is connected.
    bool Chat(const std::string& text);
    bool ChatToAll(const std::string& text);                           // recipient count -1
    bool ChatToNobody(const std::string& text);                        // recipient count 0
    bool ChatTo(const std::string& address, const std::string& text);  // count 1
    // Any count with the given recipients (listed only when count > 0).
    bool SendChat(int32_t count, const std::vector<std::string>& recipients,
                  const std::string& text);

    // Runs one command line ("beep 1", "chat hello", ...). Returns false with
    // a reason for an unknown or malformed command; "quit" is the caller's.
    bool Execute(const std::string& line, std::string* error = nullptr);

    class Impl;

  private:
    Options options_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace deskemu
