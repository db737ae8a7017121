#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "picture/sane_scanner.h"

namespace tv {

// Looks for scanners in a thread of its own (SANE's network backends may take
// seconds, or hang). found runs in that thread with the result unless the search
// was given up by then. The destructor gives the search up, waits for it at most
// kEndWait and otherwise leaves it to end on its own: the program's end never
// waits long for a scanner. find must own what it uses (it may outlive this).
class ScannerSearch {
  public:
    using Find = std::function<std::vector<ScannerDevice>()>;
    using Found = std::function<void(const std::vector<ScannerDevice>&)>;
    static constexpr std::chrono::milliseconds kEndWait{1000};

    ScannerSearch(Find find, Found found);
    ~ScannerSearch();
    ScannerSearch(const ScannerSearch&) = delete;
    ScannerSearch& operator=(const ScannerSearch&) = delete;

  private:
    struct Shared {
        std::mutex Mutex;
        std::condition_variable Ended;
        bool Done = false;
        Found OnFound;  // emptied when the search is given up
    };
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace tv
