#pragma once
// The talven-sim command line, parsed into what to start.

#include <string>
#include <vector>

#include "SimServer.h"

namespace talven::sim {

struct InstrumentSpec {
    bool pty = false;
    std::uint16_t port = 0;  // TCP
    std::string path;        // pty: symbolic link to make, empty for none
    bool ownSeed = false;    // seed=N given for this instrument; --seed does not replace it
    InstrumentOptions options;
};

struct CommandLine {
    std::vector<InstrumentSpec> instruments;
    bool help = false;
    bool listProfiles = false;
    bool verbose = false;
    /// --list-records: where SIGUSR2 and the stop write what every instrument's logger holds.
    std::string listPath;
    /// The instruments' common clock (SIGUSR1 stops it and lets it run again).
    std::shared_ptr<SimClock> clock;
};

/// args without the program name. False with error set on a bad argument.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);
std::string UsageText();
/// The --list-records file: per instrument a line "INSTRUMENT profile id N WHERE faults F",
/// then its logger's records (RecordListing), all at the clock time of the first line.
std::string RecordListingText(std::uint32_t now,
                              const std::vector<std::pair<const InstrumentSpec*, SimInstrument*>>& running);
std::string ProfileListText();
/// The instruments of --demo, on TCP ports from basePort up and two pseudo-terminals.
std::vector<std::string> DemoArguments(int basePort);

}  // namespace talven::sim
