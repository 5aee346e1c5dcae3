#pragma once
// The desk's multicast traffic: heartbeats to 236.3.0.1:6000 and chat on
// 236.3.0.3:6006. Only ever run inside a private network namespace in tests.

#include <string>
#include <thread>

#include "emulator_core.h"

namespace deskemu {

constexpr const char* kHeartbeatGroup = "236.3.0.1";
constexpr uint16_t kHeartbeatPort = 6000;
constexpr const char* kChatGroup = "236.3.0.3";
constexpr uint16_t kChatPort = 6006;

class Multicast {
  public:
    explicit Multicast(DeskEmulator::Impl& desk) : desk_(desk) {}
    ~Multicast() { Stop(); }
    Multicast(const Multicast&) = delete;
    Multicast& operator=(const Multicast&) = delete;

    bool Start(std::string* error);
    void Stop();

    // Sends one chat datagram; false when chat is off or the send failed.
    bool SendChat(int32_t count, const std::vector<uint32_t>& recipients, const std::string& text);

  private:
    void RunHeartbeats();
    void RunChatReceiver();

    DeskEmulator::Impl& desk_;
    Waker stop_;
    int heartbeatSocket_ = -1;
    int chatReceiveSocket_ = -1;
    int chatSendSocket_ = -1;
    std::thread heartbeatThread_;
    std::thread chatThread_;
};

}  // namespace deskemu
