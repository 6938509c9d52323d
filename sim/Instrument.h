#pragma once
// One simulated instrument: its state (display, lights, variables, DLOG, calibrator tables) and
// its command interpreter. It sees whole input lines and answers with reply lines; the link layer
// (LinkSession) does framing, pacing and faults.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "Dlog.h"
#include "Profiles.h"
#include "SimClock.h"

namespace talven::sim {

struct Reply {
    std::vector<std::string> lines;  // each ends with CR LF
    /// Further lines produced while the reply is being sent (record reports).
    std::unique_ptr<LineSource> more;
    /// The lines of more are binary record lines (a fault may spoil their check digits).
    bool recordLines = false;
    /// Stop sending what is left of an earlier report ("d cancel").
    bool cancel = false;
    /// The command text that caused this reply, for faults that strike at a chosen command.
    std::string command;
};

/// What one connection has told the instrument so far.
struct InstrumentSession {
    enum class Receive { kNone, kDas, kSequences, kLevels };
    bool loggedOn = false;
    Receive receive = Receive::kNone;
    std::string text;                 // script text received so far
    std::vector<std::string> levels;  // level lines received so far
    long levelsExpected = -1;         // -1: until "leveltableend"
    std::string levelError;           // first bad level line
};

/// Thread safe: the server thread runs commands while a test inspects or moves the clock.
class Instrument {
  public:
    Instrument(Profile profile, int id, std::shared_ptr<SimClock> clock);

    /// A line as received without its line end; a command line contains 0x03.
    Reply handleLine(InstrumentSession& session, std::string_view line);

    int id() const { return id_; }
    SimClock& clock() { return *clock_; }

    /// Copies taken under the lock, for tests and the command line.
    DasData dasData() const;
    CalibratorData calibratorData() const;
    std::string variable(std::string_view name) const;

  private:
    Reply command(InstrumentSession& session, std::string_view text);
    Reply plainLine(InstrumentSession& session, std::string_view line);
    Reply variables(std::string_view args);
    Reply dlog(std::string_view args);
    Reply print(std::string_view args);
    Reply report(std::string_view args);
    Reply calibrator(InstrumentSession& session, std::string_view args);
    Reply keys(std::string_view args, bool slashForm);
    Reply finishDas(InstrumentSession& session);
    Reply finishSequences(InstrumentSession& session);
    Reply finishLevels(InstrumentSession& session);

    std::string header(char letter) const;
    std::vector<std::string> displayLines(bool attributes) const;
    std::string ledLine() const;
    void pressKey(int index);
    bool warningActive() const;
    std::string readVariable(const std::string& upperName) const;
    bool writeVariable(const std::string& upperName, std::string_view value, std::string& error);

    mutable std::mutex mutex_;
    Profile profile_;
    int id_;
    std::shared_ptr<SimClock> clock_;
    std::vector<std::pair<std::string, std::string>> variables_;
    int panelMode_ =
        0;  // analyzer: 0 sample, 1 calibration, 2 setup; calibrator: 0 standby, 1 generate, 2 sequence
    int testIndex_ = 0;
};

/// Bytes of script a connection may send before the instrument gives up on it.
constexpr std::size_t kMaxScriptBytes = 1u << 20;

}  // namespace talven::sim
