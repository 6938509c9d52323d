#pragma once
// talvenctl's commands that talk to an instrument through a session.

#include <iosfwd>
#include <string>
#include <vector>

namespace talven::cli {

/// `info`: connect, print the Instrument Information lines, disconnect.
int InfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
/// `panel [--key N]...`: connect, print the display's two lines and the lights, then the display
/// after each key.
int PanelCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace talven::cli
