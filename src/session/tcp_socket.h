#pragma once
// TCPSOCKET: one IPv4 stream socket with the options every desk channel
// uses (no linger, SO_REUSEADDR, TCP_NODELAY) and exact-length reads and
// writes on top of blocking waits.
//
// Threads: at most one thread reads and one thread writes a socket at a time.
// Close() may be called from any thread; it wakes a Read() or Write() blocked
// on another thread, which then returns -1. The descriptor is released only
// when no call is using it any more, so its number is never reused under a
// running call.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/winsock.h"

class TCPSOCKET {
  public:
    // How long a blocking connect may wait for the desk's answer.
    static constexpr std::chrono::milliseconds kConnectTimeout{10000};
    // How long a non-blocking connect waits for writability.
    static constexpr std::chrono::milliseconds kNonBlockingConnectWait{30000};

    TCPSOCKET();
    ~TCPSOCKET();
    TCPSOCKET(const TCPSOCKET&) = delete;
    TCPSOCKET& operator=(const TCPSOCKET&) = delete;

    // Closes any socket held, then creates a fresh one and sets its options.
    void Open();
    // Abortive close (the connection is reset at once). Closing a closed
    // socket does nothing.
    void Close();
    // -1 without a socket; otherwise the result of switching the mode.
    int SetBlocking(int flag);

    // Caps the kernel's send buffer at about `bytes`. Call it before Connect:
    // a connected socket's buffer has already been tuned.
    void LimitSendBuffer(int bytes);

    // 0 = connected, -1 = failed; WSAGetLastError() tells why.
    int Connect(const sockaddr_in& address);

    // Non-zero when readable; waits without time-out.
    int WaitReadable();
    // Non-zero when writable; no time-out waits without limit, zero polls.
    int WaitWritable(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

    // n when n bytes were read or written, -1 on failure; 0 for n <= 0.
    int Read(void* buffer, int n);
    // A point in time after which Read fails with WSAETIMEDOUT, however the
    // bytes trickle in: it bounds a whole exchange, not each wait. nullopt,
    // the default, waits without limit.
    void SetReadDeadline(std::optional<std::chrono::steady_clock::time_point> deadline);
    // Without a limit a write waits for room as long as it takes; with one
    // it fails with WSAETIMEDOUT when the bytes are not all written in that
    // time (a peer that stopped reading).
    int Write(const void* buffer, int n,
              std::optional<std::chrono::milliseconds> limit = std::nullopt);

    // Takes over an already connected stream socket (a socket pair in tests
    // and fuzzers), closing any socket held.
    void Adopt(SOCKET fd);

    SOCKET Handle() const { return handle_.load(); }
    bool IsBlocking() const { return blocking_ != 0; }

  private:
    // Keeps the descriptor alive for the duration of one call.
    class Use {
      public:
        explicit Use(TCPSOCKET& socket);
        ~Use();
        SOCKET fd() const { return fd_; }

      private:
        TCPSOCKET& socket_;
        SOCKET fd_;
    };

    int WaitFor(short events, int timeoutMs);
    // Milliseconds left before the read deadline (-1: none; 0: passed).
    int ReadWaitMs() const;
    int ConnectNow(SOCKET fd, const sockaddr_in& address);
    // 0 once connected, else the errno value (ECONNABORTED when closed).
    int AwaitConnected(SOCKET fd, std::chrono::milliseconds limit);
    void ApplyOptions(SOCKET fd);

    std::atomic<SOCKET> handle_{INVALID_SOCKET};
    std::atomic<int> blocking_{1};
    // Steady-clock ticks since its epoch; kNoDeadline waits forever.
    static constexpr int64_t kNoDeadline = INT64_MAX;
    std::atomic<int64_t> readDeadline_{kNoDeadline};
    // A descriptor that running calls still use.
    struct Busy {
        SOCKET fd;
        int users;
        bool closePending;  // Close() came while calls were running
    };
    Busy* FindBusyLocked(SOCKET fd);

    std::mutex mutex_;  // guards busy_ and the descriptors' life
    std::vector<Busy> busy_;
};
