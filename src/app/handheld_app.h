#pragma once
// Start-up of the station program, in this order: one instance only (a
// second start raises the first window and ends silently), a screen it can
// draw on, the own address, the one ClientConnection, then the handheld
// window until it closes.

#include <QObject>
#include <QString>
#include <memory>

class QApplication;
class QLocalServer;
class CHandheldDlg;
class FrameHandover;

constexpr char kDepthRefusedText[] =
    "This program is running with High Color (16 Bit) or with True Color resolution.";

class CHandheldApp : public QObject {
    Q_OBJECT
  public:
    CHandheldApp();
    ~CHandheldApp() override;  // ReleaseRemote

    // Runs the program; returns the process exit code.
    int InitInstance(QApplication& app);

    // Name of the per-user channel that finds a running instance.
    static QString InstanceChannelName();

  private:
    bool RaiseRunningInstance();
    bool ListenForLaterInstances();
    void RaiseWindow();

    std::unique_ptr<QLocalServer> instanceServer_;
    std::unique_ptr<FrameHandover> handover_;
    CHandheldDlg* window_ = nullptr;
};

// Resolves the own address and creates the ClientConnection. 1 on success.
int InitializeRemote(FrameHandover* handover);
// Deletes the ClientConnection if there is one.
void ReleaseRemote();
