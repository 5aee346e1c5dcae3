#pragma once
// The main frame: the child window covering the handheld's screen. It holds
// the " Available Desks:" label, the desk list and the command bar, shows the
// remote screen in their place, and is the GUI end of every worker thread
// (through FrameHandover). GUI thread only.

#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "discovery/desk_table.h"
#include "input/command_ids.h"
#include "platform/gui_gate.h"
#include "session/lost_connection.h"

#include "frame/station_services.h"

class CChatDlg;
class CKeyboardDialog;
class CMyListCtrl;
class CReconnectDlg;
class ConnectingPanel;
class DisplaySurface;
class MyCCeCommandBar;
class QTimer;
class RemoteInput;
class SessionWorker;

// "Kel Remote Version: 5.70", with the current user while a session is open.
std::string VersionBoxText(unsigned version, bool sessionOpen, const std::string& user);

// Starting and stopping the network threads that feed the frame (heartbeats
// and chat). Empty functions do nothing.
struct NetworkThreads {
    std::function<void()> start;
    std::function<void()> stop;
};

class CMainFrame : public QWidget, private DeskTableActions {
    Q_OBJECT
  public:
    // services.handover is attached to this frame while it lives.
    CMainFrame(QWidget* parent, const QRect& area, const StationServices& services,
               NetworkThreads threads = {});
    ~CMainFrame() override;

    // Places label, desk list and command bar for the current zoom mode.
    void LayoutFrame();
    void ShowDeskList();
    void HideDeskList();
    void EnableSessionButtons(int enable);
    void ShowLostConnection(uint32_t desk);
    // Stops the network threads, closes the session, empties the desk list and
    // deletes the display. A second run does nothing.
    void ShutdownFrame();
    void ClearDeskList();
    void SetDeskIcon(uint32_t desk, int connected);

    // The display of this window: built in the screen's format and handed
    // to the session as its display target; rebuilt when the window's screen
    // changed its depth (the stand-in for a lost surface). GUI thread.
    bool CreateDisplay();
    bool DestroyDisplay();
    bool RecreateIfLost();
    void DisplayChanged();
    DisplaySurface* Display() const { return display_.get(); }

    // Worker handovers.
    void ApplyStation(const StationRecord& station);
    void AgeDeskTable();
    void ShowDeskMode(uint8_t mode);
    void EnableViewSwitch();
    void ShowDeskListIfHidden();
    void HideDeskListForFrame();
    void InputPanelHook(int show);
    // Closes the program's window in order (exit confirmed, fatal session
    // error).
    void CloseFrame();

    // Chat (main_frame_chat.cpp). New messages were taken (one merged
    // handover for any number): the open chat dialog shows them; otherwise
    // a foreign one is signalled as the chatSignal bits say.
    void OnChatMessages(bool foreign);
    // Runs the chat dialog modally; opening it ends the new-message signal.
    void RunChatDialog();
    // ChatRepeatTimer: the new-message signal every 3 s while the chat dialog
    // is closed. Stopped when the dialog opens or repeating is switched off.
    void StopChatRepeatTimer();
    bool ChatRepeatTimerRunning() const;
    // One signal of the repeat timer: beep, title notice, repaint.
    void OnChatRepeatTimer();
    // The chat button shows that messages are waiting.
    bool ChatButtonMarked() const { return chatMarked_; }
    CChatDlg* ChatDialog() const { return chatDialog_; }
    // The on-screen keyboard, owned by the frame and shown beside the
    // handheld window: one command opens and closes it. Closing lets go of
    // its latched Shift and Caps Lock. Keyboard() is null while closed.
    void ToggleKeyboard();
    void OpenKeyboard();
    void CloseKeyboard();
    CKeyboardDialog* Keyboard() const;

