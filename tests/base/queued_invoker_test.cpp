#include "base/queued_invoker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tv {
namespace {

TEST(QueuedInvoker, WorkerCallsRunInTheMainThreadInOrder) {
    QueuedInvoker invoker;
    const auto mainThread = std::this_thread::get_id();
    std::vector<int> order;
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        invoker.Post([&] { order.push_back(1); });
        invoker.InvokeAndWait([&] {
            EXPECT_EQ(std::this_thread::get_id(), mainThread);
            order.push_back(2);
        });
        workerDone = true;
    });
    EXPECT_TRUE(invoker.RunUntil([&] { return workerDone.load(); }, std::chrono::seconds(10)));
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QueuedInvoker, CallsFromTheMainThreadRunAtOnce) {
    QueuedInvoker invoker;
    bool ran = false;
    invoker.InvokeAndWait([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(invoker.RunUntil([] { return false; }, std::chrono::milliseconds(20)));
}

}  // namespace
}  // namespace tv
