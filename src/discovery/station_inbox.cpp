#include "discovery/station_inbox.h"

#include <utility>

#include "discovery/desk_table.h"
#include "discovery/network_shared.h"

namespace {

// A desk is followed a second longer than it stays listed, so it is never
// forgotten here while the table still shows it.
constexpr uint32_t kFollowLifetime = kDeskLifetime + 300;
// While the inbox is full, silent desks are looked for at most this often
// (StampNow units, 0.1 s): a flood must not cost a pass per datagram.
constexpr uint32_t kForgetSpacing = 30;

}  // namespace

StationInbox::StationInbox(size_t capacity) : capacity_(capacity) {}

bool StationInbox::Put(const StationRecord& station) {
    std::lock_guard lock(mutex_);
    if (!FollowLocked(station.address)) {
        ++dropped_;
        return false;
    }
    const auto [at, added] = waitingAt_.try_emplace(station.address, waiting_.size());
    if (added) {
        waiting_.push_back(station);
    } else {
        waiting_[at->second] = station;
    }
    return !std::exchange(drainAsked_, true);
}

bool StationInbox::FollowLocked(uint32_t address) {
    const uint32_t now = StampNow();
    const auto it = followed_.find(address);
    if (it != followed_.end()) {
        it->second = now;
        return true;
    }
    if (followed_.size() >= capacity_)
        ForgetSilentLocked(now);
    if (followed_.size() >= capacity_)
        return false;
    followed_.emplace(address, now);
    return true;
}

void StationInbox::ForgetSilentLocked(uint32_t now) {
    if (now - lastForget_ < kForgetSpacing)
        return;
    lastForget_ = now;
    std::erase_if(followed_, [&](const auto& desk) {
        return desk.second + kFollowLifetime < now && !waitingAt_.contains(desk.first);
    });
}

std::vector<StationRecord> StationInbox::Take() {
    std::lock_guard lock(mutex_);
    waitingAt_.clear();
    return std::exchange(waiting_, {});
}

bool StationInbox::FinishDrain() {
    std::lock_guard lock(mutex_);
    if (!waiting_.empty())
        return false;
    drainAsked_ = false;
    return true;
}

void StationInbox::Clear() {
    std::lock_guard lock(mutex_);
    waiting_.clear();
    waitingAt_.clear();
    followed_.clear();
    drainAsked_ = false;
}

uint64_t StationInbox::Dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

size_t StationInbox::Followed() const {
    std::lock_guard lock(mutex_);
    return followed_.size();
}
