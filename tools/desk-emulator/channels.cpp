// The three TCP services of the desk, one thread per connection.
//
// Registration (7003): int32 code; for 1500 the desk answers with a STRING
// (null or empty accepts, a text refuses and ends the exchange); then the
// desk sends an int32 and the station echoes it.
// Input (7001): the user-name STRING, then input messages until the station
// closes. An unknown type ends the channel: its length is unknown.
// Display (7002): session information, desk mode and a full screen, then
// changed screens and commanded messages. Each screen waits for its
// acknowledgement (int32 2 x N) before anything else is sent.

#include <array>
#include <utility>

#include <sys/socket.h>

#include "emulator_core.h"
#include "platform/byte_order.h"
#include "screen_codec.h"

namespace deskemu {
namespace {

constexpr int32_t kRegisterCode = 1500;

ChannelEnd Closed() {
    return {ChannelEnd::kClosedByStation, {}};
}
ChannelEnd Dropped(std::string reason) {
    return {ChannelEnd::kDropped, std::move(reason)};
}

// The end of a channel whose wait was interrupted from outside.
ChannelEnd Woken(Connection& c) {
    std::lock_guard lock(c.mutex);
    if (c.endReason.empty() || c.endReason == kStoppedReason) {
        return {ChannelEnd::kStopped, {}};
    }
    return Dropped(c.endReason);
}

// The end of a channel after a failed read or write inside a message.
ChannelEnd Failed(Connection& c, IoResult result, const char* whenClosed) {
    switch (result) {
        case IoResult::kWoken:
            return Woken(c);
        case IoResult::kClosed:
            return Dropped(whenClosed);
        case IoResult::kTimeout:
            return Dropped("timeout");
        default:
            return Dropped("socket-error");
    }
}

Deadline Stall(const DeskEmulator::Impl& desk) {
    return DeadlineAfter(desk.options.stallTimeout);
}

IoResult ReadInt32(Connection& c, int32_t* value, Deadline deadline) {
    std::array<uint8_t, 4> bytes{};
    const IoResult r = ReadExact(c.fd, bytes, c.stop, deadline);
    *value = LoadLeI32(bytes.data());
    return r;
}

IoResult WriteInt32(Connection& c, int32_t value, Deadline deadline) {
    std::array<uint8_t, 4> bytes{};
    StoreLe32(bytes.data(), static_cast<uint32_t>(value));
    return WriteAll(c.fd, bytes, c.stop, deadline);
}

// ---- registration ----

ChannelEnd RegistrationFailed(DeskEmulator::Impl& desk, Connection& c, IoResult result) {
    if (result != IoResult::kWoken) {
        desk.trace.Add(std::string("registration-failed reason=") + IoResultName(result) +
                       " peer=" + c.peer);
    }
    return {ChannelEnd::kStopped, {}};
}

}  // namespace

ChannelEnd RunRegistration(DeskEmulator::Impl& desk, Connection& c) {
    int32_t code = 0;
    IoResult r = ReadInt32(c, &code, Stall(desk));
    if (r != IoResult::kOk) {
        return RegistrationFailed(desk, c, r);
    }

    const auto refusal = code == kRegisterCode ? desk.Refusal() : std::nullopt;
    const bool refused = refusal.has_value() && !refusal->empty();
    const size_t record = desk.AddRegistration({c.peer, code, code == kRegisterCode && !refused});
    desk.trace.Add("register code=" + std::to_string(code));

    if (code == kRegisterCode && desk.answerDelayMs.load() > 0) {
        // A slow desk: the station hears nothing until the delay is over
        // (or it gives up and closes).
        r = WaitReadable(c.fd, c.stop,
                         DeadlineAfter(std::chrono::milliseconds(desk.answerDelayMs.load())));
        if (r == IoResult::kWoken)
            return RegistrationFailed(desk, c, r);
        uint8_t next = 0;
        if (r == IoResult::kOk && ::recv(c.fd, &next, 1, MSG_PEEK | MSG_DONTWAIT) <= 0)
            return RegistrationFailed(desk, c, IoResult::kClosed);  // the station gave up
    }
    if (code == kRegisterCode) {
        std::optional<std::string> answer;
        if (refused) {
            answer = refusal;
        } else if (desk.options.acceptWithEmptyString) {
            answer = std::string();
        }
        r = WriteAll(c.fd, EncodeString(answer), c.stop, Stall(desk));
        if (r != IoResult::kOk) {
            return RegistrationFailed(desk, c, r);
        }
        if (refused) {
            desk.trace.Add("register-refused text=" + EscapeText(*refusal));
            return {ChannelEnd::kStopped, {}};
        }
    }

    r = WriteInt32(c, desk.options.handshakeValue, Stall(desk));
    int32_t echo = 0;
    if (r == IoResult::kOk) {
        r = ReadInt32(c, &echo, Stall(desk));
    }
    const bool echoed = r == IoResult::kOk && echo == desk.options.handshakeValue;
    desk.SetHandshakeEchoed(record, echoed);
    desk.trace.Add(std::string("handshake echoed=") + (echoed ? "1" : "0"));
    return {ChannelEnd::kStopped, {}};
}

// ---- input ----

namespace {

ChannelEnd ReadUserName(DeskEmulator::Impl& desk, Connection& c, bool* ok) {
    *ok = false;
    int32_t length = 0;
    IoResult r = ReadInt32(c, &length, Stall(desk));
    if (r != IoResult::kOk) {
        return Failed(c, r, "closed-mid-message");
    }
    if (length > kMaxStringLength) {
        desk.trace.Add("invalid-user-name length=" + std::to_string(length));
        return Dropped("garbage");
    }
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length));
        r = ReadExact(c.fd, {reinterpret_cast<uint8_t*>(text.data()), text.size()}, c.stop,
                      Stall(desk));
        if (r != IoResult::kOk) {
            return Failed(c, r, "closed-mid-message");
        }
    }
    desk.trace.Add("user name=" + (length < 0 ? std::string("(null)") : EscapeText(text)));
    *ok = true;
    return {};
}

}  // namespace

