#include "frame/main_frame.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <mutex>

#include "controls/encoder_btn.h"
#include "display/display_surface.h"
#include "frame/artwork.h"
#include "frame/command_bar.h"
#include "frame/connecting_panel.h"
#include "frame/desk_list.h"
#include "frame/frame_handover.h"
#include "input/remote_input.h"
#include "platform/message_box.h"
#include "platform/winsock.h"
#include "session/client_connection.h"
#include "session/session_state.h"
#include "session/session_worker.h"
#include "settings/settings.h"

namespace {

constexpr int kLabelHeight = 20;
constexpr int kBigButton = 39;
constexpr int kBigBitmap = 32;
constexpr int kSmallBitmap = 16;
constexpr int kKeyboardIndexSmall = 10;
constexpr int kKeyboardIndexBig = 12;

const char kStrip[] = "toolbar";

}  // namespace

CMainFrame::CMainFrame(QWidget* parent, const QRect& area, const StationServices& services,
                       NetworkThreads threads)
    : QWidget(parent),
      table_(*this),
      services_(services),
      threads_(std::move(threads)),
      input_(std::make_unique<RemoteInput>(services.input, services.state, services.keys)) {
    setObjectName(QStringLiteral("mainFrame"));
    setGeometry(area);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setFocusPolicy(Qt::StrongFocus);
    // Every move goes to the desk, pressed or not.
    setMouseTracking(true);
    setWindowTitle(QStringLiteral("Kel Remote"));

    EnsureArtwork();
    CreateCommandBar();
    ReadFrameSettings(services_.state);
    if (const auto user = ReadStoredUser())
        services_.state.SetCurrentUser(STRING(*user));

    label_ = new QLabel(QStringLiteral(" Available Desks:"), this);
    label_->setObjectName(QStringLiteral("deskLabel"));
    label_->setTextFormat(Qt::PlainText);
    label_->setAutoFillBackground(true);
    label_->setPalette(white);
    label_->setGeometry(0, 0, width(), kLabelHeight);
    // A click the label does not take must not become a tap on the desk.
    label_->setAttribute(Qt::WA_NoMousePropagation);

    deskList_ = new CMyListCtrl(table_, this);
    deskList_->SetImages(ArtIcon(QStringLiteral("desk_connected")),
                         ArtIcon(QStringLiteral("desk_not_connected")));
    deskList_->setAttribute(Qt::WA_NoMousePropagation);
    table_.SetView(deskList_);
    connect(deskList_, &CMyListCtrl::DeskClicked, this, &CMainFrame::OnDeskClicked);
    connecting_ = new ConnectingPanel(this);
    connect(connecting_, &ConnectingPanel::CancelRequested, this, &CMainFrame::CancelConnect);
    worker_ = std::make_unique<SessionWorker>(services_.client);

    CreateDisplay();
    if (services_.handover != nullptr)
        services_.handover->Attach(this);
    if (threads_.start)
        threads_.start();
    LayoutFrame();
}

CMainFrame::~CMainFrame() {
    ShutdownFrame();
    const STRING user = services_.state.CurrentUser();
    // After a fatal error the stored name is kept as it was.
    if (!user.IsNull() && !user.Text().empty() && services_.state.fatal.load() == 0)
        WriteStoredUser(user.Text());
    table_.SetView(nullptr);
}

void CMainFrame::CreateCommandBar() {
    bar_ = new MyCCeCommandBar(this);
    bar_->Create(this);
    // Clicks between the bar's buttons are not taps on the remote screen.
    bar_->setAttribute(Qt::WA_NoMousePropagation);
    bar_->LoadToolBar(MainBarItems(), QString::fromLatin1(kStrip));
    bar_->SetTooltips(MainBarTooltips());
    EnableSessionButtons(0);
    bar_->EnableButton(kCmdPrevious, false);
    bar_->EnableButton(kCmdNext, false);
    bar_->ReplaceImage(8, ArtIcon(QStringLiteral("shortcut_mode")));
    if (QAction* shortcut = bar_->Action(kCmdShortcutMode))
        shortcut->setCheckable(true);
    bar_->EnableButton(kCmdShortcutMode, false);
    buttonSize_ = bar_->ButtonSize();
    barHeight_ = bar_->sizeHint().height();
    connect(bar_, &MyCCeCommandBar::Command, this, &CMainFrame::OnCommand);
}

