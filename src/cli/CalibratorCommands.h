#pragma once
// talvenctl's `seq` and `levels` commands: a calibrator's sequence configuration and level table.

#include <iosfwd>
#include <string>
#include <vector>

namespace talven::cli {

/// `seq get -o FILE`, `seq send FILE [--yes]` (args after the word `seq`).
int SequenceCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
/// `levels get -o FILE`, `levels send FILE [--yes]` (args after the word `levels`).
int LevelsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace talven::cli
