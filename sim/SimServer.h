#pragma once
// The simulator's public face: start an instrument of a chosen profile on a loopback TCP port or a
// pseudo-terminal, and stop it. Each running instrument owns one thread that serves its link.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Instrument.h"
#include "LinkSession.h"
#include "SimClock.h"

namespace talven::sim {

struct InstrumentOptions {
    std::string profile = "analyzer";
    /// The instrument ID written in reply headers; a command that names another ID is ignored.
    int id = 0;
    /// Replaces the profile's log-on password when set; 0 turns log-on off.
    std::optional<int> password;
    /// Varies the generated record values; the same seed always gives the same records.
    std::uint64_t seed = 1;
    LinkOptions link;
    /// Clock shared with other instruments or with a test; when null the instrument makes its own
    /// from clockStart (0 = the PC's clock) and clockFrozen.
    std::shared_ptr<SimClock> clock;
    std::uint32_t clockStart = 0;
    bool clockFrozen = false;
    /// TCP only: the address to listen on.
    std::string bindAddress = "127.0.0.1";
};

class SimInstrument {
  public:
    /// Listens on port (0 = an ephemeral port; see port()). Null with error set on failure.
    static std::unique_ptr<SimInstrument> StartTcp(const InstrumentOptions& options, std::uint16_t port,
                                                   std::string& error);
    /// Opens a pseudo-terminal; its device path is devicePath(). When linkPath is not empty a
    /// symbolic link of that name is made to the device (an existing symbolic link is replaced, any
    /// other file is left alone and the start fails).
    static std::unique_ptr<SimInstrument> StartPty(const InstrumentOptions& options,
                                                   const std::string& linkPath, std::string& error);

    ~SimInstrument();
    SimInstrument(const SimInstrument&) = delete;
    SimInstrument& operator=(const SimInstrument&) = delete;

    /// Ends the thread, closes every descriptor and removes the symbolic link. Idempotent.
    void stop();

    std::uint16_t port() const { return port_; }
    const std::string& devicePath() const { return devicePath_; }
    const std::string& linkPath() const { return linkPath_; }
    /// Where it listens, for people: "tcp 127.0.0.1:7001" or "pty /dev/pts/4 (/tmp/talven-sim-cal)".
    std::string where() const;

    Instrument& instrument() { return *instrument_; }
    /// Connections accepted (TCP; a new one replaces the current) or link resets after a cut (pty).
    int connections() const { return connections_.load(); }
    /// True while a TCP client is connected.
    bool clientConnected() const { return clientConnected_.load(); }
    /// Faults injected on every connection so far (see LinkSession::takeFaultsInjected).
    long faultsInjected() const { return faultsInjected_.load(); }

  private:
    SimInstrument() = default;
    bool makeInstrument(const InstrumentOptions& options, std::string& error);
    void run();
    void serveTcp();
    void servePty();
    /// Feeds input, runs timers and writes; false when the link must be dropped.
    bool pump(int fd, LinkSession& session, bool readable);
    void dropClient(int& client, std::unique_ptr<LinkSession>& session);
    std::unique_ptr<LinkSession> newSession();

    std::unique_ptr<Instrument> instrument_;
    LinkOptions link_;
    bool pty_ = false;
    int listenFd_ = -1;
    int masterFd_ = -1;
    int slaveFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;
    std::string bindAddress_;
    std::string devicePath_;
    std::string linkPath_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<bool> clientConnected_{false};
    std::atomic<long> faultsInjected_{0};
    std::thread thread_;
};

}  // namespace talven::sim
