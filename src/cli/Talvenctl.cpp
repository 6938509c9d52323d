#include "cli/Talvenctl.h"

#include <functional>
#include <map>
#include <ostream>
#include <sstream>

#include "app/CoreStartup.h"
#include "cli/CalibratorCommands.h"
#include "cli/CliMessages.h"
#include "cli/CollectCommand.h"
#include "cli/CommandLineArgs.h"
#include "cli/Console.h"
#include "cli/DlogCommands.h"
#include "cli/InstrumentCommands.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "network/TreeDescription.h"

namespace talven::cli {

namespace {

const char* kUsage =
    "Usage: talvenctl COMMAND [SUBCOMMAND] [OPTIONS] [ARGS]\n"
    "\n"
    "Commands:\n"
    "  config show FILE        print the network tree of a .cfg or .cfx file\n"
    "  config convert IN OUT   load IN and save it as OUT (each format by its extension)\n"
    "  info TARGET             connect and print the instrument's information\n"
    "  panel TARGET [--key N]  connect and print the front panel; press keys\n"
    "  dlog get-config TARGET -o FILE       write the DLOG configuration as a script file\n"
    "  dlog send-config TARGET FILE [--yes] send a DLOG configuration script file\n"
    "  dlog get-data TARGET [SELECTION] (-o FILE | -d DIR)   download records as CSV\n"
    "  dlog auto --network FILE --instrument NAME [CHANGES]  show or set automatic downloads\n"
    "  seq get TARGET -o FILE               write a calibrator's sequence configuration\n"
    "  seq send TARGET FILE [--yes]         send a sequence configuration script file\n"
    "  levels get TARGET -o FILE            write a calibrator's level table\n"
    "  levels send TARGET FILE [--yes]      send a level table file\n"
    "  collect NETWORK [--once]             download every channel due for automatic download\n"
    "\n"
    "Run 'talvenctl COMMAND --help' for the options of a command.\n";

const char* kConfigUsage =
    "Usage: talvenctl config show FILE\n"
    "       talvenctl config convert IN OUT\n"
    "\n"
    "A path ending in .cfg (any letter case) is the binary form, any other path the text form.\n"
    "show prints one node a line, indented two blanks per level:\n"
    "  site NAME / multiplexor NAME ADDRESS / instrument NAME followed by its link.\n";

/// Messages meant for a dialog go to standard error (from any thread); questions take their
/// default answer.
class StderrPrompt : public UserPrompt {
  public:
    explicit StderrPrompt(Console& console) : console_(console) {}
    int MessageBox(const std::string& text, const std::string&, unsigned flags) override {
        console_.Message(text);
        return DefaultAnswer(flags);
    }
    std::optional<std::string> OpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }

  private:
    Console& console_;
};

/// The text form keeps the tree and the links only: names the instruments whose own data (DLOG
/// configuration with the automatic downloads and last-download times, gases, units, sequences,
/// level table) a conversion to it left out.
void ReportLeftOut(const CNetworkConfiguration& configuration, const std::string& path, std::ostream& err) {
    const SavedLists& lists = configuration.Lists();
    for (const CNamedObjectList* list : {&lists.connectedInstruments, &lists.multiplexorInstruments}) {
        for (const auto& object : *list) {
            auto* node = dynamic_cast<const CInstrumentConnectedNode*>(object.get());
            if (node == nullptr)
                continue;
            bool holdsData = false;
            for (int which = 0; which < kInstrumentListCount; ++which)
                holdsData = holdsData || !node->GetList(static_cast<InstrumentList>(which)).empty();
            if (holdsData)
                err << FormatMessage(msg::kCliConvertLeftOut, path, node->GetName()) << "\n";
        }
    }
}

int ConfigCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help") {
        (args.empty() ? err : out) << kConfigUsage;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::string sub = args[0];
    ParsedArgs parsed;
    std::string error;
    if (!ParseArgs({args.begin() + 1, args.end()}, {{"--help"}}, parsed, error)) {
        err << "talvenctl config: " << error << "\n" << kConfigUsage;
        return kExitUsage;
    }
    if (parsed.Has("--help")) {
        out << kConfigUsage;
        return kExitOk;
    }
    const std::size_t wanted = sub == "show" ? 1 : sub == "convert" ? 2 : 0;
    if (wanted == 0 || parsed.operands.size() != wanted) {
        err << "talvenctl config: " << (wanted == 0 ? "unknown subcommand " + sub : "wrong number of files")
            << "\n"
            << kConfigUsage;
        return kExitUsage;
    }
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    if (!LoadNetworkConfiguration(configuration, parsed.operands[0]))
        return kExitFailed;
    if (sub == "show") {
        out << DescribeNetworkTree(configuration);
        return kExitOk;
    }
    if (!SaveNetworkConfiguration(configuration, parsed.operands[1]))
        return kExitFailed;
    if (!IsBinaryConfigPath(parsed.operands[1]))
        ReportLeftOut(configuration, parsed.operands[1], err);
    return kExitOk;
}

}  // namespace

int RunTalvenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 ErrorStream errStream) {
    InitializeCore();
    Console console(err, errStream.terminal, errStream.width);
    ScopedConsole scopedConsole(console);
    StderrPrompt prompt(console);
    ScopedUserPrompt scopedPrompt(&prompt);
    if (args.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "--help" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "config")
        return ConfigCommand(rest, out, err);
    if (command == "info")
        return InfoCommand(rest, out, err);
    if (command == "panel")
        return PanelCommand(rest, out, err);
    if (command == "dlog")
        return DlogCommand(rest, out, err);
    if (command == "seq")
        return SequenceCommand(rest, out, err);
    if (command == "levels")
        return LevelsCommand(rest, out, err);
    if (command == "collect")
        return CollectCommand(rest, out, err);
    err << "talvenctl: unknown command " << command << "\n" << kUsage;
    return kExitUsage;
}

}  // namespace talven::cli
