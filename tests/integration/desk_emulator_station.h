#pragma once
// A scripted station built from plain sockets, for the desk emulator's own
// tests: it speaks the station's side of the protocol byte by byte, so the
// emulator is checked against the wire and not against the station's code.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "desk_emulator.h"

namespace deskemu::testing_station {

using Bytes = std::vector<uint8_t>;

// One TCP connection from 127.0.0.1 to the desk.
class Link {
  public:
    Link() = default;
    Link(const std::string& address, uint16_t port);
    ~Link();
    Link(Link&& other) noexcept;
    Link& operator=(Link&& other) noexcept;

    bool Connected() const { return fd_ >= 0; }
    bool Send(const Bytes& bytes);
    bool SendInt32(int32_t value);
    // Exactly n bytes, or nullopt when the desk closed or the time-out passed.
    std::optional<Bytes> Receive(size_t n, std::chrono::milliseconds timeout = kPatience);
    std::optional<int32_t> ReceiveInt32(std::chrono::milliseconds timeout = kPatience);
    // True when the desk ended the connection; *reset tells a reset from an
    // orderly end.
    bool SeesEnd(bool* reset = nullptr, std::chrono::milliseconds timeout = kPatience);
    void Close();

    static constexpr std::chrono::milliseconds kPatience{10000};

  private:
    int fd_ = -1;
};

// The registration exchange; returns the desk's answer (nullopt = null
// STRING) or the refusal text, and whether the handshake completed.
struct RegistrationResult {
    bool ok = false;  // the exchange ran to its end
    std::optional<std::string> answer;
};
RegistrationResult Register(const std::string& desk, int32_t code);

Bytes Pointer(uint16_t event, uint16_t x, uint16_t y);
Bytes Key(uint8_t kind, uint16_t code);
Bytes Button(uint8_t isLong, uint16_t code);

// A station with both channels open that keeps its own copy of the desk's
// screen, decoded with a reference decoder written from the code-word table.
class Station {
  public:
    explicit Station(const std::string& desk, std::optional<std::string> user = std::nullopt);

    bool Open() const { return input.Connected() && display.Connected(); }
    // Reads the session information and desk mode that open the display channel.
    bool ReadGreeting();
    // Reads one desk message; screens are decoded and acknowledged with
    // ack (default: the right count).
    struct Message {
        uint8_t type = 0;
        Bytes payload;           // beep, panel, mode, session information
        size_t screenWords = 0;  // screen messages
    };
    std::optional<Message> ReadMessage(std::optional<int32_t> ack = std::nullopt);
    // Reads messages until the next screen (returns false if none came).
    bool ReadScreen(std::optional<int32_t> ack = std::nullopt);

    Link input;
    Link display;
    uint8_t cursorMode = 0;
    std::string sessionUser;
    uint8_t deskMode = 0;
    Frame frame = Frame(kScreenPixels, 0);
    size_t lastScreenWords = 0;
};

}  // namespace deskemu::testing_station
