#include "cli/DlogAutoCommand.h"

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "cli/CliMessages.h"
#include "cli/RecordSelectionArgs.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "dlog/DASChannel.h"
#include "dlog/DlogFiles.h"
#include "dlog/InstrumentNodeDlog.h"
#include "network/NetworkFiles.h"

namespace talven::cli {

namespace {

const char* kAutoUsage =
    "Usage: talvenctl dlog auto --network FILE --instrument NAME [--channel NAME]...\n"
    "           [--on | --off] [--file PATH] [--period D:HH:MM] [--append | --replace]\n"
    "           [SELECTION] [--no-instrument-dates] [SESSION OPTIONS]\n"
    "\n"
    "Shows or changes the automatic download settings of the instrument's DLOG channels in FILE, as\n"
    "the channel's Advanced properties page does; collect and the DLOG window's automatic mode use\n"
    "them. Without a change the settings are printed, one channel a line. When FILE holds no DLOG\n"
    "configuration for the instrument, it is downloaded from the instrument first.\n"
    "  --channel NAME     a channel (repeatable; default: every channel of the instrument)\n"
    "  --on, --off        select the channels for automatic download with all their parameters,\n"
    "                     or not; --on proposes a download file where a channel has none\n"
    "  --file PATH        the download file (of one channel)\n"
    "  --period D:HH:MM   the download period: days, hours and minutes, above zero\n"
    "  --append           append downloaded data to the download file\n"
    "  --replace          replace the download file with each download\n"
    "  SELECTION          the record selection of automatic downloads, as for dlog get-data:\n"
    "                     --all, --since-last, --records N, --hours N, --days N, --weeks N,\n"
    "                     --months N or --between FROM TO\n"
    "  --no-instrument-dates  select by the computer's dates, not the instrument's\n\n";

/// "D:HH:MM" as seconds: days 0..366, hours 0..23, minutes 0..59.
bool ParsePeriod(const std::string& text, std::uint32_t& seconds) {
    unsigned days = 0, hours = 0, minutes = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%3u:%2u:%2u%n", &days, &hours, &minutes, &used) != 3 ||
        static_cast<std::size_t>(used) != text.size() || days > 366 || hours > 23 || minutes > 59)
        return false;
    seconds = ((days * 24 + hours) * 60 + minutes) * 60;
    return true;
}

std::string PeriodText(std::uint32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 86400, seconds / 3600 % 24, seconds / 60 % 60);
    return text;
}

std::string SelectionText(const CSelectionSet& selection) {
    std::string text;
    switch (selection.mode) {
        case CSelectionSet::kSinceLast:
            text = "since-last";
            break;
        case CSelectionSet::kRecentRecords:
            text = "records " + std::to_string(selection.records);
            break;
        case CSelectionSet::kRecentHours:
            text = "hours " + std::to_string(selection.hours);
            break;
        case CSelectionSet::kRecentDays:
            text = "days " + std::to_string(selection.days);
            break;
        case CSelectionSet::kRecentWeeks:
            text = "weeks " + std::to_string(selection.weeks);
            break;
        case CSelectionSet::kRecentMonths:
            text = "months " + std::to_string(selection.months);
            break;
        case CSelectionSet::kBetween:
            text = "between \"" + DateTime::FromSeconds(selection.from).Format("%m/%d/%Y %H:%M:%S") +
                   "\" \"" + DateTime::FromSeconds(selection.to).Format("%m/%d/%Y %H:%M:%S") + "\"";
            break;
        default:
            text = "all";
            break;
    }
    if (!selection.useInstrumentSelection)
        text += " no-instrument-dates";
    return text;
}

/// One line per channel: name, on or off, period, append or replace, selection, file, last download.
void PrintChannel(const CDASChannel& channel, std::ostream& out) {
    const std::string file = channel.GetDownloadFile();
    out << channel.GetName() << (channel.IsSelected() ? " on" : " off") << " every "
        << PeriodText(channel.GetDownloadPeriod()) << (channel.GetAppend() ? " append " : " replace ")
        << SelectionText(channel.GetDownloadSelection()) << " file "
        << (file.empty() ? std::string("none") : "\"" + file + "\"") << " last "
        << (channel.GetDownloadedBefore() ? channel.GetLastDownload().Format("\"%m/%d/%Y %H:%M:%S\"")
                                          : std::string("never"))
        << "\n";
}

/// The changes asked for, checked before anything is loaded.
struct AutoChanges {
    bool on = false;
    bool off = false;
    bool setFile = false;
    std::string file;
    bool setPeriod = false;
    std::uint32_t period = 0;
    bool append = false;
    bool replace = false;
    RecordSelectionArgs selection;
    std::vector<std::string> channels;

    bool any() const {
        return on || off || setFile || setPeriod || append || replace || selection.given ||
               selection.noInstrumentDates;
    }
};

