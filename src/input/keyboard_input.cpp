#include "input/keyboard_input.h"

#include "input/desk_input_sink.h"
#include "input/key_state.h"
#include "input/virtual_keys.h"

namespace {

constexpr uint8_t kKindVirtualKey = 0;
constexpr uint8_t kKindCharacter = 1;

// Virtual keys of the special keys that are pressed and released; 0 for the
// ones that act otherwise.
uint16_t SimulatedKey(int kind) {
    switch (kind) {
        case kKindTab:
            return VK_TAB;
        case kKindCaps:
            return VK_CAPITAL;
        case kKindBackspace:
            return VK_BACK;
        case kKindLeft:
            return VK_LEFT;
        case kKindRight:
            return VK_RIGHT;
        case kKindUp:
            return VK_UP;
        case kKindDown:
            return VK_DOWN;
        case kKindPgUp:
            return VK_PRIOR;
        case kKindPgDn:
            return VK_NEXT;
        case kKindHome:
            return VK_HOME;
        case kKindEnd:
            return VK_END;
        case kKindDel:
            return VK_DELETE;
        default:
            return 0;
    }
}

}  // namespace

KeyboardInput::KeyboardInput(DeskInputSink& sink, KeyState& keys) : sink_(sink), keys_(keys) {}

KeyboardInput::~KeyboardInput() {
    ReleaseLatchedKeys();
}

void KeyboardInput::Resize(QSize client) {
    metrics_ = ComputeMetrics(KeyboardTable(), client);
    placed_ = PlaceKeys(KeyboardTable(), metrics_, client.width());
    pressed_ = QRect();
}

bool KeyboardInput::Tap(QPoint point) {
    const PlacedKey* key = KeyAt(placed_, point);
    if (key == nullptr)
        return false;
    const KEYDEF& def = Definition(*key);
    if (IsSpecialKey(def)) {
        SpecialKey(def.shift);
    } else {
        CharacterKey(def);
    }
    // Caps and Shift show their state instead of the tap.
    if (!IsKind(def, kKindCaps) && !IsKind(def, kKindShift))
        pressed_ = key->rect;
    return true;
}

QRect KeyboardInput::ReleasePointer() {
    const QRect shown = pressed_;
    pressed_ = QRect();
    return shown;
}

bool KeyboardInput::ShownInverted(const PlacedKey& key) const {
    const KEYDEF& def = Definition(key);
    if (IsKind(def, kKindCaps))
        return keys_.CapsLockOn();
    if (IsKind(def, kKindShift))
        return keys_.ShiftDown();
    return !pressed_.isEmpty() && key.rect == pressed_;
}

void KeyboardInput::ForwardKeyUp(uint16_t virtualKey) {
    // Codes 128 to 255 reach the desk as 0xFF80 to 0xFFFF.
    const auto low = static_cast<int8_t>(virtualKey & 0xFF);
    sink_.SendKey(static_cast<uint16_t>(static_cast<int16_t>(low)), kKindVirtualKey);
}

void KeyboardInput::ReleaseLatchedKeys() {
    if (keys_.CapsLockOn()) {
        keys_.ClearCapsLock();
        ForwardKeyUp(VK_CAPITAL);
    }
    if (keys_.ShiftDown())
        ReleaseKey(VK_SHIFT);
}

void KeyboardInput::CharacterKey(const KEYDEF& def) {
    const bool shifted = keys_.ShiftDown() || keys_.CapsLockOn();
    const auto character = static_cast<uint8_t>(shifted ? def.shift : def.key);
    sink_.SendKey(character, kKindCharacter);
    if (keys_.ShiftDown())
        ReleaseKey(VK_SHIFT);
}

void KeyboardInput::SpecialKey(int kind) {
    switch (kind) {
        case kKindShift:
            if (keys_.ShiftDown()) {
                ReleaseKey(VK_SHIFT);
            } else {
                keys_.Press(VK_SHIFT);
            }
            return;
        case kKindEnter:
            sink_.SendKey(VK_RETURN, kKindCharacter);
            return;
        case kKindEsc:
            sink_.SendKey(VK_ESCAPE, kKindVirtualKey);
            return;
        default:
            if (const uint16_t vk = SimulatedKey(kind))
                PressAndRelease(vk);
            return;
    }
}

void KeyboardInput::PressAndRelease(uint16_t virtualKey) {
    keys_.Press(virtualKey);
    ReleaseKey(virtualKey);
}

void KeyboardInput::ReleaseKey(uint16_t virtualKey) {
    keys_.Release(virtualKey);
    ForwardKeyUp(virtualKey);
}