ChannelEnd RunInput(DeskEmulator::Impl& desk, Connection& c) {
    bool ok = false;
    ChannelEnd end = ReadUserName(desk, c, &ok);
    if (!ok) {
        return end;
    }

    std::array<uint8_t, 8> message{};
    for (;;) {
        IoResult r = ReadExact(c.fd, {message.data(), 1}, c.stop, std::nullopt);
        if (r == IoResult::kClosed) {
            return Closed();
        }
        if (r != IoResult::kOk) {
            return Failed(c, r, "closed");
        }

        const size_t length = InputMessageLength(message[0]);
        if (length == 0) {
            desk.trace.Add("unknown-input type=" + std::to_string(message[0]));
            return Dropped("unknown-input");
        }
        r = ReadExact(c.fd, {message.data() + 1, length - 1}, c.stop, Stall(desk));
        if (r != IoResult::kOk) {
            return Failed(c, r, "closed-mid-message");
        }

        const std::span<const uint8_t> bytes(message.data(), length);
        const InputMessage parsed = ParseInputMessage(bytes);
        desk.trace.Add(DescribeInput(parsed, bytes));
        if (parsed.valid) {
            desk.ApplyInput(parsed, c.peer);
        }
    }
}

// ---- display ----

namespace {

class DisplaySender {
  public:
    DisplaySender(DeskEmulator::Impl& desk, Connection& c) : desk_(desk), c_(c) {}

    IoResult Send(const Bytes& message) { return WriteAll(c_.fd, message, c_.stop, Stall(desk_)); }

    // Sends the change since the last acknowledged screen (or every pixel)
    // and waits for the acknowledgement.
    IoResult SendScreen(bool full) {
        const Frame frame = desk_.CurrentScreen();
        const auto words = EncodeScreenChange(full ? nullptr : &sent_, frame);
        if (!full && words.empty()) {
            return IoResult::kOk;
        }
        IoResult r = Send(EncodeScreenMessage(words));
        if (r != IoResult::kOk) {
            return r;
        }

        int32_t ack = 0;
        r = ReadInt32(c_, &ack, Stall(desk_));
        if (r != IoResult::kOk) {
            return r;
        }

        const int32_t expected = static_cast<int32_t>(2 * words.size());
        sent_ = frame;
        if (ack == expected) {
            desk_.trace.Add("ack bytes=" + std::to_string(ack));
            desk_.ScreenAcknowledged(frame);
        } else {
            desk_.trace.Add("ack-mismatch expected=" + std::to_string(expected) +
                            " got=" + std::to_string(ack));
        }
        return IoResult::kOk;
    }

  private:
    DeskEmulator::Impl& desk_;
    Connection& c_;
    Frame sent_;
};

struct DisplayWork {
    std::deque<Bytes> messages;
    bool dirty = false;
    bool full = false;
    bool Empty() const { return messages.empty() && !dirty && !full; }
};

DisplayWork TakeWork(Connection& c) {
    std::lock_guard lock(c.mutex);
    DisplayWork work;
    work.messages.swap(c.outgoing);
    work.dirty = std::exchange(c.dirty, false);
    work.full = std::exchange(c.fullFrame, false);
    return work;
}

// Bytes from the station while no acknowledgement is due.
ChannelEnd Unexpected(DeskEmulator::Impl& desk, Connection& c) {
    uint8_t byte = 0;
    const IoResult r = ReadExact(c.fd, {&byte, 1}, c.stop, Stall(desk));
    if (r == IoResult::kClosed) {
        return Closed();
    }
    if (r != IoResult::kOk) {
        return Failed(c, r, "closed");
    }
    desk.trace.Add("unexpected-display-byte value=" + std::to_string(byte));
    return Dropped("garbage");
}

// A station may close its display channel at any moment, even while a screen
// is on its way: that is how it disconnects.
ChannelEnd DisplayFailed(Connection& c, IoResult result) {
    return result == IoResult::kClosed ? Closed() : Failed(c, result, "closed");
}

}  // namespace

ChannelEnd RunDisplay(DeskEmulator::Impl& desk, Connection& c) {
    DisplaySender sender(desk, c);
    IoResult r = sender.Send(EncodeSessionInfo(desk.options.cursorMode, desk.options.userName));
    if (r == IoResult::kOk) {
        r = sender.Send(EncodeByteMessage(kDeskModeMessage, desk.deskMode));
    }
    if (r == IoResult::kOk) {
        r = sender.SendScreen(true);
    }
    if (r != IoResult::kOk) {
        return DisplayFailed(c, r);
    }

    for (;;) {
        c.work.Drain();
        DisplayWork work = TakeWork(c);
        if (work.Empty()) {
            r = WaitReadableOrWork(c.fd, c.stop, c.work);
            if (r == IoResult::kOk) {
                return Unexpected(desk, c);
            }
            if (r == IoResult::kNewWork) {
                continue;
            }
            return DisplayFailed(c, r);
        }
        for (const Bytes& message : work.messages) {
            r = sender.Send(message);
            if (r != IoResult::kOk) {
                return DisplayFailed(c, r);
            }
        }
        if (work.dirty || work.full) {
            r = sender.SendScreen(work.full);
            if (r != IoResult::kOk) {
                return DisplayFailed(c, r);
            }
        }
    }
}

}  // namespace deskemu
