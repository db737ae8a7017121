#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

namespace tv {

// Writes files in a thread of its own, one after the other, each through the one
// writer (WriteOutputFile: temporary file, flush, rename), so that the caller's
// thread never waits for the disk. Each job's done callback runs in the writer's
// thread with the outcome: an empty error code and text when the file is written,
// else the error and its text. The destructor lets the job that is being written
// finish, drops the ones still waiting (their callbacks are not called) and joins
// the thread.
class BackgroundWriter {
  public:
    using Done = std::function<void(std::error_code error, const std::string& reason)>;

    BackgroundWriter();
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    void Write(std::filesystem::path path, std::string text, Done done);
    // Waits until every job handed in so far has been written (and its callback
    // has returned).
    void WaitUntilIdle();

  private:
    struct Job {
        std::filesystem::path Path;
        std::string Text;
        Done OnDone;
    };
    void Run(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    std::jthread thread_;  // last: started after the members it uses
};

}  // namespace tv
