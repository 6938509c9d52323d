#include "cli/DlogCommands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>

#include "cli/CliMessages.h"
#include "cli/Confirmation.h"
#include "cli/DlogAutoCommand.h"
#include "cli/RecordSelectionArgs.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "dlog/CsvExport.h"
#include "dlog/DASChannel.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogRequests.h"
#include "dlog/DlogScript.h"
#include "dlog/InstrumentNodeDlog.h"
#include "network/NetworkFiles.h"

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

const char* kGetDataUsage =
    "Usage: talvenctl dlog get-data TARGET [SESSION OPTIONS] [--channel NAME]...\n"
    "           [--all | --since-last | --records N | --hours N | --days N | --weeks N | --months N |\n"
    "            --between FROM TO] [--no-instrument-dates] (-o FILE | -d DIR) [--append] [--samples]\n"
    "\n"
    "Downloads the records of the channels named, all their parameters, and writes them as CSV.\n"
    "Without --network the DLOG configuration is downloaded first; with --network the channels, their\n"
    "record selections and last-download times come from the file, and the new last-download times\n"
    "are saved back to it.\n"
    "  --channel NAME         a channel to download (repeatable; default: every channel)\n"
    "  --all                  every record\n"
    "  --since-last           the records since the channel's last download\n"
    "  --records N            the most recent N records\n"
    "  --hours N, --days N, --weeks N, --months N   the records since the start of the current hour,\n"
    "                         day, week (from Sunday) or month, N - 1 of them back: --hours 1 at 00:14\n"
    "                         gives the records since 00:00, --hours 2 those since 23:00\n"
    "  --between FROM TO      the records between two times, each \"MM/DD/YYYY HH:MM:SS\"\n"
    "                         (without a selection: each channel's own, or every record)\n"
    "  --no-instrument-dates  select by the computer's dates, not the instrument's\n"
    "  -o FILE                write the one channel's records to FILE\n"
    "  -d DIR                 write each channel's records into DIR under the proposed file name\n"
    "                         (DIR is created, with its parents, when it does not exist)\n"
    "  --append               append to existing files instead of replacing them\n"
    "  --samples              add the sample count columns of parameters that store them\n\n";

/// What get-data was asked for, checked before connecting.
struct GetDataRequest {
    bool selectionGiven = false;
    CSelectionSet selection;
    bool noInstrumentDates = false;
    std::vector<std::string> channels;
    std::string file;
    std::string directory;
    CsvOptions csv;
};

/// Checks the options of a parsed get-data command line; false with error set on a usage error.
bool MakeGetDataRequest(const ParsedArgs& parsed, const std::vector<std::string>& between,
                        GetDataRequest& request, std::string& error) {
    RecordSelectionArgs selection;
    if (!ParseRecordSelection(parsed, between, selection, error))
        return false;
    request.selectionGiven = selection.given;
    request.selection = selection.selection;
    request.noInstrumentDates = selection.noInstrumentDates;
    if (parsed.Has("-o") == parsed.Has("-d")) {
        error = FormatMessage(msg::kCliFileOrDirectory);
        return false;
    }
    request.file = parsed.Value("-o");
    request.directory = parsed.Value("-d");
    auto named = parsed.values.find("--channel");
    if (named != parsed.values.end())
        request.channels = named->second;
    if (!request.file.empty() && request.channels.size() > 1) {
        error = FormatMessage(msg::kCliOneChannelFile);
        return false;
    }
    request.csv.append = parsed.Has("--append");
    request.csv.samplesBox = parsed.Has("--samples");
    request.csv.showErrors = true;
    return true;
}

std::string InDirectory(const std::string& directory, const std::string& name) {
    if (directory.empty() || directory.back() == '/')
        return directory + name;
    return directory + "/" + name;
}

/// Creates directory with its parents, as mkdir -p does; false after saying why on err.
bool MakeDirectory(const std::string& directory, std::ostream& err) {
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (!ec && std::filesystem::is_directory(directory, ec))
        return true;
    const std::string cause = ec ? ec.message() : std::strerror(ENOTDIR);
    err << WithCause(FormatMessage(msg::kCliCannotCreateDirectory, directory), cause) << "\n";
    return false;
}

