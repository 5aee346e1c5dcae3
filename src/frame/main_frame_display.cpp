// The main frame's paint: the remote screen's picture while it is shown, the
// window colour around it.

#include <QPaintEvent>
#include <QPainter>

#include "display/display_surface.h"
#include "frame/frame_handover.h"
#include "frame/main_frame.h"
#include "session/client_connection.h"
#include "session/session_state.h"

void CMainFrame::MarkDeskListShown(bool shown) {
    setAttribute(Qt::WA_OpaquePaintEvent, !shown);
    if (services_.handover != nullptr)
        services_.handover->DeskListShown(shown);
}

void CMainFrame::paintEvent(QPaintEvent* event) {
    const bool picture = services_.state.remoteView.load() != 0 && display_ != nullptr;
    const bool opaque = testAttribute(Qt::WA_OpaquePaintEvent);
    if (!picture && !opaque)
        return;  // the background is filled for the desk list
    QPainter painter(this);
    QRegion covered;
    if (picture) {
        // A rebuilt display has no picture yet; the session draws it and asks
        // for the next repaint.
        if (display_->NeedsFrame())
            services_.client.UpdateScreen();
        covered = display_->Paint(painter, event->region());
    }
    if (opaque) {
        const QBrush background = palette().brush(backgroundRole());
        for (const QRect& rest : event->region() - covered)
            painter.fillRect(rest, background);
    }
}
