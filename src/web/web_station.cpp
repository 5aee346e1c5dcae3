#include "web/web_station.h"

#include <QDateTime>

#include "discovery/heartbeat.h"
#include "platform/beep.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "settings/settings.h"

namespace {

using Result = ClientConnection::ConnectResult;

BannerSeverity SeverityOf(unsigned type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONERROR:
            return BannerSeverity::Error;
        case MB_ICONWARNING:
        case MB_ICONQUESTION:
            return BannerSeverity::Warning;
        default:
            return (type & MB_BUTTONMASK) == MB_YESNO ? BannerSeverity::Warning
                                                      : BannerSeverity::Info;
    }
}

// The cautious answer a box gets without anybody to ask.
int CautiousAnswer(unsigned type) {
    switch (type & MB_BUTTONMASK) {
        case MB_YESNO:
            return IDNO;
        case MB_OKCANCEL:
            return IDCANCEL;
        default:
            return IDOK;
    }
}

}  // namespace

WebStation::WebStation(QObject* parent)
    : QObject(parent), screen_([this] { handover_.Post([this] { emit ScreenFinished(); }); }) {}

WebStation::~WebStation() {
    Shutdown();
    table_.SetView(nullptr);
}

void WebStation::Start() {
    if (started_)
        return;
    started_ = true;
    ReadFrameSettings(state_);
    if (const auto user = ReadStoredUser())
        state_.SetCurrentUser(STRING(*user));
    InstallHandlers();
    // Frames are always shown: the page decides between list and screen.
    state_.remoteView = 1;
    client_.SetFrontEnd(&handover_);
    client_.SetDisplayTarget(&screen_);
    SetHeartbeatSink(&handover_);
    StartHeartbeats(HeartbeatMode::SendAndReceive);
}

void WebStation::InstallHandlers() {
    SetMessageBoxHandler(
        [this](const MessageBoxRequest& box) { return AnswerBox(box.text, box.type); });
    SetBeepHandler([this](unsigned sound) { handover_.Post([this, sound] { emit Beep(sound); }); });
}

// Any thread. A question is a failed connect that the page may offer again.
int WebStation::AnswerBox(const std::string& text, unsigned type) {
    const bool question = (type & MB_BUTTONMASK) == MB_YESNO;
    const uint32_t retry = question ? connectAttempt_.load() : kNoAddress;
    const int severity = static_cast<int>(SeverityOf(type));
    handover_.Post([this, text = QString::fromStdString(text), severity, retry] {
        emit Banner(text, severity, retry);
    });
    return CautiousAnswer(type);
}

void WebStation::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    handover_.Close();
    if (started_) {
        SetHeartbeatSink(nullptr);
        StopHeartbeats();
    }
    worker_.CancelConnect();
    worker_.Disconnect();
    worker_.Finish(SessionWorker::kTeardownBound);
    client_.Disconnect();
    client_.SetFrontEnd(nullptr);
    client_.SetDisplayTarget(nullptr);
    if (started_) {
        SetMessageBoxHandler({});
        SetBeepHandler({});
    }
}

void WebStation::ConnectTo(uint32_t desk) {
    if (shutDown_ || connectingTo_ != kNoAddress || desk == CurrentDesk())
        return;
    if (table_.IndexOf(desk) < 0) {
        emit Banner(QStringLiteral("The desk %1 is not in the list.")
                        .arg(QString::fromStdString(Ipv4ToText(desk))),
                    static_cast<int>(BannerSeverity::Warning), kNoAddress);
        return;
    }
    if (lostDesk_ != kNoAddress)
        EndLostConnectionDialog(IDCANCEL);
    else if (CurrentDesk())
        Disconnect();
    connectingTo_ = desk;
    connectAttempt_ = desk;
    state_.remoteView = 1;
    worker_.Connect(desk, 0, [this, desk](Result result, const std::string&) {
        handover_.Post([this, desk, result] { ConnectFinished(desk, result); });
    });
    emit SessionChanged();
}

void WebStation::ConnectFinished(uint32_t desk, Result) {
    if (connectingTo_ != desk)
        return;  // cancelled meanwhile
    connectingTo_ = kNoAddress;
    emit SessionChanged();
}

