#pragma once
// Helpers the network parts share: the desk table's time stamp and the
// socket error box.

#include <cstdint>
#include <string>

// Time in units of 1/300 second, from the millisecond tick count. Keeps
// rising across the wrap of the 32-bit tick count. Thread-safe.
uint32_t StampNow();

// Modal "Error" box: "<text>\nErrnum: 0x<hex> - <decimal>".
void ReportSocketError(const std::string& text, int errorCode);

// The text of that box, for callers that show it elsewhere.
std::string SocketErrorText(const std::string& text, int errorCode);
