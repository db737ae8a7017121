#pragma once

#include <functional>

namespace tv {

// Runs work in the program's main thread on behalf of a worker thread: the
// synchronised call of a thread class. The window program implements it with Qt's
// queued calls; the command-line tool and the tests with a loop of their own.
class MainThreadInvoker {
  public:
    virtual ~MainThreadInvoker() = default;

    // Runs fn in the main thread and returns when it has run. Called from the main
    // thread itself, it runs fn at once.
    virtual void InvokeAndWait(std::function<void()> fn) = 0;

    // Queues fn to run in the main thread and returns at once.
    virtual void Post(std::function<void()> fn) = 0;
};

}  // namespace tv
