#include "app/handheld_app.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdio>

#include "app/gui_services.h"
#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "chat/chat_service.h"
#include "discovery/heartbeat.h"
#include "discovery/own_address.h"
#include "frame/frame_handover.h"
#include "frame/main_frame.h"
#include "input/key_state.h"
#include "platform/message_box.h"
#include "session/client_connection.h"
#include "session/session_state.h"

namespace {

constexpr int kInstanceTimeoutMs = 1000;
const char kRaiseRequest[] = "raise\n";

// Heartbeats, then chat; stopped in the same order.
NetworkThreads StationThreads(ChatService& chat) {
    auto start = [&chat] {
        StartHeartbeats();
        chat.StartChat();
    };
    auto stop = [&chat] {
        StopHeartbeats();
        chat.StopChat();
    };
    return {start, stop};
}

}  // namespace

CHandheldApp::CHandheldApp() = default;

CHandheldApp::~CHandheldApp() {
    chat_.reset();    // joins the chat receiver before the session goes
    client_.reset();  // joins the session's threads while the handover exists
    SetHeartbeatSink(nullptr);
}

// One instance per user and desktop: a second start on another display (or
// another private X server) is a program of its own.
QString CHandheldApp::InstanceChannelName() {
    const QString user = qEnvironmentVariable("USER", QStringLiteral("user"));
    QString desktop = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (desktop.isEmpty())
        desktop = qEnvironmentVariable("DISPLAY");
    for (QChar& c : desktop) {
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    }
    return QStringLiteral("kel-remote-") + user + QLatin1Char('-') + desktop;
}

// A second start asks the first one to come to the front and ends.
bool CHandheldApp::RaiseRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(InstanceChannelName());
    if (!socket.waitForConnected(kInstanceTimeoutMs))
        return false;
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kInstanceTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

bool CHandheldApp::ListenForLaterInstances() {
    instanceServer_ = std::make_unique<QLocalServer>();
    instanceServer_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!instanceServer_->listen(InstanceChannelName())) {
        // A channel left behind by a crashed instance: nobody answered on it.
        QLocalServer::removeServer(InstanceChannelName());
        if (!instanceServer_->listen(InstanceChannelName()))
            return false;
    }
    connect(instanceServer_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = instanceServer_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            RaiseWindow();
        }
    });
    return true;
}

void CHandheldApp::RaiseWindow() {
    if (window_ == nullptr)
        return;
    if (window_->isMinimized()) {
        window_->showNormal();
    } else {
        window_->show();
    }
    window_->raise();
    window_->activateWindow();
}

int CHandheldApp::InitInstance(QApplication& app) {
    if (RaiseRunningInstance())
        return 0;
    ListenForLaterInstances();

    if (!DisplayDepthAccepted(CurrentScreenInfo().depth)) {
        // Such a screen may not even be able to draw the box's text.
        std::fprintf(stderr, "%s\n", kDepthRefusedText);
        ShowMessageBox(kDepthRefusedText, "Kel Remote", MB_OK);
        return 0;
    }

    if (ResolveOwnAddress() == 0)
        return 0;
    state_ = std::make_unique<SessionState>();
    handover_ = std::make_unique<FrameHandover>();
    client_ = std::make_unique<ClientConnection>(*state_);
    keys_ = std::make_unique<KeyState>();
    client_->SetFrontEnd(handover_.get());
    chat_ = std::make_unique<ChatService>(*state_, SessionQueryOf(*client_));
    SetHeartbeatSink(handover_.get());
    chat_->SetSink(handover_.get());

    CHandheldDlg window(
        StationServices{*client_, *client_, *state_, handover_.get(), chat_.get(), keys_.get()});
    window_ = &window;
    window.OnInitDialog(StationThreads(*chat_));
    window.show();
    app.exec();
    window_ = nullptr;
    // The event loop has ended: workers that still report or ask find no
    // one, and none of them waits for the GUI thread any more.
    CloseGuiServices();
    handover_->Attach(nullptr);
    SetHeartbeatSink(nullptr);
    chat_->SetSink(nullptr);
    client_->SetFrontEnd(nullptr);
    return 0;
}
