#pragma once
// The event log as the lower layers see it: a category and a text. The application's event log
// installs itself as the sink; with no sink, lines go to the debug output only.

#include <string>
#include <string_view>

namespace talven {

enum LogCategory : int { kLogMisc = 0, kLogStatus = 1, kLogCommand = 2, kLogResponse = 3, kLogError = 4 };

class LogSink {
  public:
    virtual ~LogSink() = default;
    /// Thread safe.
    virtual void Log(int category, std::string_view text) = 0;
};

/// Writes to the installed sink, or to the debug output when there is none. Thread safe.
void Log(int category, std::string_view text);
void SetLogSink(LogSink* sink);

/// Names the source of the calling thread's lines (an instrument's worker names its instrument).
/// While SetLogNamesSources(true) is in force, each line of a named thread starts with "NAME: ",
/// so that the lines of several instruments worked at once can be told apart.
void SetThreadLogSource(std::string name);
void SetLogNamesSources(bool on);

/// Standard error when the environment variable TALVEN_DEBUG is set; otherwise nothing.
void DebugOutput(std::string_view line);

}  // namespace talven
