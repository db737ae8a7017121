#include "widgets/ui/qt_main_thread_invoker.h"

#include <QMetaObject>
#include <QThread>

namespace tv {

QtMainThreadInvoker::QtMainThreadInvoker() = default;

void QtMainThreadInvoker::InvokeAndWait(std::function<void()> fn) {
    if (QThread::currentThread() == context_.thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(&context_, std::move(fn), Qt::BlockingQueuedConnection);
}

void QtMainThreadInvoker::Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&context_, std::move(fn), Qt::QueuedConnection);
}

}  // namespace tv
