// "talvenctl collect --once" over 200 simulated analyzers of the four kinds on loopback TCP, each
// pass a process of its own: its processor time (user and kernel) and its peak resident memory,
// from wait4. The first pass fetches every record the instruments hold; the next ones, an hour of
// instrument time later, the new records only. With replies held back 100 ms, a pass is mostly
// waiting, and its processor time over its wall time is what the waiting costs.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CoreStartup.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "dlog/DASChannel.h"
#include "dlog/DlogRequests.h"
#include "dlog/InstrumentNodeDlog.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "sim/Profiles.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

#ifdef TALVENCTL_PATH

namespace talven {
namespace {

constexpr int kInstruments = 200;
const char* const kProfiles[] = {"analyzer", "hex-analyzer", "hexcrc-analyzer", "old-analyzer"};

std::unique_ptr<CInstrumentConnectedNode> Node(const std::string& name, std::uint16_t port, int password) {
    auto node = std::make_unique<CInstrumentConnectedNode>();
    node->SetName(name);
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("127.0.0.1");
    tcp->SetPort(port);
    node->SetConnection(std::move(tcp));
    InstrumentSettings settings = node->GetSettings();
    settings.receiveTimeoutMs = 1000;
    settings.password = static_cast<std::uint32_t>(password);
    settings.passwordEnabled = password != 0;
    node->SetSettings(settings);
    return node;
}

struct PassUsage {
    bool ok = false;
    double user = 0, system = 0, wall = 0;
    long maxRssKb = 0;
};

/// The instruments, the network file over them with every channel collected since its last
/// download, and one collect pass at a time.
class CollectRig {
  public:
    explicit CollectRig(int delayMs) {
        InitializeCore();
        char pattern[] = "/tmp/talven-collect-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            return;
        dir_ = pattern;
        const auto clock =
            std::make_shared<sim::SimClock>(DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds(), true);
        clock_ = clock;
        for (int i = 0; i < kInstruments; ++i) {
            sim::InstrumentOptions o;
            o.profile = kProfiles[i % 4];
            o.id = i + 1;
            o.seed = static_cast<std::uint64_t>(i + 1);
            o.clock = clock;
            o.link.faults.delayMs = delayMs;
            std::string error;
            auto instrument = sim::SimInstrument::StartTcp(o, 0, error);
            if (!instrument)
                return;
            sims_.push_back(std::move(instrument));
        }
        ready_ = WriteNetwork();
    }
    ~CollectRig() {
        for (auto& s : sims_)
            s->stop();
        std::error_code ignored;
        if (!dir_.empty())
            std::filesystem::remove_all(dir_, ignored);
    }
    bool ready() const { return ready_; }
    void advance(std::int64_t seconds) { clock_->advance(seconds); }

