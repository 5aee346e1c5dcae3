#include "input/key_state.h"

#include "input/virtual_keys.h"

void KeyState::Press(uint16_t virtualKey) {
    if (virtualKey == VK_SHIFT)
        Set(shiftDown_, true);
    else if (virtualKey == VK_CAPITAL)
        Set(capsLockOn_, !capsLockOn_);
}

void KeyState::Release(uint16_t virtualKey) {
    if (virtualKey == VK_SHIFT)
        Set(shiftDown_, false);
}

void KeyState::ClearCapsLock() {
    Set(capsLockOn_, false);
}

void KeyState::Set(bool& flag, bool value) {
    if (flag == value)
        return;
    flag = value;
    emit Changed();
}
