#pragma once
// The emulator's trace: one line per event, kept in order, waitable.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace deskemu {

class TraceLog {
  public:
    explicit TraceLog(bool keep = true) : keep_(keep) {}

    void Add(std::string line);
    std::vector<std::string> Lines() const;
    size_t Size() const;
    std::optional<size_t> WaitFor(const std::function<bool(const std::string&)>& match,
                                  std::chrono::milliseconds timeout, size_t from);
    // The sink runs under the log's lock and must not call back into it.
    void SetSink(std::function<void(const std::string&)> sink);

  private:
    mutable std::mutex mutex_;
    std::condition_variable added_;
    std::vector<std::string> lines_;
    std::function<void(const std::string&)> sink_;
    const bool keep_;
};

}  // namespace deskemu