    PassUsage Pass() const {
        PassUsage usage;
        const std::string network = dir_ + "/net.cfg";
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
            ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
            ::execl(TALVENCTL_PATH, "talvenctl", "collect", network.c_str(), "--once",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        rusage used{};
        if (pid < 0 || ::wait4(pid, &status, 0, &used) != pid)
            return usage;
        usage.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        usage.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        usage.user = static_cast<double>(used.ru_utime.tv_sec) + used.ru_utime.tv_usec / 1e6;
        usage.system = static_cast<double>(used.ru_stime.tv_sec) + used.ru_stime.tv_usec / 1e6;
        usage.maxRssKb = used.ru_maxrss;
        return usage;
    }

  private:
    bool WriteNetwork() {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        std::map<std::string, std::unique_ptr<CInstrumentConnectedNode>> probes;
        for (int i = 0; i < kInstruments; ++i) {
            const std::string profileName = kProfiles[i % 4];
            const int password = sim::MakeProfile(profileName, 0, 1)->password;
            auto& probe = probes[profileName];
            if (!probe) {
                probe = Node("probe", sims_[static_cast<std::size_t>(i)]->port(), password);
                InstrumentNodeDlog dlog(*probe);
                cli::CommandNotifier notes;
                cli::Connected connected(*probe);
                if (!connected.open() || !cli::RunTransfer(connected.session(), notes,
                                                           std::make_unique<CThreadMessageRequestDASConfig>(
                                                               probe.get(), &dlog, cli::kCommandWindow),
                                                           wm::kDownloadDone, wm::kDownloadFailed))
                    return false;
            }
            auto node =
                Node("Bench" + std::to_string(i + 1), sims_[static_cast<std::size_t>(i)]->port(), password);
            for (InstrumentList list : {kDlogEvents, kDlogDataPoints, kDlogChannels})
                node->GetList(list).CopyFrom(probe->GetList(list));
            for (const auto& object : node->GetList(kDlogChannels)) {
                auto* channel = static_cast<CDASChannel*>(object.get());
                channel->SetSelected(true);
                channel->SetDownloadFile(dir_ + "/" + node->GetName() + "-" + channel->GetName() + ".csv");
                channel->SetDownloadPeriod(0);
                CSelectionSet selection;
                selection.mode = CSelectionSet::kSinceLast;
                selection.useInstrumentSelection = i % 2 == 0;
                channel->SetDownloadSelection(selection);
            }
            configuration.ConnectedInstruments().Append(std::move(node));
        }
        return SaveNetworkConfiguration(configuration, dir_ + "/net.cfg");
    }

    std::string dir_;
    std::shared_ptr<sim::SimClock> clock_;
    std::vector<std::unique_ptr<sim::SimInstrument>> sims_;
    bool ready_ = false;
};

void Report(benchmark::State& state, const std::vector<PassUsage>& passes) {
    double user = 0, system = 0, wall = 0;
    long rss = 0;
    for (const PassUsage& p : passes) {
        user += p.user;
        system += p.system;
        wall += p.wall;
        rss = std::max(rss, p.maxRssKb);
    }
    const double n = static_cast<double>(passes.size());
    state.counters["cpu_s"] = (user + system) / n;
    state.counters["kernel_s"] = system / n;
    state.counters["wall_s"] = wall / n;
    state.counters["core_pct"] = 100.0 * (user + system) / wall;
    state.counters["peak_rss_MB"] = static_cast<double>(rss) / 1024.0;
}

// arg 0: the first pass (every record); 1: later passes, an hour of new records each.
void BM_Collect200Instruments(benchmark::State& state) {
    CollectRig rig(0);
    if (!rig.ready()) {
        state.SkipWithError("the instruments or their network could not be set up");
        return;
    }
    const bool later = state.range(0) == 1;
    if (later && !rig.Pass().ok) {
        state.SkipWithError("the first pass failed");
        return;
    }
    std::vector<PassUsage> passes;
    for (auto _ : state) {
        rig.advance(later ? 3600 : 0);
        const PassUsage p = rig.Pass();
        if (!p.ok) {
            state.SkipWithError("collect failed");
            return;
        }
        state.SetIterationTime(p.wall);
        passes.push_back(p);
    }
    Report(state, passes);
}
BENCHMARK(BM_Collect200Instruments)->Arg(0)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Collect200Instruments)->Arg(1)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// A pass of later records with every reply 100 ms late: mostly waiting.
void BM_Collect200InstrumentsSlowReplies(benchmark::State& state) {
    CollectRig rig(100);
    if (!rig.ready() || !rig.Pass().ok) {
        state.SkipWithError("the instruments or their network could not be set up");
        return;
    }
    std::vector<PassUsage> passes;
    for (auto _ : state) {
        rig.advance(3600);
        const PassUsage p = rig.Pass();
        if (!p.ok) {
            state.SkipWithError("collect failed");
            return;
        }
        state.SetIterationTime(p.wall);
        passes.push_back(p);
    }
    Report(state, passes);
}
BENCHMARK(BM_Collect200InstrumentsSlowReplies)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talven

#endif  // TALVENCTL_PATH