bool ReadChanges(const ParsedArgs& parsed, const std::vector<std::string>& between, AutoChanges& changes,
                 std::string& error) {
    if (!ParseRecordSelection(parsed, between, changes.selection, error))
        return false;
    if (!parsed.Has("--network") || !parsed.Has("--instrument")) {
        error = FormatMessage(msg::kCliAutoNeedsNetwork);
        return false;
    }
    changes.on = parsed.Has("--on");
    changes.off = parsed.Has("--off");
    changes.append = parsed.Has("--append");
    changes.replace = parsed.Has("--replace");
    if ((changes.on && changes.off) || (changes.append && changes.replace)) {
        error = FormatMessage(msg::kCliAutoContradiction);
        return false;
    }
    auto named = parsed.values.find("--channel");
    if (named != parsed.values.end())
        changes.channels = named->second;
    changes.setFile = parsed.Has("--file");
    changes.file = parsed.Value("--file");
    if (changes.setFile && changes.channels.size() != 1) {
        error = FormatMessage(msg::kCliAutoOneChannelFile);
        return false;
    }
    if (changes.setFile && changes.file.empty()) {
        error = FormatMessage(msg::kCliAutoEmptyFile);
        return false;
    }
    changes.setPeriod = parsed.Has("--period");
    if (changes.setPeriod && !ParsePeriod(parsed.Value("--period"), changes.period)) {
        error = FormatMessage(msg::kCliAutoBadPeriod, parsed.Value("--period"));
        return false;
    }
    if (changes.setPeriod && changes.period == 0) {
        error = FormatMessage(msg::kCliAutoBadPeriod, parsed.Value("--period")) + "\n" +
                FormatMessage(msg::kDownloadPeriodMustBePositive);
        return false;
    }
    return true;
}

void Apply(const AutoChanges& changes, InstrumentNodeDlog& dlog, CDASChannel& channel) {
    if (changes.setFile)
        channel.SetDownloadFile(changes.file);
    if (changes.setPeriod)
        channel.SetDownloadPeriod(changes.period);
    if (changes.append || changes.replace)
        channel.SetAppend(changes.append);
    if (changes.selection.given || changes.selection.noInstrumentDates) {
        CSelectionSet selection =
            changes.selection.given ? changes.selection.selection : channel.GetDownloadSelection();
        if (changes.selection.noInstrumentDates)
            selection.useInstrumentSelection = false;
        channel.SetDownloadSelection(selection);
    }
    if (changes.off)
        channel.SetSelected(false);
    if (changes.on) {
        channel.SetSelected(true);
        if (channel.GetDownloadFile().empty()) {
            const std::filesystem::path proposed = ProposeAutoDownloadFileName(dlog, channel.GetName());
            channel.SetDownloadFile(std::filesystem::absolute(proposed).string());
        }
    }
}

}  // namespace

int DlogAutoCommand(const std::vector<std::string>& argsGiven, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = argsGiven;
    auto options = TargetOptions();
    AddSelectionOptions(options);
    for (const char* flag : {"--on", "--off", "--append", "--replace"})
        options.push_back({flag, false, false});
    options.push_back({"--channel", true, true});
    options.push_back({"--file", true, false});
    options.push_back({"--period", true, false});

    std::vector<std::string> between;
    std::string error;
    ParsedArgs parsed;
    AutoChanges changes;
    if (!TakeBetween(args, between, error) || !ParseArgs(args, options, parsed, error) ||
        (!parsed.Has("--help") && !ReadChanges(parsed, between, changes, error))) {
        // The record selection's own errors already name the program.
        err << (error.rfind("talvenctl: ", 0) == 0 ? "" : "talvenctl: ") << error << "\n"
            << kAutoUsage << kTargetHelp;
        return kExitUsage;
    }
    if (parsed.Has("--help")) {
        out << kAutoUsage << kTargetHelp;
        return kExitOk;
    }
    if (!parsed.operands.empty()) {
        err << "talvenctl: unexpected argument " << parsed.operands[0] << "\n" << kAutoUsage << kTargetHelp;
        return kExitUsage;
    }
    CommandLog log(parsed.Value("--log"));
    InstrumentTarget target;
    if (const int status = PrepareTarget(parsed, target, kAutoUsage, err); status != kExitOk)
        return status;
    InstrumentNodeDlog dlog(*target.node);
    const bool download = dlog.DlogChannels().empty();
    if (download) {
        CommandNotifier notes;
        Connected connected(*target.node);
        if (!connected.open()) {
            err << connected.FailureText() << "\n";
            return kExitFailed;
        }
        if (!DownloadConfiguration(connected.session(), notes, dlog, err))
            return kExitFailed;
    }
    std::vector<CDASChannel*> channels;
    if (!ChannelsNamed(dlog, changes.channels, channels, err))
        return kExitFailed;
    for (CDASChannel* channel : channels)
        Apply(changes, dlog, *channel);
    if ((download || changes.any()) &&
        !SaveNetworkConfiguration(*target.configuration, parsed.Value("--network")))
        return kExitFailed;
    for (const CDASChannel* channel : channels) {
        PrintChannel(*channel, out);
        if (channel->IsSelected() && channel->GetAppend() &&
            channel->GetDownloadSelection().mode == CSelectionSet::kAll)
            err << FormatMessage(msg::kCliAutoRepeatsRecords, channel->GetName()) << "\n";
    }
    return kExitOk;
}

}  // namespace talven::cli
