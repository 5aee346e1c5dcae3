#pragma once
// What the settings sheet edits and what confirming it does. The sheet's
// pages only feed these models:
// - ButtonSettings: the hold times of the hardware and software buttons and
//   the desk's cursor option;
// - ChatSettings: signalling of new chat messages and its repetition;
// - OwnAddressSettings: the own addresses offered and the one picked.
// SettingsModel::Confirm stores what changed (hwBtnHold, swBtnHold,
// chatSignal), sends a changed cursor option to the desk while a session is
// open and runs the own-address change after a pick. Cancelling is simply
// not confirming: nothing is copied back.
//
// Threading: GUI thread. The values are copied from the SessionState when
// the model is built and written back only by Confirm.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class DeskInputSink;
class SessionState;

class ButtonSettings {
  public:
    // Which hold time the slider edits.
    enum Kind : int { kHardware = 0, kSoftware = 1 };
    // Slider positions 1 to 5 stand for 200 to 1000 ms.
    static constexpr int kSliderMin = 1;
    static constexpr int kSliderMax = 5;
    static constexpr uint32_t kHoldStep = 200;

    explicit ButtonSettings(const SessionState& state);

    void SelectKind(int kind);
    int SelectedKind() const { return kind_; }
    // "Hold Hardware" or "Hold Software".
    const char* HoldLabel() const;
    // The selected kind's hold time in slider steps (not clamped to the
    // slider's range).
    int SliderPosition() const;
    // The slider's move ended at the position: it becomes the selected
    // kind's hold time.
    void MoveEnded(int position);

    uint32_t HardwareHold() const { return hardwareHold_; }
    uint32_t SoftwareHold() const { return softwareHold_; }

    // The desk's cursor option (the check box): 1 set, 0 clear.
    uint8_t cursorOption;

  private:
    uint32_t hardwareHold_;
    uint32_t softwareHold_;
    int kind_ = kHardware;
};

class ChatSettings {
  public:
    explicit ChatSettings(const SessionState& state);

    // "Repeat Signal" can be changed only while signalling is on; its mark
    // is kept while it cannot.
    bool RepeatEnabled() const { return signal; }
    // The chatSignal bits: signal + 2 x repeat.
    uint32_t Bits() const;

    bool signal;
    bool repeat;
};

class OwnAddressSettings {
  public:
    // Lists the own addresses that may be picked (see ListOwnAddressChoices);
    // input tells whether a session is open.
    explicit OwnAddressSettings(const DeskInputSink& input);

    // False when the host cannot be looked up: nothing is offered.
    bool Available() const { return available_; }
    // The offered addresses as dotted text, 127.0.0.1 last.
    std::vector<std::string> Entries() const;
    // The entry shown selected (-1 with none).
    int Selected() const { return selected_; }

    // The operator selected an entry; returns the entry to show selected
    // now. While a session is open the change is refused with a warning and
    // the previous entry comes back.
    int SelectionChanged(int index);

    // The address picked last; nothing when none was picked.
    std::optional<uint32_t> Pending() const { return pending_; }

  private:
    const DeskInputSink& input_;
    bool available_ = false;
    std::vector<uint32_t> addresses_;
    int selected_ = -1;
    std::optional<uint32_t> pending_;
};

// What confirming needs from the rest of the station. Each may be empty.
struct SettingsHooks {
    // Stops the repeated new-message signal of the chat, if it runs.
    std::function<void()> stopChatRepeatTimer;
    // Makes the address the own address: heartbeats and chat stopped and
    // restarted around it, the desk list emptied (see ChangeOwnAddress).
    std::function<void(uint32_t address)> changeOwnAddress;
};

class SettingsModel {
  public:
    // state and input must outlive the model.
    SettingsModel(SessionState& state, DeskInputSink& input, SettingsHooks hooks);

    ButtonSettings& Buttons() { return buttons_; }
    ChatSettings& Chat() { return chat_; }
    OwnAddressSettings& Address() { return address_; }

    // Takes the edited values over, in this order: hold times, cursor
    // option, chat signalling, own address.
    void Confirm();

  private:
    void ConfirmButtons();
    void ConfirmChat();

    SessionState& state_;
    DeskInputSink& input_;
    SettingsHooks hooks_;
    ButtonSettings buttons_;
    ChatSettings chat_;
    OwnAddressSettings address_;
};
