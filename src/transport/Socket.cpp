#include "transport/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace talven::tcp {

namespace {

/// A name lookup running on a thread of its own, so that a slow name server cannot hold the
/// caller: the caller may stop waiting and the lookup finishes unobserved.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool found = false;
    std::uint32_t address = 0;
};

void RunLookup(const std::shared_ptr<Lookup>& lookup, const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    bool found = getaddrinfo(host.c_str(), nullptr, &hints, &result) == 0 && result != nullptr;
    std::uint32_t address = found ? reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr : 0;
    if (result)
        freeaddrinfo(result);
    std::lock_guard<std::mutex> lock(lookup->mutex);
    lookup->found = found;
    lookup->address = address;
    lookup->done = true;
    lookup->finished.notify_all();
}

}  // namespace

bool ResolveHost(const std::string& host, std::uint32_t& addressNetworkOrder, int timeoutMs,
                 const std::function<bool()>& cancelled) {
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
        addressNetworkOrder = address.s_addr;
        return true;
    }
    if (host.empty())
        return false;
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host] { RunLookup(lookup, host); }).detach();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(lookup->mutex);
    while (!lookup->done) {
        if ((cancelled && cancelled()) || std::chrono::steady_clock::now() >= deadline)
            return false;
        lookup->finished.wait_for(lock, std::chrono::milliseconds(100));
    }
    addressNetworkOrder = lookup->address;
    return lookup->found;
}

int Connect(const std::string& host, std::uint16_t port, int timeoutMs,
            const std::function<bool()>& cancelled, ConnectStatus& status, int& systemError) {
    systemError = 0;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    if (!ResolveHost(host, target.sin_addr.s_addr, timeoutMs, cancelled)) {
        status = ConnectStatus::kNoAddress;
        return -1;
    }
    // Linux would take the wildcard address as this host; an unconfigured link ("0.0.0.0") must
    // fail as it does elsewhere instead of reaching a local service.
    if (target.sin_addr.s_addr == htonl(INADDR_ANY)) {
        systemError = EADDRNOTAVAIL;
        status = ConnectStatus::kFailed;
        return -1;
    }
    int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0) {
        systemError = errno;
        status = ConnectStatus::kFailed;
        return -1;
    }
    // A non-blocking connect polled in short steps: a host that never answers cannot hold the
    // worker beyond the time-out, and the user's cancel is seen within 100 ms.
    if (connect(s, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0 && errno != EINPROGRESS) {
        systemError = errno;
        close(s);
        status = ConnectStatus::kFailed;
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd p{s, POLLOUT, 0};
        int ready = poll(&p, 1, 100);
        if (ready > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length);
            if (error == 0) {
                status = ConnectStatus::kOk;
                return s;
            }
            systemError = error;
            status = ConnectStatus::kFailed;
            break;
        }
        if (cancelled && cancelled()) {
            status = ConnectStatus::kCancelled;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            systemError = ETIMEDOUT;
            status = ConnectStatus::kTimedOut;
            break;
        }
    }
    close(s);
    return -1;
}

long Receive(int socket, char* buffer, std::size_t n, int& error) {
    ssize_t r = recv(socket, buffer, n, MSG_DONTWAIT);
    error = r < 0 ? errno : 0;
    return static_cast<long>(r);
}

long Send(int socket, const char* data, std::size_t n, int& error) {
    ssize_t r = send(socket, data, n, MSG_DONTWAIT | MSG_NOSIGNAL);
    error = r < 0 ? errno : 0;
    return static_cast<long>(r);
}

bool IsAlive(long result, int error) {
    if (result > 0)
        return true;
    if (result == 0)
        return false;
    switch (error) {
        case EBADF:
        case ENOTSOCK:
        case ENETDOWN:
        case ENETRESET:
        case ECONNABORTED:
        case ECONNRESET:
        case ENOTCONN:
        case EPIPE:
        case ESHUTDOWN:
        case ETIMEDOUT:
            return false;
        default:
            return true;
    }
}

void WaitReadable(int socket, int timeoutMs) {
    pollfd p{socket, POLLIN, 0};
    poll(&p, 1, timeoutMs);
}

bool WaitWritable(int socket, int timeoutMs) {
    pollfd p{socket, POLLOUT, 0};
    return poll(&p, 1, timeoutMs) > 0;
}

void Close(int socket) {
    shutdown(socket, SHUT_WR);
    close(socket);
}

}  // namespace talven::tcp
