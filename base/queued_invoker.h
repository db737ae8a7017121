#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "base/main_thread_invoker.h"

namespace tv {

// A main-thread invoker for programs without a window loop: the thread that
// creates it is the main thread and runs the queued calls whenever it calls
// RunPending or RunUntil.
class QueuedInvoker final : public MainThreadInvoker {
  public:
    QueuedInvoker();

    void InvokeAndWait(std::function<void()> fn) override;
    void Post(std::function<void()> fn) override;

    // Runs every call queued so far; returns how many ran. Main thread only.
    int RunPending();

    // Runs queued calls as they come until done() is true or the timeout has
    // passed; returns done(). Main thread only.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  private:
    std::thread::id mainThread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace tv
