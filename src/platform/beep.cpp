#include "platform/beep.h"

#include <mutex>

namespace {
std::mutex g_mutex;
BeepHandler g_handler;
}  // namespace

void SetBeepHandler(BeepHandler handler) {
    std::lock_guard lock(g_mutex);
    g_handler = std::move(handler);
}

void MessageBeep(unsigned type) {
    BeepHandler handler;
    {
        std::lock_guard lock(g_mutex);
        handler = g_handler;
    }
    if (handler)
        handler(type);
}
