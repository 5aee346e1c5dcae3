#include "display/display_surface.h"

#include <QMetaObject>
#include <QPainter>
#include <QScreen>
#include <utility>

#include "display/display_surface_errors.h"
#include "display/presentation_rows.h"
#include "session/session_state.h"

namespace {

int g_depthOverride = 0;

}  // namespace

int DisplayDepthFor(const QWidget* window) {
    if (g_depthOverride != 0)
        return g_depthOverride;
    const QScreen* screen = window != nullptr ? window->screen() : nullptr;
    return screen != nullptr ? screen->depth() : 32;
}

void SetDisplayDepthOverride(int depth) {
    g_depthOverride = depth;
}

namespace {

// The rows as bands of the picture at the given zoom, one rectangle per run
// of consecutive rows.
QRegion PictureBands(const ScreenRows& rows, int zoom) {
    QRegion bands;
    for (int y = 0; y < kRemoteHeight;) {
        if (!rows.test(static_cast<size_t>(y))) {
            ++y;
            continue;
        }
        const int first = y;
        while (y < kRemoteHeight && rows.test(static_cast<size_t>(y)))
            ++y;
        bands += QRect(0, first * zoom, kRemoteWidth * zoom, (y - first) * zoom);
    }
    return bands;
}

}  // namespace

// The rows presented since the window's last queued repaint.
struct DisplaySurface::Repaint {
    std::mutex mutex;
    ScreenRows rows;
    int zoom = 1;
    bool queued = false;
};

DisplaySurface::DisplaySurface(QWidget* window, int depth, const SessionState& state)
    : window_(window), depth_(depth), state_(state), repaint_(std::make_shared<Repaint>()) {
    const bool sixteen = depth == 16;
    offscreen_ =
        QImage(kRemoteWidth, kRemoteHeight, sixteen ? QImage::Format_RGB16 : QImage::Format_RGB32);
    if (offscreen_.isNull()) {
        DirectXErrorText(0x8007000E);  // out of memory
        return;
    }
    offscreen_.fill(0);
    const int pitch = static_cast<int>(offscreen_.bytesPerLine());
    format_ = sixteen ? MakeRgb16Format(pitch) : MakeRgb32Format(pitch);
}

uint8_t* DisplaySurface::LockScreen() {
    if (offscreen_.isNull())
        return nullptr;
    surfaceMutex_.lock();
    return offscreen_.bits();
}

void DisplaySurface::RowsWritten(const ScreenRows& changed) {
    unpresented_ |= changed;
}

bool DisplaySurface::UnlockScreen() {
    if (offscreen_.isNull())
        return true;
    if (state_.remoteView.load() != 0)
        Present();
    surfaceMutex_.unlock();
    return true;
}

uint32_t DisplaySurface::PresentScreen() {
    if (offscreen_.isNull())
        return DDERR_INVALIDOBJECT;
    std::lock_guard lock(surfaceMutex_);
    unpresented_.set();
    Present();
    return kDisplayResultOk;
}

// Called with the surface locked.
void DisplaySurface::Present() {
    const int zoomMode = state_.bigsize.load();
    const int zoom = zoomMode == 0 ? 1 : 2;
    ScreenRows rows = unpresented_;
    unpresented_.reset();
    {
        std::lock_guard lock(presentMutex_);
        const QSize size(kRemoteWidth * zoom, kRemoteHeight * zoom);
        if (presentation_.size() != size) {
            presentation_ = QImage(size, QImage::Format_RGB32);
            rows.set();
        }
        if (presentation_.isNull())
            return;
        PresentRows({offscreen_.constBits(), static_cast<int>(offscreen_.bytesPerLine()),
                     offscreen_.depth(), presentation_.bits(),
                     static_cast<int>(presentation_.bytesPerLine()), zoom},
                    rows);
        presentedZoom_ = zoomMode;
    }
    if (rows.any())
        RequestRepaint(rows, zoom);
}

// One queued repaint at a time; frames presented before it runs add their
// rows to it.
void DisplaySurface::RequestRepaint(const ScreenRows& rows, int zoom) {
    if (window_ == nullptr)
        return;
    {
        std::lock_guard lock(repaint_->mutex);
        if (repaint_->zoom != zoom)
            repaint_->rows.reset();  // the previous rows were at the other size
        repaint_->rows |= rows;
        repaint_->zoom = zoom;
        if (std::exchange(repaint_->queued, true))
            return;
    }
    QMetaObject::invokeMethod(
        window_.data(),
        [window = window_, repaint = repaint_] {
            ScreenRows rows;
            int zoom = 1;
            {
                std::lock_guard lock(repaint->mutex);
                rows = repaint->rows;
                zoom = repaint->zoom;
                repaint->rows.reset();
                repaint->queued = false;
            }
            if (window != nullptr)
                window->update(PictureBands(rows, zoom));
        },
        Qt::QueuedConnection);
}

QRegion DisplaySurface::Paint(QPainter& painter, const QRegion& area) {
    std::lock_guard lock(presentMutex_);
    if (presentation_.isNull())
        return {};
    const QRegion covered = area & presentation_.rect();
    for (const QRect& part : covered)
        painter.drawImage(part.topLeft(), presentation_, part);
    return covered;
}

bool DisplaySurface::NeedsFrame(int zoom) const {
    std::lock_guard lock(presentMutex_);
    return presentation_.isNull() || (presentedZoom_ == 0) != (zoom == 0);
}

QImage DisplaySurface::OffscreenImage() const {
    std::lock_guard lock(surfaceMutex_);
    return offscreen_.copy();
}

QImage DisplaySurface::PresentedImage() const {
    std::lock_guard lock(presentMutex_);
    return presentation_.copy();
}
