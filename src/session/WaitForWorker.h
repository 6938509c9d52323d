#pragma once
// Waiting for an instrument's worker from another thread: for programs without windows (the
// command line, the demo) that run one exchange after another.

#include <chrono>

namespace talven {

class CInstrumentSession;

/// Posts a marker request and waits until the worker reaches it, so that every request posted
/// before has finished. True at once when no worker runs; false when the time ran out.
bool WaitForWorker(CInstrumentSession& session, std::chrono::milliseconds limit);

}  // namespace talven
