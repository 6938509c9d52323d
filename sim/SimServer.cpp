#include "SimServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace talven::sim {

namespace {

using Clock = LinkSession::Clock;

constexpr int kExclusiveCheckMs = 200;

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

int PollTimeout(Clock::time_point deadline) {
    if (deadline == Clock::time_point::max())
        return -1;
    const auto now = Clock::now();
    if (deadline <= now)
        return 0;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
    return static_cast<int>(std::min<long long>(ms, 60000));
}

}  // namespace

bool SimInstrument::makeInstrument(const InstrumentOptions& options, std::string& error) {
    std::shared_ptr<SimClock> clock = options.clock;
    if (!clock)
        clock = std::make_shared<SimClock>(options.clockStart, options.clockFrozen);
    std::optional<Profile> profile = MakeProfile(options.profile, clock->now(), options.seed);
    if (!profile) {
        error = "unknown profile '" + options.profile + "'";
        return false;
    }
    if (options.password)
        profile->password = *options.password;
    instrument_ = std::make_unique<Instrument>(std::move(*profile), options.id, clock);
    link_ = options.link;
    if (link_.started == Clock::time_point())
        link_.started = Clock::now();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    return true;
}

std::unique_ptr<SimInstrument> SimInstrument::StartTcp(const InstrumentOptions& options, std::uint16_t port,
                                                       std::string& error) {
    std::unique_ptr<SimInstrument> sim(new SimInstrument());
    if (!sim->makeInstrument(options, error))
        return nullptr;
    sim->bindAddress_ = options.bindAddress;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (::inet_pton(AF_INET, options.bindAddress.c_str(), &addr.sin_addr) != 1) {
        error = "bad listen address '" + options.bindAddress + "'";
        return nullptr;
    }
    sim->listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (sim->listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return nullptr;
    }
    const int yes = 1;
    ::setsockopt(sim->listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(sim->listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(sim->listenFd_, 4) != 0) {
        error = "cannot listen on port " + std::to_string(port) + ": " + std::strerror(errno);
        return nullptr;
    }
    socklen_t len = sizeof addr;
    ::getsockname(sim->listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    sim->port_ = ntohs(addr.sin_port);
    sim->thread_ = std::thread([s = sim.get()] { s->run(); });
    return sim;
}

std::unique_ptr<SimInstrument> SimInstrument::StartPty(const InstrumentOptions& options,
                                                       const std::string& linkPath, std::string& error) {
    std::unique_ptr<SimInstrument> sim(new SimInstrument());
    if (!sim->makeInstrument(options, error))
        return nullptr;
    sim->pty_ = true;
    sim->masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (sim->masterFd_ < 0 || ::grantpt(sim->masterFd_) != 0 || ::unlockpt(sim->masterFd_) != 0 ||
        ::ptsname_r(sim->masterFd_, name, sizeof name) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return nullptr;
    }
    sim->devicePath_ = name;
    // Holding the terminal side open keeps the pair alive between the program's opens, so the
    // master never reports a hang-up while no one is connected.
    sim->slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (sim->slaveFd_ < 0 || ::tcgetattr(sim->slaveFd_, &tio) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return nullptr;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(sim->slaveFd_, TCSANOW, &tio);
    SetNonBlocking(sim->masterFd_);
    if (!linkPath.empty()) {
        struct stat st {};
        if (::lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                error = linkPath + " exists and is not a symbolic link";
                return nullptr;
            }
            ::unlink(linkPath.c_str());
        }
        if (::symlink(name, linkPath.c_str()) != 0) {
            error = "cannot link " + linkPath + ": " + std::strerror(errno);
            return nullptr;
        }
        sim->linkPath_ = linkPath;
    }
    sim->thread_ = std::thread([s = sim.get()] { s->run(); });
    return sim;
}

SimInstrument::~SimInstrument() {
    stop();
}

void SimInstrument::stop() {
    if (!stopping_.exchange(true) && thread_.joinable()) {
        const char b = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &b, 1);
    }
    if (thread_.joinable())
        thread_.join();
    if (!linkPath_.empty()) {
        char target[256] = {};
        const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && devicePath_ == std::string(target, static_cast<std::size_t>(n)))
            ::unlink(linkPath_.c_str());
        linkPath_.clear();
    }
    CloseFd(listenFd_);
    CloseFd(masterFd_);
    CloseFd(slaveFd_);
    CloseFd(wakeRead_);
    CloseFd(wakeWrite_);
}

