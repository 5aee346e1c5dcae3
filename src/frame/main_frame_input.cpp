// The main frame as the desk's touch screen and keyboard: pointer and key
// events on the frame and the bar's desk buttons become input messages. Each
// message is written from the handler that receives the event, so nothing
// waits for a timer or a repaint.

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "frame/command_bar.h"
#include "frame/desk_list.h"
#include "frame/main_frame.h"
#include "input/remote_input.h"

namespace {

KeyStroke StrokeOf(const QKeyEvent& event) {
    KeyStroke stroke;
    stroke.qtKey = event.key();
    stroke.text = event.text();
    stroke.modifiers = event.modifiers();
    stroke.nativeVirtualKey = event.nativeVirtualKey();
    stroke.nativeScanCode = event.nativeScanCode();
    stroke.autoRepeat = event.isAutoRepeat();
    return stroke;
}

bool IsEnter(int qtKey) {
    return qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
}

}  // namespace

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void CMainFrame::keyPressEvent(QKeyEvent* event) {
    // Accepted in every case: a key that travelled on to the handheld window
    // would be handed back to the frame.
    event->accept();
    if (IsShutDown() || HandToDeskList(event))
        return;
    input_->KeyPressed(StrokeOf(*event));
}

void CMainFrame::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (IsShutDown() || HandToDeskList(event))
        return;
    input_->KeyReleased(StrokeOf(*event));
    if (IsEnter(event->key()) && !event->isAutoRepeat())
        InputPanelHook(0);
}

// While the desk list is shown, keys are the list's, never the desk's.
bool CMainFrame::HandToDeskList(QKeyEvent* event) {
    if (RemoteViewShown())
        return false;
    // A key the list itself did not take travels back up to the frame: it
    // ends here.
    if (handingKeyToList_)
        return true;
    handingKeyToList_ = true;
    deskList_->setFocus();
    QKeyEvent copy = CMyListCtrl::CopyOf(*event);
    QApplication::sendEvent(deskList_, &copy);
    handingKeyToList_ = false;
    return true;
}

bool CMainFrame::RemoteViewShown() const {
    return deskList_ != nullptr && deskList_->isHidden();
}

void CMainFrame::mousePressEvent(QMouseEvent* event) {
    if (!RemoteViewShown()) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    input_->PointerPressed(at.x(), at.y());
}

void CMainFrame::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!RemoteViewShown() || event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    input_->PointerDoubleClicked(at.x(), at.y());
}

void CMainFrame::mouseMoveEvent(QMouseEvent* event) {
    if (!RemoteViewShown())
        return;
    const QPoint at = event->position().toPoint();
    input_->PointerMoved(at.x(), at.y());
}

void CMainFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (!RemoteViewShown() || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    input_->PointerReleased(at.x(), at.y());
}

void CMainFrame::RunDeskCommand(int command) {
    input_->RunCommand(command);
    if (command != kCmdShortcutMode)
        return;
    // The button's own toggle and the mode must never disagree, also when
    // the command comes from elsewhere than a click.
    if (QAction* shortcut = bar_->Action(kCmdShortcutMode))
        shortcut->setChecked(input_->ShortcutMode());
}
