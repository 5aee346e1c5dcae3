#pragma once
// The window program's answers to the core's platform requests: message
// boxes shown as Qt boxes on the GUI thread (plain text always, since desk
// and station texts are shown; a worker thread waits for the answer), and
// event sounds through the desktop's sound theme with the plain beep as
// fallback.

#include <cstddef>

// Installs both handlers; call on the GUI thread after QApplication exists.
void InstallGuiServices();
// Once the event loop has ended: boxes asked for from now on, and those
// still waiting for the GUI thread, are answered at once with the cautious
// choice (Cancel, No), so no worker waits for a loop that no longer runs.
void CloseGuiServices();
// Boxes asked for by worker threads and not yet answered.
size_t BoxesWaiting();
// Removes them again (before QApplication goes away).
void RemoveGuiServices();
