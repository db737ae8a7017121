#include "burning/cache_thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tv {
namespace {

// The nice value of each step of the reader's priority: mild steps, because a
// reader woken at a very low priority under load lets the writer's cache run dry.
int NiceOf(int priority) {
    static constexpr int kNice[] = {5, 3, 1, 0};  // idle, lowest, lower, normal
    return kNice[priority];
}

// Whether this thread may raise its priority again after lowering it (root, or a
// nice limit that allows it). Without that right a lowered reader would stay low
// for the rest of the burn, so its priority is not changed at all.
bool MayRaisePriority() {
    if (::geteuid() == 0) return true;
    rlimit limit{};
    return ::getrlimit(RLIMIT_NICE, &limit) == 0 &&
           (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 20);
}

}  // namespace

TCacheThread::TCacheThread(std::unique_ptr<ImageContent> content, std::uint32_t cacheSize,
                           std::uint32_t blockSize, std::function<void(const std::string&)> log)
    : content_(std::move(content)),
      blockSize_(blockSize),
      capacity_(std::max<std::size_t>(cacheSize / blockSize, 2)),
      refillLevel_(std::min(capacity_ * 3 / 4, capacity_ - 2)),
      wakeLevel_(std::clamp<std::size_t>(capacity_ / 4, 1, capacity_ - 1)),
      log_(std::move(log)) {
    thread_ = std::thread([this] { Run(); });
}

TCacheThread::~TCacheThread() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

void TCacheThread::SetPriority(Priority priority) {
    if (priority == priority_ || !mayRaise_) return;
    priority_ = priority;
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    if (::setpriority(PRIO_PROCESS, tid, NiceOf(static_cast<int>(priority))) != 0 &&
        !priorityRefused_) {
        // Raising a thread's priority again needs a right most users lack.
        priorityRefused_ = true;
        if (log_)
            log_(">>> THE READER'S PRIORITY STAYS AS IT IS (" + std::string(std::strerror(errno)) +
                 ")");
    }
}

std::vector<std::uint8_t> TCacheThread::NewBlock() {
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            std::vector<std::uint8_t> block = std::move(spare_.back());
            spare_.pop_back();
            block.resize(blockSize_);
            return block;
        }
    }
    return std::vector<std::uint8_t>(blockSize_);
}

bool TCacheThread::Enqueue(std::vector<std::uint8_t> block) {
    std::unique_lock lock(mutex_);
    while (queue_.size() + 1 >= capacity_ && !stop_) {
        // The cache is full: the writer may start; the reader steps back.
        ready_ = true;
        changedForWriter_.notify_all();
        lock.unlock();
        SetPriority(Priority::Idle);
        lock.lock();
        roomForReader_.wait(lock, [this] { return queue_.size() <= refillLevel_ || stop_; });
    }
    if (stop_) return false;
    queue_.push_back(std::move(block));
    mostQueued_ = std::max(mostQueued_.load(), queue_.size());
    const std::size_t queued = queue_.size();
    lock.unlock();
    if (queued == wakeLevel_) changedForWriter_.notify_all();
    // The fuller the queue, the lower the reader's priority.
    SetPriority(queued < capacity_ / 4   ? Priority::Normal
                : queued < capacity_ / 2 ? Priority::Lower
                                         : Priority::Lowest);
    return true;
}

void TCacheThread::Run() {
    mayRaise_ = MayRaisePriority();
    SetPriority(Priority::Lower);
    // Header and files, each block full but the last.
    for (;;) {
        std::vector<std::uint8_t> block = NewBlock();
        std::size_t got = 0;
        std::string error;
        if (!content_->ReadData(block, got, error)) {
            {
                std::lock_guard lock(mutex_);
                if (errorText_.empty()) errorText_ = error;
                allQueued_ = true;
            }
            changedForWriter_.notify_all();
            return;
        }
        if (got == 0) break;
        block.resize(got);
        if (!Enqueue(std::move(block))) return;
    }
    // The post-gap: zero blocks.
    for (std::uint64_t left = content_->PostGapBytes(); left > 0;) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(left, blockSize_));
        std::vector<std::uint8_t> block = NewBlock();
        block.assign(size, 0);
        if (!Enqueue(std::move(block))) return;
        left -= size;
    }
    {
        std::lock_guard lock(mutex_);
        allQueued_ = true;
    }
    ready_ = true;
    changedForWriter_.notify_all();
}

int TCacheThread::GetBlock(std::uint8_t* buffer) {
    std::lock_guard lock(mutex_);
    if (stop_ || !errorText_.empty()) return 0;
    if (queue_.empty()) return allQueued_ ? 0 : kNoBlockYet;
    std::vector<std::uint8_t> block = std::move(queue_.front());
    queue_.pop_front();
    const int count = static_cast<int>(block.size());
    std::memcpy(buffer, block.data(), block.size());
    spare_.push_back(std::move(block));
    if (queue_.size() <= refillLevel_) roomForReader_.notify_all();
    return count;
}

void TCacheThread::WaitForBlock(const std::function<bool()>& stop) {
    std::unique_lock lock(mutex_);
    // Rechecked now and then for a stop that does not notify.
    while (queue_.size() < wakeLevel_ && !allQueued_ && !stop_ && errorText_.empty() && !stop())
        changedForWriter_.wait_for(lock, std::chrono::milliseconds(50));
}

bool TCacheThread::WaitUntilReady(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changedForWriter_.wait_for(lock, timeout,
                                      [this] { return ready_ || !errorText_.empty(); });
}

std::string TCacheThread::ErrorText() const {
    std::lock_guard lock(mutex_);
    return errorText_;
}

void TCacheThread::SetErrorText(const std::string& text) {
    {
        std::lock_guard lock(mutex_);
        errorText_ = text;
    }
    roomForReader_.notify_all();
    changedForWriter_.notify_all();
}

void TCacheThread::RequestStop() {
    {
        std::lock_guard lock(mutex_);
        if (!stop_) {
            stop_ = true;
            queue_.clear();  // the queued blocks are dropped
            if (errorText_.empty() && !allQueued_) errorText_ = "OPERATION ABORTED BY USER";
        }
    }
    roomForReader_.notify_all();
    changedForWriter_.notify_all();
}

}  // namespace tv
