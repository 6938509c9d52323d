#pragma once
// talvenctl: the scriptable command line over the core libraries.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

namespace talven::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

/// Standard error as the program found it.
struct ErrorStream {
    /// A terminal: long transfers draw a progress line on it.
    bool terminal = false;
    /// Columns the progress line may use.
    std::size_t width = 79;
};

/// Runs one command (args without the program name); messages go to out and err.
int RunTalvenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 ErrorStream errStream = {});

}  // namespace talven::cli
