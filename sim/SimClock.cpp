#include "SimClock.h"

#include "foundation/DateTime.h"

namespace talven::sim {

SimClock::SimClock(std::uint32_t start, bool frozen)
    : start_(start != 0 ? start : DateTime::Now().seconds()),
      frozen_(frozen),
      origin_(std::chrono::steady_clock::now()) {}

std::uint32_t SimClock::now() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::int64_t t = static_cast<std::int64_t>(start_) + offset_;
    if (!frozen_) {
        t += std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - origin_)
                 .count();
    }
    if (t < 0)
        t = 0;
    if (t > 0xFFFFFFFFLL)
        t = 0xFFFFFFFFLL;
    return static_cast<std::uint32_t>(t);
}

void SimClock::advance(std::int64_t seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    offset_ += seconds;
}

}  // namespace talven::sim
