#include "settings/settings.h"

#include "session/session_state.h"
#include "settings/registry.h"
#include "settings/settings_keys.h"

namespace {

std::optional<uint32_t> ReadDword(const char* name) {
    uint32_t value = 0;
    if (RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, name, value) != 0)
        return std::nullopt;
    return value;
}

int WriteDword(const char* name, uint32_t value) {
    return RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, name, value);
}

std::optional<int32_t> ReadSigned(const char* name) {
    const auto value = ReadDword(name);
    if (!value)
        return std::nullopt;
    return static_cast<int32_t>(*value);
}

void ReadInto(std::optional<uint32_t> value, std::atomic<uint32_t>& variable) {
    if (value)
        variable.store(*value);
}

}  // namespace

std::optional<uint32_t> ReadHardwareHold() {
    return ReadDword(kValueHardwareHold);
}
int WriteHardwareHold(uint32_t milliseconds) {
    return WriteDword(kValueHardwareHold, milliseconds);
}

std::optional<uint32_t> ReadSoftwareHold() {
    return ReadDword(kValueSoftwareHold);
}
int WriteSoftwareHold(uint32_t milliseconds) {
    return WriteDword(kValueSoftwareHold, milliseconds);
}

std::optional<uint32_t> ReadChatSignal() {
    return ReadDword(kValueChatSignal);
}
int WriteChatSignal(uint32_t bits) {
    return WriteDword(kValueChatSignal, bits);
}

std::optional<uint32_t> ReadPreferredAddress() {
    return ReadDword(kValueIp);
}
int WritePreferredAddress(uint32_t address) {
    return WriteDword(kValueIp, address);
}

std::optional<std::string> ReadStoredUser() {
    std::string stored;
    if (RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, stored) != 0)
        return std::nullopt;
    if (stored.size() > kMaxUserLength)
        stored.resize(kMaxUserLength);
    return stored;
}
int WriteStoredUser(const std::string& user) {
    return RegWriteString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, user);
}

std::optional<int32_t> ReadWindowX() {
    return ReadSigned(kValueX);
}
int WriteWindowX(int32_t x) {
    return WriteDword(kValueX, static_cast<uint32_t>(x));
}

std::optional<int32_t> ReadWindowY() {
    return ReadSigned(kValueY);
}
int WriteWindowY(int32_t y) {
    return WriteDword(kValueY, static_cast<uint32_t>(y));
}

std::optional<uint32_t> ReadZoomMode() {
    return ReadDword(kValueBigSize);
}
int WriteZoomMode(uint32_t mode) {
    return WriteDword(kValueBigSize, mode);
}

void ReadFrameSettings(SessionState& state) {
    ReadInto(ReadSoftwareHold(), state.swBtnHold);
    ReadInto(ReadHardwareHold(), state.hwBtnHold);
    ReadInto(ReadChatSignal(), state.chatSignal);
}
