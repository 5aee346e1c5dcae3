#include "session/session_state.h"

#include <mutex>

std::atomic<int> RemoteViewFlag{0};
std::atomic<int> DeskReadyFlag{0};
std::atomic<int> FatalFlag{0};
std::atomic<uint8_t> CursorModeByte{1};
std::atomic<int> bigsize{0};

namespace {

std::mutex& UserMutex() {
    static std::mutex mutex;
    return mutex;
}

STRING& UserValue() {
    static STRING user;
    return user;
}

}  // namespace

STRING CurrentUser() {
    std::lock_guard lock(UserMutex());
    return UserValue();
}

void SetCurrentUser(const STRING& user) {
    std::lock_guard lock(UserMutex());
    UserValue() = user;
}
