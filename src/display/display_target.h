#pragma once
// DisplayTarget: where the session draws the remote screen. The window's
// display surface implements it; MemorySurface is an in-memory one for tests
// and the command-line tool.
//
// Threads: every method is called with the session lock of ClientConnection
// held, on the session's receive thread or on the thread that repaints. An
// implementation must never wait for the GUI thread and must never take the
// session lock itself (ask for a repaint instead of painting synchronously).

#include <cstdint>

#include "display/screen_format.h"

class DisplayTarget {
  public:
    virtual ~DisplayTarget() = default;

    // The first pixel of the off-screen surface, or null when there is no
    // surface (the frame is then skipped, UnlockScreen is still called).
    virtual uint8_t* LockScreen() = 0;
    // Ends the write; presents the surface when the remote view flag is set.
    virtual bool UnlockScreen() = 0;
    // Between the write and UnlockScreen: the rows whose stored bytes the
    // write changed, for targets that present only what changed.
    virtual void RowsWritten(const ScreenRows& changed) { (void)changed; }
    // The layout of the locked surface. Read while the surface is locked.
    virtual ScreenFormat Format() const = 0;
};
