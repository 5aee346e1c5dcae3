#include "display/display_surface.h"

#include <QMetaObject>
#include <QPainter>
#include <QScreen>
#include <cstring>

#include "display/display_surface_errors.h"
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

// Expands a field to 8 bits the way the 32-bit surface stores it: the source
// bits on top, the low bits zero.
inline uint32_t Rgb32From565(uint16_t p) {
    return 0xFF000000u | (static_cast<uint32_t>(p & 0xF800) << 8) |
           (static_cast<uint32_t>(p & 0x07E0) << 5) | (static_cast<uint32_t>(p & 0x001F) << 3);
}

template <typename PixelToRgb32>
void ConvertRows(const QImage& source, QImage& target, int zoom, PixelToRgb32 toRgb32) {
    using Pixel = typename PixelToRgb32::Pixel;
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const Pixel*>(source.constScanLine(y));
        auto* out = reinterpret_cast<uint32_t*>(target.scanLine(y * zoom));
        if (zoom == 1) {
            for (int x = 0; x < source.width(); ++x)
                out[x] = toRgb32(in[x]);
        } else {
            for (int x = 0; x < source.width(); ++x)
                out[2 * x] = out[2 * x + 1] = toRgb32(in[x]);
            std::memcpy(target.scanLine(y * 2 + 1), out,
                        static_cast<size_t>(target.bytesPerLine()));
        }
    }
}

struct From565 {
    using Pixel = uint16_t;
    uint32_t operator()(uint16_t p) const { return Rgb32From565(p); }
};

struct From32 {
    using Pixel = uint32_t;
    uint32_t operator()(uint32_t p) const { return 0xFF000000u | p; }
};

}  // namespace

DisplaySurface::DisplaySurface(QWidget* window, int depth, const SessionState& state)
    : window_(window),
      depth_(depth),
      state_(state),
      repaintPending_(std::make_shared<std::atomic<bool>>(false)) {
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
    Present();
    return kDisplayResultOk;
}

// Called with the surface locked.
void DisplaySurface::Present() {
    const int zoomMode = state_.bigsize.load();
    const int zoom = zoomMode == 0 ? 1 : 2;
    {
        std::lock_guard lock(presentMutex_);
        const QSize size(kRemoteWidth * zoom, kRemoteHeight * zoom);
        if (presentation_.size() != size)
            presentation_ = QImage(size, QImage::Format_RGB32);
        if (offscreen_.format() == QImage::Format_RGB16) {
            ConvertRows(offscreen_, presentation_, zoom, From565{});
        } else {
            ConvertRows(offscreen_, presentation_, zoom, From32{});
        }
        presentedZoom_ = zoomMode;
    }
    // One queued repaint at a time; frames arriving before it only refresh
    // the presentation.
    if (window_ == nullptr || repaintPending_->exchange(true))
        return;
    auto pending = repaintPending_;
    QMetaObject::invokeMethod(
        window_.data(),
        [window = window_, pending] {
            pending->store(false);
            if (window != nullptr)
                window->update();
        },
        Qt::QueuedConnection);
}

void DisplaySurface::Paint(QPainter& painter) {
    std::lock_guard lock(presentMutex_);
    if (!presentation_.isNull())
        painter.drawImage(0, 0, presentation_);
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
