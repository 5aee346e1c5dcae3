#pragma once
// The remote screen's display: an off-screen image of 240 by 268 pixels in
// the screen's own format (RGB565 on 16-bit screens, 32-bit 0xFF0000/0xFF00/
// 0xFF otherwise) into which the session writes each frame, and its
// presentation in the main frame's widget at zoom 1 or 2.
//
// Threads: LockScreen, UnlockScreen, Format and PresentScreen run under the
// session lock, on the session's receive thread or the GUI thread; they never
// wait for the GUI thread. Everything else runs on the GUI thread. The
// display is handed to the session with ClientConnection::SetDisplayTarget,
// which takes the session lock, so replacing or deleting it never overlaps a
// frame being written.
//
// Presenting asks the widget to repaint the rows a frame changed; frames
// that arrive before that repaint only add their rows, so a fast desk never
// builds a backlog of paints. The repaint converts the off-screen pixels
// straight into the window's backing store (pixels doubled for zoom 2), so
// each frame is copied once on its way to the screen; painters that do not
// draw into a plain 32-bit image get the same pixels through drawImage.

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "display/display_target.h"

class SessionState;

class DisplaySurface : public DisplayTarget {
  public:
    // depth: the screen's colour depth; 16 gives an RGB565 surface, anything
    // else a 32-bit one. state: remote view flag and zoom mode; it must
    // outlive the display.
    DisplaySurface(QWidget* window, int depth, const SessionState& state);

    uint8_t* LockScreen() override;
    // The rows the next presentation refreshes (with every row changed before
    // and not presented yet).
    void RowsWritten(const ScreenRows& changed) override;
    // Ends the write and, while the remote view is shown, presents.
    bool UnlockScreen() override;
    ScreenFormat Format() const override { return format_; }

    // Presents every row again and schedules one repaint of the window.
    // Returns a display result code.
    uint32_t PresentScreen();

    int Depth() const { return depth_; }
    QWidget* Window() const { return window_; }

    // GUI thread: draws the part of the picture within `area` (widget
    // coordinates, the picture at the widget's top-left corner, at the
    // current zoom); returns the part of `area` it covered. Waits for a
    // frame being written.
    QRegion Paint(QPainter& painter, const QRegion& area);
    // GUI thread: nothing has been presented since the display was made, so
    // the frame buffer must be written before painting.
    bool NeedsFrame() const;
    // Copies of the off-screen image and of the picture the window shows
    // at the current zoom (null before the first presentation).
    QImage OffscreenImage() const;
    QImage PresentedImage() const;

  private:
    struct Repaint;
    void Present();
    void RequestRepaint(const ScreenRows& rows, int zoom);
    int Zoom() const;
    // Converts the picture's pixels in `part` into `target` (pixel `part`'s
    // top left). Called with the surface locked.
    void Convert(const QRect& part, int zoom, uint8_t* target, int targetPitch) const;

    QPointer<QWidget> window_;
    const int depth_;
    const SessionState& state_;
    QImage offscreen_;
    ScreenFormat format_;
    mutable std::mutex surfaceMutex_;  // held from LockScreen to UnlockScreen
    ScreenRows unpresented_;           // under surfaceMutex_
    std::atomic<bool> presented_{false};
    QImage scratch_;  // GUI thread: pixels for painters that cannot be written
    // Shared with the queued repaint, which may run after the display is gone.
    std::shared_ptr<Repaint> repaint_;
};

// The colour depth a display for the window is built for: the window's
// screen, unless a test has set an override (0 restores the screen's).
int DisplayDepthFor(const QWidget* window);
void SetDisplayDepthOverride(int depth);
