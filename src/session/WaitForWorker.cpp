#include "session/WaitForWorker.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include "session/InstrumentSession.h"

namespace talven {

namespace {

struct MarkerState {
    std::mutex mutex;
    std::condition_variable cv;
    bool reached = false;
};

/// Signals when destroyed: after running, or when a worker that ended drops it unrun.
class WorkerMarker : public CThreadMessage {
  public:
    explicit WorkerMarker(std::shared_ptr<MarkerState> state) : state_(std::move(state)) {}
    ~WorkerMarker() override {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->reached = true;
        state_->cv.notify_all();
    }
    const char* GetRuntimeClass() const override { return "WorkerMarker"; }
    void Execute() override {}

  private:
    std::shared_ptr<MarkerState> state_;
};

}  // namespace

bool WaitForWorker(CInstrumentSession& session, std::chrono::milliseconds limit) {
    auto state = std::make_shared<MarkerState>();
    if (!session.PostRequest(std::make_unique<WorkerMarker>(state)))
        return true;
    std::unique_lock<std::mutex> lock(state->mutex);
    return state->cv.wait_for(lock, limit, [&] { return state->reached; });
}

}  // namespace talven
