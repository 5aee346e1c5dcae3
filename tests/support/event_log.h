#pragma once
// Lines collected under a lock from any thread, and waits for them.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// Collects lines under a lock and lets a test wait for one.
class EventLog {
  public:
    void Add(std::string line);
    std::vector<std::string> Lines() const;
    bool WaitFor(const std::string& line, std::chrono::milliseconds timeout = 5s) const;
    int Count(const std::string& line) const;
    bool WaitForCount(const std::string& line, int count,
                      std::chrono::milliseconds timeout = 5s) const;

  private:
    int CountLocked(const std::string& line) const;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> lines_;
};
