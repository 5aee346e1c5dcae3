#include "web/station_handover.h"

#include "discovery/network_shared.h"
#include "web/web_station.h"

StationHandover::StationHandover(WebStation& station) : station_(station), gate_(&station) {}

void StationHandover::DeskRegistered(uint32_t desk, bool registered) {
    Post([this, desk, registered] { station_.DeskRegistered(desk, registered); });
}

void StationHandover::DeskMode(uint8_t mode) {
    Post([this, mode] { station_.DeskModeChanged(mode); });
}

void StationHandover::EnableSessionButtons(bool) {
    Post([this] { station_.SessionMayHaveChanged(); });
}

void StationHandover::LostConnection(uint32_t desk) {
    Post([this, desk] { station_.LostConnectionReported(desk); });
}

void StationHandover::CloseAfterFatalError() {
    Post([this] { station_.FatalErrorReported(); });
}

void StationHandover::ShowDeskListAfterThrownOut() {
    Post([this] { station_.ThrownOut(); });
}

void StationHandover::StationHeard(StationRecord station) {
    Post([this, station] { station_.ApplyStation(station); });
}

void StationHandover::AgeTick() {
    if (agePending_.exchange(true))
        return;
    Post([this] {
        agePending_ = false;
        station_.AgeDeskTable();
    });
}

void StationHandover::SocketSetupFailed(std::string text, int error) {
    Post([text = std::move(text), error] { ReportSocketError(text, error); });
}
