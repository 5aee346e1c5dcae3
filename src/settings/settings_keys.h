#pragma once
// Where the settings are stored: the key and the value names. Private to the
// settings store, the own-address code and their tests; everything else uses
// the typed functions of settings.h.

inline constexpr char kSettingsKey[] = "Software\\Brenna\\Kel Remote\\Settings";
// Read-only list of temporary own addresses, kept by other software: each
// value's name is an address in dotted text.
inline constexpr char kTempIpsKey[] = "Software\\Brenna Technologies\\DiraZuvi\\TempIPs";

inline constexpr char kValueIp[] = "ip";
inline constexpr char kValueUser[] = "usr";
inline constexpr char kValueHardwareHold[] = "hwBtnHold";
inline constexpr char kValueSoftwareHold[] = "swBtnHold";
inline constexpr char kValueChatSignal[] = "chatSignal";
inline constexpr char kValueX[] = "x";
inline constexpr char kValueY[] = "y";
inline constexpr char kValueBigSize[] = "bigsize";
