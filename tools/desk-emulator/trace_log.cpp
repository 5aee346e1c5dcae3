#include "trace_log.h"

namespace deskemu {

void TraceLog::Add(std::string line) {
    {
        // The sink runs under the lock so that it sees the lines in order.
        std::lock_guard lock(mutex_);
        if (sink_) {
            sink_(line);
        }
        if (keep_) {
            lines_.push_back(std::move(line));
        }
    }
    added_.notify_all();
}

std::vector<std::string> TraceLog::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

size_t TraceLog::Size() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

std::optional<size_t> TraceLog::WaitFor(const std::function<bool(const std::string&)>& match,
                                        std::chrono::milliseconds timeout, size_t from) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    size_t next = from;
    for (;;) {
        for (; next < lines_.size(); ++next) {
            if (match(lines_[next])) {
                return next;
            }
        }
        if (added_.wait_until(lock, deadline) == std::cv_status::timeout && next == lines_.size()) {
            return std::nullopt;
        }
    }
}

void TraceLog::SetSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

}  // namespace deskemu
