#include "session/session_worker.h"

SessionWorker::SessionWorker(ClientConnection& client) : client_(client) {
    thread_ = std::thread(&SessionWorker::Run, this);
}

SessionWorker::~SessionWorker() {
    Finish(kTeardownBound);
}

void SessionWorker::Connect(uint32_t desk, int reconnecting, ConnectDone done) {
    std::lock_guard lock(mutex_);
    if (finishing_)
        return;
    Request request;
    request.connect = true;
    request.desk = desk;
    request.reconnecting = reconnecting;
    request.connectDone = std::move(done);
    queue_.push_back(std::move(request));
    changed_.notify_all();
}

void SessionWorker::Disconnect(std::function<void()> done) {
    std::lock_guard lock(mutex_);
    if (finishing_)
        return;
    Request request;
    request.disconnectDone = std::move(done);
    queue_.push_back(std::move(request));
    changed_.notify_all();
}

void SessionWorker::CancelConnect() {
    std::lock_guard lock(mutex_);
    for (auto it = queue_.begin(); it != queue_.end();) {
        if (it->connect) {
            it = queue_.erase(it);  // dropped without a report
        } else {
            ++it;
        }
    }
    // Under the lock, so the cancel cannot fall between two requests and
    // hit the next one.
    if (connecting_)
        client_.CancelConnect();
    changed_.notify_all();
}

bool SessionWorker::Busy() const {
    std::lock_guard lock(mutex_);
    return running_ || !queue_.empty();
}

void SessionWorker::Finish(std::chrono::milliseconds bound) {
    {
        std::unique_lock lock(mutex_);
        if (!thread_.joinable())
            return;
        finishing_ = true;
        changed_.notify_all();
        if (!changed_.wait_for(lock, bound, [this] { return queue_.empty() && !running_; }))
            client_.AbortExchanges();
    }
    thread_.join();
}

void SessionWorker::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return finishing_ || !queue_.empty(); });
        if (queue_.empty())
            return;  // finishing, nothing left
        Request request = std::move(queue_.front());
        queue_.pop_front();
        running_ = true;
        connecting_ = request.connect;
        if (connecting_)
            client_.ClearCancel();
        lock.unlock();
        Execute(request);
        lock.lock();
        running_ = false;
        connecting_ = false;
        changed_.notify_all();
    }
}

void SessionWorker::Execute(Request& request) {
    if (!request.connect) {
        client_.Disconnect();
        // Gives the desk a moment to settle before the next connect.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (request.disconnectDone)
            request.disconnectDone();
        return;
    }
    std::string failure;
    const auto result = client_.Connect(request.desk, request.reconnecting,
                                        request.reconnecting ? &failure : nullptr);
    if (request.connectDone)
        request.connectDone(result, failure);
}
