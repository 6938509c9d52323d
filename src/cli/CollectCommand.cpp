#include "cli/CollectCommand.h"

#include <signal.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ostream>
#include <thread>

#include "cli/CliMessages.h"
#include "cli/Collector.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"

namespace talven::cli {

namespace {

const char* kCollectUsage =
    "Usage: talvenctl collect NETWORK [--once] [--interval SECONDS] [--samples] [--log FILE]\n"
    "\n"
    "Downloads every channel of NETWORK (a .cfg or .cfx file) that is selected for automatic\n"
    "download and whose download period has passed, with the channel's own record selection, and\n"
    "writes its records to the channel's download file (appended when its append flag is set), as\n"
    "the DLOG window's automatic mode does. Instruments are worked in parallel; instruments sharing\n"
    "a port or an address one after another. The channels' last-download times are saved back to\n"
    "NETWORK, so a restart does not download twice. A relative download file name is taken from the\n"
    "current directory.\n"
    "  --once      make one pass and exit; otherwise pass again every minute (see --interval)\n"
    "              until SIGINT or SIGTERM, then cancel the downloads under way (an instrument\n"
    "              without a cancel finishes the channel it is sending), write nothing of them\n"
    "              and exit; their channels keep their last-download times (a second signal\n"
    "              ends at once)\n"
    "  --interval SECONDS\n"
    "              start a pass every SECONDS seconds (1 to 86400) instead of every minute\n"
    "  --samples   add the sample count columns of parameters that store them\n"
    "  --log FILE  write the event log (commands, responses, errors) to FILE\n"
    "Exit status: 0 when every due channel was downloaded and written, 1 when any was not.\n";

constexpr long kCheckIntervalSeconds = 60;
constexpr long kLongestIntervalSeconds = 86400;
constexpr auto kStopPoll = std::chrono::milliseconds(100);

std::atomic<bool> stopRequested{false};

// A pass starts a thread for every instrument and its session starts another; glibc gives new
// threads arenas of their own (up to eight a core) and keeps what they freed in them, so that a
// collect running for days grew pass after pass towards sixteen arenas' worth of its largest
// downloads. Two arenas hold it flat without slowing it (its threads wait on links, not on the
// allocator), and what a pass freed goes back to the system before the next one.
void LimitAllocatorArenas() {
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 2);
#endif
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

extern "C" void OnStopSignal(int) {
    stopRequested = true;
}

/// SIGINT and SIGTERM set the stop flag while collect runs. The handler resets itself when it
/// fires, so a second signal ends the program the usual way.
class StopSignals {
  public:
    StopSignals() {
        stopRequested = false;
        struct sigaction action = {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &previousInt_);
        sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &previousInt_, nullptr);
        sigaction(SIGTERM, &previousTerm_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    struct sigaction previousInt_ = {};
    struct sigaction previousTerm_ = {};
};

/// Several instruments are worked at once: each line of the event log names its instrument.
class LogSourcesNamed {
  public:
    LogSourcesNamed() { SetLogNamesSources(true); }
    ~LogSourcesNamed() { SetLogNamesSources(false); }
    LogSourcesNamed(const LogSourcesNamed&) = delete;
    LogSourcesNamed& operator=(const LogSourcesNamed&) = delete;
};

/// Says once, as soon as it is noticed, that a stop was asked for; from then on cancels the
/// exchanges under way, again at every poll, since an exchange that starts clears its cancel.
class StopNotice {
  public:
    StopNotice(Console& console, Collector& collector)
        : console_(console), thread_([this, &collector] {
              while (!done_ && !stopRequested)
                  std::this_thread::sleep_for(kStopPoll);
              Say();
              while (!done_) {
                  collector.CancelUnderWay();
                  std::this_thread::sleep_for(kStopPoll);
              }
          }) {}
    ~StopNotice() {
        done_ = true;
        thread_.join();
        Say();  // a stop that came in the last poll interval
    }
    StopNotice(const StopNotice&) = delete;
    StopNotice& operator=(const StopNotice&) = delete;

  private:
    void Say() {
        if (!stopRequested || said_.exchange(true))
            return;
        Log(kLogStatus, MessageText(msg::kCliCollectStopping));
        console_.Message(MessageText(msg::kCliCollectStopping));
    }

    Console& console_;
    std::atomic<bool> done_{false};
    std::atomic<bool> said_{false};
    std::thread thread_;
};

}  // namespace

int CollectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::vector<OptionSpec> options = {
        {"--once"}, {"--samples"}, {"--log", true}, {"--interval", true}, {"--help"}};
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs(args, options, parsed, error)) {
        err << "talvenctl: " << error << "\n" << kCollectUsage;
        return kExitUsage;
    }
    if (parsed.Has("--help")) {
        out << kCollectUsage;
        return kExitOk;
    }
    if (parsed.operands.size() != 1) {
        if (parsed.operands.empty())
            err << FormatMessage(msg::kCliMissing, "NETWORK") << "\n" << kCollectUsage;
        else
            err << "talvenctl: unexpected argument " << parsed.operands[1] << "\n" << kCollectUsage;
        return kExitUsage;
    }
    long intervalSeconds = kCheckIntervalSeconds;
    if (parsed.Has("--interval")) {
        const std::string given = parsed.Value("--interval");
        char* end = nullptr;
        errno = 0;
        intervalSeconds = std::strtol(given.c_str(), &end, 10);
        if (given.empty() || *end != '\0' || errno != 0 || intervalSeconds < 1 ||
            intervalSeconds > kLongestIntervalSeconds) {
            err << FormatMessage(msg::kCliBadCount, "--interval", given) << "\n" << kCollectUsage;
            return kExitUsage;
        }
    }
    const auto checkInterval = std::chrono::seconds(intervalSeconds);
    LimitAllocatorArenas();  // before any thread of collect starts
    CommandLog log(parsed.Value("--log"));
    LogSourcesNamed named;
    CommandNotifier notes;
    StopSignals signals;
    CollectOptions collect;
    collect.networkPath = parsed.operands[0];
    collect.samplesBox = parsed.Has("--samples");
    Collector collector(collect, notes, stopRequested);
    StopNotice notice(notes.console(), collector);

    const bool once = parsed.Has("--once");
    bool allDone = true;
    for (bool first = true;; first = false) {
        const auto started = std::chrono::steady_clock::now();
        const PassOutcome outcome = collector.RunPass();
        if (first && !outcome.loaded)
            return kExitFailed;
        allDone = allDone && outcome.ok;
        if (once && outcome.loaded && outcome.dueChannels == 0)
            notes.console().Message(MessageText(msg::kCliCollectNothingDue));
        if (once)
            break;
        ReturnFreedMemory();
        while (!stopRequested && std::chrono::steady_clock::now() - started < checkInterval)
            std::this_thread::sleep_for(kStopPoll);
        if (stopRequested)
            break;
    }
    return allDone ? kExitOk : kExitFailed;
}

}  // namespace talven::cli
