#include "app/handheld_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>

#include "app/handheld_geometry.h"
#include "app/screen_info.h"
#include "controls/encoder_btn.h"
#include "frame/artwork.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "input/command_ids.h"
#include "input/desk_input_sink.h"
#include "session/session_state.h"
#include "settings/settings.h"

namespace {

QPointer<QWidget> g_handheld;

constexpr int kWheelStep = 120;

}  // namespace

QWidget* GetHandheldWindow() {
    return g_handheld.data();
}

CHandheldDlg::CHandheldDlg(const StationServices& services)
    : QWidget(nullptr), services_(services) {
    EnsureArtwork();
    setObjectName(QStringLiteral("handheld"));
    setWindowTitle(QStringLiteral("Kel Remote"));
    setWindowIcon(ArtIcon(QStringLiteral("app_icon")));
    // Only the buttons named here: a window of fixed size offers no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CHandheldDlg::~CHandheldDlg() {
    DestroyWindow();
    qApp->removeEventFilter(this);
}

EncoderBtn* CHandheldDlg::Button(int index) const {
    return index >= 0 && index < kEncoderButtonCount ? buttons_[static_cast<size_t>(index)]
                                                     : nullptr;
}

void CHandheldDlg::OnInitDialog(const NetworkThreads& threads) {
    const ScreenInfo screen = CurrentScreenInfo();
    sizeCommand_ = ScreenOffersBigSize(screen.size);
    services_.state.bigsize.store(static_cast<int>(ZoomAtStart(ReadZoomMode(), screen.size)));

    const auto x = ReadWindowX();
    const auto y = ReadWindowY();
    if (x && y) {
        move(ClampedWindowPosition(*x, *y, screen.size));
    } else {
        move(0, 0);
    }

    const uint32_t zoom = Zoom();
    for (int i = 0; i < kEncoderButtonCount; ++i) {
        buttons_[static_cast<size_t>(i)] = new EncoderBtn(
            QPoint(0, 0), HandheldButtonSize(zoom), i, this,
            QString::fromLatin1(HandheldButtonLabel(i)), services_.input, services_.state);
        buttons_[static_cast<size_t>(i)]->setToolTip(QString::fromLatin1(HandheldButtonTip(i)));
    }
    LayoutButtons();

    frame_ = new CMainFrame(this, MainFrameRect(zoom), services_, threads);
    connect(frame_, &CMainFrame::CloseRequested, this, &QWidget::close);
    frame_->setFocus();
    g_handheld = this;
    ApplyWindowSize();
    // Wheel turns anywhere in the window go to the desk, also over the list.
    qApp->installEventFilter(this);
}

uint32_t CHandheldDlg::Zoom() const {
    return static_cast<uint32_t>(services_.state.bigsize.load());
}

void CHandheldDlg::LayoutButtons() {
    const uint32_t zoom = Zoom();
    const int size = HandheldButtonSize(zoom);
    for (int i = 0; i < kEncoderButtonCount; ++i) {
        EncoderBtn* button = buttons_[static_cast<size_t>(i)];
        if (button == nullptr)
            continue;
        const QPoint at = HandheldButtonPosition(i, zoom);
        button->SetGeometry(at.x(), at.y(), size, size);
    }
}

// The table's sizes are outer sizes; the client area is what remains inside
// the window manager's frame.
void CHandheldDlg::ApplyWindowSize() {
    const QSize outer = HandheldWindowSize(Zoom());
    setFixedSize(outer - (frameGeometry().size() - geometry().size()));
}

// The window manager's frame is known once the window is shown.
void CHandheldDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ApplyWindowSize();
    // Moving to a screen of another depth rebuilds the display.
    if (QWindow* handle = windowHandle(); handle != nullptr && !watchingScreen_) {
        watchingScreen_ = true;
        connect(handle, &QWindow::screenChanged, this, [this] {
            if (frame_ != nullptr && !frame_->IsShutDown())
                frame_->DisplayChanged();
        });
    }
}

QString CHandheldDlg::SizeCommandLabel() const {
    return sizeCommand_ ? QString::fromLatin1(SizeCommandText(Zoom())) : QString();
}

