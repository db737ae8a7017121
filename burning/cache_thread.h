#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "burning/image_content.h"

namespace tv {

// The read-ahead of a burn (the producer): the image's bytes (header, files,
// post-gap) in a queue of fixed-size blocks that the write thread takes in order.
// The queue holds at most K - 1 blocks, K = cache size / block size. The reader
// runs at a lower priority the fuller the queue is.
//
// The queue has its own lock and condition variables, so the reader never waits
// for a drive command and the writer is woken as soon as a block is there. A full
// queue wakes the reader again only once a quarter of it has been taken: it then
// refills that quarter in one go instead of waking for every block. Likewise a
// writer that found the queue empty sleeps until a quarter of it is there again:
// woken for each single block, a writer of higher priority would take every block
// the moment it is queued and keep both threads in lockstep.
class TCacheThread {
  public:
    // log receives the reader's messages (a refused priority change, once).
    TCacheThread(std::unique_ptr<ImageContent> content, std::uint32_t cacheSize,
                 std::uint32_t blockSize, std::function<void(const std::string&)> log);
    ~TCacheThread();  // stops the reader and waits for it
    TCacheThread(const TCacheThread&) = delete;
    TCacheThread& operator=(const TCacheThread&) = delete;

    static constexpr int kNoBlockYet = -1;

    // The next block, copied into buffer (at least a block size long): its byte
    // count; 0 when everything has been handed over (or the reading failed or was
    // stopped); kNoBlockYet when the reader has not queued the next one yet.
    int GetBlock(std::uint8_t* buffer);
    // Waits until GetBlock has something to say (a quarter of the queue, the end,
    // a failure), or until stop() becomes true.
    void WaitForBlock(const std::function<bool()>& stop);

    // Ready: the queue was filled once, or everything is queued. Waits for that
    // (or a failure) up to the given time.
    bool WaitUntilReady(std::chrono::milliseconds timeout);
    bool Ready() const noexcept { return ready_; }

    std::string ErrorText() const;
    void SetErrorText(const std::string& text);
    // Ends the reading; queued blocks are dropped.
    void RequestStop();

    std::uint32_t BlockSize() const noexcept { return blockSize_; }
    std::size_t Capacity() const noexcept { return capacity_; }
    // The most blocks the queue held at one time.
    std::size_t MostQueued() const noexcept { return mostQueued_; }

  private:
    enum class Priority { Idle, Lowest, Lower, Normal };

    void Run();
    // Queues a block; waits while the queue is full. False when stopped.
    bool Enqueue(std::vector<std::uint8_t> block);
    std::vector<std::uint8_t> NewBlock();
    void SetPriority(Priority priority);

    std::unique_ptr<ImageContent> content_;
    const std::uint32_t blockSize_;
    const std::size_t capacity_;     // K
    const std::size_t refillLevel_;  // a full queue is refilled at this many blocks
    const std::size_t wakeLevel_;    // a waiting writer is woken at this many blocks
    std::function<void(const std::string&)> log_;

    mutable std::mutex mutex_;
    std::condition_variable roomForReader_;
    std::condition_variable changedForWriter_;  // a block, the end, a failure, ready
    std::deque<std::vector<std::uint8_t>> queue_;
    std::vector<std::vector<std::uint8_t>> spare_;  // taken blocks, for reuse
    std::string errorText_;
    bool allQueued_ = false;
    bool stop_ = false;
    std::atomic<bool> ready_{false};
    std::atomic<std::size_t> mostQueued_{0};

    Priority priority_ = Priority::Normal;
    bool mayRaise_ = false;
    bool priorityRefused_ = false;
    std::thread thread_;
};

}  // namespace tv
