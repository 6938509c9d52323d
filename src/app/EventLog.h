#pragma once
// The event log file: one line per event, appended, filtered by the three logging options. Every
// line also goes to the debug output. Safe to call from any thread: each operation holds the data
// lock for its whole duration, so lines never interleave.

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/DateTime.h"
#include "foundation/Log.h"

namespace talven {

struct EventLogSettings {
    bool logCommands = false;
    bool logResponses = false;
    bool logErrors = false;
    std::string fileName = "Log.txt";
    std::string dateFormat = "%m/%d/%Y %H:%M:%S";  // the log-entries date-format slot
};

class EventLog : public LogSink {
  public:
    using Clock = std::function<DateTime()>;
    EventLog();
    ~EventLog() override;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    /// Takes effect for filtering at once and for the file at the next OpenLog.
    void SetSettings(const EventLogSettings& settings);
    /// Time stamps come from the local clock unless a test supplies its own.
    void SetClock(Clock clock);

    /// Closes the current file, then, when any logging option is on and a name is set, opens the
    /// file for appending (never truncating) and writes "Log file opened.". Returns false when the
    /// file could not be opened (the user has been told; lines still reach the debug output).
    bool OpenLog();
    /// Writes "Log file closed." and closes the file when one is open.
    void CloseLog();
    bool IsOpen() const;

    /// The category filter, then the line writer. Unknown categories count as "Misc".
    void Log(int category, std::string_view text) override;
    /// Writes a line whatever the filter says.
    void WriteLine(int category, std::string_view text);

    /// "time,  category    ,  escaped text\r\n" as written to the file.
    static std::string FormatLine(const DateTime& when, std::string_view dateFormat, int category,
                                  std::string_view text);
    static const char* CategoryText(int category);

  private:
    bool Passes(int category) const;
    EventLogSettings settings_;
    Clock clock_;
    std::FILE* file_ = nullptr;
};

}  // namespace talven
