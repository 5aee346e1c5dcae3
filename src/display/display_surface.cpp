#include "display/display_surface.h"

#include <QMetaObject>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <cmath>
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

// The image the painter draws into, when the picture may be written into it
// directly: the raster engine's own 32-bit image (the window's backing
// store), not shared, at one device pixel per pixel and shifted only.
QImage* WritableStore(QPainter& painter) {
    QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster)
        return nullptr;
    QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image)
        return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    const bool plain32 =
        format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
    if (!plain32 || !image->isDetached() || image->devicePixelRatio() != 1.0)
        return nullptr;
    const QTransform& transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate ||
        transform.dx() != std::floor(transform.dx()) ||
        transform.dy() != std::floor(transform.dy()))
        return nullptr;
    if (painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    return image;
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

int DisplaySurface::Zoom() const {
    return state_.bigsize.load() == 0 ? 1 : 2;
}

// Called with the surface locked.
void DisplaySurface::Present() {
    const ScreenRows rows = unpresented_;
    unpresented_.reset();
    presented_ = true;
    if (rows.any())
        RequestRepaint(rows, Zoom());
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
            // Painted at once: update() would only queue another event.
            if (window != nullptr)
                window->repaint(PictureBands(rows, zoom));
        },
        Qt::QueuedConnection);
}

void DisplaySurface::Convert(const QRect& part, int zoom, uint8_t* target, int targetPitch) const {
    PresentRect({offscreen_.constBits(), static_cast<int>(offscreen_.bytesPerLine()),
                 offscreen_.depth(), target, targetPitch, zoom, part.x(), part.y(), part.width(),
                 part.height()});
}

QRegion DisplaySurface::Paint(QPainter& painter, const QRegion& area) {
    if (offscreen_.isNull())
        return {};
    const int zoom = Zoom();
    const QRegion covered = area & QRect(0, 0, kRemoteWidth * zoom, kRemoteHeight * zoom);
    QImage* const store = WritableStore(painter);
    const QPoint offset = painter.deviceTransform().map(QPoint(0, 0));
    std::lock_guard lock(surfaceMutex_);
    for (const QRect& part : covered) {
        const QRect at = part.translated(offset);
        if (store != nullptr && store->rect().contains(at)) {
            const int pitch = static_cast<int>(store->bytesPerLine());
            Convert(part, zoom, store->bits() + static_cast<ptrdiff_t>(at.y()) * pitch + 4 * at.x(),
                    pitch);
            continue;
        }
        if (scratch_.width() < part.width() || scratch_.height() < part.height())
            scratch_ = QImage(kRemoteWidth * 2, kRemoteHeight * 2, QImage::Format_RGB32);
        Convert(part, zoom, scratch_.bits(), static_cast<int>(scratch_.bytesPerLine()));
        painter.drawImage(part.topLeft(), scratch_, QRect(QPoint(0, 0), part.size()));
    }
    return covered;
}

bool DisplaySurface::NeedsFrame() const {
    return !presented_;
}

QImage DisplaySurface::OffscreenImage() const {
    std::lock_guard lock(surfaceMutex_);
    return offscreen_.copy();
}

QImage DisplaySurface::PresentedImage() const {
    if (!presented_ || offscreen_.isNull())
        return {};
    const int zoom = Zoom();
    QImage picture(kRemoteWidth * zoom, kRemoteHeight * zoom, QImage::Format_RGB32);
    std::lock_guard lock(surfaceMutex_);
    Convert(picture.rect(), zoom, picture.bits(), static_cast<int>(picture.bytesPerLine()));
    return picture;
}
