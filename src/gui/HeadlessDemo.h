#pragma once
// The demo network without windows: simulated instruments started inside the program, a network
// configuration that reaches them, and one connection to each that reports what it found.

#include <iosfwd>

namespace talven {

/// Starts the simulator's instruments, connects to each through the instrument session and prints
/// its identity, capabilities and front panel. Returns the number of instruments that failed.
int RunHeadlessDemo(std::ostream& out);

}  // namespace talven
