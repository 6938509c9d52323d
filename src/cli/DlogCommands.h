#pragma once
// talvenctl's `dlog` commands: the DLOG configuration and records of an instrument.

#include <iosfwd>
#include <string>
#include <vector>

namespace talven::cli {

/// `dlog get-config -o FILE`, `dlog send-config FILE [--yes]` (args after the word `dlog`).
int DlogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace talven::cli
