#pragma once
// talvenctl collect: unattended automatic downloads over a network configuration file.

#include <iosfwd>
#include <string>
#include <vector>

namespace talven::cli {

int CollectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace talven::cli
