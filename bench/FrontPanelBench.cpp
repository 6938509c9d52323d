// How live the front panel feels: from a key press to the instrument's new display laid out by the
// panel, against the simulated analyzer over loopback TCP. The goal is an answer on screen within
// 100 ms; "max_ms" is the slowest key of the run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/FrontPanelPresenter.h"
#include "foundation/DateTime.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

constexpr NotifyTarget kPanel = 1;

/// Wakes the waiting "window thread" when the panel is told of a new display.
class PanelNotifier : public Notifier {
  public:
    void Post(NotifyTarget target, int code, std::uintptr_t, std::intptr_t) override {
        if (target != kPanel || code != wm::kDisplayChanged)
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        ++displays_;
        changed_.notify_all();
    }
    long Displays() {
        std::lock_guard<std::mutex> lock(mutex_);
        return displays_;
    }
    bool AwaitAfter(long seen, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return displays_ > seen; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    long displays_ = 0;
};

class NoWindow : public FrontPanelView {
  public:
    void StartRowLayoutTimer(int) override {}
    void RunPanelWindow(PanelWindow) override {}
};

void BM_KeyPressToPanelDisplay(benchmark::State& state) {
    PanelNotifier notices;
    ScopedNotifier scoped(&notices);
    sim::InstrumentOptions o;
    o.profile = "analyzer";
    o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
    o.clockFrozen = true;
    std::string error;
    auto sim = sim::SimInstrument::StartTcp(o, 0, error);
    if (!sim) {
        state.SkipWithError(error.c_str());
        return;
    }
    CInstrumentConnectedNode node("Bench", 4242);
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("127.0.0.1");
    tcp->SetPort(sim->port());
    node.SetConnection(std::move(tcp));
    CInstrumentSession& session = CInstrumentSession::Of(node);
    session.SetFrontPanel(kPanel);
    NoWindow view;
    FrontPanelPresenter panel("Bench", [&] { return &session; }, view);
    session.PostConnect();
    const auto settled = [&] {
        return session.IsSessionOpen() && !session.IsInUse() && !session.IsDisplayRequestPending();
    };
    for (int i = 0; i < 2000 && !settled(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!settled()) {
        state.SkipWithError("the simulated analyzer did not connect");
        return;
    }

    double slowest = 0.0;
    int key = 2;  // TST> and <TST in turn: each press changes the message
    for (auto _ : state) {
        const long seen = notices.Displays();
        const auto start = std::chrono::steady_clock::now();
        if (!panel.PressKey(key) || !notices.AwaitAfter(seen, std::chrono::seconds(5))) {
            state.SkipWithError("no display came back for a key");
            break;
        }
        panel.OnNotification(wm::kDisplayChanged, 0);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        slowest = std::max(slowest, ms);
        benchmark::DoNotOptimize(panel.MessageField().text.data());
        key = key == 2 ? 1 : 2;
    }
    state.counters["max_ms"] = slowest;
    state.counters["goal_ms"] = 100;
    session.PostDisconnect();
    for (int i = 0; i < 2000 && session.HasWorker(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
BENCHMARK(BM_KeyPressToPanelDisplay)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talven
