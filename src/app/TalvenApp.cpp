#include "app/TalvenApp.h"

#include "app/CoreStartup.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "session/SessionEnvironment.h"
#include "transport/Connection.h"

namespace talven {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    for (const auto& arg : args) {
        if (arg.empty() || arg[0] == '-')
            continue;
        line.path = arg;
        line.fileGiven = true;
    }
    return line;
}

CTALVENApp::CTALVENApp(SettingsStore& store) : store_(store) {
    SetLogSink(&log_);
}

CTALVENApp::~CTALVENApp() {
    SetLogSink(nullptr);
}

Options CTALVENApp::GetOptions() const {
    DataGuard guard;
    return options_;
}

void CTALVENApp::SetOptions(const Options& options) {
    DataGuard guard;
    options_ = options;
    ApplyOptionsToLinks();
}

void CTALVENApp::ApplyOptionsToLinks() {
    DataGuard guard;
    SetDetectFailedConnections(options_.detectFailedConnections);
    SessionOptions session;
    session.frontPanelIntervalSeconds = options_.frontPanelInterval;
    SetSessionOptions(session);
}

std::string CTALVENApp::GetDateFormat(int slot) const {
    DataGuard guard;
    return options_.DateFormat(slot);
}

bool CTALVENApp::LoadOptions() {
    const auto value = store_.Read(kSettingsSection, kSettingsKey);
    if (!value)
        return true;
    Options read = GetOptions();
    std::string problem;
    if (!ReadSettingsValue(*value, read, &problem)) {
        const std::string text = FormatMessage(msg::kSettingsUnreadable, problem);
        DebugOutput(text + "\r\n");
        DataGuard guard;
        pendingSettingsProblem_ = text;
        return false;
    }
    SetOptions(read);
    return true;
}

bool CTALVENApp::SaveOptions() {
    return store_.Write(kSettingsSection, kSettingsKey, WriteSettingsValue(GetOptions()));
}

void CTALVENApp::ApplyCommandLine(const std::vector<std::string>& args) {
    const CommandLine line = ParseCommandLine(args);
    DataGuard guard;
    fileGiven_ = line.fileGiven;
    if (line.fileGiven)
        options_.networkConfigPath = line.path;
}

bool CTALVENApp::fileGivenOnCommandLine() const {
    DataGuard guard;
    return fileGiven_;
}

std::string CTALVENApp::StartupConfigPath(const std::string& appName) {
    DataGuard guard;
    if (options_.networkConfigPath.empty())
        options_.networkConfigPath = appName + MessageText(msg::kNetworkConfigExtension).data();
    return options_.networkConfigPath;
}

bool CTALVENApp::OpenLog() {
    std::string problem;
    {
        DataGuard guard;
        EventLogSettings s;
        s.logCommands = options_.logCommands;
        s.logResponses = options_.logResponses;
        s.logErrors = options_.logErrors;
        s.fileName = options_.logFileName;
        s.dateFormat = options_.DateFormat(kDateSlotLogEntries);
        log_.SetSettings(s);
    }
    const bool opened = log_.OpenLog();
    DataGuard guard;
    if (opened && log_.IsOpen() && !pendingSettingsProblem_.empty()) {
        log_.Log(kLogError, pendingSettingsProblem_);
        pendingSettingsProblem_.clear();
    }
    return opened;
}

void CTALVENApp::CloseLog() {
    log_.CloseLog();
}

bool CTALVENApp::RestoreDefaults(bool busy) {
    if (busy)
        return false;
    CloseLog();
    DataGuard guard;
    options_.RestoreDefaults();
    ApplyOptionsToLinks();
    return true;
}

void CTALVENApp::Startup(const std::vector<std::string>& args) {
    InitializeCore();
    LoadOptions();
    ApplyCommandLine(args);
    OpenLog();
}

void CTALVENApp::Exit() {
    CloseLog();
    SaveOptions();
}

}  // namespace talven
