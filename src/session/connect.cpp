// Opening a session: registration, the input channel with the current user,
// the display channel, then the receive thread. Runs on one thread at a
// time (the GUI thread or a worker); CancelConnect and AbortExchanges may
// come from any other thread and end whatever exchange is waiting.

#include <thread>

#include "session/client_connection.h"
#include "session/client_session.h"
#include "session/connect_report.h"

namespace {

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

ClientConnection::InFlight::InFlight(ClientConnection& owner, TCPCONNECTION& channel,
                                     bool cancellable)
    : owner_(owner), channel_(channel), cancellable_(cancellable) {
    std::lock_guard lock(owner_.inFlightMutex_);
    owner_.inFlight_.push_back(this);
}

ClientConnection::InFlight::~InFlight() {
    std::lock_guard lock(owner_.inFlightMutex_);
    std::erase(owner_.inFlight_, this);
}

bool ClientConnection::InFlight::Interrupted() const {
    return owner_.aborting_.load() || (cancellable_ && owner_.connectCancelled_.load());
}

void ClientConnection::CancelConnect() {
    std::lock_guard lock(inFlightMutex_);
    connectCancelled_ = true;
    for (InFlight* exchange : inFlight_) {
        if (exchange->cancellable_)
            exchange->channel_.Close();
    }
}

void ClientConnection::ClearCancel() {
    connectCancelled_ = false;
}

void ClientConnection::AbortExchanges() {
    std::lock_guard lock(inFlightMutex_);
    aborting_ = true;
    for (InFlight* exchange : inFlight_)
        exchange->channel_.Close();
}

ClientConnection::ConnectResult ClientConnection::Connect(uint32_t desk, int reconnecting,
                                                          std::string* failure) {
    ReapReceivers(false);
    if (IsForbiddenDeskAddress(desk)) {
        // No desk has such an address (0.0.0.0 would even be this machine).
        ConnectReport(failure).TellUnreachable(desk, WSAEADDRNOTAVAIL);
        return ConnectResult::Unreachable;
    }
    if (Current()) {
        if (reconnecting) {
            Disconnect();  // a silent reconnect replaces what is left of the session
        } else {
            const uint32_t current = CurrentDesk().value_or(desk);
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
    const ConnectReport report(failure);
    for (;;) {
        bool tryAgain = false;
        const ConnectResult result = ConnectOnce(desk, reconnecting, report, tryAgain);
        if (!tryAgain)
            return result;
    }
}

ClientConnection::ConnectResult ClientConnection::ConnectOnce(uint32_t desk, int reconnecting,
                                                              const ConnectReport& report,
                                                              bool& tryAgain) {
    switch (RegisterDesk(desk, kRegisterCode, report)) {
        case RegisterOutcome::Unreachable:
            return ConnectCancelled() ? ConnectResult::Cancelled : ConnectResult::Unreachable;
        case RegisterOutcome::Refused:
            return ConnectResult::Refused;
        case RegisterOutcome::Done:
            break;
    }
    auto session = std::make_shared<Session>(desk);
    int error = 0;
    if (OpenChannels(*session, error) && !ConnectCancelled()) {
        StartSession(std::move(session), reconnecting);
        return ConnectResult::Connected;
    }
    // The desk must not keep a half-open session: deregister and close
    // whichever channel did connect.
    session->input.Close();
    session->display.Close();
    RegisterDesk(desk, kDeregisterCode, report);
    if (ConnectCancelled())
        return ConnectResult::Cancelled;
    if (!reconnecting) {
        const std::string text =
            WithAddressAndError("Connection to %s failed (errno. %d). Try again?", desk, error);
        tryAgain = ShowMessageBox({text, "Connect", MB_YESNO, false, error}) == IDYES;
    } else {
        report.Note(WithAddressAndError("Connection to %s failed (errno. %d).", desk, error));
    }
    return ConnectResult::ChannelsFailed;
}

bool ClientConnection::ConnectCancelled() const {
    return connectCancelled_.load() || aborting_.load();
}

bool ClientConnection::OpenChannels(Session& session, int& error) {
    InFlight input(*this, session.input, true);
    if (ConnectCancelled() || !session.input.Connect(MakeSocketAddress(session.desk, kInputPort))) {
        error = WSAGetLastError();
        return false;
    }
    session.input.WriteString(state_.CurrentUser());
    InFlight display(*this, session.display, true);
    session.display.LimitSendBuffer(kDisplaySendBuffer);
    if (ConnectCancelled() ||
        !session.display.Connect(MakeSocketAddress(session.desk, kDisplayPort))) {
        error = WSAGetLastError();
        return false;
    }
    return true;
}
