#pragma once
// The 156-byte description every station sends in its heartbeats; its first
// 68 bytes also head every chat datagram.
//
//   offset size field
//      0    18  address text, dotted decimal, NUL-terminated
//     18    32  station name, NUL-terminated (byte 49 always 0)
//     50     2  reserved
//     52     4  address (network byte order)
//     56     4  network mask of the address's class
//     60     4  type (int32)            64  4  emulation flag
//     68     4  software version        72  4  state (1 = available)
//     76     4  reserved value          80  4  protocol number
//     84     2  display version (int16) 86  2  reserved
//     88     8  reserved                96 60  station-specific tail
// Integers are little-endian; the record is always read and written field by
// field, never by overlaying a struct on the bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string>

constexpr int kProgramVersion = 5700;
constexpr int kRemoteStationType = 4;

struct StationRecord {
    static constexpr size_t kSize = 156;
    static constexpr size_t kChatHeadSize = 68;

    std::array<char, 18> addressText{};
    std::array<char, 32> name{};
    uint16_t reserved50 = 0;
    uint32_t address = 0;
    uint32_t networkMask = 0;
    int32_t type = -1;
    int32_t emulation = 0;
    int32_t softwareVersion = 0;
    int32_t state = 2;
    int32_t reserved76 = -1;
    int32_t protocol = 0;
    int16_t displayVersion = 0;
    uint16_t reserved86 = 0;
    std::array<uint8_t, 8> reserved88{};
    std::array<uint8_t, 60> tail{};

    void Serialize(std::span<uint8_t, kSize> out) const;
    static StationRecord Parse(std::span<const uint8_t, kSize> in);

    std::string AddressText() const;  // up to the first NUL
    std::string Name() const;
    void SetAddressText(const std::string& text);
    void SetName(const std::string& text);  // cut to 31 characters

    bool operator==(const StationRecord&) const = default;
};

// This station's own record. Written only while no network thread runs.
extern StationRecord OwnStation;

// Class mask of an address (held as its network-order bytes read
// little-endian): first octet below 128 gives 255.0.0.0, below 192
// 255.255.0.0, below 224 255.255.255.0, otherwise 255.255.255.255.
uint32_t ClassMask(uint32_t address);

// Sets address, class mask and address text of a record.
void SetStationAddress(StationRecord& record, uint32_t address);

// Fills OwnStation for this program from its address and host name.
void FillOwnStation(uint32_t address, const std::string& hostName);

const char* DeskTypeName(int32_t type);
