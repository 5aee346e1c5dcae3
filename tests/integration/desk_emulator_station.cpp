#include "desk_emulator_station.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace deskemu::testing_station {
namespace {

void PutLe16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

Link::Link(const std::string& address, uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        close(fd_);
        fd_ = -1;
        return;
    }
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

Link::~Link() {
    Close();
}

Link::Link(Link&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

Link& Link::operator=(Link&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void Link::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

bool Link::Send(const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Link::SendInt32(int32_t value) {
    Bytes b(4);
    std::memcpy(b.data(), &value, 4);  // the test hosts are little-endian
    return Send(b);
}

std::optional<Bytes> Link::Receive(size_t n, std::chrono::milliseconds timeout) {
    Bytes out(n);
    size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (done < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        const ssize_t got = recv(fd_, out.data() + done, n - done, 0);
        if (got <= 0) {
            return std::nullopt;
        }
        done += static_cast<size_t>(got);
    }
    return out;
}

std::optional<int32_t> Link::ReceiveInt32(std::chrono::milliseconds timeout) {
    const auto b = Receive(4, timeout);
    if (!b) {
        return std::nullopt;
    }
    int32_t v = 0;
    std::memcpy(&v, b->data(), 4);
    return v;
}

bool Link::SeesEnd(bool* reset, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        uint8_t sink[4096];
        const ssize_t got = recv(fd_, sink, sizeof sink, 0);
        if (got == 0 || got < 0) {
            if (reset) {
                *reset = got < 0 && errno == ECONNRESET;
            }
            return true;
        }
    }
}

RegistrationResult Register(const std::string& desk, int32_t code) {
    RegistrationResult result;
    Link link(desk, 7003);
    if (!link.Connected() || !link.SendInt32(code)) {
        return result;
    }
    if (code == 1500) {
        const auto length = link.ReceiveInt32();
        if (!length) {
            return result;
        }
        if (*length >= 0) {
            const auto text = link.Receive(static_cast<size_t>(*length));
            if (!text) {
                return result;
            }
            result.answer = std::string(text->begin(), text->end());
            if (!result.answer->empty()) {
                result.ok = true;  // a refusal ends the exchange
                return result;
            }
        }
    }
    const auto closing = link.ReceiveInt32();
    result.ok = closing && link.SendInt32(*closing);
    return result;
}

Bytes Pointer(uint16_t event, uint16_t x, uint16_t y) {
    Bytes b = {2, 0};
    PutLe16(b, event);
    PutLe16(b, x);
    PutLe16(b, y);
    return b;
}

Bytes Key(uint8_t kind, uint16_t code) {
    Bytes b = {1, kind};
    PutLe16(b, code);
    return b;
}

Bytes Button(uint8_t isLong, uint16_t code) {
    Bytes b = {3, isLong};
    PutLe16(b, code);
    b.insert(b.end(), {0, 0, 0, 0});
    return b;
}

Station::Station(const std::string& desk, std::optional<std::string> user) : input(desk, 7001) {
    if (!input.Connected()) {
        return;
    }
    if (user) {
        input.SendInt32(static_cast<int32_t>(user->size()));
        input.Send(Bytes(user->begin(), user->end()));
    } else {
        input.SendInt32(-1);
    }
    display = Link(desk, 7002);
}

bool Station::ReadGreeting() {
    const auto info = ReadMessage();
    if (!info || info->type != 4) {
        return false;
    }
    cursorMode = info->payload[0];
    const auto& name = info->payload;
    const auto end = std::find(name.begin() + 1, name.end(), uint8_t{0});
    sessionUser.assign(name.begin() + 1, end);
    const auto mode = ReadMessage();
    if (!mode || mode->type != 5) {
        return false;
    }
    deskMode = mode->payload[0];
    return true;
}

std::optional<Station::Message> Station::ReadMessage(std::optional<int32_t> ack) {
    const auto type = display.Receive(1);
    if (!type) {
        return std::nullopt;
    }
    Message m;
    m.type = (*type)[0];
    switch (m.type) {
        case 1:
        case 2:
        case 5: {
            auto b = display.Receive(1);
            if (!b) {
                return std::nullopt;
            }
            m.payload = *b;
            return m;
        }
        case 4: {
            auto b = display.Receive(65);
            if (!b) {
                return std::nullopt;
            }
            m.payload = *b;
            return m;
        }
        case 6:
            return m;
        case 3:
            break;
        default:
            return std::nullopt;
    }
    const auto head = display.Receive(3);
    if (!head) {
        return std::nullopt;
    }
    const size_t n = Le16(&(*head)[1]);
    const auto body = display.Receive(2 * n);
    if (!body || !display.SendInt32(ack.value_or(static_cast<int32_t>(2 * n)))) {
        return std::nullopt;
    }
    // Reference decoding: literal 0ccc.., run 10nn.., skip 11nn..
    size_t pos = 0;
    uint16_t last = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint16_t w = Le16(&(*body)[2 * i]);
        if ((w & 0x8000) == 0) {
            last = static_cast<uint16_t>(((w & 0x7C00) << 1) | ((w & 0x03E0) << 1) | (w & 0x1F));
            if (pos < frame.size()) {
                frame[pos] = last;
            }
            ++pos;
        } else if ((w & 0xC000) == 0x8000) {
            for (unsigned k = 0; k < (w & 0x3FFFu); ++k, ++pos) {
                if (pos < frame.size()) {
                    frame[pos] = last;
                }
            }
        } else {
            pos += w & 0x3FFFu;
        }
    }
    m.screenWords = n;
    lastScreenWords = n;
    return m;
}

bool Station::ReadScreen(std::optional<int32_t> ack) {
    for (;;) {
        const auto m = ReadMessage(ack);
        if (!m) {
            return false;
        }
        if (m->type == 3) {
            return true;
        }
    }
}

}  // namespace deskemu::testing_station
