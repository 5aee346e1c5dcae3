#include "session/lost_connection.h"

#include <cstdio>

#include "platform/winsock.h"

std::string LostConnectionMessage(uint32_t desk) {
    return "Lost connection to host " + Ipv4ToText(desk) + ".\nTrying to reconnect";
}

std::string ElapsedText(uint32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, (seconds / 60) % 60,
                  seconds % 60);
    return text;
}
