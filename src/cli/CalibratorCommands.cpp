#include "cli/CalibratorCommands.h"

#include <functional>
#include <memory>
#include <ostream>

#include "calibrator/CalibratorClasses.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/CalibratorRequests.h"
#include "calibrator/Level.h"
#include "calibrator/SequenceScript.h"
#include "cli/CliMessages.h"
#include "cli/Confirmation.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"

namespace talven::cli {

namespace {

using RequestMaker =
    std::function<std::unique_ptr<CThreadMessage>(CInstrumentConnectedNode*, ICalibratorInstrument*)>;
using FileAction = std::function<CalFileResult(ICalibratorInstrument&, const std::string&)>;

/// One of the calibrator's two tables, as its window's Get, Save, Load and Send handle it.
struct CalibratorTable {
    const char* usage;
    int downloadFailed;
    int sendQuestion;
    int sendFailed;
    int downloading;  // the status texts of the transfers
    int sending;
    RequestMaker download;
    RequestMaker send;
    FileAction save;
    FileAction load;
    bool uniqueLevelNumbers;
};

template <typename Request>
RequestMaker Maker() {
    return [](CInstrumentConnectedNode* node, ICalibratorInstrument* calibrator) {
        return std::make_unique<Request>(node, calibrator, kCommandWindow);
    };
}

const CalibratorTable& Sequences() {
    static const CalibratorTable table{
        "Usage: talvenctl seq get TARGET [SESSION OPTIONS] -o FILE\n"
        "       talvenctl seq send TARGET [SESSION OPTIONS] FILE [--yes]\n"
        "\n"
        "get downloads the calibrator's sequence configuration and writes it to FILE as a script.\n"
        "send loads the sequence configuration script FILE and sends it to the calibrator, which\n"
        "replaces its configuration; the question is asked on the terminal first.\n"
        "  -o FILE   the script file to write\n"
        "  --yes     send without asking (needed when standard input is not a terminal)\n\n",
        msg::kCliSequenceDownloadFailed,
        calmsg::kSendSequenceQuestion,
        calmsg::kSequenceSendFailed,
        calmsg::kDownloadingSequenceConfig,
        calmsg::kSendingSequenceConfig,
        Maker<CThreadMessageRequestSequenceConfig>(),
        Maker<CThreadMessageSendSequenceConfig>(),
        [](ICalibratorInstrument& calibrator, const std::string& path) {
            return SaveSequenceFile(calibrator, path);
        },
        [](ICalibratorInstrument& calibrator, const std::string& path) {
            return LoadSequenceFile(calibrator, path);
        },
        false};
    return table;
}

const CalibratorTable& Levels() {
    static const CalibratorTable table{
        "Usage: talvenctl levels get TARGET [SESSION OPTIONS] -o FILE\n"
        "       talvenctl levels send TARGET [SESSION OPTIONS] FILE [--yes]\n"
        "\n"
        "get downloads the calibrator's level table and writes it to FILE.\n"
        "send loads the level table file FILE and sends it to the calibrator, which replaces its\n"
        "level table; the question is asked on the terminal first.\n"
        "  -o FILE   the level table file to write\n"
        "  --yes     send without asking (needed when standard input is not a terminal)\n\n",
        msg::kCliLevelTableDownloadFailed,
        calmsg::kSendLevelTableQuestion,
        calmsg::kLevelTableSendFailed,
        calmsg::kDownloadingLevelTable,
        calmsg::kSendingLevelTable,
        Maker<CThreadMessageRequestLevelTable>(),
        Maker<CThreadMessageSendLevelTable>(),
        [](ICalibratorInstrument& calibrator, const std::string& path) {
            return SaveLevelTableFile(calibrator, path);
        },
        [](ICalibratorInstrument& calibrator, const std::string& path) {
            return LoadLevelTableFile(calibrator, path);
        },
        true};
    return table;
}

bool Download(const CalibratorTable& table, CInstrumentSession& session, CommandNotifier& notes,
              CInstrumentCalibratorView& calibrator, std::ostream& err) {
    if (RunTransfer(session, notes, table.download(&session.GetNode(), &calibrator), wm::kDownloadDone,
                    wm::kDownloadFailed, FormatMessage(table.downloading)))
        return true;
    err << FormatMessage(table.downloadFailed, session.GetNode().GetName()) << "\n";
    return false;
}

int Get(const CalibratorTable& table, const std::vector<std::string>& args, std::ostream& out,
        std::ostream& err) {
    auto options = TargetOptions();
    options.push_back({"-o", true, false});
    ParsedArgs probe;
    std::string ignored;
    if (ParseArgs(args, options, probe, ignored) && !probe.Has("--help") && !probe.Has("-o")) {
        err << FormatMessage(msg::kCliMissing, "-o FILE") << "\n" << table.usage << kTargetHelp;
        return kExitUsage;
    }
    CommandNotifier notes;
    return WithSession(args, options, table.usage, out, err,
                       [&](CInstrumentSession& session, const ParsedArgs& parsed) {
                           CInstrumentCalibratorView calibrator(session.GetNode());
                           if (!Download(table, session, notes, calibrator, err))
                               return kExitFailed;
                           const CalFileResult saved = table.save(calibrator, parsed.Value("-o"));
                           if (!saved.ok) {
                               err << saved.message << "\n";
                               return kExitFailed;
                           }
                           return kExitOk;
                       });
}

int Send(const CalibratorTable& table, const std::vector<std::string>& args, std::ostream& out,
         std::ostream& err) {
    auto options = TargetOptions();
    options.push_back({"--yes", false, false});
    CommandNotifier notes;
    return WithSession(
        args, options, table.usage, out, err,
        [&](CInstrumentSession& session, const ParsedArgs& parsed) {
            CInstrumentCalibratorView calibrator(session.GetNode());
            // The download reads the instrument's gas and unit names, which the file's steps and
            // levels are read against, as the window has them before it offers Send.
            if (!Download(table, session, notes, calibrator, err))
                return kExitFailed;
            const CalFileResult loaded = table.load(calibrator, parsed.operands[0]);
            if (!loaded.ok) {
                err << loaded.message << "\n";
                return kExitFailed;
            }
            if (table.uniqueLevelNumbers && FindDuplicateLevelNumbers(calibrator.LevelList())) {
                err << FormatMessage(calmsg::kDuplicateLevelNumbers) << "\n";
                return kExitFailed;
            }
            if (!ConfirmSend(parsed.Has("--yes"), table.sendQuestion, err))
                return kExitFailed;
            if (!RunTransfer(session, notes, table.send(&session.GetNode(), &calibrator), wm::kSendDone,
                             wm::kSendFailed, FormatMessage(table.sending))) {
                err << FormatMessage(table.sendFailed) << "\n";
                ShowRefusal(session, err);
                return kExitFailed;
            }
            return kExitOk;
        },
        1, true);
}

int TableCommand(const CalibratorTable& table, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err) {
    if (args.empty() || args[0] == "--help") {
        (args.empty() ? err : out) << table.usage << kTargetHelp;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "get")
        return Get(table, rest, out, err);
    if (args[0] == "send")
        return Send(table, rest, out, err);
    err << FormatMessage(msg::kCliUnknownSubcommand, args[0]) << "\n" << table.usage << kTargetHelp;
    return kExitUsage;
}

}  // namespace

int SequenceCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return TableCommand(Sequences(), args, out, err);
}

int LevelsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return TableCommand(Levels(), args, out, err);
}

}  // namespace talven::cli
