#include "settings/settings.h"

#include "settings/registry.h"

std::atomic<uint32_t> HardwareButtonHold{kDefaultButtonHold};
std::atomic<uint32_t> SoftwareButtonHold{kDefaultButtonHold};
std::atomic<uint32_t> ChatSignal{kDefaultChatSignal};

namespace {

void ReadInto(const char* name, std::atomic<uint32_t>& variable) {
    uint32_t value = variable.load();
    if (RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, name, value) == 0)
        variable.store(value);
}

}  // namespace

void ReadFrameSettings() {
    ReadInto(kValueSoftwareHold, SoftwareButtonHold);
    ReadInto(kValueHardwareHold, HardwareButtonHold);
    ReadInto(kValueChatSignal, ChatSignal);
}

int ReadStoredUser(std::string& user) {
    std::string stored;
    if (RegReadString(HKEY_LOCAL_MACHINE, kSettingsKey, kValueUser, stored) != 0)
        return -1;
    if (stored.size() > kMaxUserLength)
        stored.resize(kMaxUserLength);
    user = stored;
    return 0;
}

uint32_t ReadPreferredAddress() {
    uint32_t address = 0;
    RegReadDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, address);
    return address;
}

int WritePreferredAddress(uint32_t address) {
    return RegWriteDword(HKEY_LOCAL_MACHINE, kSettingsKey, kValueIp, address);
}
