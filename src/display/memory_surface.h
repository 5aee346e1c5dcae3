#pragma once
// MemorySurface: a DisplayTarget kept in memory, 16 or 32 bits per pixel,
// with a pitch that may be wider than a row. Counts the frames presented so
// that callers can wait for them.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "display/display_target.h"

class MemorySurface : public DisplayTarget {
  public:
    explicit MemorySurface(const ScreenFormat& format = MakeRgb16Format());

    uint8_t* LockScreen() override;
    bool UnlockScreen() override;
    ScreenFormat Format() const override { return format_; }

    // When set, LockScreen yields null (a display without off-screen surface).
    void SetUnavailable(bool unavailable);

    // The stored surface value at (x, y): the 16-bit pixel or the 32-bit word.
    uint32_t Pixel(int x, int y) const;
    // Number of UnlockScreen calls so far.
    int Presented() const;
    // Waits until at least `count` frames were presented; false on time-out.
    bool WaitPresented(int count, std::chrono::milliseconds timeout) const;

  private:
    ScreenFormat format_;
    std::vector<uint8_t> bytes_;
    mutable std::mutex mutex_;
    mutable std::condition_variable presentedChanged_;
    int presented_ = 0;
    bool unavailable_ = false;
};
