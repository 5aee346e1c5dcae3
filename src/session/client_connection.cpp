#include "session/client_connection.h"

#include <cstring>
#include <thread>
#include <utility>

#include "display/screen_format.h"
#include "platform/message_box.h"
#include "session/client_session.h"
#include "session/connect_report.h"
#include "session/screen_decoder.h"

ClientConnection::ClientConnection(SessionState& state)
    : state_(state),
      frame_(new uint16_t[kRemotePixels]()),
      receive_(new uint16_t[kMaxScreenWords]()) {}

ClientConnection::~ClientConnection() {
    if (Current())
        Disconnect();
    // A receive thread that is leaving by itself (thrown out, lost desk) may
    // still be deregistering from a desk that is gone; nobody waits for that
    // any more, so joining it takes no longer than its own way out.
    AbortExchanges();
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

std::optional<uint32_t> ClientConnection::CurrentDesk() const {
    const SessionPtr session = Current();
    return session ? std::optional<uint32_t>(session->desk) : std::nullopt;
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
            RegisterDesk(session->desk, kDeregisterCode, ConnectReport(nullptr));
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
