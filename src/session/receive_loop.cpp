// The receive thread: desk messages on the display channel, screen messages
// and drawing.

#include <bit>
#include <cstring>
#include <exception>
#include <thread>

#include "discovery/network_shared.h"
#include "display/frame_writer.h"
#include "platform/beep.h"
#include "platform/byte_order.h"
#include "platform/message_box.h"
#include "session/client_connection.h"
#include "session/client_session.h"
#include "session/screen_decoder.h"

namespace {

enum DeskMessage : uint8_t {
    kBeep = 1,
    kInputPanel = 2,
    kScreen = 3,
    kSessionInformation = 4,
    kDeskMode = 5,
    kThrownOut = 6,
};

constexpr int kSessionInformationLength = 65;  // cursor mode byte + 64-byte name
constexpr size_t kUserNameLength = 64;
// The code the system reports for a C++ exception; C++ cannot catch
// processor faults, so every caught failure is one of these.
constexpr int kCppExceptionCode = static_cast<int>(0xE06D7363);

const char kReceiveLoopFailed[] = "Terminating program:\nClientConnection:\nRcvMessage";
const char kReadScreenFailed[] = "Terminating program: ClientConnection:\nReadScreen()";

void PlayDeskSound(uint8_t sound) {
    switch (sound) {
        case 0:
            MessageBeep(MB_ICONEXCLAMATION);
            break;
        case 1:
            MessageBeep(MB_ICONQUESTION);
            break;
        case 2:
            MessageBeep(MB_OK);
            break;
        default:
            break;  // unknown sounds stay silent
    }
}

void WordsFromWire(uint16_t* words, size_t count) {
    if constexpr (std::endian::native == std::endian::big) {
        auto* bytes = reinterpret_cast<uint8_t*>(words);
        for (size_t i = 0; i < count; ++i)
            words[i] = LoadLe16(bytes + 2 * i);
    }
}

}  // namespace

void ClientConnection::RcvMessage(ClientConnection* self, SessionPtr session) {
    ReceivingSession = session.get();
    self->ReceiveLoop(session);
    session->finished = true;
}

void ClientConnection::ReceiveLoop(const SessionPtr& session) {
    try {
        while (!session->stop) {
            uint8_t type = 0;
            if (session->display.Read(&type, 1) != 1) {
                HandleBrokenChannel(session);
                return;
            }
            if (!DispatchDeskMessage(session, type))
                return;
        }
    } catch (...) {
        HandleFatalError(session, kReceiveLoopFailed);
    }
}

// False when the session ended.
bool ClientConnection::DispatchDeskMessage(const SessionPtr& session, uint8_t type) {
    TCPCONNECTION& display = session->display;
    uint8_t payload[kSessionInformationLength];
    SessionFrontEnd* frontEnd = FrontEnd();
    switch (type) {
        case kBeep:
            if (display.Read(payload, 1) == 1)
                PlayDeskSound(payload[0]);
            return true;
        case kInputPanel:
            if (display.Read(payload, 1) == 1 && frontEnd)
                frontEnd->InputPanel(payload[0]);
            return true;
        case kScreen:
            switch (ReadScreen(session)) {
                case ScreenRead::Applied:
                    UpdateScreen();
                    return true;
                case ScreenRead::WordsMissing:
                    return true;
                case ScreenRead::ChannelFailed:
                    HandleBrokenChannel(session);
                    return false;
                case ScreenRead::Fatal:
                    return false;
            }
            return false;
        case kSessionInformation:
            if (display.Read(payload, kSessionInformationLength) == kSessionInformationLength) {
                ApplySessionInformation(payload);
            }
            return true;
        case kDeskMode:
            if (display.Read(payload, 1) == 1 && frontEnd)
                frontEnd->DeskMode(payload[0]);
            return true;
        case kThrownOut:
            HandleThrownOut(session);
            return false;
        default:
            return true;  // unknown types carry nothing
    }
}

void ClientConnection::ApplySessionInformation(const uint8_t* payload) {
    state_.deskReady = 1;
    if (SessionFrontEnd* frontEnd = FrontEnd())
        frontEnd->EnableSessionButtons(true);
    state_.cursorMode = payload[0];
    const auto* name = reinterpret_cast<const char*>(payload + 1);
    state_.SetCurrentUser(STRING(std::string(name, strnlen(name, kUserNameLength))));
}

void ClientConnection::HandleThrownOut(const SessionPtr& session) {
    if (!session->BeginLeaving())
        return;  // being disconnected anyway
    DisconnectSession(session);
    ShowMessageBox("Thrown out from current desk.", "Kel Remote", MB_OK);
    // The user may have started another session while the box was open.
    if (Current())
        return;
    state_.remoteView = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (SessionFrontEnd* frontEnd = FrontEnd())
        frontEnd->ShowDeskListAfterThrownOut();
}

// A channel that Disconnect closed ends the loop quietly; one that broke by
// itself, or a desk that stopped taking acknowledgements, is a lost
// connection.
void ClientConnection::HandleBrokenChannel(const SessionPtr& session) {
    if (session->stop || !session->display.IsOpen() || !session->BeginLeaving())
        return;
    if (SessionFrontEnd* frontEnd = FrontEnd())
        frontEnd->LostConnection(session->desk);
    DisconnectSession(session);
}

void ClientConnection::HandleFatalError(const SessionPtr& session, const char* text) {
    session->stop = true;
    if (!session->BeginLeaving())
        return;  // nobody may be waited for now
    ReportSocketError(text, kCppExceptionCode);
    state_.fatal = 1;
    if (SessionFrontEnd* frontEnd = FrontEnd())
        frontEnd->CloseAfterFatalError();
}

ClientConnection::ScreenRead ClientConnection::ReadScreen(const SessionPtr& session) {
    try {
        TCPCONNECTION& display = session->display;
        // A header cut short is a desk gone, never an empty screen.
        uint8_t header[3];  // reserved byte, word count
        if (display.Read(header, sizeof header) != static_cast<int>(sizeof header))
            return ScreenRead::ChannelFailed;
        const uint16_t count = LoadLe16(header + 1);
        const int bytes = count * static_cast<int>(sizeof(uint16_t));
        const int result = display.Read(receive_.get(), bytes);
        // Acknowledged before decoding.
        if (display.WriteInt32(result, kAcknowledgeTimeout) != 4)
            return ScreenRead::ChannelFailed;
        if (result < 0)
            return ScreenRead::WordsMissing;
        WordsFromWire(receive_.get(), count);
        std::lock_guard lock(sessionLock_);
        DecodeScreen(receive_.get(), count, frame_.get());
        return ScreenRead::Applied;
    } catch (...) {
        HandleFatalError(session, kReadScreenFailed);
        return ScreenRead::Fatal;
    }
}

void ClientConnection::UpdateScreen() {
    if (state_.remoteView == 0 || drawingSuspended_ > 0)
        return;
    if (SessionFrontEnd* frontEnd = FrontEnd())
        frontEnd->HideDeskListForFrame();
    std::lock_guard lock(sessionLock_);
    if (!target_)
        return;
    try {
        DrawFrame(frame_.get(), *target_);
    } catch (...) {
        // The frame is dropped; the next one draws the whole screen again.
    }
}

std::vector<uint16_t> ClientConnection::CopyFrame() const {
    std::lock_guard lock(sessionLock_);
    return std::vector<uint16_t>(frame_.get(), frame_.get() + kRemotePixels);
}
