#include "discovery/heartbeat_datagram.h"

#include <algorithm>

#include "platform/byte_order.h"
#include "platform/winsock.h"

HeartbeatDatagram BuildHeartbeat(const StationRecord& own) {
    HeartbeatDatagram datagram{};
    const uint8_t head[] = {'K', 'e', 'l', 0, 'A', 'D', 'M', 'I'};
    std::copy(std::begin(head), std::end(head), datagram.begin());
    StoreLe32(datagram.data() + 8, 168);
    std::array<uint8_t, StationRecord::kSize> station{};
    own.Serialize(station);
    std::copy_n(station.begin(), kOwnStationBytesSent, datagram.begin() + kHeartbeatStationOffset);
    return datagram;
}

bool IsListedDesk(const StationRecord& station) {
    switch (station.type) {
        case 0:
        case 1:
        case 2:
        case 5:
        case 6:
            break;
        default:
            return false;
    }
    return station.softwareVersion >= kMinimumDeskVersion && station.protocol == kDeskProtocol;
}

bool IsListableDeskAddress(uint32_t desk, uint32_t ownAddress) {
    if (IsForbiddenDeskAddress(desk))
        return false;
    return !IsLoopbackAddress(desk) || IsLoopbackAddress(ownAddress);
}

std::optional<StationRecord> AcceptHeartbeat(std::span<const uint8_t> datagram,
                                             uint32_t ownAddress) {
    if (datagram.size() < kHeartbeatMinimumSize)
        return std::nullopt;
    const auto bytes = datagram.subspan<kHeartbeatStationOffset, StationRecord::kSize>();
    StationRecord station = StationRecord::Parse(bytes);
    if (!IsListedDesk(station) || !IsListableDeskAddress(station.address, ownAddress))
        return std::nullopt;
    return station;
}