/// True when the arguments parse, ask for no help and lack the option that must be given.
bool LacksRequiredOption(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                         const std::string& required) {
    ParsedArgs probe;
    std::string ignored;
    return ParseArgs(args, options, probe, ignored) && !probe.Has("--help") && !probe.Has(required);
}

int GetConfig(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto options = TargetOptions();
    options.push_back({"-o", true, false});
    if (LacksRequiredOption(args, options, "-o")) {
        err << FormatMessage(msg::kCliMissing, "-o FILE") << "\n" << kDlogUsage << kTargetHelp;
        return kExitUsage;
    }
    CommandNotifier notes;
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
    CommandNotifier notes;
    return WithSession(
        args, options, kDlogUsage, out, err,
        [&](CInstrumentSession& session, const ParsedArgs& parsed) {
            InstrumentNodeDlog dlog(session.GetNode());
            // Timer channels are written with their events' start dates and periods, which the
            // instrument's events reply brings.
            if (session.HasCapability(capability::kEventParameter) &&
                !DownloadConfiguration(session, notes, dlog, err))
                return kExitFailed;
            const DlogFileResult loaded = LoadDlogScriptFile(parsed.operands[0], dlog);
            if (!loaded.ok) {
                err << loaded.message << "\n";
                return kExitFailed;
            }
            if (!ConfirmSend(parsed.Has("--yes"), msg::kSendDlogQuestion, err))
                return kExitFailed;
            if (!RunTransfer(
                    session, notes,
                    std::make_unique<CThreadMessageSendDASConfig>(&session.GetNode(), &dlog, kCommandWindow),
                    wm::kSendDone, wm::kSendFailed, FormatMessage(msg::kSendingDlogConfig))) {
                err << FormatMessage(msg::kCliDlogConfigSendFailed, session.GetNode().GetName()) << "\n";
                ShowRefusal(session, err);
                return kExitFailed;
            }
            return kExitOk;
        },
        1, true);
}

int GetData(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
    auto options = TargetOptions();
    AddSelectionOptions(options);
    for (const char* flag : {"--append", "--samples"})
        options.push_back({flag, false, false});
    options.push_back({"--channel", true, true});
    options.push_back({"-o", true, false});
    options.push_back({"-d", true, false});

    std::vector<std::string> between;
    std::string error;
    if (!TakeBetween(args, between, error)) {
        err << error << "\n" << kGetDataUsage << kTargetHelp;
        return kExitUsage;
    }
    GetDataRequest request;
    ParsedArgs probe;
    if (ParseArgs(args, options, probe, error) && !probe.Has("--help") &&
        !MakeGetDataRequest(probe, between, request, error)) {
        err << error << "\n" << kGetDataUsage << kTargetHelp;
        return kExitUsage;
    }
    // Made before connecting: a download that cannot be written is not worth its time.
    if (!request.directory.empty() && !MakeDirectory(request.directory, err))
        return kExitFailed;
    CommandNotifier notes;
    return WithSession(
        args, options, kGetDataUsage, out, err, [&](CInstrumentSession& session, const ParsedArgs& parsed) {
            CInstrumentConnectedNode& node = session.GetNode();
            InstrumentNodeDlog dlog(node);
            const bool fromNetwork = parsed.Has("--network");
            if ((!fromNetwork || dlog.DlogChannels().empty()) &&
                !DownloadConfiguration(session, notes, dlog, err))
                return kExitFailed;

            std::vector<CDASChannel*> channels;
            if (!ChannelsNamed(dlog, request.channels, channels, err))
                return kExitFailed;
            if (!request.file.empty() && channels.size() > 1) {
                err << FormatMessage(msg::kCliOneChannelFile) << "\n" << kGetDataUsage << kTargetHelp;
                return kExitUsage;
            }

            // Each channel downloads with the selection asked for, or else its own.
            SetAllChannelsSelected(dlog, false);
            std::vector<CSelectionSet> selections;
            selections.reserve(channels.size());
            for (CDASChannel* channel : channels) {
                selections.push_back(request.selectionGiven ? request.selection
                                                            : channel->GetDownloadSelection());
                if (request.noInstrumentDates)
                    selections.back().useInstrumentSelection = false;
                channel->SetSelected(true);
                channel->SetActiveSelection(&selections.back());
            }
            std::vector<std::string> names = ChannelNames(channels);
            notes.console().SetChannelNames(kCommandWindow, names);
            const bool downloaded = RunTransfer(
                session, notes,
                std::make_unique<CThreadMessageRequestDASRecords>(&node, std::move(names), kCommandWindow),
                wm::kRecordsDone, wm::kRecordsFailed);
            for (CDASChannel* channel : channels)
                channel->SetActiveSelection(nullptr);
            if (!downloaded) {
                for (CDASChannel* channel : channels) {
                    const std::string failure = channel->GetDownloadOutcome().failure;
                    if (!failure.empty())
                        err << failure << "\n";
                }
                err << FormatMessage(msg::kCliRecordDownloadFailed, node.GetName()) << "\n";
                return kExitFailed;
            }

            const DateFormatSlots formats;
            for (CDASChannel* channel : channels) {
                const RecordDownloadOutcome outcome = channel->GetDownloadOutcome();
                if (outcome.droppedLines > 0)
                    err << FormatMessage(msg::kCliLinesDropped, channel->GetName(),
                                         static_cast<long>(outcome.droppedLines))
                        << "\n";
                CDataRecordSet set;
                GatherChannel(*channel, set);
                if (set.GetRowCount() == 0) {
                    err << FormatMessage(msg::kCliChannelWithoutRecords, channel->GetName()) << "\n";
                    continue;
                }
                const std::string path =
                    request.file.empty()
                        ? InDirectory(request.directory, ProposeDataFileName(dlog, channel->GetName(), set,
                                                                             formats, DateTime::Now()))
                        : request.file;
                if (!WriteRecordSetCsv(set, path, request.csv, formats))
                    return kExitFailed;
            }
            if (fromNetwork &&
                !SaveNetworkConfiguration(*GetCurrentNetworkConfiguration(), parsed.Value("--network")))
                return kExitFailed;
            return kExitOk;
        });
}

}  // namespace