std::string SimInstrument::where() const {
    if (pty_)
        return "pty " + devicePath_ + (linkPath_.empty() ? "" : " (" + linkPath_ + ")");
    return "tcp " + bindAddress_ + ":" + std::to_string(port_);
}

void SimInstrument::run() {
    if (pty_) {
        servePty();
    } else {
        serveTcp();
    }
}

bool SimInstrument::pump(int fd, LinkSession& session, bool readable) {
    if (readable) {
        char buffer[4096];
        while (session.wantsInput()) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                session.received(std::string_view(buffer, static_cast<std::size_t>(n)), Clock::now());
                continue;
            }
            if (n == 0)
                return false;
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            if (pty_ && errno == EIO)
                break;
            return false;
        }
    }
    session.tick(Clock::now());
    while (!session.closeRequested()) {
        const std::string_view bytes = session.writable(Clock::now());
        if (bytes.empty())
            break;
        const ssize_t n = pty_ ? ::write(fd, bytes.data(), bytes.size())
                               : ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            return false;
        }
        session.wrote(static_cast<std::size_t>(n), Clock::now());
        if (static_cast<std::size_t>(n) < bytes.size())
            break;
    }
    faultsInjected_ += session.takeFaultsInjected();
    return !session.closeRequested();
}

std::unique_ptr<LinkSession> SimInstrument::newSession() {
    LinkOptions options = link_;
    options.connection = connections_.load();
    return std::make_unique<LinkSession>(*instrument_, std::move(options));
}

void SimInstrument::dropClient(int& client, std::unique_ptr<LinkSession>& session) {
    ::shutdown(client, SHUT_RDWR);
    CloseFd(client);
    session.reset();
    clientConnected_ = false;
}

void SimInstrument::serveTcp() {
    int client = -1;
    std::unique_ptr<LinkSession> session;
    while (!stopping_.load()) {
        pollfd fds[3];
        fds[0] = {wakeRead_, POLLIN, 0};
        fds[1] = {listenFd_, POLLIN, 0};
        nfds_t n = 2;
        if (client >= 0) {
            const bool wantWrite = !session->writable(Clock::now()).empty();
            fds[n++] = {client,
                        static_cast<short>((session->wantsInput() ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)),
                        0};
        }
        const int timeout = session ? PollTimeout(session->nextDeadline()) : -1;
        if (::poll(fds, n, timeout) < 0 && errno != EINTR)
            break;
        if (stopping_.load())
            break;
        if (client >= 0) {
            const bool readable = n == 3 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR));
            if (!pump(client, *session, readable))
                dropClient(client, session);
        }
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                // A new caller takes the line over, as after a reconnect whose old connection the
                // instrument has not yet seen go.
                if (client >= 0)
                    dropClient(client, session);
                client = fd;
                const int yes = 1;
                ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
                session = newSession();
                ++connections_;
                clientConnected_ = true;
            }
        }
    }
    CloseFd(client);
    clientConnected_ = false;
}

void SimInstrument::servePty() {
    auto session = newSession();
    while (!stopping_.load()) {
        // A program that opened the terminal exclusively leaves that mark on it when it closes,
        // because this end keeps the terminal open; cleared here so that it can open it again.
        ::ioctl(slaveFd_, TIOCNXCL);
        const bool wantWrite = !session->writable(Clock::now()).empty();
        pollfd fds[2] = {
            {wakeRead_, POLLIN, 0},
            {masterFd_, static_cast<short>((session->wantsInput() ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)),
             0}};
        const int timeout = PollTimeout(session->nextDeadline());
        if (::poll(fds, 2, timeout < 0 || timeout > kExclusiveCheckMs ? kExclusiveCheckMs : timeout) < 0 &&
            errno != EINTR)
            break;
        if (stopping_.load())
            break;
        if (!pump(masterFd_, *session, (fds[1].revents & POLLIN) != 0)) {
            // A serial line cannot be closed from this end: a cut loses what was queued and the
            // instrument starts over, as after a power dip.
            ++connections_;
            session = newSession();
        }
    }
}

}  // namespace talven::sim
