#include "cli/InstrumentCommands.h"

#include <chrono>
#include <memory>
#include <ostream>

#include "app/EventLog.h"
#include "cli/CliMessages.h"
#include "cli/InstrumentTarget.h"
#include "cli/SessionCommand.h"
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

const char* kInfoUsage =
    "Usage: talvenctl info TARGET [SESSION OPTIONS]\n\nConnects, prints the instrument's information, "
    "disconnects.\n\n";
const char* kPanelUsage =
    "Usage: talvenctl panel TARGET [SESSION OPTIONS] [--key N]...\n\n"
    "Connects, prints the display's two lines and one line per status light (NAME: off|on|blinking),\n"
    "then presses each key given (1 to 9) and prints the display after it.\n\n";

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

}  // namespace

int InfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return WithSession(args, TargetOptions(), kInfoUsage, out, err,
                       [&](CInstrumentSession& session, const ParsedArgs&) {
                           for (const auto& line : session.GetInformationLines())
                               out << line << "\n";
                           if (session.IsIdentified())
                               return kExitOk;
                           err << FormatMessage(msg::kCliNotIdentified, session.GetNode().GetName()) << "\n";
                           return kExitFailed;
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
            if (session.HasCapability(capability::kFormatDisplay)) {
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
