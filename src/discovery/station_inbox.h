#pragma once
// StationInbox: the stations the heartbeat receiver heard, waiting for the
// thread that keeps the desk table. Only the latest record of each address
// waits, so however long that thread is busy, a flood of heartbeats costs one
// entry per desk; the first record that arrives while no drain is asked for
// tells the caller to ask for one.
//
// The inbox also bounds how many desks it follows at once: an address heard
// within the desk lifetime (and a second more) is followed, up to the
// capacity. Beyond it, records of new addresses are dropped and counted;
// desks already followed always get through, so a flood of forged desks can
// neither grow the table without end nor push out a live desk.
//
// Threads: Put on the receiver thread; Take, FinishDrain and Clear on the
// table's thread; the counters anywhere.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "discovery/station_record.h"

class StationInbox {
  public:
    static constexpr size_t kDefaultCapacity = 10000;

    explicit StationInbox(size_t capacity = kDefaultCapacity);

    // Keeps the record as its address's latest. True when the caller must
    // ask the table's thread for a drain (none is asked for yet).
    bool Put(const StationRecord& station);
    // Every waiting record, in the order their addresses arrived. The drain
    // stays asked for until FinishDrain.
    std::vector<StationRecord> Take();
    // Ends a drain: true when nothing waits (the next Put asks again);
    // false when records arrived meanwhile and the caller must drain again.
    bool FinishDrain();
    // Forgets every waiting record and every followed desk.
    void Clear();

    // Records of new desks dropped because the capacity was reached.
    uint64_t Dropped() const;
    size_t Followed() const;

  private:
    bool FollowLocked(uint32_t address);
    void ForgetSilentLocked(uint32_t now);

    mutable std::mutex mutex_;
    const size_t capacity_;
    std::vector<StationRecord> waiting_;
    std::unordered_map<uint32_t, size_t> waitingAt_;   // address -> index in waiting_
    std::unordered_map<uint32_t, uint32_t> followed_;  // address -> StampNow when heard
    uint32_t lastForget_ = 0;
    bool drainAsked_ = false;
    uint64_t dropped_ = 0;
};
