#include "frame/frame_handover.h"

#include <QApplication>
#include <QCursor>
#include <QThread>

#include "discovery/network_shared.h"
#include "frame/main_frame.h"

FrameHandover::FrameHandover() {
    gate_.Close();  // until a frame is attached
}

void FrameHandover::Attach(CMainFrame* frame) {
    frame_ = frame;
    hidePending_ = false;
    chatPending_ = false;
    stations_.Clear();
    if (frame != nullptr) {
        gate_.Open();
    } else {
        gate_.Close();
    }
}

void FrameHandover::Post(FrameWork work) {
    // The frame pointer is read on the GUI thread only, when the work runs.
    gate_.Post([this, work = std::move(work)] {
        if (frame_ != nullptr)
            work(*frame_);
    });
}

void FrameHandover::Send(const FrameWork& work) {
    gate_.Send([this, &work] {
        if (frame_ != nullptr)
            work(*frame_);
    });
}

void FrameHandover::DeskRegistered(uint32_t desk, bool registered) {
    Send([desk, registered](CMainFrame& frame) { frame.SetDeskIcon(desk, registered ? 1 : 0); });
}

void FrameHandover::InputPanel(uint8_t show) {
    Post([show](CMainFrame& frame) { frame.InputPanelHook(show != 0 ? 1 : 0); });
}

void FrameHandover::DeskMode(uint8_t mode) {
    Post([mode](CMainFrame& frame) { frame.ShowDeskMode(mode); });
}

void FrameHandover::EnableSessionButtons(bool enable) {
    Post([enable](CMainFrame& frame) { frame.EnableSessionButtons(enable ? 1 : 0); });
}

void FrameHandover::LostConnection(uint32_t desk) {
    Send([desk](CMainFrame& frame) { frame.ShowLostConnection(desk); });
}

void FrameHandover::CloseAfterFatalError() {
    Send([](CMainFrame& frame) { frame.CloseFrame(); });
}

void FrameHandover::EnableViewSwitch() {
    Send([](CMainFrame& frame) { frame.EnableViewSwitch(); });
}

void FrameHandover::ShowDeskListAfterThrownOut() {
    Post([](CMainFrame& frame) { frame.ShowDeskListIfHidden(); });
}

void FrameHandover::HideDeskListForFrame() {
    if (!listShown_ || hidePending_.exchange(true))
        return;
    gate_.Post([this] {
        hidePending_ = false;
        if (frame_ != nullptr)
            frame_->HideDeskListForFrame();
    });
}

void FrameHandover::SetWaitCursor(bool on) {
    if (QThread::currentThread() != thread())
        return;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void FrameHandover::StationHeard(StationRecord station) {
    if (stations_.Put(station))
        gate_.Post([this] { DrainStations(); });
}

void FrameHandover::DrainStations() {
    ApplyWaitingStations();
    if (!stations_.FinishDrain())
        gate_.Post([this] { DrainStations(); });
}

void FrameHandover::ApplyWaitingStations() {
    for (const StationRecord& station : stations_.Take()) {
        // A nested event loop (a box) may have ended the frame meanwhile.
        if (frame_ == nullptr)
            return;
        frame_->ApplyStation(station);
    }
}

void FrameHandover::AgeTick() {
    gate_.Post([this] {
        // Whatever was heard counts before anything is aged out, so a busy
        // GUI thread never loses a desk that kept sending.
        ApplyWaitingStations();
        if (frame_ != nullptr)
            frame_->AgeDeskTable();
    });
}

void FrameHandover::SocketSetupFailed(std::string text, int error) {
    Post([text = std::move(text), error](CMainFrame&) { ReportSocketError(text, error); });
}

void FrameHandover::ChatMessageTaken(const ChatMessage& message) {
    // The foreign mark is set before the pending flag is looked at, so a
    // notice already queued but not yet run still sees it.
    if (message.foreign)
        chatForeign_ = true;
    if (chatPending_.exchange(true))
        return;
    gate_.Post([this] {
        chatPending_ = false;
        const bool foreign = chatForeign_.exchange(false);
        if (frame_ != nullptr)
            frame_->OnChatMessages(foreign);
    });
}