void CHandheldDlg::ToggleSize() {
    const uint32_t zoom = ToggledZoom(Zoom(), CurrentScreenInfo().size.height());
    services_.state.bigsize.store(static_cast<int>(zoom));
    ApplyWindowSize();
    if (frame_ != nullptr)
        frame_->setGeometry(MainFrameRect(zoom));
    LayoutButtons();
    if (frame_ != nullptr) {
        frame_->LayoutFrame();
        frame_->update();
    }
    update();
}

void CHandheldDlg::ShowSkinMenu(QPoint globalPoint) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("skinMenu"));
    QAction* size = sizeCommand_ ? menu.addAction(SizeCommandLabel()) : nullptr;
    QAction* exit = menu.addAction(QStringLiteral("Exit"));
    QAction* chosen = menu.exec(globalPoint);
    if (chosen != nullptr && chosen == size)
        ToggleSize();
    if (chosen != nullptr && chosen == exit && frame_ != nullptr)
        frame_->OnCommand(kCmdExit);
}

void CHandheldDlg::contextMenuEvent(QContextMenuEvent* event) {
    ShowSkinMenu(event->globalPos());
}

void CHandheldDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(),
                       ArtPixmap(QStringLiteral("skin_background"), size(), devicePixelRatioF()));
}

// No dialog navigation: Enter and Escape never close the window; keys that
// reach it go to the main frame.
void CHandheldDlg::keyPressEvent(QKeyEvent* event) {
    ForwardKey(event);
}
void CHandheldDlg::keyReleaseEvent(QKeyEvent* event) {
    ForwardKey(event);
}

void CHandheldDlg::ForwardKey(QKeyEvent* event) {
    event->accept();
    if (frame_ == nullptr || frame_->IsShutDown())
        return;
    QKeyEvent copy = CMyListCtrl::CopyOf(*event);
    QApplication::sendEvent(frame_, &copy);
    forwardingKey_ = false;
}

bool CHandheldDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        // One turn of the wheel reaches several widgets (parents, a scroll
        // area's scroll bar); count it once.
        const bool seen = wheel->timestamp() == lastWheelStamp_ &&
                          wheel->globalPosition() == lastWheelAt_ &&
                          wheel->angleDelta() == lastWheelDelta_;
        lastWheelStamp_ = wheel->timestamp();
        lastWheelAt_ = wheel->globalPosition();
        lastWheelDelta_ = wheel->angleDelta();
        if (!seen)
            OnWheel(wheel->angleDelta());
    }
    return QWidget::eventFilter(watched, event);
}

// Only the vertical wheel turns the encoder, one step per notch; the finer
// steps of high-resolution wheels and touchpads add up to notches, and a
// wheel turned while the desk list is shown scrolls the list.
void CHandheldDlg::OnWheel(QPoint delta) {
    if (frame_ == nullptr || !frame_->RemoteViewShown() || delta.y() == 0) {
        wheelRest_ = 0;
        return;
    }
    if ((wheelRest_ < 0) != (delta.y() < 0))
        wheelRest_ = 0;  // turned the other way: the part turned so far is dropped
    wheelRest_ += delta.y();
    while (wheelRest_ >= kWheelStep || wheelRest_ <= -kWheelStep) {
        const bool up = wheelRest_ > 0;
        wheelRest_ += up ? -kWheelStep : kWheelStep;
        services_.input.SendButton(1, up ? kKeyUp : kKeyDown);
    }
}

void CHandheldDlg::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (frame_ != nullptr && !frame_->IsShutDown()) {
            frame_->RecreateIfLost();
            frame_->setFocus();
        }
    }
}

void CHandheldDlg::closeEvent(QCloseEvent* event) {
    DestroyWindow();
    event->accept();
}

void CHandheldDlg::DestroyWindow() {
    if (destroyed_ || frame_ == nullptr)
        return;
    destroyed_ = true;
    // Gone from the screen at once, even if the desk takes a while to hear
    // that the station leaves.
    hide();
    qApp->removeEventFilter(this);
    for (EncoderBtn*& button : buttons_) {
        delete button;
        button = nullptr;
    }
    frame_->ShutdownFrame();
    const QPoint at = pos();
    WriteWindowX(at.x());
    WriteWindowY(at.y());
    WriteZoomMode(Zoom());
    frame_->CloseKeyboard();
}
