#include "RawClient.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace talven::sim::test {

RawClient RawClient::Tcp(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            ::close(fd);
        return RawClient(-1);
    }
    return RawClient(fd);
}

RawClient RawClient::Serial(const std::string& devicePath) {
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return RawClient(-1);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    ::tcflush(fd, TCIOFLUSH);
    return RawClient(fd);
}

RawClient::RawClient(RawClient&& other) noexcept
    : fd_(other.fd_), buffer_(std::move(other.buffer_)), closed_(other.closed_) {
    other.fd_ = -1;
}

RawClient::~RawClient() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::string Framed(std::string_view text) {
    return "\x03" + std::string(text) + "\r\n";
}

void RawClient::send(std::string_view bytes) {
    while (!bytes.empty() && fd_ >= 0) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void RawClient::command(std::string_view text) {
    send(Framed(text));
}

bool RawClient::fill(int timeoutMs) {
    if (fd_ < 0 || closed_)
        return false;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return false;
    char chunk[4096];
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n <= 0) {
        closed_ = true;
        return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

std::optional<std::string> RawClient::readLine(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
        const std::size_t lf = buffer_.find('\n');
        if (lf != std::string::npos) {
            std::string line = buffer_.substr(0, lf + 1);
            buffer_.erase(0, lf + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !fill(static_cast<int>(left.count())))
            return std::nullopt;
    }
}

std::vector<std::string> RawClient::readLines(std::size_t n, int timeoutMs) {
    std::vector<std::string> out;
    while (out.size() < n) {
        std::optional<std::string> line = readLine(timeoutMs);
        if (!line)
            break;
        out.push_back(*line);
    }
    return out;
}

std::vector<std::string> RawClient::readUntil(std::string_view last, int timeoutMs) {
    std::vector<std::string> out;
    while (true) {
        std::optional<std::string> line = readLine(timeoutMs);
        if (!line)
            break;
        out.push_back(*line);
        if (line->rfind(last, 0) == 0)
            break;
    }
    return out;
}

bool RawClient::readToClose(std::string& out, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!closed_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        fill(static_cast<int>(left.count()));
    }
    out += buffer_;
    buffer_.clear();
    return closed_;
}

int RawClient::exclusive() {
    return ::ioctl(fd_, TIOCEXCL);
}

int RawClient::exclusiveMark() {
    int mark = -1;
    return ::ioctl(fd_, TIOCGEXCL, &mark) == 0 ? mark : -1;
}

std::string RawClient::ask(std::string_view text) {
    command(text);
    return readLine().value_or("<no reply>");
}

}  // namespace talven::sim::test
