#pragma once
// The instrument's wall clock: local seconds since 1970, started from the PC's clock or from a
// fixed date, running with real time or standing still.

#include <chrono>
#include <cstdint>
#include <mutex>

namespace talven::sim {

/// Thread safe: the server thread reads it while a test or the command line may advance it.
class SimClock {
  public:
    /// start = 0 takes the PC's local time now.
    explicit SimClock(std::uint32_t start = 0, bool frozen = false);

    std::uint32_t now() const;
    /// Moves the clock on (or back, with a negative count), for tests and for "v curr_date=".
    void advance(std::int64_t seconds);
    bool frozen() const { return frozen_; }

  private:
    mutable std::mutex mutex_;
    std::uint32_t start_;
    bool frozen_;
    std::int64_t offset_ = 0;
    std::chrono::steady_clock::time_point origin_;
};

}  // namespace talven::sim
