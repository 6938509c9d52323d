#pragma once
// talvenctl: the scriptable command line over the core libraries.

#include <iosfwd>
#include <string>
#include <vector>

namespace talven {
class CNetworkConfiguration;
}

namespace talven::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

/// Runs one command (args without the program name); messages go to out and err.
int RunTalvenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// `config show`: the tree, one node a line, two blanks of indent per level.
std::string DescribeNetworkTree(CNetworkConfiguration& configuration);

}  // namespace talven::cli
