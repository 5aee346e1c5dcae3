#pragma once
// Texts of the lost-connection dialog, as pure functions.

#include <cstdint>
#include <string>

// "Lost connection to host %s.\nTrying to reconnect" for the desk.
std::string LostConnectionMessage(uint32_t desk);
// Seconds waited as "%d:%02d:%02d"; hours are not limited to two digits.
std::string ElapsedText(uint32_t seconds);
