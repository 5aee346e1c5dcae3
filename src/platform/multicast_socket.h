#pragma once
// The UDP sockets of the stations' multicast traffic (heartbeats, chat) and
// the wake-up that ends the worker threads waiting on them.
//
// Every set-up step returns true on success; on failure WSAGetLastError()
// gives the Winsock number of the failed call, which the caller reports with
// its own text.
//
// Threading: a MulticastSocket belongs to one thread at a time.
// MulticastWorkers is driven from one control thread (Prepare, Spawn, Stop);
// the workers only use the WakeableWait they were given.

#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

#include "platform/winsock.h"

class MulticastSocket {
  public:
    MulticastSocket() = default;
    ~MulticastSocket() { Close(); }
    MulticastSocket(const MulticastSocket&) = delete;
    MulticastSocket& operator=(const MulticastSocket&) = delete;

    // A UDP socket that hears only the groups it joins itself (Linux hands
    // a socket every group any socket of the host joined otherwise).
    bool Open();
    bool ReuseAddress();
    // Any local address, the given port.
    bool BindAny(uint16_t port);
    // Membership of the group on the interface with the given address.
    bool JoinGroup(uint32_t group, uint32_t interfaceAddress);
    // Sends leave through the interface with the given address.
    bool SendThrough(uint32_t interfaceAddress);
    bool SetTtl(int ttl);
    bool SetLoop(bool on);
    // Asks for a receive buffer of that many bytes (the system may give less).
    bool SetReceiveBuffer(int bytes);

    void Close();
    bool IsOpen() const { return socket_ != INVALID_SOCKET; }
    SOCKET Handle() const { return socket_; }

  private:
    bool SetInt(int level, int option, int value);

    SOCKET socket_ = INVALID_SOCKET;
};

// A worker's wait: for its socket, or for the request to end.
class WakeableWait {
  public:
    explicit WakeableWait(int wakeFd) : wakeFd_(wakeFd) {}

    // Waits until the socket is ready for events (POLLIN, POLLOUT) or the
    // time is up (timeoutMs -1: no limit). 1 ready, 0 time-out, -1 asked to
    // end or the wait failed. INVALID_SOCKET waits for the request alone: a
    // sleep that ends early.
    int For(SOCKET s, short events, int timeoutMs) const;

  private:
    int wakeFd_;
};

class MulticastWorkers {
  public:
    MulticastWorkers() = default;
    ~MulticastWorkers() { Stop(); }
    MulticastWorkers(const MulticastWorkers&) = delete;
    MulticastWorkers& operator=(const MulticastWorkers&) = delete;

    // Makes the wake-up; false (with the Winsock error set) when it cannot
    // be made, and then nothing may be spawned: it could never be stopped.
    bool Prepare();
    // True between Prepare and Stop.
    bool Running() const { return wakeFd_ >= 0; }

    // Starts a worker; its function gets the WakeableWait first, then args.
    template <typename Function, typename... Args>
    void Spawn(Function&& function, Args&&... args) {
        threads_.emplace_back(std::forward<Function>(function), WakeableWait(wakeFd_),
                              std::forward<Args>(args)...);
    }

    // Wakes every worker and joins them in the order they were spawned.
    void Stop();

  private:
    int wakeFd_ = -1;
    std::vector<std::thread> threads_;
};
