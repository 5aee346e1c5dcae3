#include "discovery/station_record.h"

#include <algorithm>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/winsock.h"

StationRecord OwnStation;

namespace {

template <size_t N>
std::string TextOf(const std::array<char, N>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string(field.begin(), end);
}

template <size_t N>
void SetText(std::array<char, N>& field, const std::string& text) {
    field.fill('\0');
    std::copy_n(text.begin(), std::min(text.size(), N - 1), field.begin());
}

}  // namespace

void StationRecord::Serialize(std::span<uint8_t, kSize> out) const {
    uint8_t* p = out.data();
    std::memcpy(p + 0, addressText.data(), addressText.size());
    std::memcpy(p + 18, name.data(), name.size());
    StoreLe16(p + 50, reserved50);
    StoreLe32(p + 52, address);
    StoreLe32(p + 56, networkMask);
    StoreLe32(p + 60, static_cast<uint32_t>(type));
    StoreLe32(p + 64, static_cast<uint32_t>(emulation));
    StoreLe32(p + 68, static_cast<uint32_t>(softwareVersion));
    StoreLe32(p + 72, static_cast<uint32_t>(state));
    StoreLe32(p + 76, static_cast<uint32_t>(reserved76));
    StoreLe32(p + 80, static_cast<uint32_t>(protocol));
    StoreLe16(p + 84, static_cast<uint16_t>(displayVersion));
    StoreLe16(p + 86, reserved86);
    std::memcpy(p + 88, reserved88.data(), reserved88.size());
    std::memcpy(p + 96, tail.data(), tail.size());
}

StationRecord StationRecord::Parse(std::span<const uint8_t, kSize> in) {
    const uint8_t* p = in.data();
    StationRecord r;
    std::memcpy(r.addressText.data(), p + 0, r.addressText.size());
    std::memcpy(r.name.data(), p + 18, r.name.size());
    r.reserved50 = LoadLe16(p + 50);
    r.address = LoadLe32(p + 52);
    r.networkMask = LoadLe32(p + 56);
    r.type = LoadLeI32(p + 60);
    r.emulation = LoadLeI32(p + 64);
    r.softwareVersion = LoadLeI32(p + 68);
    r.state = LoadLeI32(p + 72);
    r.reserved76 = LoadLeI32(p + 76);
    r.protocol = LoadLeI32(p + 80);
    r.displayVersion = static_cast<int16_t>(LoadLe16(p + 84));
    r.reserved86 = LoadLe16(p + 86);
    std::memcpy(r.reserved88.data(), p + 88, r.reserved88.size());
    std::memcpy(r.tail.data(), p + 96, r.tail.size());
    return r;
}

std::string StationRecord::AddressText() const {
    return TextOf(addressText);
}
std::string StationRecord::Name() const {
    return TextOf(name);
}
void StationRecord::SetAddressText(const std::string& text) {
    SetText(addressText, text);
}
void StationRecord::SetName(const std::string& text) {
    SetText(name, text);
}

uint32_t ClassMask(uint32_t address) {
    const uint32_t firstOctet = address & 0xFF;
    if (firstOctet < 128)
        return Ipv4FromText("255.0.0.0");
    if (firstOctet < 192)
        return Ipv4FromText("255.255.0.0");
    if (firstOctet < 224)
        return Ipv4FromText("255.255.255.0");
    return 0xFFFFFFFF;
}

void SetStationAddress(StationRecord& record, uint32_t address) {
    record.address = address;
    record.networkMask = ClassMask(address);
    record.SetAddressText(Ipv4ToText(address));
}

void FillOwnStation(uint32_t address, const std::string& hostName) {
    StationRecord own;
    SetStationAddress(own, address);
    own.SetName(hostName);
    own.type = kRemoteStationType;
    own.state = 1;
    own.reserved76 = 4;
    own.softwareVersion = kProgramVersion;
    own.protocol = kProgramVersion;
    own.displayVersion = kProgramVersion;
    own.emulation = 0;
    OwnStation = own;
}

const char* DeskTypeName(int32_t type) {
    static constexpr const char* kNames[] = {"Kel",        "Kel Alpha", "Kel Delta", "Kel Epsilon",
                                             "Kel Pocket", "Kel Beta",  "Kel Gamma", "Zeta"};
    if (type < 0 || type >= static_cast<int32_t>(std::size(kNames)))
        return "UNKNOWN";
    return kNames[type];
}
