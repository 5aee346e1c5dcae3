#pragma once
// SessionWorker: runs the session's slow operations (connect, disconnect and
// their exchanges with the desk) one at a time on a thread of its own, so
// the GUI thread never waits for a desk. Requests are queued in order; each
// reports on the worker thread when it is done (the caller hands that on to
// the GUI thread). Boxes the operations show appear on the GUI thread
// through the message-box service while the worker waits.
//
// Threads: every method on the owner's thread (the GUI thread); the done
// callbacks on the worker thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "session/client_connection.h"

class SessionWorker {
  public:
    using ConnectDone =
        std::function<void(ClientConnection::ConnectResult result, const std::string& failure)>;

    explicit SessionWorker(ClientConnection& client);
    ~SessionWorker();  // Finish(kTeardownBound)
    SessionWorker(const SessionWorker&) = delete;
    SessionWorker& operator=(const SessionWorker&) = delete;

    // Connect(desk, reconnecting); a silent reconnect reports its failure
    // as text instead of boxes.
    void Connect(uint32_t desk, int reconnecting, ConnectDone done);
    void Disconnect(std::function<void()> done = {});
    // Queued connects are dropped without a report; the one running gives
    // up at once and reports Cancelled.
    void CancelConnect();
    // A request is queued or running.
    bool Busy() const;

    // Waits up to the bound for the queue to run empty, then ends the
    // exchanges still waiting for a desk and joins the thread. Teardown only;
    // requests made afterwards are dropped.
    void Finish(std::chrono::milliseconds bound);
    static constexpr std::chrono::milliseconds kTeardownBound{2000};

  private:
    struct Request {
        bool connect = false;
        uint32_t desk = 0;
        int reconnecting = 0;
        ConnectDone connectDone;
        std::function<void()> disconnectDone;
    };
    void Run();
    void Execute(Request& request);

    ClientConnection& client_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Request> queue_;
    bool running_ = false;  // a request is being executed
    bool connecting_ = false;
    bool finishing_ = false;
    std::thread thread_;
};
