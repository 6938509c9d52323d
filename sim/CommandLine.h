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
};

/// args without the program name. False with error set on a bad argument.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);
std::string UsageText();
std::string ProfileListText();
/// The instruments of --demo, on TCP ports from basePort up and two pseudo-terminals.
std::vector<std::string> DemoArguments(int basePort);

}  // namespace talven::sim
