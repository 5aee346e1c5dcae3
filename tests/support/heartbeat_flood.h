#pragma once
// Heartbeats of made-up desks on the private loopback, for flood tests and
// benchmarks: a live desk that keeps sending like a real one, and a flood of
// distinct desks at a given rate. Multicast: private namespace only.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "discovery/station_record.h"

// A desk that every station lists when heard (state 1).
StationRecord ListedDeskAt(uint32_t address, const char* name);

// Sends the desk's heartbeat every interval until destroyed.
class LiveDesk {
  public:
    explicit LiveDesk(const StationRecord& desk,
                      std::chrono::milliseconds interval = std::chrono::milliseconds(900));
    ~LiveDesk();
    LiveDesk(const LiveDesk&) = delete;
    LiveDesk& operator=(const LiveDesk&) = delete;

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Sends heartbeats of desks 10.0.0.1, 10.0.0.2, ... (never one twice for
// the first 16 million) at the rate until stopped.
class HeartbeatFlood {
  public:
    explicit HeartbeatFlood(int perSecond);
    ~HeartbeatFlood();
    HeartbeatFlood(const HeartbeatFlood&) = delete;
    HeartbeatFlood& operator=(const HeartbeatFlood&) = delete;

    void Stop();
    uint64_t Sent() const { return sent_.load(); }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> sent_{0};
    std::thread thread_;
};
