#include "frame/remote_input.h"

#include "platform/beep.h"
#include "platform/tick.h"
#include "platform/virtual_keys.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "settings/settings.h"

namespace {

// Without a session object (tests of the window alone) messages go nowhere.
class ClientInputSink final : public DeskInputSink {
  public:
    void SendPointer(int x, int y, uint16_t event) override {
        if (Client != nullptr)
            Client->SendPointer(x, y, event);
    }
    void SendKey(uint16_t code, uint8_t kind) override {
        if (Client != nullptr)
            Client->SendKey(code, kind);
    }
    void SendShortcutKey(uint16_t virtualKey, uint16_t modifiers, uint8_t down) override {
        if (Client != nullptr)
            Client->SendShortcutKey(virtualKey, modifiers, down);
    }
    void SendButton(uint8_t isLong, uint16_t keyCode) override {
        if (Client != nullptr)
            Client->SendButton(isLong, keyCode);
    }
    void SendCommand() override {
        if (Client != nullptr)
            Client->SendCommand();
    }
    bool SessionOpen() const override {
        return Client != nullptr && Client->CurrentDesk() != kNoAddress;
    }
};

constexpr uint16_t kViewsButton = 193;
constexpr uint16_t kCursorResolutionButton = 194;

}  // namespace

DeskInputSink& SessionInputSink() {
    static ClientInputSink sink;
    return sink;
}

RemoteInput::RemoteInput(DeskInputSink& sink, uint32_t& pressTick)
    : sink_(sink), pressTick_(pressTick) {
    QObject::connect(&holdTimer_, &QTimer::timeout, [this] { HoldTimerTick(); });
}

void RemoteInput::PointerMoved(int x, int y) {
    sink_.SendPointer(x, y, kPointerMove);
}

void RemoteInput::PointerPressed(int x, int y) {
    pressTick_ = GetTickCount();
    holdTimer_.start(static_cast<int>(SoftwareButtonHold.load()));
    sink_.SendPointer(x, y, kPointerPress);
}

void RemoteInput::PointerDoubleClicked(int x, int y) {
    // The hold of the second click is measured from the first press.
    sink_.SendPointer(x, y, kPointerPress);
}

void RemoteInput::PointerReleased(int x, int y) {
    holdTimer_.stop();
    const uint32_t elapsed = GetTickCount() - pressTick_;
    if (!sink_.SessionOpen())
        return;
    sink_.SendPointer(x, y, elapsed > SoftwareButtonHold ? kPointerLongRelease : kPointerRelease);
}

void RemoteInput::HoldTimerTick() {
    if (!holdTimer_.isActive())
        return;  // the press has ended or already beeped
    if (GetTickCount() - pressTick_ > SoftwareButtonHold) {
        MessageBeep(kSimpleBeep);
        holdTimer_.stop();
    }
}

bool RemoteInput::ShortcutKeysActive() const {
    return shortcutMode_ && DeskReadyFlag.load() != 0;
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
    return ModifierBitsFrom(held.testFlag(Qt::ShiftModifier), held.testFlag(Qt::ControlModifier),
                            held.testFlag(Qt::AltModifier), capsLockKeyDown_);
}

void RemoteInput::KeyPressed(const KeyStroke& key) {
    const uint16_t bits = HeldModifierBits(key, true);
    if (ShortcutKeysActive()) {
        const uint16_t vk = VirtualKeyFromQtKey(key.qtKey, key.modifiers, key.nativeVirtualKey);
        if (vk != 0)
            sink_.SendShortcutKey(vk, bits, 1);
        return;
    }
    if (const auto character = TypedCharacter(key.text)) {
        charSent_ = true;
        sink_.SendKey(*character, 1);
    }
}

void RemoteInput::KeyReleased(const KeyStroke& key) {
    if (key.autoRepeat)
        return;  // only the final release of a held key counts
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
        case kCommandViews:
            sink_.SendButton(0, kViewsButton);
            return true;
        case kCommandCursorResolution:
        case kCommandCursorResolutionHidden:
            sink_.SendButton(0, kCursorResolutionButton);
            return true;
        case kCommandRefreshScreen:
            sink_.SendCommand();
            return true;
        case kCommandShortcutMode:
            shortcutMode_ = !shortcutMode_;
            return true;
        default:
            return false;
    }
}
