#pragma once
// How many messages a browser may send: a bucket that holds `burst`
// messages and refills at `perSecond`. A browser that empties it is closed,
// so a runaway page cannot flood the desk's input channel. The time is
// passed in (milliseconds of a steady clock) so tests can step it.

#include <algorithm>
#include <cstdint>

class MessageBudget {
  public:
    MessageBudget(uint32_t perSecond, uint32_t burst)
        : perSecond_(perSecond), burst_(burst), available_(burst * kScale) {}

    // Takes one message; false when none is left.
    bool Take(uint64_t nowMs) {
        if (started_) {
            const uint64_t elapsed = nowMs > lastMs_ ? nowMs - lastMs_ : 0;
            const uint64_t refill = std::min<uint64_t>(elapsed, kMaxRefillMs) * perSecond_;
            available_ = std::min<uint64_t>(available_ + refill, uint64_t{burst_} * kScale);
        }
        started_ = true;
        lastMs_ = std::max(lastMs_, nowMs);
        if (available_ < kScale)
            return false;
        available_ -= kScale;
        return true;
    }

  private:
    // One message is kScale units; a millisecond adds perSecond units.
    static constexpr uint64_t kScale = 1000;
    static constexpr uint64_t kMaxRefillMs = 3600 * 1000;

    uint32_t perSecond_;
    uint32_t burst_;
    uint64_t available_;
    uint64_t lastMs_ = 0;
    bool started_ = false;
};
