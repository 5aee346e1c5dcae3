#pragma once
// The state of one session of ClientConnection: its two channels and its
// receive thread. Private to the session's own sources.

#include <atomic>
#include <cstdint>
#include <thread>

#include "session/client_connection.h"
#include "session/tcp_connection.h"

struct ClientConnection::Session {
    // What the receive thread is doing about its end. Running: reading.
    // Leaving: it ends the session itself and may wait for the front end on
    // the way, so nobody waits for it. Stopping: another thread ends the
    // session and waits for the thread, which must not wait for anybody.
    enum Receiver : int { kRunning, kLeaving, kStopping };

    explicit Session(uint32_t deskAddress) : desk(deskAddress) {}

    // Running -> Leaving; false when another thread is already stopping it.
    bool BeginLeaving() {
        int expected = kRunning;
        return receiver.compare_exchange_strong(expected, kLeaving) || expected == kLeaving;
    }
    // Running -> Stopping; false when the thread is leaving by itself.
    bool BeginStopping() {
        int expected = kRunning;
        return receiver.compare_exchange_strong(expected, kStopping) || expected == kStopping;
    }

    const uint32_t desk;
    TCPCONNECTION input;
    TCPCONNECTION display;
    // Set before the thread starts, never cleared: a stop request made
    // before the thread runs survives.
    std::atomic<bool> stop{false};
    std::atomic<int> receiver{kRunning};
    std::atomic<bool> finished{false};
    std::thread thread;  // assigned under the owner's currentMutex_
};

// The session whose receive thread the calling thread is, if any.
inline thread_local const void* ReceivingSession = nullptr;
