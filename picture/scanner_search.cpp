#include "picture/scanner_search.h"

namespace tv {

ScannerSearch::ScannerSearch(Find find, Found found) : shared_(std::make_shared<Shared>()) {
    shared_->OnFound = std::move(found);
    thread_ = std::thread([shared = shared_, find = std::move(find)] {
        std::vector<ScannerDevice> scanners;
        try {
            scanners = find();
        } catch (const std::exception&) {
            // no scanner then
        }
        std::lock_guard lock(shared->Mutex);
        if (shared->OnFound) shared->OnFound(scanners);
        shared->Done = true;
        shared->Ended.notify_all();
    });
}

ScannerSearch::~ScannerSearch() {
    std::unique_lock lock(shared_->Mutex);
    shared_->OnFound = nullptr;
    const bool ended = shared_->Ended.wait_for(lock, kEndWait, [this] { return shared_->Done; });
    lock.unlock();
    if (ended)
        thread_.join();
    else
        thread_.detach();  // it holds what it uses and reports to nobody
}

}  // namespace tv
