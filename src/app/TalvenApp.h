#pragma once
// The application object: owns the options, the event log and the command line, and keeps the
// options in the settings store between runs. Options are read by connection workers and written by
// the user interface: every access takes the data lock.

#include <string>
#include <vector>

#include "app/EventLog.h"
#include "app/Options.h"
#include "app/SettingsStore.h"

namespace talven {

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kSettingsKey = "Version7";

struct CommandLine {
    std::string path;
    bool fileGiven = false;
};

/// Every argument that is not a switch names the configuration to open (the last one wins);
/// switches (arguments starting with '-') are ignored.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

class CTALVENApp {
  public:
    explicit CTALVENApp(SettingsStore& store);
    ~CTALVENApp();
    CTALVENApp(const CTALVENApp&) = delete;
    CTALVENApp& operator=(const CTALVENApp&) = delete;

    Options GetOptions() const;
    void SetOptions(const Options& options);
    std::string GetDateFormat(int slot) const;

    /// Reads the settings value; when it is missing or unreadable the defaults stay. An unreadable
    /// value is reported once: to the debug output now and to the event log when it next opens.
    bool LoadOptions();
    bool SaveOptions();
    /// Takes the configuration path from the command line, when one is given.
    void ApplyCommandLine(const std::vector<std::string>& args);
    bool fileGivenOnCommandLine() const;
    /// The configuration to open at start-up: the given or remembered path, else "<appName>.cfg" in
    /// the current directory (which is then remembered as the path).
    std::string StartupConfigPath(const std::string& appName);

    /// Hands the logging options to the event log and (re)opens it.
    bool OpenLog();
    void CloseLog();
    EventLog& log() { return log_; }

    /// Restores every option to its default, closing the log first. Refused (false) while busy.
    bool RestoreDefaults(bool busy);
    /// Start-up: options, then command line, then the log. Exit: close the log, save options.
    void Startup(const std::vector<std::string>& args);
    void Exit();

  private:
    /// The links read the failed-connection option, the sessions the front panel interval, on
    /// their own threads.
    void ApplyOptionsToLinks();

    SettingsStore& store_;
    Options options_;
    EventLog log_;
    bool fileGiven_ = false;
    std::string pendingSettingsProblem_;
};

}  // namespace talven
