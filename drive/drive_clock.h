#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace tv {

// The waits of the drive layer. The program keeps every specified wait; tests set
// a scale below 1 so that budgets of minutes pass in milliseconds. Budgets are
// still counted in the specified milliseconds, only the real sleeping is scaled.
class DriveClock {
  public:
    DriveClock() = default;
    explicit DriveClock(double scale) : scale_(scale) {}

    double Scale() const noexcept { return scale_.load(); }
    void SetScale(double scale) noexcept { scale_ = scale; }

    std::chrono::microseconds Real(std::uint64_t milliseconds) const noexcept {
        return std::chrono::microseconds(
            static_cast<std::int64_t>(static_cast<double>(milliseconds) * 1000.0 * Scale()));
    }
    void Sleep(std::uint64_t milliseconds) const {
        slept_ += milliseconds;
        std::this_thread::sleep_for(Real(milliseconds));
    }
    // The specified milliseconds slept so far (before scaling).
    std::uint64_t Slept() const noexcept { return slept_.load(); }

  private:
    std::atomic<double> scale_{1.0};
    mutable std::atomic<std::uint64_t> slept_{0};
};

}  // namespace tv
