#include "base/background_writer.h"

#include "base/output_file.h"

namespace tv {

BackgroundWriter::BackgroundWriter() : thread_([this](std::stop_token stop) { Run(stop); }) {}

BackgroundWriter::~BackgroundWriter() {
    {
        std::lock_guard lock(mutex_);
        jobs_.clear();
    }
    thread_.request_stop();
    changed_.notify_all();
    // jthread joins here.
}

void BackgroundWriter::Write(std::filesystem::path path, std::string text, Done done) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back({std::move(path), std::move(text), std::move(done)});
    }
    changed_.notify_all();
}

void BackgroundWriter::WaitUntilIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void BackgroundWriter::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, stop, [this] { return !jobs_.empty(); });
        if (stop.stop_requested()) return;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        std::error_code error;
        std::string reason;
        try {
            WriteOutputFile(job.Path, job.Text);
        } catch (const std::system_error& failure) {
            error = failure.code();
            reason = failure.code().message();
        } catch (const std::exception& failure) {
            error = std::make_error_code(std::errc::io_error);
            reason = failure.what();
        }
        if (job.OnDone) job.OnDone(error, reason);
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace tv
