#pragma once
// A plain client for driving the simulator in tests: a loopback TCP socket or the terminal side of
// a pseudo-terminal, raw bytes in and out, lines read with a time-out.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talven::sim::test {

class RawClient {
  public:
    static RawClient Tcp(std::uint16_t port);
    static RawClient Serial(const std::string& devicePath);
    RawClient(RawClient&& other) noexcept;
    RawClient& operator=(RawClient&&) = delete;
    ~RawClient();

    bool ok() const { return fd_ >= 0; }
    void send(std::string_view bytes);
    /// 0x03, the command, CR LF.
    void command(std::string_view text);
    /// One line with its line end, or nothing when none came within timeoutMs.
    std::optional<std::string> readLine(int timeoutMs = 3000);
    /// Exactly n lines; fewer when the time-out struck.
    std::vector<std::string> readLines(std::size_t n, int timeoutMs = 3000);
    /// Lines up to and including the first that starts with last.
    std::vector<std::string> readUntil(std::string_view last, int timeoutMs = 3000);
    /// Everything until the peer closes; false when it did not close within timeoutMs.
    bool readToClose(std::string& out, int timeoutMs = 3000);
    /// Terminal only: TIOCEXCL on this descriptor (0 on success), and the exclusive mark as
    /// TIOCGEXCL reads it (1 set, 0 clear, -1 unknown).
    int exclusive();
    int exclusiveMark();
    /// Sends a command and returns its one reply line.
    std::string ask(std::string_view text);

  private:
    explicit RawClient(int fd) : fd_(fd) {}
    bool fill(int timeoutMs);
    int fd_ = -1;
    std::string buffer_;
    bool closed_ = false;
};

/// A command line as the program frames it.
std::string Framed(std::string_view text);

}  // namespace talven::sim::test
