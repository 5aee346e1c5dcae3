#pragma once
// Small POSIX socket helpers for the emulator's threads. Every wait also
// watches a Waker, so Stop() and the drop command end any wait at once.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace deskemu {

// A self-pipe: Wake() makes the read end readable until Drain().
class Waker {
  public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    void Wake();
    void Drain();
    int Fd() const { return fds_[0]; }

  private:
    int fds_[2] = {-1, -1};
};

enum class IoResult { kOk, kClosed, kTimeout, kWoken, kError, kNewWork };
const char* IoResultName(IoResult result);

// nullopt timeout waits without limit.
using Deadline = std::optional<std::chrono::steady_clock::time_point>;
Deadline DeadlineAfter(std::chrono::milliseconds timeout);

// Reads exactly the buffer's size.
IoResult ReadExact(int fd, std::span<uint8_t> buffer, const Waker& waker, Deadline deadline);
// Writes everything (no SIGPIPE).
IoResult WriteAll(int fd, std::span<const uint8_t> bytes, const Waker& waker, Deadline deadline);
// Waits until fd is readable (data or end of stream).
IoResult WaitReadable(int fd, const Waker& waker, Deadline deadline);
// Waits without limit until fd is readable (kOk), stop wakes (kWoken) or
// work wakes (kNewWork).
IoResult WaitReadableOrWork(int fd, const Waker& stop, const Waker& work);

// A TCP listener on address:port with SO_REUSEADDR. -1 with errno on failure.
int ListenTcp(uint32_t address, uint16_t port, std::string* error);
// Accepts one pending connection; -1 if none. peer gets the dotted address.
int AcceptTcp(int listener, std::string* peer);
// Closes with a reset instead of the orderly end.
void CloseAbortive(int fd);
void CloseOrderly(int fd);

}  // namespace deskemu