void WebStation::CancelConnect() {
    if (connectingTo_ == kNoAddress)
        return;
    worker_.CancelConnect();
    connectingTo_ = kNoAddress;
    emit SessionChanged();
}

void WebStation::DisconnectDesk() {
    if (lostDesk_ != kNoAddress)
        EndLostConnectionDialog(IDCANCEL);
    else if (CurrentDesk())
        Disconnect();
}

void WebStation::StopWaiting() {
    if (lostDesk_ != kNoAddress)
        EndLostConnectionDialog(IDCANCEL);
}

SessionView WebStation::Session() const {
    SessionView view;
    view.desk = SessionDesk().value_or(kNoAddress);
    view.connecting = connectingTo_;
    view.lost = lostDesk_;
    view.ready = view.desk != kNoAddress && state_.deskReady.load() != 0;
    view.deskMode = deskMode_;
    return view;
}

std::vector<DeskInfo> WebStation::Desks() const {
    std::vector<DeskInfo> desks;
    for (const DeskRow& row : table_.Rows()) {
        const auto heard = stations_.find(row.entry.address);
        if (heard != stations_.end())
            desks.push_back({heard->second, row.connected});
    }
    return desks;
}

void WebStation::ApplyStation(const StationRecord& station) {
    stations_[station.address] = station;
    table_.ApplyStation(station);
    if (table_.IndexOf(station.address) < 0)
        stations_.erase(station.address);
}

void WebStation::AgeDeskTable() {
    table_.Age();
    std::erase_if(stations_, [this](const auto& entry) { return table_.IndexOf(entry.first) < 0; });
}

void WebStation::DeskRegistered(uint32_t desk, bool registered) {
    table_.SetDeskIcon(desk, registered ? 1 : 0);
    emit SessionChanged();
}

void WebStation::DeskModeChanged(uint8_t mode) {
    deskMode_ = mode;
    emit SessionChanged();
}

void WebStation::ThrownOut() {
    // The page shows the list by itself; frames stay wanted for the next
    // session.
    state_.remoteView = 1;
    emit SessionChanged();
}

std::optional<uint32_t> WebStation::SessionDesk() const {
    // A session being ended on the worker is over for the desk list.
    if (disconnectsPending_ > 0)
        return std::nullopt;
    return client_.CurrentDesk();
}

void WebStation::Disconnect() {
    if (shutDown_)
        return;
    ++disconnectsPending_;
    worker_.Disconnect([this] {
        handover_.Post([this] {
            --disconnectsPending_;
            emit SessionChanged();
        });
    });
    emit SessionChanged();
}

void WebStation::ShowLostConnection(uint32_t desk) {
    // While the desk is awaited the page already says so.
    if (lostDesk_ == desk)
        return;
    emit Banner(
        QStringLiteral("Lost connection to host %1.").arg(QString::fromStdString(Ipv4ToText(desk))),
        static_cast<int>(BannerSeverity::Warning), kNoAddress);
    emit SessionChanged();
}

void WebStation::OpenLostConnectionDialog(uint32_t address) {
    lostDesk_ = address;
    emit SessionChanged();
}

bool WebStation::LostConnectionDialogOpen(uint32_t& address) {
    if (lostDesk_ == kNoAddress)
        return false;
    address = lostDesk_;
    return true;
}

void WebStation::EndLostConnectionDialog(int result) {
    if (lostDesk_ == kNoAddress)
        return;
    lostDesk_ = kNoAddress;
    table_.LostConnectionDialogEnded(result);
    emit SessionChanged();
}

void WebStation::ReconnectSilently(uint32_t address) {
    if (!reconnectPacing_.Start(QDateTime::currentMSecsSinceEpoch()))
        return;
    state_.remoteView = 1;
    worker_.Connect(address, 1, [this, address](Result result, const std::string&) {
        handover_.Post([this, address, result] { ReconnectFinished(address, result); });
    });
}

void WebStation::ReconnectFinished(uint32_t desk, Result result) {
    reconnectPacing_.Finished();
    if (lostDesk_ != desk)
        return;
    if (result == Result::Connected)
        EndLostConnectionDialog(kLostDialogReconnected);
    // Otherwise the wait goes on; the next heartbeat tries again.
}
