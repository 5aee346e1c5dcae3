#pragma once
// The sockets and threads of one Start()..Stop() period: the three TCP
// listeners with their accept thread, and the multicast traffic.

#include <array>
#include <mutex>
#include <string>
#include <thread>

#include "emulator_core.h"
#include "multicast.h"

namespace deskemu {

class Service {
  public:
    explicit Service(DeskEmulator::Impl& desk) : desk_(desk), multicast_(desk) {}
    ~Service() { Stop(); }
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    bool Start(std::string* error);
    void Stop();  // ends every connection and joins every thread
    bool SendChat(int32_t count, const std::vector<uint32_t>& recipients, const std::string& text);

  private:
    void AcceptLoop();

    DeskEmulator::Impl& desk_;
    Multicast multicast_;
    std::mutex chatMutex_;
    Waker stop_;
    std::array<int, 3> listeners_ = {-1, -1, -1};
    std::array<Channel, 3> channels_{};
    std::thread acceptThread_;
};

}  // namespace deskemu
