#include "cli/InstrumentCommands.h"

#include <chrono>
#include <memory>
#include <ostream>

#include "app/EventLog.h"
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

namespace {

using namespace std::chrono_literals;

const char* kTargetHelp =
    "Target (exactly one):\n"
    "  --tcp HOST:PORT\n"
    "  --serial DEVICE[,BAUD[,PARITY[,DATABITS[,STOPBITS]]]]   parity N, O, E, M or S; defaults 19200,N,8,1\n"
    "  --network FILE --instrument NAME   an instrument of a .cfg or .cfx file, with its saved settings\n"
    "Session options:\n"
    "  --password N   log on with this password\n"
    "  --id N         address the instrument by its ID\n"
    "  --timeout MS   receive time-out in milliseconds\n"
    "  --log FILE     write the event log (commands, responses, errors) to FILE\n";

const char* kInfoUsage =
    "Usage: talvenctl info TARGET [SESSION OPTIONS]\n\nConnects, prints the instrument's information, "
    "disconnects.\n\n";
const char* kPanelUsage =
    "Usage: talvenctl panel TARGET [SESSION OPTIONS] [--key N]...\n\n"
    "Connects, prints the display's two lines and one line per status light (NAME: off|on|blinking),\n"
    "then presses each key given (1 to 9) and prints the display after it.\n\n";

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
        WaitForWorker(session_, 10min);  // the connect exchange
        WaitForWorker(session_, 2min);   // the display read it posts at its end
    }
    ~Connected() {
        session_.PostDisconnect();
        WaitForWorker(session_, 2min);
        session_.JoinEndedWorkers();
    }
    Connected(const Connected&) = delete;
    Connected& operator=(const Connected&) = delete;

    CInstrumentSession& session() { return session_; }
    bool open() const { return session_.IsSessionOpen(); }
    /// Why the connect failed: the status message shown in place of the display, if any.
    std::string FailureText() const {
        const std::string shown = session_.GetDisplayTexts()[0];
        if (shown.size() > 1 && shown[0] == ':')
            return shown.substr(1);
        return FormatMessage(msg::kUnableToConnectSite, session_.GetNode().GetName());
    }

  private:
    CInstrumentSession& session_;
};

std::string RightTrimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    return text;
}

void PrintDisplay(CInstrumentSession& session, std::ostream& out) {
    std::string text = session.GetDisplayTexts()[0];
    if (!text.empty() && text[0] == ':') {
        out << RightTrimmed(text.substr(1)) << "\n";
        return;
    }
    text.resize(80, ' ');
    out << RightTrimmed(text.substr(0, 40)) << "\n" << RightTrimmed(text.substr(40, 40)) << "\n";
}

void PrintLights(CInstrumentSession& session, std::ostream& out) {
    const auto names = session.GetLightNames();
    const auto states = session.GetLightStates();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i].empty())
            continue;
        out << names[i] << ": " << (states[i] == 0 ? "off" : states[i] == 1 ? "on" : "blinking") << "\n";
    }
}

/// Parses, builds the target and connects; runs body on the connected session.
template <typename Body>
int WithSession(const std::vector<std::string>& args, std::vector<OptionSpec> options, const char* usage,
                std::ostream& out, std::ostream& err, Body body) {
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
    if (!parsed.operands.empty()) {
        err << "talvenctl: unexpected argument " << parsed.operands[0] << "\n" << usage << kTargetHelp;
        return kExitUsage;
    }
    CommandLog log(parsed.Value("--log"));
    InstrumentTarget target;
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
    Connected connected(*target.node);
    if (!connected.open()) {
        err << connected.FailureText() << "\n";
        return kExitFailed;
    }
    return body(connected.session(), parsed);
}

}  // namespace

int InfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return WithSession(args, TargetOptions(), kInfoUsage, out, err,
                       [&](CInstrumentSession& session, const ParsedArgs&) {
                           for (const auto& line : session.GetInformationLines())
                               out << line << "\n";
                           return kExitOk;
                       });
}

int PanelCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto options = TargetOptions();
    options.push_back({"--key", true, true});
    for (const auto& key : [&] {
             ParsedArgs probe;
             std::string ignored;
             ParseArgs(args, options, probe, ignored);
             return probe.values["--key"];
         }()) {
        if (key.size() != 1 || key[0] < '1' || key[0] > '9') {
            err << "talvenctl: --key wants a key from 1 to 9, not '" << key << "'\n"
                << kPanelUsage << kTargetHelp;
            return kExitUsage;
        }
    }
    return WithSession(
        args, options, kPanelUsage, out, err, [&](CInstrumentSession& session, const ParsedArgs& parsed) {
            if (session.HasCapability('C')) {
                session.PostLightRequest();
                WaitForWorker(session, 2min);
            }
            PrintDisplay(session, out);
            PrintLights(session, out);
            auto it = parsed.values.find("--key");
            if (it == parsed.values.end())
                return kExitOk;
            for (const auto& key : it->second) {
                if (!session.PostKeyPress(key[0] - '0')) {
                    err << "The instrument did not take key " << key << ".\n";
                    return kExitFailed;
                }
                WaitForWorker(session, 2min);
                if (!session.IsSessionOpen()) {
                    err << FormatMessage(msg::kUnableToConnectSite, session.GetNode().GetName()) << "\n";
                    return kExitFailed;
                }
                out << "key " << key << ":\n";
                PrintDisplay(session, out);
            }
            return kExitOk;
        });
}

}  // namespace talven::cli
