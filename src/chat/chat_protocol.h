#pragma once
// Chat datagrams on group 236.3.0.3, port 6006, at most 1024 bytes:
//
//   offset size field
//      0    68  sender: the first 68 bytes of its StationRecord (address
//               text 18, name 32, reserved 2, address, mask, type,
//               emulation flag)
//     68     4  chat marker 116
//     72     4  recipient count (int32): -1 every station, 0 nobody,
//               n > 0: n addresses follow
//     76    12  reserved, zero
//     88  4 x n recipients (network order), only when n > 0
//   then        text: Windows-1252, NUL-terminated; line breaks are single
//               line feeds
//
// Integers are little-endian. Receivers check neither the marker, the mask
// nor the reserved bytes. The text is cut so that the datagram with its NUL
// never exceeds 1024 bytes: this station (one recipient) sends at most 931
// characters.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/station_record.h"

inline constexpr char kChatGroup[] = "236.3.0.3";
inline constexpr uint16_t kChatPort = 6006;
inline constexpr int kChatTtl = 8;
inline constexpr size_t kChatMaxSize = 1024;
inline constexpr size_t kChatHeadSize = 88;
inline constexpr int32_t kChatMarker = 116;
inline constexpr int32_t kChatToEveryone = -1;
// What this station sends: one recipient, so the text starts at 92.
inline constexpr size_t kChatTextLimit = kChatMaxSize - (kChatHeadSize + 4) - 1;

// The datagram this station sends to its desk: sender fields from the
// record, one recipient, the text (Windows-1252 bytes) cut to 931
// characters and closed with a NUL.
std::vector<uint8_t> BuildChatDatagram(const StationRecord& sender, uint32_t desk,
                                       std::string_view text);

// A received datagram. Texts are the bytes as sent (Windows-1252), each up
// to its first NUL or the end of its field.
struct ChatDatagram {
    std::string addressText;
    std::string name;
    uint32_t address = 0;
    int32_t type = 0;
    int32_t emulation = 0;
    int32_t count = 0;
    std::vector<uint32_t> recipients;  // count of them when count > 0
    std::string text;                  // up to the first NUL or the end
};

// Reads a received datagram, touching only its bytes. Nullopt when it is
// shorter than the 88-byte head or than the recipient list it announces.
std::optional<ChatDatagram> ParseChatDatagram(std::span<const uint8_t> bytes);

// Whether a station with the own address, in a session with the current
// desk, takes the message. In this order: its own (back through the
// loopback); one to every station; one that lists the own address, or the
// current desk (only while there is one) when the sender is a remote
// station (type 4) too.
bool AcceptChat(const ChatDatagram& datagram, uint32_t ownAddress,
                std::optional<uint32_t> currentDesk);

// The history's header line of a message received at the local time
// given: "<type name> [Emu ](<name> <address text>) hh:mm:ss:", in UTF-8.
std::string ChatHeaderLine(const ChatDatagram& datagram, int hour, int minute, int second);
