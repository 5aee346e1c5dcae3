#pragma once
// What the gateway tells the page besides the screen: small JSON texts, one
// per text WebSocket message, each an object with a "type":
//
//   hello    {"type":"hello","version":"5.70","hwBtnHold":400,"swBtnHold":400}
//   desks    {"type":"desks","desks":[{"address":"127.0.0.2","name":"FOH",
//             "deskType":"Kel Alpha","emulation":false,"version":"5.500",
//             "connected":true}, ...]}   in the desk list's order
//   session  {"type":"session","desk":"127.0.0.2","connecting":"",
//             "lost":"","ready":true,"mode":0}   "" = none
//   banner   {"type":"banner","text":"...","severity":"warning",
//             "retry":"127.0.0.2"}   retry: a connect the page may offer again
//   beep     {"type":"beep","sound":0}   0 exclamation, 1 question, 2 default,
//             3 the plain beep of a long press
//
// Texts from the network (names, refusals) travel as JSON strings; the page
// shows them as plain text only.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/station_record.h"
#include "platform/winsock.h"

// One listed desk: its latest heartbeat and whether this station is
// registered with it.
struct DeskInfo {
    StationRecord station;
    bool connected = false;
};

// The session as the page shows it. Addresses are kNoAddress when unset.
struct SessionView {
    uint32_t desk = kNoAddress;        // the session's desk
    uint32_t connecting = kNoAddress;  // a connect chosen in a browser is in progress
    uint32_t lost = kNoAddress;        // waiting for this desk's heartbeat to come back
    bool ready = false;                // the desk has sent its session information
    int deskMode = 0;
    friend bool operator==(const SessionView&, const SessionView&) = default;
};

enum class BannerSeverity { Info, Warning, Error };

QString HelloMessage(uint32_t hwBtnHold, uint32_t swBtnHold);
QString DesksMessage(const std::vector<DeskInfo>& desks);
QString SessionMessage(const SessionView& session);
QString BannerMessage(const std::string& text, BannerSeverity severity, uint32_t retryDesk);
QString BeepMessage(unsigned sound);
