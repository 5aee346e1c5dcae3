#include "service.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace deskemu {

bool Service::Start(std::string* error) {
    const auto& o = desk_.options;
    const std::array<std::pair<uint16_t, Channel>, 3> ports = {{
        {o.registrationPort, Channel::kRegistration},
        {o.inputPort, Channel::kInput},
        {o.displayPort, Channel::kDisplay},
    }};
    for (size_t i = 0; i < ports.size(); ++i) {
        channels_[i] = ports[i].second;
        listeners_[i] = ListenTcp(desk_.address, ports[i].first, error);
        if (listeners_[i] < 0) {
            *error = o.address + " " + *error;
            Stop();
            return false;
        }
    }
    if (!multicast_.Start(error)) {
        Stop();
        return false;
    }
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void Service::Stop() {
    stop_.Wake();
    if (acceptThread_.joinable()) {
        acceptThread_.join();
    }
    for (int& fd : listeners_) {
        if (fd >= 0) {
            close(fd);
        }
        fd = -1;
    }
    desk_.StopAll();
    std::lock_guard lock(chatMutex_);
    multicast_.Stop();
}

bool Service::SendChat(int32_t count, const std::vector<uint32_t>& recipients,
                       const std::string& text) {
    std::lock_guard lock(chatMutex_);
    return multicast_.SendChat(count, recipients, text);
}

void Service::AcceptLoop() {
    for (;;) {
        std::array<pollfd, 4> fds{};
        for (size_t i = 0; i < listeners_.size(); ++i) {
            fds[i] = {listeners_[i], POLLIN, 0};
        }
        fds[3] = {stop_.Fd(), POLLIN, 0};
        // The time-out also reaps connections that ended while nobody connected.
        if (poll(fds.data(), fds.size(), 1000) < 0 && errno != EINTR) {
            return;
        }
        if (fds[3].revents != 0) {
            return;
        }
        for (size_t i = 0; i < listeners_.size(); ++i) {
            if (fds[i].revents & POLLIN) {
                std::string peer;
                const int fd = AcceptTcp(listeners_[i], &peer);
                if (fd >= 0) {
                    desk_.Serve(channels_[i], fd, peer);
                } else if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS ||
                           errno == ENOMEM) {
                    // Out of descriptors: the listener stays readable, so
                    // pause instead of spinning until stations go away.
                    pollfd pause{stop_.Fd(), POLLIN, 0};
                    poll(&pause, 1, 100);
                }
            }
        }
        desk_.Reap();
    }
}

}  // namespace deskemu
