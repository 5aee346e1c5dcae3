#pragma once
// The main frame: the child window covering the handheld's screen. It holds
// the " Available Desks:" label, the desk list and the command bar, shows the
// remote screen in their place, and is the GUI end of every worker thread
// (through FrameHandover). GUI thread only.

#include <QIcon>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "discovery/desk_table.h"
#include "input/command_ids.h"

#include "frame/station_services.h"

class CMyListCtrl;
class DisplaySurface;
class MyCCeCommandBar;
class RemoteInput;

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

    // Runs a command id as the bar, the menus and the desk list issue them.
    void OnCommand(int command);
    // The settings sheet and the help sheet, each run modally; the remote
    // view is shown as before once they close.
    void RunSettingsSheet();
    void RunHelpSheet();
    // A click on desk row index (click point in list coordinates).
    void OnDeskClicked(int index, QPoint point);

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
    uint32_t CurrentDesk() override;
    void Disconnect() override;
    int RunLostConnectionDialog(uint32_t address) override;
    bool LostConnectionDialogOpen(uint32_t& address) override;
    void EndLostConnectionDialog(int result) override;
    void Connect(uint32_t address, int silent) override;

    void CreateCommandBar();
    void RunDeskCommand(int command);
    void ShowVersionBox();
    void ConfirmExit();
    void ShowNotAvailable();
    void ChangeOwnAddressWaiting(uint32_t address);
    int RunDeskPopup(QPoint globalPoint);

    DeskTable table_;
    StationServices services_;
    NetworkThreads threads_;
    std::unique_ptr<RemoteInput> input_;
    std::unique_ptr<DisplaySurface> display_;
    QLabel* label_ = nullptr;
    CMyListCtrl* deskList_ = nullptr;
    MyCCeCommandBar* bar_ = nullptr;
    QSize buttonSize_;
    int barHeight_ = 0;
    bool shutDown_ = false;
};
