#include "session/client_connection.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include "display/screen_format.h"
#include "platform/message_box.h"
#include "session/client_session.h"
#include "session/screen_decoder.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string WithAddress(const char* format, uint32_t address) {
    char text[160];
    std::snprintf(text, sizeof text, format, Ipv4ToText(address).c_str());
    return text;
}

std::string WithAddressAndError(const char* format, uint32_t address, int error) {
    char text[200];
    std::snprintf(text, sizeof text, format, Ipv4ToText(address).c_str(), error);
    return text;
}

sockaddr_in DeskPort(uint32_t desk, uint16_t port) {
    return MakeSocketAddress(desk, port);
}

void TellUnreachable(uint32_t desk, int error) {
    const std::string text =
        error == WSAEHOSTUNREACH
            ? WithAddress("Could not connect to host %s\nHost is unreachable,\nno route to host.",
                          desk)
            : WithAddressAndError("Could not connect to host %s\n(errno %d).", desk, error);
    ShowMessageBox(text, "Connect", MB_OK);
}

// The failure of the last read, as a Winsock number; a desk that simply
// closed the connection leaves no error behind.
int ReadFailure() {
    const int error = WSAGetLastError();
    return error != 0 ? error : WSAECONNRESET;
}

class WaitCursor {
  public:
    explicit WaitCursor(SessionFrontEnd* frontEnd) : frontEnd_(frontEnd) {
        if (frontEnd_)
            frontEnd_->SetWaitCursor(true);
    }
    ~WaitCursor() {
        if (frontEnd_)
            frontEnd_->SetWaitCursor(false);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    SessionFrontEnd* frontEnd_;
};

}  // namespace

ClientConnection::ClientConnection(SessionState& state)
    : state_(state),
      frame_(new uint16_t[kRemotePixels]()),
      receive_(new uint16_t[kMaxScreenWords]()) {}

ClientConnection::~ClientConnection() {
    if (Current())
        Disconnect();
    ReapReceivers(true);
}

void ClientConnection::SetFrontEnd(SessionFrontEnd* frontEnd) {
    frontEnd_ = frontEnd;
}

SessionFrontEnd* ClientConnection::FrontEnd() const {
    return frontEnd_.load();
}

void ClientConnection::SetDisplayTarget(DisplayTarget* target) {
    std::lock_guard lock(sessionLock_);
    target_ = target;
}

void ClientConnection::SetRegistrationTimeouts(std::chrono::milliseconds answer,
                                               std::chrono::milliseconds handshake) {
    answerTimeoutMs_ = answer.count();
    handshakeTimeoutMs_ = handshake.count();
}

ClientConnection::SessionPtr ClientConnection::Current() const {
    std::lock_guard lock(currentMutex_);
    return current_;
}

bool ClientConnection::IsCurrent(const SessionPtr& session) const {
    std::lock_guard lock(currentMutex_);
    return current_ == session;
}

uint32_t ClientConnection::CurrentDesk() const {
    const SessionPtr session = Current();
    return session ? session->input.PeerAddress() : kNoAddress;
}

bool ClientConnection::IsReceiving() const {
    return Current() != nullptr;
}

int ClientConnection::IsConnected(int tellUser) {
    const SessionPtr session = Current();
    if (session && session->input.IsOpen())
        return 1;
    if (tellUser)
        ShowMessageBox("No connection to host!", "Kel Remote", MB_OK);
    return 0;
}

int ClientConnection::Register(uint32_t desk, int32_t code) {
    return RegisterDesk(desk, code) == RegisterOutcome::Done ? 1 : 0;
}

ClientConnection::RegisterOutcome ClientConnection::RegisterDesk(uint32_t desk, int32_t code) {
    TCPCONNECTION channel;
    if (!channel.Connect(DeskPort(desk, kRegistrationPort))) {
        if (code == kRegisterCode)
            TellUnreachable(desk, WSAGetLastError());
        return RegisterOutcome::Unreachable;
    }
    // Each exchange has a deadline, so a desk that drips its answer byte by
    // byte cannot hold the caller longer than a silent one.
    channel.Socket().SetReadDeadline(Clock::now() +
                                     std::chrono::milliseconds(answerTimeoutMs_.load()));
    channel.WriteInt32(code);
    SessionFrontEnd* frontEnd = FrontEnd();
    if (code == kRegisterCode) {
        // A desk that answers nothing (silent, or closing at once) has not
        // accepted the station.
        WSASetLastError(0);
        STRING answer;
        if (channel.ReadString(answer) == 0) {
            TellUnreachable(desk, ReadFailure());
            return RegisterOutcome::Unreachable;
        }
        if (!answer.IsNull() && !answer.Text().empty()) {
            ShowMessageBox(answer.Text(), "Kel Remote", MB_OK);
            return RegisterOutcome::Refused;
        }
        if (frontEnd)
            frontEnd->DeskRegistered(desk, true);
    } else if (frontEnd) {
        frontEnd->DeskRegistered(desk, false);
    }
    channel.Socket().SetReadDeadline(Clock::now() +
                                     std::chrono::milliseconds(handshakeTimeoutMs_.load()));
    int32_t closing = 0;
    if (channel.ReadInt32(closing) == 4)
        channel.WriteInt32(closing);
    channel.Close();
    return RegisterOutcome::Done;
}

