#pragma once
// The frame of the instrument commands: the event log for --log, a session connected for the
// length of a command, and the parse-target-connect sequence every instrument command starts with.

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/EventLog.h"
#include "cli/CliMessages.h"
#include "cli/CommandLineArgs.h"
#include "cli/Confirmation.h"
#include "cli/InstrumentTarget.h"
#include "cli/Talvenctl.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"
#include "session/SessionMessages.h"
#include "session/WaitForWorker.h"

namespace talven::cli {

inline const char* const kTargetHelp =
    "Target (exactly one):\n"
    "  --tcp HOST:PORT\n"
    "  --serial DEVICE[,BAUD[,PARITY[,DATABITS[,STOPBITS]]]]   parity N, O, E, M or S; defaults 19200,N,8,1\n"
    "  --network FILE --instrument NAME   an instrument of a .cfg or .cfx file, with its saved settings\n"
    "Session options:\n"
    "  --password N   log on with this password\n"
    "  --id N         address the instrument by its ID\n"
    "  --timeout MS   receive time-out in milliseconds\n"
    "  --log FILE     write the event log (commands, responses, errors) to FILE\n";

/// Event log for --log: every category on; removed again when the command ends.
class CommandLog {
  public:
    explicit CommandLog(const std::string& path) {
        if (path.empty())
            return;
        EventLogSettings settings;
        settings.logCommands = settings.logResponses = settings.logErrors = true;
        settings.fileName = path;
        log_ = std::make_unique<EventLog>();
        log_->SetSettings(settings);
        log_->OpenLog();
        SetLogSink(log_.get());
    }
    ~CommandLog() {
        if (!log_)
            return;
        log_->CloseLog();
        SetLogSink(nullptr);
    }
    CommandLog(const CommandLog&) = delete;
    CommandLog& operator=(const CommandLog&) = delete;

  private:
    std::unique_ptr<EventLog> log_;
};

/// A connected session for the length of a command; disconnects when it ends.
class Connected {
  public:
    explicit Connected(CInstrumentConnectedNode& node) : session_(CInstrumentSession::Of(node)) {
        session_.PostConnect();
        WaitForWorker(session_, std::chrono::minutes(10));  // the connect exchange
        WaitForWorker(session_, std::chrono::minutes(2));   // the display read it posts at its end
    }
    ~Connected() {
        session_.PostDisconnect();
        WaitForWorker(session_, std::chrono::minutes(2));
        session_.JoinEndedWorkers();
    }
    Connected(const Connected&) = delete;
    Connected& operator=(const Connected&) = delete;

    CInstrumentSession& session() { return session_; }
    bool open() const { return session_.IsSessionOpen(); }
    /// Why the connect failed: the status message shown in place of the display, if any.
    std::string FailureText() const {
        const std::string shown = session_.GetDisplayTexts()[0];
        std::string text = shown.size() > 1 && shown[0] == ':'
                               ? shown.substr(1)
                               : FormatMessage(msg::kUnableToConnectSite, session_.GetNode().GetName());
        if (session_.IsLogOnRequired() && !session_.GetNode().GetSettings().passwordEnabled)
            text = WithCause(text, FormatMessage(msg::kCliUseLogOnPassword));
        return text;
    }

  private:
    CInstrumentSession& session_;
};

/// Builds the target of a parsed command line: kExitOk when it is ready, else the exit status
/// after saying why on err.
inline int PrepareTarget(const ParsedArgs& parsed, InstrumentTarget& target, const char* usage,
                         std::ostream& err) {
    std::string error;
    switch (MakeTarget(parsed, target, error)) {
        case TargetResult::kUsage:
            err << "talvenctl: " << error << "\n" << usage << kTargetHelp;
            return kExitUsage;
        case TargetResult::kFailed:
            if (!error.empty())
                err << error << "\n";
            return kExitFailed;
        case TargetResult::kOk:
            break;
    }
    return kExitOk;
}

/// Says what the instrument answered in place of confirming a send, when it answered anything.
inline void ShowRefusal(const CInstrumentSession& session, std::ostream& err) {
    const std::string refusal = session.GetLastRefusal();
    if (!refusal.empty())
        err << FormatMessage(msg::kCliSendRefused, refusal) << "\n";
}

/// Parses, builds the target and connects; runs body on the connected session. The command takes
/// exactly operandCount operands (files). A command that asks a go-ahead (--yes or the terminal)
/// is refused before it connects when it cannot have one.
template <typename Body>
int WithSession(const std::vector<std::string>& args, std::vector<OptionSpec> options, const char* usage,
                std::ostream& out, std::ostream& err, Body body, std::size_t operandCount = 0,
                bool asksGoAhead = false) {
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs(args, options, parsed, error)) {
        err << "talvenctl: " << error << "\n" << usage << kTargetHelp;
        return kExitUsage;
    }
    if (parsed.Has("--help")) {
        out << usage << kTargetHelp;
        return kExitOk;
    }
    if (parsed.operands.size() > operandCount) {
        err << "talvenctl: unexpected argument " << parsed.operands[operandCount] << "\n"
            << usage << kTargetHelp;
        return kExitUsage;
    }
    if (parsed.operands.size() < operandCount) {
        err << FormatMessage(msg::kCliMissing, "FILE") << "\n" << usage << kTargetHelp;
        return kExitUsage;
    }
    CommandLog log(parsed.Value("--log"));
    InstrumentTarget target;
    if (const int status = PrepareTarget(parsed, target, usage, err); status != kExitOk)
        return status;
    if (asksGoAhead && !CanConfirm(parsed.Has("--yes"), err))
        return kExitFailed;
    Connected connected(*target.node);
    if (!connected.open()) {
        err << connected.FailureText() << "\n";
        return kExitFailed;
    }
    return body(connected.session(), parsed);
}

}  // namespace talven::cli
