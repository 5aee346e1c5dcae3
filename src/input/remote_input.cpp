#include "input/remote_input.h"

#include "input/command_ids.h"
#include "input/key_state.h"
#include "input/virtual_keys.h"
#include "platform/beep.h"
#include "platform/tick.h"
#include "session/session_state.h"

RemoteInput::RemoteInput(DeskInputSink& sink, SessionState& state, const KeyState* keys)
    : sink_(sink), state_(state), keys_(keys) {
    QObject::connect(&holdTimer_, &QTimer::timeout, [this] { HoldTimerTick(); });
}

void RemoteInput::PointerMoved(int x, int y) {
    sink_.SendPointer(x, y, kPointerMove);
}

void RemoteInput::PointerPressed(int x, int y) {
    pointerDown_ = true;
    clickSeen_ = false;
    state_.pressTick = GetTickCount();
    holdTimer_.start(static_cast<int>(state_.swBtnHold.load()));
    sink_.SendPointer(x, y, kPointerPress);
}

void RemoteInput::PointerDoubleClicked(int x, int y) {
    // A double click whose first click went elsewhere (a desk icon that
    // opened this screen) is no tap on the desk.
    if (!clickSeen_)
        return;
    clickSeen_ = false;
    pointerDown_ = true;
    // The hold of the second click is measured from the first press.
    sink_.SendPointer(x, y, kPointerPress);
}

void RemoteInput::PointerReleased(int x, int y) {
    if (!pointerDown_)
        return;
    pointerDown_ = false;
    clickSeen_ = true;
    holdTimer_.stop();
    const uint32_t elapsed = GetTickCount() - state_.pressTick;
    if (!sink_.SessionOpen())
        return;
    sink_.SendPointer(x, y,
                      elapsed > state_.swBtnHold.load() ? kPointerLongRelease : kPointerRelease);
}

void RemoteInput::HoldTimerTick() {
    if (!holdTimer_.isActive())
        return;  // the press has ended or already beeped
    if (GetTickCount() - state_.pressTick > state_.swBtnHold.load()) {
        MessageBeep(kSimpleBeep);
        holdTimer_.stop();
    }
}

void RemoteInput::ForgetPresses() {
    holdTimer_.stop();
    pointerDown_ = false;
    clickSeen_ = false;
    keysDown_.clear();
    charSent_ = false;
}

// The physical key when the platform names it, so a release matches its
// press even when the modifiers changed the key's symbol in between.
uint64_t RemoteInput::KeyIdentity(const KeyStroke& key) {
    if (key.nativeScanCode != 0)
        return (uint64_t{1} << 32) | key.nativeScanCode;
    return static_cast<uint32_t>(key.qtKey);
}

bool RemoteInput::ShortcutKeysActive() const {
    return shortcutMode_ && state_.deskReady.load() != 0;
}

uint16_t RemoteInput::HeldModifierBits(const KeyStroke& key, bool pressed) {
    // The event reports the modifiers as they were before it; a modifier key
    // itself counts as held from its press to its release.
    Qt::KeyboardModifiers held = key.modifiers;
    const auto track = [&](int qtKey, Qt::KeyboardModifier modifier) {
        if (key.qtKey == qtKey)
            held.setFlag(modifier, pressed);
    };
    track(Qt::Key_Shift, Qt::ShiftModifier);
    track(Qt::Key_Control, Qt::ControlModifier);
    track(Qt::Key_Alt, Qt::AltModifier);
    if (key.qtKey == Qt::Key_CapsLock)
        capsLockKeyDown_ = pressed;
    const bool shift = held.testFlag(Qt::ShiftModifier) || (keys_ != nullptr && keys_->ShiftDown());
    return ModifierBitsFrom(shift, held.testFlag(Qt::ControlModifier),
                            held.testFlag(Qt::AltModifier), capsLockKeyDown_);
}

// While the station's own Shift or Caps Lock is on, they decide a letter's
// case as the desktop's would: Shift (either one) inverts Caps Lock.
QString RemoteInput::TypedText(const KeyStroke& key) const {
    if (keys_ == nullptr || !keys_->Engaged() || key.text.size() != 1 || !key.text[0].isLetter())
        return key.text;
    const bool shift = key.modifiers.testFlag(Qt::ShiftModifier) || keys_->ShiftDown();
    return shift != keys_->CapsLockOn() ? key.text.toUpper() : key.text.toLower();
}

void RemoteInput::KeyPressed(const KeyStroke& key) {
    keysDown_.insert(KeyIdentity(key));
    const uint16_t bits = HeldModifierBits(key, true);
    if (ShortcutKeysActive()) {
        const uint16_t vk = VirtualKeyFromQtKey(key.qtKey, key.modifiers, key.nativeVirtualKey);
        if (vk != 0)
            sink_.SendShortcutKey(vk, bits, 1);
        return;
    }
    if (const auto character = TypedCharacter(TypedText(key))) {
        charSent_ = true;
        sink_.SendKey(*character, 1);
    }
}

void RemoteInput::KeyReleased(const KeyStroke& key) {
    if (key.autoRepeat)
        return;  // only the final release of a held key counts
    if (keysDown_.erase(KeyIdentity(key)) == 0)
        return;  // its press went to another window
    const uint16_t bits = HeldModifierBits(key, false);
    if (!charSent_) {
        const uint16_t vk = VirtualKeyFromQtKey(key.qtKey, key.modifiers, key.nativeVirtualKey);
        if (vk != 0) {
            if (ShortcutKeysActive()) {
                sink_.SendShortcutKey(vk, bits, 0);
            } else {
                sink_.SendKey(vk, 0);
            }
        }
    }
    charSent_ = false;
}

bool RemoteInput::RunCommand(int id) {
    switch (id) {
        case kCmdViews:
            sink_.SendButton(0, kKeyViews);
            return true;
        case kCmdCursorResolution:
        case kCmdCursorResolutionKey:
            sink_.SendButton(0, kKeyCursorResolution);
            return true;
        case kCmdRefresh:
            sink_.SendCommand();
            return true;
        case kCmdShortcutMode:
            shortcutMode_ = !shortcutMode_;
            return true;
        default:
            return false;
    }
}
