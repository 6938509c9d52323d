#pragma once
// The instrument a talvenctl command works on: built from --tcp, --serial or --network with
// --instrument, with the session options applied.

#include <memory>
#include <string>
#include <vector>

#include "cli/CommandLineArgs.h"

namespace talven {
class CInstrumentConnectedNode;
class CNetworkConfiguration;
}  // namespace talven

namespace talven::cli {

/// The options every instrument command accepts.
std::vector<OptionSpec> TargetOptions();

struct InstrumentTarget {
    /// Holds the loaded file for --network (the node lives in its lists).
    std::unique_ptr<CNetworkConfiguration> configuration;
    std::unique_ptr<CInstrumentConnectedNode> ownNode;
    CInstrumentConnectedNode* node = nullptr;
    ~InstrumentTarget();
};

enum class TargetResult { kOk, kUsage, kFailed };

/// Builds the target; on kUsage or kFailed, error says why.
TargetResult MakeTarget(const ParsedArgs& args, InstrumentTarget& target, std::string& error);

}  // namespace talven::cli