void CMainFrame::LayoutFrame() {
    const int clientWidth = width();
    const int clientBottom = height();
    const int keyboardIndex = bar_->CommandToIndex(kCmdKeyboard);
    int listHeight = 0;
    if (services_.state.bigsize.load() != 0) {
        if (keyboardIndex == kKeyboardIndexSmall)
            bar_->MoveButton(kKeyboardIndexSmall, kKeyboardIndexBig);
        bar_->SetSizes(QSize(kBigBitmap, kBigBitmap), QSize(kBigButton, kBigButton));
        listHeight = clientBottom - (kBigButton + kLabelHeight);
        bar_->setGeometry(0, clientBottom - kBigButton, clientWidth, kBigButton);
    } else {
        if (keyboardIndex == kKeyboardIndexBig)
            bar_->MoveButton(kKeyboardIndexBig, kKeyboardIndexSmall);
        bar_->SetSizes(QSize(kSmallBitmap, kSmallBitmap), buttonSize_);
        listHeight = clientBottom - barHeight_ - kLabelHeight;
        bar_->setGeometry(0, clientBottom - barHeight_, clientWidth, barHeight_);
    }
    label_->setGeometry(0, 0, clientWidth, kLabelHeight);
    deskList_->setGeometry(0, kLabelHeight, clientWidth, listHeight);
    connecting_->setGeometry(0, 0, clientWidth, kLabelHeight + listHeight);
    bar_->show();
    deskList_->doItemsLayout();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (bar_ != nullptr && label_ != nullptr && deskList_ != nullptr && connecting_ != nullptr)
        LayoutFrame();
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

void CMainFrame::ShowDeskList() {
    {
        // Under the session lock, so a frame being drawn never overlaps the
        // switch.
        std::lock_guard lock(services_.client.SessionLock());
        services_.state.remoteView.store(0);
    }
    MarkDeskListShown(true);
    deskList_->show();
    label_->show();
    update();
}

void CMainFrame::HideDeskList() {
    services_.state.remoteView.store(1);
    MarkDeskListShown(false);
    deskList_->hide();
    label_->hide();
    input_->ForgetPresses();
    // Keys typed on the remote view go to the desk, not to the hidden list.
    setFocus();
    ShowCurrentFrame();
}

void CMainFrame::ShowDeskListIfHidden() {
    if (deskList_->isHidden() || label_->isHidden())
        ShowDeskList();
    setFocus();
}

void CMainFrame::HideDeskListForFrame() {
    if (services_.state.remoteView.load() == 0)
        return;
    // Mostly the list is hidden already: the frame's picture then repaints
    // what it changed by itself.
    if (deskList_->isHidden() && label_->isHidden())
        return;
    MarkDeskListShown(false);
    deskList_->hide();
    label_->hide();
    input_->ForgetPresses();
    setFocus();
    update();
}

void CMainFrame::EnableSessionButtons(int enable) {
    for (int command :
         {kCmdDeskSwitch, kCmdViews, kCmdCursorResolutionKey, kCmdCursorResolution, kCmdRefresh}) {
        bar_->EnableButton(command, enable != 0);
    }
    // Shortcut mode only has an effect while the desk is ready, so its
    // button follows the desk buttons.
    bar_->EnableButton(kCmdShortcutMode, enable != 0);
}

void CMainFrame::EnableViewSwitch() {
    bar_->EnableButton(kCmdDeskSwitch, true);
}

void CMainFrame::ShowDeskMode(uint8_t mode) {
    const char* icon = nullptr;
    switch (mode) {
        case 0:
            icon = "mode_fine";
            break;
        case 5:
            icon = "mode_medium";
            break;
        case 8:
            icon = "mode_coarse";
            break;
        default:
            break;
    }
    if (icon != nullptr)
        bar_->ReplaceImage(1, QString::fromLatin1(icon));
    if (QAction* action = bar_->Action(kCmdCursorResolution))
        action->changed();
}

void CMainFrame::InputPanelHook(int) {}

void CMainFrame::ShutdownFrame() {
    if (shutDown_)
        return;
    shutDown_ = true;
    if (services_.handover != nullptr)
        services_.handover->Attach(nullptr);
    services_.state.remoteView.store(0);
    hide();
    if (threads_.stop)
        threads_.stop();
    // Deregistration is the worker's; a vanished desk costs a bounded wait
    // with the window already hidden, never a frozen one. Boxes the worker
    // would still ask for get their cautious answer at once.
    CloseMessageBoxes();
    replies_.Close();
    worker_->CancelConnect();
    worker_->Disconnect();
    worker_->Finish(SessionWorker::kTeardownBound);
    table_.ClearDeskList();
    DestroyDisplay();
}

void CMainFrame::ClearDeskList() {
    table_.ClearDeskList();
}

void CMainFrame::SetDeskIcon(uint32_t desk, int connected) {
    table_.SetDeskIcon(desk, connected);
}

void CMainFrame::ApplyStation(const StationRecord& station) {
    table_.ApplyStation(station);
}

void CMainFrame::AgeDeskTable() {
    table_.Age();
}

void CMainFrame::CloseFrame() {
    ShutdownFrame();
    emit CloseRequested();
}

bool CMainFrame::CreateDisplay() {
    DestroyDisplay();
    display_ = std::make_unique<DisplaySurface>(this, DisplayDepthFor(this), services_.state);
    services_.client.SetDisplayTarget(display_.get());
    return display_->Format().bitsPerPixel == 16;
}

bool CMainFrame::DestroyDisplay() {
    if (display_ == nullptr)
        return false;
    // Detaching takes the session lock: a frame being written ends first.
    services_.client.SetDisplayTarget(nullptr);
    display_.reset();
    return true;
}

bool CMainFrame::RecreateIfLost() {
    if (display_ != nullptr && DisplayDepthFor(this) != display_->Depth())
        CreateDisplay();
    return true;
}

void CMainFrame::DisplayChanged() {
    RecreateIfLost();
}
