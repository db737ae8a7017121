#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "picture/rgb_image.h"

namespace tv {

struct ScannerDevice {
    std::string Name;  // SANE's device name, e.g. "test:0"
    std::string Vendor;
    std::string Model;
    std::string Type;
};

enum class ScanMode { Colour, Grey, LineArt };

// The scanners of SANE. Calls may come from worker threads but never run at the
// same time (SANE is not made for that): each call holds one lock that all
// objects share, since SANE's state is the process's.
class SaneScanner {
  public:
    SaneScanner() = default;
    SaneScanner(const SaneScanner&) = delete;
    SaneScanner& operator=(const SaneScanner&) = delete;

    // The scanners SANE finds (this may take seconds: network backends).
    std::vector<ScannerDevice> FindScanners();

    // Scans one picture; progress gets 0 ... 100 and may return false to stop.
    // Returns an empty picture when stopped; throws std::runtime_error with
    // SANE's text on failure.
    RgbImage Scan(const std::string& device, ScanMode mode, int dotsPerInch,
                  const std::function<bool(int percent)>& progress);

    // Asks a running Scan to stop (any thread).
    void Cancel() noexcept { cancel_ = true; }

  private:
    std::atomic<bool> cancel_{false};
};

}  // namespace tv
