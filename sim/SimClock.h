#pragma once
// The instrument's wall clock: local seconds since 1970, started from the PC's clock or from a
// fixed date, running with real time (or a multiple of it) or standing still.

#include <chrono>
#include <cstdint>
#include <mutex>

namespace talven::sim {

/// Thread safe: the server thread reads it while a test or the command line may advance it.
class SimClock {
  public:
    /// start = 0 takes the PC's local time now. rate: clock seconds per real second (at least 1),
    /// so that records accrue faster than in real time.
    explicit SimClock(std::uint32_t start = 0, bool frozen = false, std::uint32_t rate = 1);

    std::uint32_t now() const;
    /// Moves the clock on (or back, with a negative count), for tests and for "v curr_date=".
    void advance(std::int64_t seconds);
    bool frozen() const;
    /// Stops the clock where it stands, or lets it run on from there.
    void setFrozen(bool frozen);
    std::uint32_t rate() const { return rate_; }

  private:
    std::int64_t runningSeconds() const;

    mutable std::mutex mutex_;
    std::uint32_t start_;
    bool frozen_;
    std::uint32_t rate_;
    std::int64_t offset_ = 0;
    std::chrono::steady_clock::time_point origin_;
};

}  // namespace talven::sim
