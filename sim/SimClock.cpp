#include "SimClock.h"

#include <algorithm>

#include "foundation/DateTime.h"

namespace talven::sim {

SimClock::SimClock(std::uint32_t start, bool frozen, std::uint32_t rate)
    : start_(start != 0 ? start : DateTime::Now().seconds()),
      frozen_(frozen),
      rate_(std::max<std::uint32_t>(1, rate)),
      origin_(std::chrono::steady_clock::now()) {}

// The clock seconds run since origin_; the caller holds the lock.
std::int64_t SimClock::runningSeconds() const {
    if (frozen_)
        return 0;
    const auto elapsed = std::chrono::steady_clock::now() - origin_;
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() * rate_ / 1000;
}

std::uint32_t SimClock::now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::int64_t t = static_cast<std::int64_t>(start_) + offset_ + runningSeconds();
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(t, 0, 0xFFFFFFFFLL));
}

void SimClock::advance(std::int64_t seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    offset_ += seconds;
}

bool SimClock::frozen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frozen_;
}

void SimClock::setFrozen(bool frozen) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (frozen == frozen_)
        return;
    // The time run so far is kept; a restarted clock runs on from where it stood.
    offset_ += runningSeconds();
    origin_ = std::chrono::steady_clock::now();
    frozen_ = frozen;
}

}  // namespace talven::sim
