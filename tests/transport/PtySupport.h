#pragma once
// A pseudo-terminal pair for serial tests: the link opens the slave by its path, the test plays
// the far end on the master.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace talven::testing {

class PtyPair {
  public:
    PtyPair() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0)
            path_ = name;
        // The test keeps its own slave descriptor so that the master never reads end-of-file
        // while the link is closed.
    }
    ~PtyPair() {
        if (master_ >= 0)
            close(master_);
        if (slave_ >= 0)
            close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    int master() const { return master_; }

    void Send(const std::string& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }
    /// Reads from the master until want bytes came or nothing more arrives for limitMs.
    std::string Receive(std::size_t want, int limitMs = 5000) const {
        std::string got;
        char buffer[4096];
        while (got.size() < want) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, limitMs) <= 0)
                break;
            ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace talven::testing