bool ChannelsNamed(InstrumentNodeDlog& dlog, const std::vector<std::string>& names,
                   std::vector<CDASChannel*>& channels, std::ostream& err) {
    if (names.empty()) {
        for (const auto& item : dlog.DlogChannels())
            channels.push_back(static_cast<CDASChannel*>(item.get()));
    }
    for (const auto& name : names) {
        auto* channel = dynamic_cast<CDASChannel*>(dlog.DlogChannels().FindByName(name));
        if (channel == nullptr) {
            err << FormatMessage(msg::kCliNoSuchChannel, name) << "\n";
            return false;
        }
        channels.push_back(channel);
    }
    return true;
}

bool DownloadConfiguration(CInstrumentSession& session, CommandNotifier& notes, InstrumentNodeDlog& dlog,
                           std::ostream& err) {
    if (RunTransfer(
            session, notes,
            std::make_unique<CThreadMessageRequestDASConfig>(&session.GetNode(), &dlog, kCommandWindow),
            wm::kDownloadDone, wm::kDownloadFailed, FormatMessage(msg::kDownloadingDlogConfig)))
        return true;
    err << FormatMessage(msg::kCliDlogConfigDownloadFailed, session.GetNode().GetName()) << "\n";
    return false;
}

int DlogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help") {
        (args.empty() ? err : out)
            << kDlogUsage << kGetDataUsage
            << "Usage: talvenctl dlog auto --network FILE --instrument NAME [CHANGES]\n"
               "       (see talvenctl dlog auto --help)\n\n"
            << kTargetHelp;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "get-config")
        return GetConfig(rest, out, err);
    if (args[0] == "send-config")
        return SendConfig(rest, out, err);
    if (args[0] == "get-data")
        return GetData(rest, out, err);
    if (args[0] == "auto")
        return DlogAutoCommand(rest, out, err);
    err << FormatMessage(msg::kCliUnknownSubcommand, args[0]) << "\n" << kDlogUsage << kTargetHelp;
    return kExitUsage;
}

}  // namespace talven::cli
