#pragma once
// Texts of the lost-connection dialog, as pure functions, and the pacing of
// its silent reconnects.

#include <cstdint>
#include <string>

// "Lost connection to host %s.\nTrying to reconnect" for the desk.
std::string LostConnectionMessage(uint32_t desk);
// Seconds waited as "%d:%02d:%02d"; hours are not limited to two digits.
std::string ElapsedText(uint32_t seconds);

// When a silent reconnect to the awaited desk may start: one at a time, and
// one refused or failed is tried again at a later heartbeat, at most once a
// second. GUI thread only.
class ReconnectPacing {
  public:
    static constexpr int64_t kSpacingMs = 1000;

    // True, with the attempt counted as started, when one may start now.
    bool Start(int64_t nowMs) {
        if (inFlight_ || nowMs - lastStartMs_ < kSpacingMs)
            return false;
        inFlight_ = true;
        lastStartMs_ = nowMs;
        return true;
    }
    void Finished() { inFlight_ = false; }

  private:
    bool inFlight_ = false;
    int64_t lastStartMs_ = 0;
};
