#pragma once
// One connection to an instrument: the bytes it receives (Hayes modem, code-activated switch,
// line framing) and the bytes it sends (pacing and injected faults). No I/O and no threads of its
// own: the server feeds it bytes and asks it what to write and when to wake it next.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "Faults.h"
#include "Instrument.h"

namespace talven::sim {

/// Longest input line kept; longer lines are dropped whole.
constexpr std::size_t kMaxInputLine = 8192;
constexpr std::size_t kMaxQueuedOutput = 256 * 1024;

struct LinkOptions {
    FaultSettings faults;
    /// Code-activated switch: with a select code set, the instrument hears and answers only
    /// between its select and deselect codes.
    std::string selectCode;
    std::string deselectCode;
    /// Hayes modem in front of the instrument (pseudo-terminals): AT commands until a dial.
    bool modem = false;
    int modemGuardMs = 1000;
    int modemConnectMs = 300;
    /// When the instrument started: the fault window (faultstart, faultend) counts from here.
    /// Left unset, from the first bytes the session hears.
    std::chrono::steady_clock::time_point started;
    /// Which connection of the instrument this is (0 first): the fault draws differ per
    /// connection, so that a random fault does not strike the same reply on every reconnect.
    int connection = 0;
    /// When set, told every line heard ("<- ...") and every reply line ("-> ..."), on the
    /// server's thread, with control characters shown as ^X.
    std::function<void(const std::string&)> trace;
};

class LinkSession {
  public:
    using Clock = std::chrono::steady_clock;

    LinkSession(Instrument& instrument, LinkOptions options);

    void received(std::string_view bytes, Clock::time_point now);
    /// Runs due timers (modem guard time, dialling); call when nextDeadline has passed.
    void tick(Clock::time_point now);
    /// Bytes that may be written now; empty when nothing is due.
    std::string_view writable(Clock::time_point now);
    void wrote(std::size_t n, Clock::time_point now);
    /// When tick or writable next has something to do; Clock::time_point::max() when idle.
    Clock::time_point nextDeadline() const;
    /// A fault has decided that the link goes down now.
    bool closeRequested() const { return closeRequested_; }

    std::size_t queuedBytes() const;
    /// False while so much output waits that the server should stop reading: a client that sends
    /// commands without reading the replies is slowed down, not buffered without end.
    bool wantsInput() const { return queuedBytes() < kMaxQueuedOutput; }
    bool selected() const { return selected_; }
    /// Faults injected since the last call (replies dropped, delayed or cut, junk lines, spoiled
    /// record lines, a byte-count cut).
    long takeFaultsInjected();
    bool modemOnline() const { return !modemCommandMode_; }

  private:
    struct Segment {
        std::string bytes;
        std::size_t offset = 0;
        Clock::time_point notBefore;
        bool closeAfter = false;
    };

    void dataByte(char c, Clock::time_point now);
    void lineComplete(Clock::time_point now);
    void queueReply(Reply reply, Clock::time_point now);
    void pullReport(Clock::time_point now);
    void queueLine(std::string line, bool recordLine, Clock::time_point now);
    void modemByte(char c, Clock::time_point now);
    void modemCommand(const std::string& line, Clock::time_point now);
    void modemSay(const std::string& text, Clock::time_point now);
    bool draw(double probability);
    bool faulty(Clock::time_point now) const;

    Instrument& instrument_;
    LinkOptions options_;
    InstrumentSession session_;
    std::mt19937_64 random_;

    std::string line_;
    bool discardingLine_ = false;
    bool selected_ = true;
    std::string switchWindow_;

    std::deque<Segment> out_;
    std::unique_ptr<LineSource> report_;
    bool reportRecords_ = false;
    Clock::time_point replyStart_;
    long sentTotal_ = 0;
    bool closeRequested_ = false;
    long faultsInjected_ = 0;

    bool modemCommandMode_ = false;
    bool modemEcho_ = true;
    bool modemConnected_ = false;
    std::string modemLine_;
    int plusCount_ = 0;
    Clock::time_point lastByte_;
    Clock::time_point plusTime_;
    Clock::time_point dialDone_ = Clock::time_point::max();
};

}  // namespace talven::sim
