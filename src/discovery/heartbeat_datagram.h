#pragma once
// The heartbeat every station sends to 236.3.0.1 port 6000 about every
// 0.9 s, always 272 bytes:
//
//   offset size field
//      0    4  family magic 'K' 'e' 'l' 0
//      4    4  message kind "ADMI"
//      8    4  length 168 (uint32 LE)
//     12    4  reserved 0
//     16  156  station (StationRecord); this station sends the first 96
//              bytes of its own record and zeros after them
//    172  100  padding, zero
//
// A receiver judges a datagram by its station fields alone: magic, kind and
// length are not checked.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "discovery/station_record.h"

inline constexpr uint16_t kHeartbeatPort = 6000;
inline constexpr char kHeartbeatGroup[] = "236.3.0.1";
inline constexpr size_t kHeartbeatSize = 272;
inline constexpr size_t kHeartbeatStationOffset = 16;
// Shorter datagrams do not carry a whole station and are dropped.
inline constexpr size_t kHeartbeatMinimumSize = kHeartbeatStationOffset + StationRecord::kSize;
inline constexpr size_t kOwnStationBytesSent = 96;
inline constexpr int kHeartbeatTtl = 8;

// Desks are listed only from these versions on and with this protocol.
inline constexpr int32_t kMinimumDeskVersion = 3830;
inline constexpr int32_t kDeskProtocol = 5500;

using HeartbeatDatagram = std::array<uint8_t, kHeartbeatSize>;

HeartbeatDatagram BuildHeartbeat(const StationRecord& own);

// True for a station that is listed when heard: type 0, 1, 2, 5 or 6,
// software version at least 3830, protocol number 5500.
bool IsListedDesk(const StationRecord& station);

// True for a desk address that may be listed by a station whose own address
// is ownAddress: never a forbidden one (IsForbiddenDeskAddress), and a
// loopback one only while the own address is loopback too (the demo and the
// emulator on one machine).
bool IsListableDeskAddress(uint32_t desk, uint32_t ownAddress);

// The station of a received datagram if it is long enough, a listed desk
// and at a listable address; reads nothing beyond the given bytes.
std::optional<StationRecord> AcceptHeartbeat(std::span<const uint8_t> datagram,
                                             uint32_t ownAddress);
