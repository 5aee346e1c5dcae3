#pragma once
// The gateway's station: one station on the desk network, like the window
// program. It announces itself and hears the desks (heartbeats, desk
// table), keeps one session (ClientConnection with its own SessionState,
// connected and disconnected on a SessionWorker), and keeps the desk's
// latest screen for the browsers. The browsers ask for connects and send
// input through it; what they are shown comes out as signals.
//
// Message boxes of the session become banners (the question boxes are
// answered No at once: a browser offers "Try again" instead), sounds become
// beep signals. Nothing here waits for a browser.
//
// Threads: every method on the GUI thread (the thread that created it).

#include <QObject>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "discovery/desk_table.h"
#include "session/client_connection.h"
#include "session/lost_connection.h"
#include "session/session_state.h"
#include "session/session_worker.h"
#include "web/page_messages.h"
#include "web/screen_store.h"
#include "web/station_handover.h"

class WebStation : public QObject, private DeskTableActions, private DeskTableView {
    Q_OBJECT
  public:
    explicit WebStation(QObject* parent = nullptr);
    ~WebStation() override;  // Shutdown

    // Reads the hold times and the user name from the settings (read only),
    // installs the box and sound handlers and starts the heartbeats on
    // OwnStation's address, which must be resolved first.
    void Start();
    // Stops the heartbeats, ends the session (deregistering from the desk)
    // and joins the worker. Safe to call twice.
    void Shutdown();

    // Browser requests. A desk must be listed to be connected to; a connect
    // to another desk ends the current session first.
    void ConnectTo(uint32_t desk);
    void DisconnectDesk();
    void CancelConnect();
    // Gives up waiting for a lost desk (the lost-connection dialog's Abort).
    void StopWaiting();

    DeskInputSink& Input() { return client_; }
    SessionState& State() { return state_; }
    SessionView Session() const;
    std::vector<DeskInfo> Desks() const;
    // The latest frame; see ScreenStore::TakeLatest.
    uint64_t TakeScreen(std::vector<uint16_t>& frame) { return screen_.TakeLatest(frame); }

    // Reports from the worker threads, through the handover.
    void ApplyStation(const StationRecord& station);
    void AgeDeskTable();
    void DeskRegistered(uint32_t desk, bool registered);
    void DeskModeChanged(uint8_t mode);
    void SessionMayHaveChanged() { emit SessionChanged(); }
    void LostConnectionReported(uint32_t desk) { ShowLostConnection(desk); }
    void ThrownOut();
    void FatalErrorReported() { emit FatalError(); }

  signals:
    void DesksChanged();
    void SessionChanged();
    void ScreenFinished();
    // severity: a BannerSeverity; retryDesk: kNoAddress or a desk whose
    // connect failed.
    void Banner(const QString& text, int severity, quint32 retryDesk);
    void Beep(unsigned sound);
    void FatalError();

  private:
    // DeskTableActions
    std::optional<uint32_t> CurrentDesk() override { return SessionDesk(); }
    void Disconnect() override;
    void ShowLostConnection(uint32_t address) override;
    void OpenLostConnectionDialog(uint32_t address) override;
    bool LostConnectionDialogOpen(uint32_t& address) override;
    void EndLostConnectionDialog(int result) override;
    void ReconnectSilently(uint32_t address) override;
    void ShowDeskList() override { emit SessionChanged(); }
    // DeskTableView
    void RowInserted(int) override { emit DesksChanged(); }
    void RowRemoved(int) override { emit DesksChanged(); }
    void RowTextChanged(int) override { emit DesksChanged(); }
    void RowIconChanged(int) override { emit DesksChanged(); }
    void RowsCleared() override { emit DesksChanged(); }

    std::optional<uint32_t> SessionDesk() const;
    void InstallHandlers();
    int AnswerBox(const std::string& text, unsigned type);
    void ConnectFinished(uint32_t desk, ClientConnection::ConnectResult result);
    void ReconnectFinished(uint32_t desk, ClientConnection::ConnectResult result);

    SessionState state_;
    ClientConnection client_{state_};
    SessionWorker worker_{client_};
    DeskTable table_{*this, this};
    ScreenStore screen_;
    StationHandover handover_{*this};
    std::map<uint32_t, StationRecord> stations_;  // latest heartbeat of each desk
    uint32_t connectingTo_ = kNoAddress;
    std::atomic<uint32_t> connectAttempt_{kNoAddress};  // read by the box handler
    uint32_t lostDesk_ = kNoAddress;
    int disconnectsPending_ = 0;
    ReconnectPacing reconnectPacing_;
    int deskMode_ = 0;
    bool started_ = false;
    bool shutDown_ = false;
};
