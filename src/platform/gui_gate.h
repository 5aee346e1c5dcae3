#pragma once
// GuiGate: the door through which worker threads hand work to the GUI
// thread. Post queues the work and returns; Send queues it and waits until
// the GUI thread has run it. Once the gate is closed (the frame is going
// away, the event loop has ended), nothing waits any more: queued work that
// has not started is dropped, its waiting senders return at once, and later
// calls are dropped. So a worker can never hang on a GUI thread that no
// longer runs events, and teardown can join it.
//
// Threads: Post and Send from any thread; Close and Open on the GUI thread
// (the thread of the context object). Send on the GUI thread runs the work
// at once. Work passed to Send may refer to the sender's stack: it runs only
// while the sender waits.

#include <QObject>
#include <cstddef>
#include <functional>
#include <memory>

class GuiGate {
  public:
    // context: an object living on the GUI thread; it must outlive the gate.
    explicit GuiGate(QObject* context);
    ~GuiGate();  // closes
    GuiGate(const GuiGate&) = delete;
    GuiGate& operator=(const GuiGate&) = delete;

    void Post(std::function<void()> work);
    // True when the work ran, false when the gate was or became closed first.
    bool Send(const std::function<void()>& work);

    void Close();
    void Open();
    bool IsClosed() const;
    // Sends queued or running on the GUI thread, their senders waiting.
    size_t SendsWaiting() const;

  private:
    struct Shared;
    QObject* context_;
    // Shared with the queued calls, which may run after the gate is gone.
    std::shared_ptr<Shared> shared_;
};
