#include "app/handheld_app.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <cstdio>

#include "app/handheld_dlg.h"
#include "app/screen_info.h"
#include "discovery/heartbeat.h"
#include "discovery/own_address.h"
#include "frame/frame_handover.h"
#include "frame/main_frame.h"
#include "platform/message_box.h"
#include "session/client_connection.h"

namespace {

constexpr int kInstanceTimeoutMs = 1000;
const char kRaiseRequest[] = "raise\n";

}  // namespace

int InitializeRemote(FrameHandover* handover) {
    if (ResolveOwnAddress() == 0)
        return 0;
    if (Client == nullptr)
        Client = new ClientConnection();
    Client->SetFrontEnd(handover);
    return 1;
}

void ReleaseRemote() {
    delete Client;
    Client = nullptr;
}

CHandheldApp::CHandheldApp() = default;

CHandheldApp::~CHandheldApp() {
    ReleaseRemote();
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

    handover_ = std::make_unique<FrameHandover>();
    if (InitializeRemote(handover_.get()) == 0)
        return 0;
    SetHeartbeatSink(handover_.get());

    CHandheldDlg window(handover_.get());
    window_ = &window;
    window.OnInitDialog(NetworkThreads{[] { StartHeartbeats(); }, [] { StopHeartbeats(); }});
    window.show();
    app.exec();
    window_ = nullptr;
    // The frame is gone: worker threads that still report find no one.
    SetHeartbeatSink(nullptr);
    if (Client != nullptr)
        Client->SetFrontEnd(nullptr);
    return 0;
}
