#include "discovery/network_shared.h"

#include <cstdio>
#include <mutex>

#include "platform/message_box.h"
#include "platform/tick.h"

uint32_t StampNow() {
    // The 32-bit tick count is widened to 64 bits by adding the forward
    // distance from the last reading, so the stamp keeps rising across the
    // wrap after 49.7 days; a clock that steps back leaves it where it was.
    static std::mutex mutex;
    static uint64_t elapsed = 0;
    static bool started = false;
    static uint32_t generation = 0;

    std::lock_guard lock(mutex);
    const uint32_t ticks = GetTickCount();
    if (!started || generation != TickSourceGeneration()) {
        elapsed = ticks;
        started = true;
        generation = TickSourceGeneration();
    } else {
        const uint32_t forward = ticks - static_cast<uint32_t>(elapsed);
        if (forward < 0x80000000u)
            elapsed += forward;
    }
    return static_cast<uint32_t>(elapsed * 300 / 1000);
}

std::string SocketErrorText(const std::string& text, int errorCode) {
    char tail[64];
    std::snprintf(tail, sizeof tail, "\nErrnum: 0x%x - %d", static_cast<unsigned>(errorCode),
                  errorCode);
    return text + tail;
}

void ReportSocketError(const std::string& text, int errorCode) {
    ShowMessageBox(SocketErrorText(text, errorCode), "Error", MB_OK | MB_ICONERROR);
}
