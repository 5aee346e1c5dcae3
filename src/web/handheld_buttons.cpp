#include "web/handheld_buttons.h"

#include "input/command_ids.h"
#include "input/desk_input_sink.h"
#include "platform/tick.h"
#include "session/session_state.h"

namespace {

constexpr std::array<uint16_t, 5> kButtonCodes = {kKeyViews, kKeyCursorResolution,
                                                  kKeyEncoderCentre, kKeyCommand, kKeyNext};

bool ValidIndex(int index) {
    return index >= 0 && index < static_cast<int>(kButtonCodes.size());
}

}  // namespace

HandheldButtons::HandheldButtons(DeskInputSink& sink, SessionState& state)
    : sink_(sink), state_(state) {}

void HandheldButtons::Pressed(int index) {
    if (!ValidIndex(index))
        return;
    const auto i = static_cast<size_t>(index);
    down_[i] = true;
    pressTick_[i] = GetTickCount();
}

void HandheldButtons::Released(int index) {
    if (!ValidIndex(index))
        return;
    const auto i = static_cast<size_t>(index);
    if (!down_[i])
        return;
    down_[i] = false;
    if (!sink_.SessionOpen())
        return;
    const uint32_t elapsed = GetTickCount() - pressTick_[i];
    sink_.SendButton(elapsed > state_.hwBtnHold.load() ? 1 : 0, kButtonCodes[i]);
}

void HandheldButtons::Step(uint16_t direction) {
    if (direction >= kKeyLeft && direction <= kKeyDown)
        sink_.SendButton(1, direction);
}

void HandheldButtons::ForgetPresses() {
    down_.fill(false);
}
