#include "web/screen_store.h"

#include "display/screen_format.h"

ScreenStore::ScreenStore(std::function<void()> finished)
    : finished_(std::move(finished)), drawing_(kRemotePixels, 0), latest_(kRemotePixels, 0) {}

uint8_t* ScreenStore::LockScreen() {
    return reinterpret_cast<uint8_t*>(drawing_.data());
}

bool ScreenStore::UnlockScreen() {
    {
        // Every frame is drawn whole, so the buffers can change places.
        std::lock_guard lock(latestMutex_);
        latest_.swap(drawing_);
        ++frames_;
    }
    if (!announced_.exchange(true) && finished_)
        finished_();
    return true;
}

ScreenFormat ScreenStore::Format() const {
    return MakeRgb16Format();
}

uint64_t ScreenStore::TakeLatest(std::vector<uint16_t>& frame) {
    announced_ = false;
    std::lock_guard lock(latestMutex_);
    frame = latest_;
    return frames_;
}
