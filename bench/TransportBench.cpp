// Line reading through the links: throughput of 100-byte lines over a pseudo-terminal and over
// loopback TCP, and the delay from a line's arrival to ReadLine's return; and for scale, what
// loopback TCP itself does with plain sockets: its byte rate and a one-byte round trip.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "transport/CommPortConnection.h"
#include "transport/TCPConnection.h"

namespace {

using talven::CCommPortConnection;
using talven::CConnection;
using talven::CTCPConnection;

const std::string kLine = std::string(99, 'L') + "\n";

/// Keeps the far end writing lines until stopped.
class Flood {
  public:
    explicit Flood(int fd) : fd_(fd), thread_([this] { Run(); }) {}
    ~Flood() {
        stop_ = true;
        thread_.join();
    }

  private:
    void Run() {
        // Non-blocking, so that a reader that stopped cannot hold this thread in a write.
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
        std::string block;
        for (int i = 0; i < 40; ++i)
            block += kLine;
        while (!stop_) {
            pollfd p{fd_, POLLOUT, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            if (write(fd_, block.data(), block.size()) < 0 && errno != EAGAIN)
                return;
        }
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
    int fd_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void ReadLines(benchmark::State& state, CConnection& link) {
    std::string line;
    std::size_t bytes = 0;
    for (auto _ : state) {
        link.ReadLine(line, 5000, '\n');
        bytes += line.size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

/// Writes one line after the reader is waiting and reports the time from the write to the return.
void LineDelay(benchmark::State& state, CConnection& link, int fd) {
    std::string line;
    for (auto _ : state) {
        std::chrono::steady_clock::time_point sent;
        std::thread peer([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));  // let the reader wait first
            sent = std::chrono::steady_clock::now();
            if (write(fd, kLine.data(), kLine.size()) < 0)
                return;
        });
        link.ReadLine(line, 5000, '\n');
        auto got = std::chrono::steady_clock::now();
        peer.join();
        state.SetIterationTime(std::chrono::duration<double>(got - sent).count());
    }
}

struct Pty {
    Pty() {
        char name[256] = {};
        openpty(&master, &slave, name, nullptr, nullptr);
        path = name;
    }
    ~Pty() {
        close(master);
        close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
};

struct Loopback {
    Loopback() {
        int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener, 1);
        socklen_t length = sizeof a;
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
        link.SetHost("127.0.0.1");
        link.SetPort(ntohs(a.sin_port));
        link.Open(nullptr);
        peer = accept(listener, nullptr, nullptr);
        close(listener);
    }
    ~Loopback() {
        link.Close();
        close(peer);
    }
    CTCPConnection link;
    int peer = -1;
};

void BM_ReadLinePty(benchmark::State& state) {
    Pty pty;
    CCommPortConnection link;
    link.SetPortName(pty.path);
    if (!link.Open(nullptr)) {
        state.SkipWithError("pty open failed");
        return;
    }
    Flood flood(pty.master);
    ReadLines(state, link);
    link.Close();
}

void BM_ReadLineTcp(benchmark::State& state) {
    Loopback loop;
    Flood flood(loop.peer);
    ReadLines(state, loop.link);
}

void BM_LineDelayPty(benchmark::State& state) {
    Pty pty;
    CCommPortConnection link;
    link.SetPortName(pty.path);
    if (!link.Open(nullptr)) {
        state.SkipWithError("pty open failed");
        return;
    }
    LineDelay(state, link, pty.master);
    link.Close();
}

void BM_LineDelayTcp(benchmark::State& state) {
    Loopback loop;
    LineDelay(state, loop.link, loop.peer);
}

// Fifty links waiting for replies that do not come, as collect's readers do between an
// instrument's lines: the processor time the waits cost, per second of waiting, is the counter.
void BM_FiftySilentReadsCost(benchmark::State& state) {
    constexpr int kLinks = 50;
    std::vector<std::unique_ptr<Loopback>> loops;
    for (int i = 0; i < kLinks; ++i)
        loops.push_back(std::make_unique<Loopback>());
    for (auto _ : state) {
        std::vector<std::thread> readers;
        for (auto& loop : loops)
            readers.emplace_back([&] {
                char buffer[64];
                loop->link.Read(buffer, sizeof buffer, 1000, '\n', false);
            });
        for (auto& reader : readers)
            reader.join();
    }
}

/// Two connected loopback TCP sockets, no link code between.
struct RawLoopback {
    RawLoopback() {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener, 1);
        socklen_t length = sizeof a;
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
        near = socket(AF_INET, SOCK_STREAM, 0);
        connect(near, reinterpret_cast<sockaddr*>(&a), sizeof a);
        far = accept(listener, nullptr, nullptr);
        close(listener);
        const int yes = 1;
        setsockopt(near, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        setsockopt(far, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    }
    ~RawLoopback() {
        close(near);
        close(far);
    }
    int near = -1, far = -1;
};

// The byte rate loopback TCP gives a reader that takes 64 KiB at a time.
void BM_LoopbackRawThroughput(benchmark::State& state) {
    RawLoopback loop;
    Flood flood(loop.far);
    std::vector<char> buffer(64 * 1024);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const ssize_t n = read(loop.near, buffer.data(), buffer.size());
        if (n <= 0) {
            state.SkipWithError("read failed");
            break;
        }
        bytes += n;
    }
    state.SetBytesProcessed(bytes);
}

// One byte there and back between two threads: the least an exchange over loopback can take.
void BM_LoopbackRawRoundTrip(benchmark::State& state) {
    RawLoopback loop;
    std::thread echo([&] {
        char c;
        while (read(loop.far, &c, 1) == 1 && c != 'q')
            if (write(loop.far, &c, 1) != 1)
                return;
    });
    char c = 'x';
    for (auto _ : state) {
        if (write(loop.near, &c, 1) != 1 || read(loop.near, &c, 1) != 1) {
            state.SkipWithError("echo failed");
            break;
        }
    }
    c = 'q';
    if (write(loop.near, &c, 1) != 1)
        shutdown(loop.near, SHUT_RDWR);
    echo.join();
}

}  // namespace

BENCHMARK(BM_FiftySilentReadsCost)
    ->Iterations(2)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLinePty)->UseRealTime();
BENCHMARK(BM_ReadLineTcp)->UseRealTime();
BENCHMARK(BM_LineDelayPty)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_LineDelayTcp)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_LoopbackRawThroughput)->UseRealTime();
BENCHMARK(BM_LoopbackRawRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);
