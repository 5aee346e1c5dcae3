#pragma once
// A desk session over socket pairs: the station's ClientConnection adopts the
// station ends of both channels, the test reads what the station wrote on the
// input channel and writes desk messages on the display channel.

#include <cstdint>
#include <vector>

#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session_fakes.h"

class RecordingDesk {
  public:
    explicit RecordingDesk(ClientConnection& client, uint32_t desk = Ipv4FromText("127.0.0.9"))
        : client_(client) {
        client_.AdoptSession(input_.TakeStationSide(), display_.TakeStationSide(), desk);
    }
    ~RecordingDesk() {
        display_.Close();
        client_.Disconnect();
    }
    RecordingDesk(const RecordingDesk&) = delete;
    RecordingDesk& operator=(const RecordingDesk&) = delete;

    // Everything the station sent on the input channel up to a refresh
    // request (one byte 5) that this call sends as an end mark.
    std::vector<uint8_t> InputUntilMark() {
        client_.SendCommand();
        std::vector<uint8_t> bytes;
        for (;;) {
            const std::vector<uint8_t> byte = input_.Receive(1, 10s);
            if (byte.empty()) {
                bytes.push_back(0xEE);  // no end mark: shows up as a mismatch
                return bytes;
            }
            if (byte[0] == 5 && bytes.size() % 8 == 0)
                return bytes;
            bytes.push_back(byte[0]);
        }
    }

    // Desk bytes on the display channel.
    void SendDisplay(const std::vector<uint8_t>& bytes) { display_.Send(bytes); }

  private:
    ClientConnection& client_;
    DeskEnd input_;
    DeskEnd display_;
};

// The 8-byte button message: type 3, long flag, key code (LE16), padding.
inline std::vector<uint8_t> ButtonMessage(uint8_t isLong, uint16_t key) {
    return {3, isLong, static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8), 0, 0, 0, 0};
}
