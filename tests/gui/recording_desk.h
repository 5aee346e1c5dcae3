#pragma once
// A desk session over a socket pair: the station's ClientConnection adopts
// one end of each channel, the test reads what the station wrote on the
// input channel. Message boxes are recorded and answered by the test.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/winsock.h"
#include "session/client_connection.h"

class RecordingDesk {
  public:
    // Adopts a session with the process-wide Client (created when missing).
    explicit RecordingDesk(uint32_t desk = Ipv4FromText("127.0.0.9")) {
        if (Client == nullptr)
            Client = new ClientConnection();
        int input[2];
        int display[2];
        socketpair(AF_UNIX, SOCK_STREAM, 0, input);
        socketpair(AF_UNIX, SOCK_STREAM, 0, display);
        inputPeer_ = input[1];
        displayPeer_ = display[1];
        Client->AdoptSession(input[0], display[0], desk);
    }
    ~RecordingDesk() {
        ::close(displayPeer_);
        Client->Disconnect();
        ::close(inputPeer_);
    }
    RecordingDesk(const RecordingDesk&) = delete;
    RecordingDesk& operator=(const RecordingDesk&) = delete;

    // Everything the station sent on the input channel up to a refresh
    // request (one byte 5) that this call sends as an end mark.
    std::vector<uint8_t> InputUntilMark() {
        Client->SendCommand();
        std::vector<uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd fd{inputPeer_, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0)
                continue;
            uint8_t byte = 0;
            if (::read(inputPeer_, &byte, 1) != 1)
                break;
            if (byte == 5 && bytes.size() % 8 == 0)
                return bytes;
            bytes.push_back(byte);
        }
        bytes.push_back(0xEE);  // no end mark: shows up as a mismatch
        return bytes;
    }

    // Sends desk bytes on the display channel.
    void SendDisplay(const std::vector<uint8_t>& bytes) {
        (void)::write(displayPeer_, bytes.data(), bytes.size());
    }

  private:
    int inputPeer_ = -1;
    int displayPeer_ = -1;
};

// The 8-byte button message: type 3, long flag, key code (LE16), padding.
inline std::vector<uint8_t> ButtonMessage(uint8_t isLong, uint16_t key) {
    return {3, isLong, static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8), 0, 0, 0, 0};
}

// Records every message box and answers with a preset result.
class BoxRecorder {
  public:
    explicit BoxRecorder(int answer = IDOK) : answer_(answer) {
        SetMessageBoxHandler([this](const MessageBoxRequest& box) {
            boxes.push_back(box);
            return answer_;
        });
    }
    ~BoxRecorder() { SetMessageBoxHandler({}); }
    void Answer(int answer) { answer_ = answer; }

    std::vector<MessageBoxRequest> boxes;

  private:
    int answer_;
};