ClientConnection::ConnectResult ClientConnection::Connect(uint32_t desk, int reconnecting) {
    ReapReceivers(false);
    if (Current()) {
        if (reconnecting) {
            Disconnect();  // a silent reconnect replaces what is left of the session
        } else {
            const uint32_t current = CurrentDesk();
            if (current == desk)
                return ConnectResult::AlreadyConnected;
            const int answer = ShowMessageBox(
                WithAddress("There is still a connection to %s. Unconnect?", current), "Connect",
                MB_YESNO);
            if (answer != IDYES)
                return ConnectResult::Declined;
            Disconnect();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
    WaitCursor waitCursor(FrontEnd());
    for (;;) {
        bool tryAgain = false;
        const ConnectResult result = ConnectOnce(desk, reconnecting, tryAgain);
        if (!tryAgain)
            return result;
    }
}

ClientConnection::ConnectResult ClientConnection::ConnectOnce(uint32_t desk, int reconnecting,
                                                              bool& tryAgain) {
    switch (RegisterDesk(desk, kRegisterCode)) {
        case RegisterOutcome::Unreachable:
            return ConnectResult::Unreachable;
        case RegisterOutcome::Refused:
            return ConnectResult::Refused;
        case RegisterOutcome::Done:
            break;
    }
    auto session = std::make_shared<Session>(desk);
    int error = 0;
    if (OpenChannels(*session, error)) {
        StartSession(std::move(session), reconnecting);
        return ConnectResult::Connected;
    }
    // The desk must not keep a half-open session: deregister and close
    // whichever channel did connect.
    RegisterDesk(desk, kDeregisterCode);
    session->input.Close();
    session->display.Close();
    if (!reconnecting) {
        tryAgain =
            ShowMessageBox(
                WithAddressAndError("Connection to %s failed (errno. %d). Try again?", desk, error),
                "Connect", MB_YESNO) == IDYES;
    }
    return ConnectResult::ChannelsFailed;
}

bool ClientConnection::OpenChannels(Session& session, int& error) {
    if (!session.input.Connect(DeskPort(session.desk, kInputPort))) {
        error = WSAGetLastError();
        return false;
    }
    session.input.WriteString(state_.CurrentUser());
    if (!session.display.Connect(DeskPort(session.desk, kDisplayPort))) {
        error = WSAGetLastError();
        return false;
    }
    return true;
}

void ClientConnection::AdoptSession(SOCKET input, SOCKET display, uint32_t desk) {
    if (Current())
        Disconnect();
    ReapReceivers(false);
    auto session = std::make_shared<Session>(desk);
    if (input != INVALID_SOCKET)
        session->input.Adopt(input, desk);
    session->display.Adopt(display, desk);
    StartSession(std::move(session), 0);
}

void ClientConnection::StartSession(SessionPtr session, int reconnecting) {
    {
        std::lock_guard lock(sessionLock_);
        std::memset(frame_.get(), 0, kRemotePixels * sizeof(uint16_t));
    }
    if (!reconnecting)
        state_.remoteView = 1;
    if (SessionFrontEnd* frontEnd = FrontEnd())
        frontEnd->EnableViewSwitch();
    std::lock_guard lock(currentMutex_);
    current_ = session;
    receivers_.push_back(session);
    // The thread cannot reach currentMutex_ before this assignment is done.
    session->thread = std::thread(&ClientConnection::RcvMessage, this, session);
}

void ClientConnection::Disconnect() {
    DisconnectSession(nullptr);
}

void ClientConnection::DisconnectSession(const SessionPtr& expected) {
    SessionPtr session;
    {
        std::lock_guard lock(currentMutex_);
        if (current_ && (!expected || current_ == expected))
            session = std::exchange(current_, nullptr);
    }
    // A receive thread whose session another thread has already ended (or
    // replaced by a new one) has nothing left to end.
    if (expected && !session)
        return;
    const bool onItsReceiveThread = session && ReceivingSession == session.get();
    if (session) {
        session->stop = true;
        ++drawingSuspended_;
        {
            std::lock_guard lock(sessionLock_);
            session->display.Close();  // wakes the receive thread
        }
        // Deregistration waits for the front end, so no lock is held here.
        if (session->input.IsOpen()) {
            RegisterDesk(session->desk, kDeregisterCode);
            session->input.Close();
        }
        --drawingSuspended_;
    }
    state_.deskReady = 0;
    if (SessionFrontEnd* frontEnd = FrontEnd())
        frontEnd->EnableSessionButtons(false);
    // A thread cannot join itself: its own session's thread is joined by the
    // next Connect, Disconnect or the destructor.
    if (onItsReceiveThread)
        return;
    if (session)
        StopReceiver(session);
    ReapReceivers(false);
}

void ClientConnection::StopReceiver(const SessionPtr& session) {
    if (!session->BeginStopping())
        return;  // leaving by itself; joined later
    if (session->thread.joinable())
        session->thread.join();
    std::lock_guard lock(currentMutex_);
    std::erase(receivers_, session);
}

void ClientConnection::ReapReceivers(bool all) {
    std::vector<SessionPtr> ended;
    {
        std::lock_guard lock(currentMutex_);
        std::erase_if(receivers_, [&](const SessionPtr& session) {
            if (!all && !session->finished)
                return false;
            ended.push_back(session);
            return true;
        });
    }
    for (const SessionPtr& session : ended) {
        if (all) {
            session->stop = true;
            session->BeginStopping();
            session->display.Close();
            session->input.Close();
        }
        if (session->thread.joinable())
            session->thread.join();
    }
}