    // Runs a command id as the bar, the menus and the desk list issue them.
    void OnCommand(int command);
    // The settings sheet and the help sheet, each run modally; the remote
    // view is shown as before once they close.
    void RunSettingsSheet();
    void RunHelpSheet();
    // A click on desk row index (click point in list coordinates).
    void OnDeskClicked(int index, QPoint point);
    // Opens a session off the GUI thread, with the "Connecting to" notice
    // and its Cancel over the list meanwhile.
    void StartConnect(uint32_t desk);
    void CancelConnect();
    bool Connecting() const { return connectingTo_ != kNoAddress; }
    // True while the remote screen is shown in place of the desk list: only
    // then do the pointer, the keys and the wheel go to the desk.
    bool RemoteViewShown() const;
    // Draws the frame buffer as it stands, so the remote screen never shows
    // an old picture when it comes back.
    void ShowCurrentFrame();
    // The open lost-connection dialog, or null.
    CReconnectDlg* LostConnectionDialog() const { return lostDialog_; }
    ConnectingPanel& ConnectingNotice() { return *connecting_; }

    MyCCeCommandBar& CommandBar() { return *bar_; }
    CMyListCtrl& DeskList() { return *deskList_; }
    // The operator's pointer and keys on the remote view, as the desk gets them.
    RemoteInput& Input() { return *input_; }
    QLabel& DeskLabel() { return *label_; }
    DeskTable& Desks() { return table_; }
    bool IsShutDown() const { return shutDown_; }

  signals:
    // The frame asks its window to close (exit confirmed or fatal error).
    void CloseRequested();

  protected:
    // Tab belongs to the desk, not to the focus chain.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Keys and the pointer on the frame itself go to the desk; the frame's
    // children (desk list, label, bar) keep their own.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The skin's menu belongs to the skin, not to the screen area.
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // DeskTableActions
    std::optional<uint32_t> CurrentDesk() override;
    void Disconnect() override;
    void OpenLostConnectionDialog(uint32_t address) override;
    bool LostConnectionDialogOpen(uint32_t& address) override;
    void EndLostConnectionDialog(int result) override;
    void ReconnectSilently(uint32_t address) override;

    void ConnectFinished(uint32_t desk, int result);
    void LostConnectionDialogFinished(int result);
    void ReconnectFinished(uint32_t desk, int result, const QString& failure);
    bool HandToDeskList(QKeyEvent* event);
    // Whether the desk list shows. While it does not, the frame paints its
    // own background around the picture instead of filling all of it under
    // every frame, and frames send no requests to hide the list.
    void MarkDeskListShown(bool shown);

    void CreateCommandBar();
    void RunDeskCommand(int command);
    void ShowVersionBox();
    void ConfirmExit();
    void ChangeOwnAddressWaiting(uint32_t address);
    int RunDeskPopup(QPoint globalPoint);
    void MarkChatButton(bool marked);
    void TitleHook(const QString& notice);

    DeskTable table_;
    StationServices services_;
    NetworkThreads threads_;
    std::unique_ptr<RemoteInput> input_;
    std::unique_ptr<DisplaySurface> display_;
    std::unique_ptr<SessionWorker> worker_;
    // The worker's reports reach the GUI thread through it; closed at
    // shutdown.
    GuiGate replies_{this};
    ConnectingPanel* connecting_ = nullptr;
    uint32_t connectingTo_ = kNoAddress;
    int disconnectsPending_ = 0;
    CReconnectDlg* lostDialog_ = nullptr;
    ReconnectPacing reconnectPacing_;
    QPointer<CKeyboardDialog> keyboard_;
    QLabel* label_ = nullptr;
    CMyListCtrl* deskList_ = nullptr;
    MyCCeCommandBar* bar_ = nullptr;
    QSize buttonSize_;
    int barHeight_ = 0;
    bool shutDown_ = false;
    bool handingKeyToList_ = false;
    QTimer* chatRepeatTimer_ = nullptr;  // made on first use
    bool titleBlink_ = true;
    bool chatMarked_ = false;
    // ChatDialogWindow: the chat dialog while it runs (modally, from here).
    CChatDlg* chatDialog_ = nullptr;
};
