#include "event_log.h"

#include <algorithm>
#include <utility>

void EventLog::Add(std::string line) {
    {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    }
    changed_.notify_all();
}

std::vector<std::string> EventLog::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool EventLog::WaitFor(const std::string& line, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        for (const auto& l : lines_) {
            if (l == line)
                return true;
        }
        return false;
    });
}

int EventLog::Count(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return CountLocked(line);
}

int EventLog::CountLocked(const std::string& line) const {
    return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
}

bool EventLog::WaitForCount(const std::string& line, int count,
                            std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return CountLocked(line) >= count; });
}
