// Instrument sessions over loopback TCP against a canned responder: the round trip of one display
// request, and the CPU that polling 50 instruments at once costs.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

/// Answers "instcaps", the configuration listing and every display request, one thread per client.
class Responder {
  public:
    Responder() {
        listen_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_, 64);
        socklen_t n = sizeof a;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &n);
        port_ = ntohs(a.sin_port);
        accepter_ = std::thread([this] { Accept(); });
    }
    ~Responder() {
        stopping_ = true;
        shutdown(listen_, SHUT_RDWR);
        close(listen_);
        accepter_.join();
        std::lock_guard<std::mutex> lock(mutex_);
        for (int fd : clients_)
            shutdown(fd, SHUT_RDWR);
        for (auto& t : threads_)
            t.join();
        for (int fd : clients_)
            close(fd);
    }
    std::uint16_t port() const { return port_; }

  private:
    void Accept() {
        for (;;) {
            const int fd = accept(listen_, nullptr, nullptr);
            if (fd < 0 || stopping_) {
                if (fd >= 0)
                    close(fd);
                return;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            clients_.push_back(fd);
            threads_.emplace_back([fd] { Serve(fd); });
        }
    }
    static void Serve(int fd) {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t lf; (lf = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, lf);
                pending.erase(0, lf + 1);
                const std::size_t etx = line.rfind('\x03');
                if (etx == std::string::npos)
                    continue;
                const std::string reply = Answer(line.substr(etx + 1));
                if (!reply.empty() && send(fd, reply.data(), reply.size(), MSG_NOSIGNAL) < 0)
                    return;
            }
        }
    }
    static std::string Answer(const std::string& command) {
        if (command.rfind("instcaps", 0) == 0)
            return "dk,207\r\n";  // 'd' + 'k'
        if (command.rfind("v config", 0) == 0)
            return "V 060:12:00 0000 CONFIG[0]=Bench Analyzer\r\n";
        if (command.find("disp") != std::string::npos) {
            return "K 060:12:00 0000 1:SAMPLE      RANGE=500.0 PPB    NOX=42.1 \r\n"
                   "K 060:12:00 0000 2:<TST TST> CAL                      SETUP\r\n";
        }
        return {};
    }

    int listen_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread accepter_;
    std::mutex mutex_;
    std::vector<int> clients_;
    std::vector<std::thread> threads_;
};

/// Counts display notices, and finished polls.
class CountingNotifier : public Notifier {
  public:
    void Post(NotifyTarget, int code, std::uintptr_t, std::intptr_t) override {
        if (code == wm::kDisplayChanged)
            ++displays_;
    }
    void Finished() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++finished_;
        changed_.notify_all();
    }
    long Count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return finished_;
    }
    void AwaitCount(long count) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return finished_ >= count; });
    }
    long Displays() const { return displays_.load(); }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    long finished_ = 0;
    std::atomic<long> displays_{0};
};

/// Queued behind a display request: its deletion says that the request has finished.
class PollDone : public CThreadMessage {
  public:
    explicit PollDone(CountingNotifier& n) : n_(n) {}
    ~PollDone() override { n_.Finished(); }
    const char* GetRuntimeClass() const override { return "PollDone"; }
    void Execute() override {}

  private:
    CountingNotifier& n_;
};

class Bench {
  public:
    explicit Bench(int instruments) : scoped_(&notices_) {
        for (int i = 0; i < instruments; ++i) {
            auto node = std::make_unique<CInstrumentConnectedNode>("Bench", static_cast<std::uint32_t>(1000 + i));
            auto tcp = std::make_unique<CTCPConnection>();
            tcp->SetHost("127.0.0.1");
            tcp->SetPort(responder_.port());
            node->SetConnection(std::move(tcp));
            InstrumentSettings s = node->GetSettings();
            s.receiveTimeoutMs = 200;
            node->SetSettings(s);
            CInstrumentSession::Of(*node).PostConnect();
            nodes_.push_back(std::move(node));
        }
        for (auto& node : nodes_) {
            CInstrumentSession& s = CInstrumentSession::Of(*node);
            while (!s.IsSessionOpen() || s.IsInUse() || s.IsDisplayRequestPending())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~Bench() {
        for (auto& node : nodes_)
            CInstrumentSession::Of(*node).PostDisconnect();
        nodes_.clear();  // each session joins its worker
    }
    /// One display request to every instrument, waiting for every answer.
    void PollAll() {
        long target = notices_.Count();
        for (auto& node : nodes_) {
            CInstrumentSession& s = CInstrumentSession::Of(*node);
            if (s.PostDisplayRequest() && s.PostRequest(std::make_unique<PollDone>(notices_)))
                ++target;
        }
        notices_.AwaitCount(target);
    }

    long Displays() const { return notices_.Displays(); }

  private:
    CountingNotifier notices_;
    ScopedNotifier scoped_;
    Responder responder_;
    std::vector<std::unique_ptr<CInstrumentConnectedNode>> nodes_;
};

void BM_DisplayRequestRoundTrip(benchmark::State& state) {
    Bench bench(1);
    const long before = bench.Displays();
    for (auto _ : state)
        bench.PollAll();
    state.counters["displays"] = static_cast<double>(bench.Displays() - before);
}
BENCHMARK(BM_DisplayRequestRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_FiftyInstrumentsPolledAtOnce(benchmark::State& state) {
    Bench bench(50);
    const long before = bench.Displays();
    for (auto _ : state)
        bench.PollAll();
    state.SetItemsProcessed(state.iterations() * 50);
    state.counters["displays"] = static_cast<double>(bench.Displays() - before);
}
BENCHMARK(BM_FiftyInstrumentsPolledAtOnce)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace talven
