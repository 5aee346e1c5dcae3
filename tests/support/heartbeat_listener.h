#pragma once
// A plain member of the heartbeat group on 127.0.0.1, as any other station
// would be: it hears every heartbeat sent over loopback. Opens a multicast
// socket, so only for tests that run in the private network namespace.

#include <cstdint>
#include <vector>

#include "platform/winsock.h"

// A UDP socket for multicast tests: address reuse on, and on Linux only the
// groups it joins are received.
SOCKET OpenMulticastSocket();

class HeartbeatListener {
  public:
    HeartbeatListener();
    ~HeartbeatListener();
    HeartbeatListener(const HeartbeatListener&) = delete;
    HeartbeatListener& operator=(const HeartbeatListener&) = delete;

    // The next datagram; empty when none came within 10 seconds.
    std::vector<uint8_t> Receive();

  private:
    SOCKET socket_;
};
