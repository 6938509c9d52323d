// A four-channel record download ("all records") from a simulated analyzer over loopback TCP, as
// talvenctl dlog get-data makes it: once with the instrument telling each channel's record count
// (the reply ends a short silence after its last announced record), once without (each reply ends
// only with the receive time-out). Counters: the records, the bytes of the replies, and the time
// those bytes would take on a 9600 baud serial line, for scale.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/DataLock.h"
#include "dlog/DASChannel.h"
#include "dlog/DlogRequests.h"
#include "dlog/InstrumentNodeDlog.h"
#include "foundation/Log.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/WaitForWorker.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

constexpr NotifyTarget kWindow = 5;
constexpr int kReceiveTimeoutMs = 5000;

/// Counts the bytes of the lines the session read (it logs each as a response).
class ResponseBytes : public LogSink {
  public:
    void Log(int category, std::string_view text) override {
        if (category == kLogResponse)
            bytes += text.size();
    }
    std::atomic<std::uint64_t> bytes{0};
};

bool WaitForCode(const RecordingNotifier& notes, int done, int failed) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < limit) {
        for (const auto& e : notes.entries())
            if (e.target == kWindow && (e.code == done || e.code == failed))
                return e.code == done;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

void BM_FourChannelDownload(benchmark::State& state) {
    const bool counted = state.range(0) == 1;
    RecordingNotifier notes;
    ScopedNotifier scope(&notes);
    ResponseBytes replyBytes;
    SetLogSink(&replyBytes);
    sim::InstrumentOptions o;
    o.profile = "analyzer";
    o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
    o.clockFrozen = true;
    std::string error;
    auto instrument = sim::SimInstrument::StartTcp(o, 0, error);
    if (!instrument) {
        state.SkipWithError(error.c_str());
        return;
    }
    CInstrumentConnectedNode node("Bench", 9191);
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("127.0.0.1");
    tcp->SetPort(instrument->port());
    node.SetConnection(std::move(tcp));
    InstrumentSettings settings = node.GetSettings();
    settings.receiveTimeoutMs = kReceiveTimeoutMs;
    node.SetSettings(settings);
    CInstrumentSession& session = CInstrumentSession::Of(node);
    session.PostConnect();
    WaitForWorker(session, std::chrono::seconds(30));
    InstrumentNodeDlog dlog(node);
    session.PostRequest(std::make_unique<CThreadMessageRequestDASConfig>(&node, &dlog, kWindow));
    if (!WaitForCode(notes, wm::kDownloadDone, wm::kDownloadFailed)) {
        state.SkipWithError("no DLOG configuration");
        return;
    }
    if (!counted) {
        DataGuard guard;
        InstrumentIdentity identity = node.GetIdentity();
        std::erase(identity.capabilities, capability::kRecords);
        node.SetIdentity(identity);
    }
    std::vector<std::string> names;
    for (const auto& item : dlog.DlogChannels()) {
        static_cast<CDASChannel*>(item.get())->SetSelected(true);
        names.push_back(item->GetName());
    }
    std::size_t records = 0;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        notes.clear();
        replyBytes.bytes = 0;
        session.PostRequest(std::make_unique<CThreadMessageRequestDASRecords>(&node, names, kWindow));
        if (!WaitForCode(notes, wm::kRecordsDone, wm::kRecordsFailed)) {
            state.SkipWithError("download failed");
            break;
        }
        bytes = replyBytes.bytes;
        records = 0;
        for (const auto& item : dlog.DlogChannels())
            records += static_cast<CDASChannel*>(item.get())->GetDownloadOutcome().recordLines;
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["reply_bytes"] = static_cast<double>(bytes);
    state.counters["s_at_9600_baud"] = static_cast<double>(bytes) * 10.0 / 9600.0;
    session.PostDisconnect();
    WaitForWorker(session, std::chrono::seconds(30));
    session.JoinEndedWorkers();
    instrument->stop();
    SetLogSink(nullptr);
}
// 1: the instrument tells the record counts; 0: it does not.
BENCHMARK(BM_FourChannelDownload)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
}  // namespace talven
