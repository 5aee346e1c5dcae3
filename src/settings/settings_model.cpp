#include "settings/settings_model.h"

#include "discovery/own_address.h"
#include "input/desk_input_sink.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "session/session_state.h"
#include "settings/settings.h"

ButtonSettings::ButtonSettings(const SessionState& state)
    : cursorOption(state.cursorMode.load()),
      hardwareHold_(state.hwBtnHold.load()),
      softwareHold_(state.swBtnHold.load()) {}

void ButtonSettings::SelectKind(int kind) {
    kind_ = kind == kSoftware ? kSoftware : kHardware;
}

const char* ButtonSettings::HoldLabel() const {
    return kind_ == kSoftware ? "Hold Software" : "Hold Hardware";
}

int ButtonSettings::SliderPosition() const {
    const uint32_t hold = kind_ == kSoftware ? softwareHold_ : hardwareHold_;
    return static_cast<int>(hold / kHoldStep);
}

void ButtonSettings::MoveEnded(int position) {
    // The slider never reports a position outside its range.
    if (position < kSliderMin || position > kSliderMax)
        return;
    const uint32_t hold = static_cast<uint32_t>(position) * kHoldStep;
    if (kind_ == kSoftware) {
        softwareHold_ = hold;
    } else {
        hardwareHold_ = hold;
    }
}

ChatSettings::ChatSettings(const SessionState& state)
    : signal((state.chatSignal.load() & kChatSignalBeep) != 0),
      repeat((state.chatSignal.load() & kChatSignalRepeat) != 0) {}

uint32_t ChatSettings::Bits() const {
    return (signal ? kChatSignalBeep : 0u) | (repeat ? kChatSignalRepeat : 0u);
}

OwnAddressSettings::OwnAddressSettings(const DeskInputSink& input) : input_(input) {
    const OwnAddressChoices choices = ListOwnAddressChoices();
    available_ = choices.available;
    addresses_ = choices.addresses;
    selected_ = choices.selected;
}

std::vector<std::string> OwnAddressSettings::Entries() const {
    std::vector<std::string> texts;
    texts.reserve(addresses_.size());
    for (uint32_t address : addresses_)
        texts.push_back(Ipv4ToText(address));
    return texts;
}

int OwnAddressSettings::SelectionChanged(int index) {
    if (index < 0 || index >= static_cast<int>(addresses_.size()))
        return index;
    // The own address never changes under a running session.
    if (input_.SessionOpen()) {
        ShowMessageBox("Changing IP not possible while connected.", "Kel Remote",
                       MB_OK | MB_ICONWARNING);
        return selected_;
    }
    pending_ = addresses_[static_cast<size_t>(index)];
    selected_ = index;
    return index;
}

SettingsModel::SettingsModel(SessionState& state, DeskInputSink& input, SettingsHooks hooks)
    : state_(state),
      input_(input),
      hooks_(std::move(hooks)),
      buttons_(state),
      chat_(state),
      address_(input) {}

void SettingsModel::Confirm() {
    ConfirmButtons();
    ConfirmChat();
    // Picking the current address again still restarts everything on it.
    if (const auto address = address_.Pending(); address && hooks_.changeOwnAddress)
        hooks_.changeOwnAddress(*address);
}

void SettingsModel::ConfirmButtons() {
    if (buttons_.HardwareHold() != state_.hwBtnHold.load()) {
        state_.hwBtnHold.store(buttons_.HardwareHold());
        WriteHardwareHold(buttons_.HardwareHold());
    }
    if (buttons_.SoftwareHold() != state_.swBtnHold.load()) {
        state_.swBtnHold.store(buttons_.SoftwareHold());
        WriteSoftwareHold(buttons_.SoftwareHold());
    }
    // The option lives on the desk: without a session a change is dropped.
    if (buttons_.cursorOption != state_.cursorMode.load() && input_.SessionOpen()) {
        state_.cursorMode.store(buttons_.cursorOption);
        input_.SendCursorMode();
    }
}

void SettingsModel::ConfirmChat() {
    const uint32_t bits = chat_.Bits();
    state_.chatSignal.store(bits);
    WriteChatSignal(bits);
    // Repetition needs both bits; a timer left running after either was
    // cleared would go on signalling what the operator just switched off.
    const uint32_t repeating = kChatSignalBeep | kChatSignalRepeat;
    if ((bits & repeating) != repeating && hooks_.stopChatRepeatTimer)
        hooks_.stopChatRepeatTimer();
}
