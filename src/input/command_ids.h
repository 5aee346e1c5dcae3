#pragma once
// Every command and button id of the program, one name per number: the
// commands the bars, menus and dialogs issue, and the key codes the desk
// receives in button messages. Ids are fixed by the station's command bars
// and the desk's protocol; they never change.

#include <array>
#include <cstdint>

// Commands issued by the command bars, menus and dialog buttons.
enum CommandId : int {
    kCmdExit = 1,  // the exit question (skin menu)
    kCmdDisconnect = 32779,
    kCmdSendMessage = 32837,   // chat: Send
    kCmdClearHistory = 32838,  // chat: Clear History
    kCmdKeyboard = 32840,
    kCmdSpare1 = 32856,  // bar places without a function, always disabled
    kCmdPrevious = 32857,
    kCmdNext = 32858,
    kCmdSpare4 = 32859,
    kCmdSpare5 = 32860,
    kCmdSpare6 = 32861,
    kCmdChatHelp = 32867,
    kCmdViews = 32868,
    kCmdCursorResolutionKey = 32869,  // same desk key as kCmdCursorResolution, not on a bar
    kCmdHelp = 32871,
    kCmdSettingsHelp = 32872,
    kCmdCursorResolution = 32873,
    kCmdRefresh = 32874,
    kCmdShortcutMode = 32876,
    kCmdDeskSwitch = 32900,  // desk list <-> remote view
    kCmdChat = 32901,
    kCmdVersion = 32902,
    kCmdSettings = 32903,
    kCmdSizeToggle = 33000,  // "Big Size" / "Original Size"
    kCmdHelpButton = 57670,  // a property sheet's own Help button
};

// The six places of the chat bar that do nothing and stay disabled.
inline constexpr std::array<int, 6> kSpareBarCommands = {kCmdSpare1, kCmdPrevious, kCmdNext,
                                                         kCmdSpare4, kCmdSpare5,   kCmdSpare6};

// Key codes of button messages: the handheld's buttons and the cursor steps
// of the encoder and the mouse wheel.
enum DeskKey : uint16_t {
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
    kKeyEncoderCentre = 134,
    kKeyViews = 193,
    kKeyCursorResolution = 194,
    kKeyCommand = 195,
    kKeyNext = 196,
};
