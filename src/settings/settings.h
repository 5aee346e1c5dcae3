#pragma once
// The program's settings: where they are stored, their built-in defaults and
// the process-wide variables that hold them. Each variable starts with its
// default and is overwritten from the store when its owner is created; a
// missing or unreadable value leaves the default in force.

#include <atomic>
#include <cstdint>
#include <string>

inline constexpr char kSettingsKey[] = "Software\\Brenna\\Kel Remote\\Settings";
// Read-only list of temporary own addresses, kept by other software: each
// value's name is an address in dotted text.
inline constexpr char kTempIpsKey[] = "Software\\Brenna Technologies\\DiraZuvi\\TempIPs";

// Value names under kSettingsKey.
inline constexpr char kValueIp[] = "ip";
inline constexpr char kValueUser[] = "usr";
inline constexpr char kValueHardwareHold[] = "hwBtnHold";
inline constexpr char kValueSoftwareHold[] = "swBtnHold";
inline constexpr char kValueChatSignal[] = "chatSignal";
inline constexpr char kValueX[] = "x";
inline constexpr char kValueY[] = "y";
inline constexpr char kValueBigSize[] = "bigsize";

inline constexpr uint32_t kDefaultButtonHold = 400;  // milliseconds
inline constexpr uint32_t kDefaultChatSignal = 3;
inline constexpr size_t kMaxUserLength = 127;

// Chat signalling bits: beep on a new foreign message; repeat the beep every
// 3 s until the chat dialog is opened (only together with the first bit).
inline constexpr uint32_t kChatSignalBeep = 1;
inline constexpr uint32_t kChatSignalRepeat = 2;

// Hold times that turn a press into a long press. Atomic because worker
// threads read what the GUI thread writes.
extern std::atomic<uint32_t> HardwareButtonHold;
extern std::atomic<uint32_t> SoftwareButtonHold;
extern std::atomic<uint32_t> ChatSignal;

// Reads swBtnHold, hwBtnHold and chatSignal, in that order, into the
// variables above (main-frame creation).
void ReadFrameSettings();

// Reads usr, cut to kMaxUserLength characters. 0 when read (user set), -1
// otherwise (user untouched).
int ReadStoredUser(std::string& user);

// Preferred own address (network-order bytes read little-endian); 0 when
// none is stored.
uint32_t ReadPreferredAddress();
int WritePreferredAddress(uint32_t address);
