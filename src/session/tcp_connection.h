#pragma once
// TCPCONNECTION: a TCP channel to one desk. Owns a TCPSOCKET, remembers
// whether it is open and to which desk, and adds the framed values of the
// desk protocol (int32 and STRING).
//
// Threads: one reader and one writer at a time; Close() and the state
// queries may be called from any thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/winsock.h"
#include "session/tcp_socket.h"
#include "session/wire_string.h"

class TCPCONNECTION {
  public:
    TCPCONNECTION() = default;
    ~TCPCONNECTION() { Close(); }
    TCPCONNECTION(const TCPCONNECTION&) = delete;
    TCPCONNECTION& operator=(const TCPCONNECTION&) = delete;

    // 1 on success, 0 on failure (WSAGetLastError() tells why). Starts from a
    // fresh socket every time.
    int Connect(const sockaddr_in& address);
    // Every later Connect caps its socket's send buffer at about `bytes`.
    // Same thread as Connect.
    void LimitSendBuffer(int bytes) { sendBufferLimit_ = bytes; }
    void Close();
    // Takes over an already connected stream socket as an open connection to
    // the given peer (socket pairs in tests and fuzzers).
    void Adopt(SOCKET fd, uint32_t peer);

    bool IsOpen() const { return open_.load(); }
    // The desk's address (network-order bytes read little-endian), or
    // kNoAddress when closed.
    uint32_t PeerAddress() const { return peer_.load(); }

    // -1 at once when the connection is not open. A write with a limit
    // fails when the peer does not take the bytes in that time.
    int Read(void* buffer, int n);
    int Write(const void* buffer, int n,
              std::optional<std::chrono::milliseconds> limit = std::nullopt);

    // Four bytes, little-endian. Return 4 on success, -1 on failure.
    int ReadInt32(int32_t& value);
    int WriteInt32(int32_t value, std::optional<std::chrono::milliseconds> limit = std::nullopt);

    int WriteString(const STRING& text);
    // A length above STRING::kMaxLength yields null and closes the whole
    // connection; a negative length or a failed read yields null. Returns 1
    // when a whole frame was read (a null frame and an oversized length
    // included), 0 when reading failed.
    int ReadString(STRING& text);

    TCPSOCKET& Socket() { return socket_; }

  private:
    TCPSOCKET socket_;
    std::atomic<bool> open_{false};
    std::atomic<uint32_t> peer_{kNoAddress};
    int sendBufferLimit_ = 0;  // 0: the kernel's own tuning
};
