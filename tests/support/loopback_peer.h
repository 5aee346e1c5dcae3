#pragma once
// A scripted TCP peer on loopback for tests: listens on 127.0.0.1 (or a given
// 127.x address) on an ephemeral or fixed port, accepts one connection, and
// lets the test read and write raw bytes.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <netinet/in.h>

class LoopbackPeer {
  public:
    // receiveBuffer > 0 caps the connection's receive buffer (bytes), so
    // that a peer that never reads stalls the sender soon.
    explicit LoopbackPeer(const std::string& address = "127.0.0.1", uint16_t port = 0,
                          int receiveBuffer = 0);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    sockaddr_in Address() const { return address_; }
    uint16_t Port() const;

    // Waits up to the time-out for the station to connect. False on time-out.
    bool Accept(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void Send(const std::vector<uint8_t>& bytes);
    void SendInt32(int32_t value);
    // Reads exactly n bytes; fewer when the station closed or the time-out
    // passed.
    std::vector<uint8_t> Receive(size_t n,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // True when the station has closed or reset the connection.
    bool SeesClosed(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void CloseConnection();  // orderly close (FIN)
    void ResetConnection();  // abortive close (RST)
    void StopListening();

  private:
    int listener_ = -1;
    int connection_ = -1;
    sockaddr_in address_{};
};

// A loopback port on which nothing listens (connections are refused).
sockaddr_in RefusingAddress();
