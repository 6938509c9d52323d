#pragma once
// The network tree as text, one node a line, for the command line's "config show" and the window
// program's report of the file it opened.

#include <string>

namespace talven {

class CNetworkConfiguration;

/// Sites, their multiplexors with the instruments behind them, and their instruments with their
/// links, two blanks of indent per level.
std::string DescribeNetworkTree(const CNetworkConfiguration& configuration);

}  // namespace talven
