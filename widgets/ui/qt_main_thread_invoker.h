#pragma once

#include <QObject>

#include "base/main_thread_invoker.h"

namespace tv {

// Runs calls from worker threads in the GUI thread through Qt's queued calls.
// Create it in the GUI thread.
class QtMainThreadInvoker final : public MainThreadInvoker {
  public:
    QtMainThreadInvoker();

    void InvokeAndWait(std::function<void()> fn) override;
    void Post(std::function<void()> fn) override;

  private:
    QObject context_;
};

}  // namespace tv
