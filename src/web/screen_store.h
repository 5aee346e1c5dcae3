#pragma once
// The desk's screen as the gateway keeps it for the browsers: the display
// target the session draws into (RGB565, 240 x 268, rows without gaps) and
// the latest finished frame for the GUI thread. A finished frame calls
// `finished` once; frames that finish before the GUI thread has taken the
// latest merge into that call, so a desk faster than the browsers never
// builds a queue.
//
// Threads: LockScreen/UnlockScreen on the drawing thread under the session
// lock (DisplayTarget's contract); `finished` is called there and must only
// hand over. TakeLatest on the GUI thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "display/display_target.h"

class ScreenStore : public DisplayTarget {
  public:
    explicit ScreenStore(std::function<void()> finished);

    uint8_t* LockScreen() override;
    bool UnlockScreen() override;
    ScreenFormat Format() const override;

    // Copies the latest finished frame into `frame` (resized to 240 x 268)
    // and arms the next `finished` call. Returns the number of frames
    // finished so far.
    uint64_t TakeLatest(std::vector<uint16_t>& frame);

  private:
    std::function<void()> finished_;
    std::vector<uint16_t> drawing_;  // written under the session lock
    std::mutex latestMutex_;
    std::vector<uint16_t> latest_;
    uint64_t frames_ = 0;
    std::atomic<bool> announced_{false};
};
