#include "platform/gui_gate.h"

#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace {

// One Send on its way: queued, being run by the GUI thread, run, or given
// up because the gate closed before the GUI thread reached it.
struct Waiting {
    enum State { kQueued, kRunning, kDone, kCancelled };
    State state = kQueued;
    std::condition_variable changed;
};

}  // namespace

struct GuiGate::Shared {
    std::mutex mutex;
    bool closed = false;
    // Bumped by every Close: work queued before it never runs after it.
    uint64_t generation = 0;
    std::vector<std::shared_ptr<Waiting>> waiting;

    void CancelWaitingLocked() {
        for (const auto& w : waiting) {
            if (w->state == Waiting::kQueued) {
                w->state = Waiting::kCancelled;
                w->changed.notify_all();
            }
        }
        waiting.clear();
    }
};

GuiGate::GuiGate(QObject* context) : context_(context), shared_(std::make_shared<Shared>()) {}

GuiGate::~GuiGate() {
    Close();
}

void GuiGate::Post(std::function<void()> work) {
    uint64_t generation = 0;
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->closed)
            return;
        generation = shared_->generation;
    }
    QMetaObject::invokeMethod(
        context_,
        [shared = shared_, generation, work = std::move(work)] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->closed || shared->generation != generation)
                    return;
            }
            work();
        },
        Qt::QueuedConnection);
}

bool GuiGate::Send(const std::function<void()>& work) {
    if (QThread::currentThread() == context_->thread()) {
        if (IsClosed())
            return false;
        work();
        return true;
    }
    auto waiting = std::make_shared<Waiting>();
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->closed)
            return false;
        shared_->waiting.push_back(waiting);
    }
    QMetaObject::invokeMethod(
        context_,
        [shared = shared_, waiting, &work] {
            {
                std::lock_guard lock(shared->mutex);
                if (waiting->state != Waiting::kQueued)
                    return;  // cancelled: the sender and its work are gone
                waiting->state = Waiting::kRunning;
            }
            work();
            std::lock_guard lock(shared->mutex);
            waiting->state = Waiting::kDone;
            std::erase(shared->waiting, waiting);
            waiting->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(shared_->mutex);
    waiting->changed.wait(lock, [&] {
        return waiting->state == Waiting::kDone || waiting->state == Waiting::kCancelled;
    });
    return waiting->state == Waiting::kDone;
}

void GuiGate::Close() {
    std::lock_guard lock(shared_->mutex);
    shared_->closed = true;
    ++shared_->generation;
    shared_->CancelWaitingLocked();
}

void GuiGate::Open() {
    std::lock_guard lock(shared_->mutex);
    shared_->closed = false;
}

size_t GuiGate::SendsWaiting() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->waiting.size();
}

bool GuiGate::IsClosed() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->closed;
}
