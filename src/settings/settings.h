#pragma once
// The program's settings, one typed read and one typed write per stored
// value. A read gives nothing when the value is missing or unreadable (the
// caller keeps its default); a write returns 0 on success and -1 on failure,
// and failures are not reported to the operator. GUI thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class SessionState;

inline constexpr size_t kMaxUserLength = 127;

// Hold times in milliseconds (hwBtnHold, swBtnHold).
std::optional<uint32_t> ReadHardwareHold();
int WriteHardwareHold(uint32_t milliseconds);
std::optional<uint32_t> ReadSoftwareHold();
int WriteSoftwareHold(uint32_t milliseconds);

// Chat signalling bits (chatSignal).
std::optional<uint32_t> ReadChatSignal();
int WriteChatSignal(uint32_t bits);

// Preferred own address (ip), network-order bytes read little-endian.
std::optional<uint32_t> ReadPreferredAddress();
int WritePreferredAddress(uint32_t address);

// The user name the desk knows this station by (usr), cut to
// kMaxUserLength characters when read. Written only into an existing
// settings key.
std::optional<std::string> ReadStoredUser();
int WriteStoredUser(const std::string& user);

// The handheld window's position (x, y: left and top edge, screen pixels)
// and zoom mode (bigsize).
std::optional<int32_t> ReadWindowX();
int WriteWindowX(int32_t x);
std::optional<int32_t> ReadWindowY();
int WriteWindowY(int32_t y);
std::optional<uint32_t> ReadZoomMode();
int WriteZoomMode(uint32_t mode);

// Reads swBtnHold, hwBtnHold and chatSignal, in that order, into the state
// (main-frame creation); missing values keep what the state holds.
void ReadFrameSettings(SessionState& state);
