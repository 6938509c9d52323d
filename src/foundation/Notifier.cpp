#include "foundation/Notifier.h"

#include <atomic>

namespace talven {

namespace {

class NullNotifier : public Notifier {
  public:
    void Post(NotifyTarget, int, std::uintptr_t, std::intptr_t) override {}
};

NullNotifier gNullNotifier;
std::atomic<Notifier*> gNotifier{nullptr};

}  // namespace

Notifier& GetNotifier() {
    Notifier* n = gNotifier.load(std::memory_order_acquire);
    return n ? *n : gNullNotifier;
}

void SetNotifier(Notifier* notifier) {
    gNotifier.store(notifier, std::memory_order_release);
}

void RecordingNotifier::Post(NotifyTarget target, int code, std::uintptr_t wParam, std::intptr_t lParam) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({target, code, wParam, lParam});
}

std::vector<RecordingNotifier::Entry> RecordingNotifier::entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

std::vector<int> RecordingNotifier::codes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> out;
    out.reserve(entries_.size());
    for (const auto& e : entries_)
        out.push_back(e.code);
    return out;
}

void RecordingNotifier::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

}  // namespace talven
