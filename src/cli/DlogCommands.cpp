#include "cli/DlogCommands.h"

#include <memory>
#include <ostream>

#include "cli/CliMessages.h"
#include "cli/Confirmation.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "dlog/DlogRequests.h"
#include "dlog/DlogScript.h"
#include "dlog/InstrumentNodeDlog.h"

namespace talven::cli {

namespace {

const char* kDlogUsage =
    "Usage: talvenctl dlog get-config TARGET [SESSION OPTIONS] -o FILE\n"
    "       talvenctl dlog send-config TARGET [SESSION OPTIONS] FILE [--yes]\n"
    "\n"
    "get-config downloads the DLOG configuration and writes it to FILE as a configuration script.\n"
    "send-config loads the configuration script FILE and sends it to the instrument, which replaces\n"
    "its configuration and discards its stored data; the question is asked on the terminal first.\n"
    "  -o FILE   the script file to write\n"
    "  --yes     send without asking (needed when standard input is not a terminal)\n\n";

/// True when the arguments parse, ask for no help and lack the option that must be given.
bool LacksRequiredOption(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                         const std::string& required) {
    ParsedArgs probe;
    std::string ignored;
    return ParseArgs(args, options, probe, ignored) && !probe.Has("--help") && !probe.Has(required);
}

bool DownloadConfiguration(CInstrumentSession& session, RecordingNotifier& notes, InstrumentNodeDlog& dlog,
                           std::ostream& err) {
    if (RunTransfer(
            session, notes,
            std::make_unique<CThreadMessageRequestDASConfig>(&session.GetNode(), &dlog, kCommandWindow),
            wm::kDownloadDone, wm::kDownloadFailed))
        return true;
    err << FormatMessage(msg::kCliDlogConfigDownloadFailed, session.GetNode().GetName()) << "\n";
    return false;
}

int GetConfig(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto options = TargetOptions();
    options.push_back({"-o", true, false});
    if (LacksRequiredOption(args, options, "-o")) {
        err << FormatMessage(msg::kCliMissing, "-o FILE") << "\n" << kDlogUsage << kTargetHelp;
        return kExitUsage;
    }
    RecordingNotifier notes;
    ScopedNotifier scope(&notes);
    return WithSession(args, options, kDlogUsage, out, err,
                       [&](CInstrumentSession& session, const ParsedArgs& parsed) {
                           InstrumentNodeDlog dlog(session.GetNode());
                           if (!DownloadConfiguration(session, notes, dlog, err))
                               return kExitFailed;
                           const DlogFileResult saved = SaveDlogScriptFile(parsed.Value("-o"), dlog);
                           if (!saved.ok) {
                               err << saved.message << "\n";
                               return kExitFailed;
                           }
                           return kExitOk;
                       });
}

int SendConfig(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto options = TargetOptions();
    options.push_back({"--yes", false, false});
    RecordingNotifier notes;
    ScopedNotifier scope(&notes);
    return WithSession(
        args, options, kDlogUsage, out, err,
        [&](CInstrumentSession& session, const ParsedArgs& parsed) {
            InstrumentNodeDlog dlog(session.GetNode());
            // Timer channels are written with their events' start dates and periods, which the
            // instrument's events reply brings.
            if (session.HasCapability(cap::kEventParameter) &&
                !DownloadConfiguration(session, notes, dlog, err))
                return kExitFailed;
            const DlogFileResult loaded = LoadDlogScriptFile(parsed.operands[0], dlog);
            if (!loaded.ok) {
                err << loaded.message << "\n";
                return kExitFailed;
            }
            if (!parsed.Has("--yes")) {
                switch (AskConfirmation(msg::kSendDlogQuestion, err)) {
                    case ConfirmResult::kNoTerminal:
                        err << FormatMessage(msg::kCliPassYes) << "\n";
                        return kExitFailed;
                    case ConfirmResult::kNo:
                        err << FormatMessage(msg::kCliNotSent) << "\n";
                        return kExitFailed;
                    case ConfirmResult::kYes:
                        break;
                }
            }
            if (!RunTransfer(
                    session, notes,
                    std::make_unique<CThreadMessageSendDASConfig>(&session.GetNode(), &dlog, kCommandWindow),
                    wm::kSendDone, wm::kSendFailed)) {
                err << FormatMessage(msg::kCliDlogConfigSendFailed, session.GetNode().GetName()) << "\n";
                return kExitFailed;
            }
            return kExitOk;
        },
        1);
}

}  // namespace

int DlogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help") {
        (args.empty() ? err : out) << kDlogUsage << kTargetHelp;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "get-config")
        return GetConfig(rest, out, err);
    if (args[0] == "send-config")
        return SendConfig(rest, out, err);
    err << FormatMessage(msg::kCliUnknownSubcommand, args[0]) << "\n" << kDlogUsage << kTargetHelp;
    return kExitUsage;
}

}  // namespace talven::cli
