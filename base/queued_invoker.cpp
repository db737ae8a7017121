#include "base/queued_invoker.h"

#include <algorithm>
#include <future>

namespace tv {

QueuedInvoker::QueuedInvoker() : mainThread_(std::this_thread::get_id()) {}

void QueuedInvoker::InvokeAndWait(std::function<void()> fn) {
    if (std::this_thread::get_id() == mainThread_) {
        fn();
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    Post([&] {
        try {
            fn();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    finished.get();
}

void QueuedInvoker::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    wake_.notify_all();
}

int QueuedInvoker::RunPending() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& fn : batch) fn();
    return static_cast<int>(batch.size());
}

bool QueuedInvoker::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        RunPending();
        if (done()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return done();
        // Wake for queued calls, and now and then for conditions set without one.
        std::unique_lock lock(mutex_);
        wake_.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(5)),
                         [&] { return !queue_.empty(); });
    }
}

}  // namespace tv
