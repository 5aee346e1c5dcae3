#include "session_fakes.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/byte_order.h"
#include "platform/winsock.h"

void RecordingFrontEnd::DeskRegistered(uint32_t desk, bool registered) {
    if (onRegistered)
        onRegistered(desk, registered);
    log.Add("registered " + Ipv4ToText(desk) + (registered ? " 1" : " 0"));
}
void RecordingFrontEnd::InputPanel(uint8_t show) {
    if (onInputPanel)
        onInputPanel(show);
    log.Add("panel " + std::to_string(show));
}
void RecordingFrontEnd::DeskMode(uint8_t mode) {
    log.Add("mode " + std::to_string(mode));
}
void RecordingFrontEnd::EnableSessionButtons(bool enable) {
    log.Add(enable ? "buttons 1" : "buttons 0");
}
void RecordingFrontEnd::LostConnection(uint32_t desk) {
    log.Add("lost " + Ipv4ToText(desk));
}
void RecordingFrontEnd::CloseAfterFatalError() {
    log.Add("fatal-close");
}
void RecordingFrontEnd::EnableViewSwitch() {
    log.Add("view-switch");
}
void RecordingFrontEnd::ShowDeskListAfterThrownOut() {
    log.Add("desklist");
}
void RecordingFrontEnd::HideDeskListForFrame() {
    if (recordFrames)
        log.Add("hide-list");
}
void RecordingFrontEnd::SetWaitCursor(bool on) {
    log.Add(on ? "wait 1" : "wait 0");
}

DeskEnd::DeskEnd() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0) {
        desk_ = fds[0];
        station_ = fds[1];
    }
}

DeskEnd::~DeskEnd() {
    Close();
    if (station_ >= 0)
        ::close(station_);
}

int DeskEnd::TakeStationSide() {
    return std::exchange(station_, -1);
}

void DeskEnd::Send(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(desk_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        done += static_cast<size_t>(sent);
    }
}

std::vector<uint8_t> DeskEnd::Receive(size_t n, std::chrono::milliseconds timeout) {
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry{desk_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            break;
        uint8_t buffer[4096];
        const ssize_t got = ::recv(desk_, buffer, std::min(sizeof buffer, n - bytes.size()), 0);
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

std::vector<uint8_t> DeskEnd::ReceiveAvailable(std::chrono::milliseconds wait) {
    std::vector<uint8_t> bytes;
    for (;;) {
        pollfd entry{desk_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(wait.count())) <= 0)
            return bytes;
        uint8_t buffer[65536];
        const ssize_t got = ::recv(desk_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got <= 0)
            return bytes;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
}

bool DeskEnd::SeesClosed(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{desk_, POLLIN, 0};
        if (::poll(&entry, 1, 50) < 0)
            return true;
        if (entry.revents == 0)
            continue;
        uint8_t buffer[4096];
        const ssize_t got = ::recv(desk_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got <= 0)
            return true;
    }
    return false;
}

void DeskEnd::Close() {
    if (desk_ >= 0)
        ::close(desk_);
    desk_ = -1;
}

std::vector<uint8_t> Int32Bytes(int32_t value) {
    std::vector<uint8_t> bytes(4);
    StoreLe32(bytes.data(), static_cast<uint32_t>(value));
    return bytes;
}

int32_t Int32From(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes.size() >= at + 4 ? LoadLeI32(bytes.data() + at) : INT32_MIN;
}

uint32_t Address(const char* dotted) {
    return Ipv4FromText(dotted);
}

ScriptedRegistrar::ScriptedRegistrar(const std::string& address, Answer answer, std::string refusal)
    : address_(address), answer_(answer), refusal_(std::move(refusal)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa = MakeSocketAddress(Ipv4FromText(address), 7003);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listener_, 8) != 0) {
        ::close(listener_);
        listener_ = -1;
        return;
    }
    thread_ = std::thread([this] { Serve(); });
}

ScriptedRegistrar::~ScriptedRegistrar() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

namespace {

bool ReadExactly(int fd, void* buffer, size_t n, int timeoutMs) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < n) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, timeoutMs) <= 0)
            return false;
        const ssize_t got = ::recv(fd, bytes + done, n - done, 0);
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

void SendAll(int fd, const std::vector<uint8_t>& bytes) {
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

}  // namespace

void ScriptedRegistrar::Serve() {
    while (!stop_) {
        pollfd entry{listener_, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0)
            continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        uint8_t code[4];
        if (ReadExactly(fd, code, 4, 5000)) {
            const int32_t value = LoadLeI32(code);
            codes.Add("code " + std::to_string(value));
            bool goOn = true;
            if (value == 1500) {
                switch (answer_) {
                    case Answer::Null:
                        SendAll(fd, Int32Bytes(-1));
                        break;
                    case Answer::Empty:
                        SendAll(fd, Int32Bytes(0));
                        break;
                    case Answer::Refuse: {
                        std::vector<uint8_t> frame =
                            Int32Bytes(static_cast<int32_t>(refusal_.size()));
                        frame.insert(frame.end(), refusal_.begin(), refusal_.end());
                        SendAll(fd, frame);
                        goOn = false;
                        break;
                    }
                    case Answer::Drip: {
                        std::vector<uint8_t> frame =
                            Int32Bytes(static_cast<int32_t>(refusal_.size()));
                        frame.insert(frame.end(), refusal_.begin(), refusal_.end());
                        for (size_t i = 0; i < frame.size() && !stop_; ++i) {
                            SendAll(fd, {frame[i]});
                            for (int slice = 0; slice < 50 && !stop_; ++slice)
                                std::this_thread::sleep_for(20ms);
                        }
                        goOn = false;
                        break;
                    }
                    case Answer::Silent:
                        while (!stop_ && ReadExactly(fd, code, 1, 20)) {
                        }
                        while (!stop_) {
                            pollfd wait{fd, POLLIN, 0};
                            if (::poll(&wait, 1, 20) > 0)
                                break;
                        }
                        goOn = false;
                        break;
                }
            }
            if (goOn) {
                SendAll(fd, Int32Bytes(0x4B454C21));
                uint8_t echo[4];
                if (ReadExactly(fd, echo, 4, 5000))
                    echoes.Add("echo " + std::to_string(LoadLeI32(echo)));
            }
        }
        ::close(fd);
    }
}
