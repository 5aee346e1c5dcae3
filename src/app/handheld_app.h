#pragma once
// Start-up of the station program, in this order: one instance only (a
// second start raises the first window and ends silently), a screen it can
// draw on, the own address, the one ClientConnection, then the handheld
// window until it closes.
//
// The application owns what the widgets share: the session state, the one
// ClientConnection (also the widgets' way to the desk), the chat (history,
// sockets, receiver, unsent text), the workers' handover into the main frame
// and the station's key state (Shift and Caps Lock of the on-screen
// keyboard). The widgets get references at construction;
// all of it outlives the window. GUI thread.

#include <QObject>
#include <QString>
#include <memory>

class ChatService;
class QApplication;
class QLocalServer;
class CHandheldDlg;
class ClientConnection;
class FrameHandover;
class KeyState;
class SessionState;

constexpr char kDepthRefusedText[] =
    "This program is running with High Color (16 Bit) or with True Color resolution.";

class CHandheldApp : public QObject {
    Q_OBJECT
  public:
    CHandheldApp();
    ~CHandheldApp() override;  // ends the session and its threads

    // Runs the program; returns the process exit code.
    int InitInstance(QApplication& app);

    // Name of the per-user channel that finds a running instance.
    static QString InstanceChannelName();

  private:
    bool RaiseRunningInstance();
    bool ListenForLaterInstances();
    void RaiseWindow();

    std::unique_ptr<QLocalServer> instanceServer_;
    std::unique_ptr<SessionState> state_;
    std::unique_ptr<FrameHandover> handover_;
    std::unique_ptr<ClientConnection> client_;
    std::unique_ptr<ChatService> chat_;
    std::unique_ptr<KeyState> keys_;
    CHandheldDlg* window_ = nullptr;
};
