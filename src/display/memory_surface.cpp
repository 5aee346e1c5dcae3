#include "display/memory_surface.h"

#include <cstring>

MemorySurface::MemorySurface(const ScreenFormat& format)
    : format_(format), bytes_(static_cast<size_t>(format.pitch) * kRemoteHeight, 0) {}

uint8_t* MemorySurface::LockScreen() {
    std::lock_guard lock(mutex_);
    return unavailable_ ? nullptr : bytes_.data();
}

bool MemorySurface::UnlockScreen() {
    {
        std::lock_guard lock(mutex_);
        ++presented_;
    }
    presentedChanged_.notify_all();
    return true;
}

void MemorySurface::SetUnavailable(bool unavailable) {
    std::lock_guard lock(mutex_);
    unavailable_ = unavailable;
}

uint32_t MemorySurface::Pixel(int x, int y) const {
    std::lock_guard lock(mutex_);
    const uint8_t* at = bytes_.data() + static_cast<size_t>(y) * format_.pitch +
                        static_cast<size_t>(x) * format_.bytesPerPixel;
    if (format_.bitsPerPixel == 16) {
        uint16_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

int MemorySurface::Presented() const {
    std::lock_guard lock(mutex_);
    return presented_;
}

bool MemorySurface::WaitPresented(int count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return presentedChanged_.wait_for(lock, timeout, [&] { return presented_ >= count; });
}
