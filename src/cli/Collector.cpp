#include "cli/Collector.h"

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "cli/CliMessages.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "dlog/CsvExport.h"
#include "dlog/DASChannel.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogRequests.h"
#include "dlog/InstrumentNodeDlog.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "transport/CommPortConnection.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven::cli {

namespace {

using InstrumentVisitor = std::function<void(CInstrumentConnectedNode&, bool multiplexed)>;

void ForEachInstrument(CNetworkConfiguration& configuration, const InstrumentVisitor& visit) {
    for (const bool multiplexed : {false, true}) {
        CNamedObjectList& list =
            multiplexed ? configuration.MultiplexorInstruments() : configuration.ConnectedInstruments();
        for (const auto& object : list) {
            if (auto* node = dynamic_cast<CInstrumentConnectedNode*>(object.get()))
                visit(*node, multiplexed);
        }
    }
}

ChannelKey KeyOf(const CInstrumentConnectedNode& node, bool multiplexed, const CDASChannel& channel) {
    return {multiplexed, node.GetId(), node.GetName(), channel.GetName()};
}

/// Copies each mark to its channel in the configuration, unless the file already records a later
/// download (made by another program meanwhile). Marks of channels gone from the file are dropped.
void ApplyMarks(CNetworkConfiguration& configuration, const std::map<ChannelKey, DownloadMark>& marks) {
    ForEachInstrument(configuration, [&](CInstrumentConnectedNode& node, bool multiplexed) {
        for (const auto& object : node.GetList(kDlogChannels)) {
            auto* channel = dynamic_cast<CDASChannel*>(object.get());
            if (channel == nullptr)
                continue;
            const auto found = marks.find(KeyOf(node, multiplexed, *channel));
            if (found == marks.end() || channel->GetLastDownload() > found->second.lastDownload)
                continue;
            channel->SetLastDownload(found->second.lastDownload);
            channel->SetDownloadedBefore(found->second.downloadedBefore);
        }
    });
}

/// Instruments whose links share a port or an address are worked one after another: the
/// instruments behind one multiplexor, or a terminal server reached by several nodes.
std::string LinkKey(const CInstrumentConnectedNode& node) {
    const CConnection* link = node.GetConnection();
    if (const auto* serial = dynamic_cast<const CCommPortConnection*>(link))
        return "serial " + serial->GetPortName();
    if (const auto* tcp = dynamic_cast<const CTCPConnection*>(link))
        return "tcp " + tcp->GetHost() + ":" + std::to_string(tcp->GetPort());
    if (const auto* telephony = dynamic_cast<const CTAPIModemConnection*>(link))
        return "telephony " + std::to_string(telephony->GetDeviceId());
    return "node " + std::to_string(node.GetId());
}

std::string ChannelOf(const std::string& channel, const std::string& instrument) {
    return FormatMessage(msg::kCliChannelOfInstrument, channel, instrument);
}

void Report(Console& console, int category, const std::string& text) {
    Log(category, text);
    console.Message(text);
}

/// One instrument's share of a pass: its due channels, and what became of them.
struct InstrumentJob {
    CInstrumentConnectedNode* node = nullptr;
    bool multiplexed = false;
    std::unique_ptr<InstrumentNodeDlog> dlog;
    std::vector<CDASChannel*> due;
    NotifyTarget target = 0;

    bool ok = true;
    std::vector<std::pair<ChannelKey, DownloadMark>> done;
};

/// Downloads the job's channels over one session and writes each to its download file with its
/// append flag. A channel that could not be downloaded or written gets its former last-download
/// time back, so the next pass fetches its records again.
void CollectInstrument(InstrumentJob& job, CommandNotifier& notes, bool samplesBox) {
    Console& console = notes.console();
    CInstrumentConnectedNode& node = *job.node;
    const std::string name = node.GetName();
    console.SetLabel(job.target, name);
    Report(console, kLogStatus,
           FormatMessage(msg::kCliCollectStart, static_cast<long>(job.due.size()), name));

    std::vector<DownloadMark> before;
    for (CDASChannel* channel : job.due) {
        before.push_back({channel->GetLastDownload(), channel->GetDownloadedBefore()});
        channel->SetActiveSelection(nullptr);
    }
    auto restore = [&](std::size_t i) {
        job.due[i]->SetLastDownload(before[i].lastDownload);
        job.due[i]->SetDownloadedBefore(before[i].downloadedBefore);
    };

    Connected connected(node);
    if (!connected.open()) {
        Report(console, kLogError, connected.FailureText());
        job.ok = false;
        return;
    }
    if (!RunTransfer(connected.session(), notes,
                     std::make_unique<CThreadMessageRequestDASRecords>(&node, job.due, job.target),
                     wm::kRecordsDone, wm::kRecordsFailed, {}, job.target)) {
        for (std::size_t i = 0; i < job.due.size(); ++i)
            restore(i);
        Report(console, kLogError, FormatMessage(msg::kCliRecordDownloadFailed, name));
        job.ok = false;
        return;
    }
    const DateFormatSlots formats;
    for (std::size_t i = 0; i < job.due.size(); ++i) {
        CDASChannel& channel = *job.due[i];
        CDataRecordSet set;
        GatherChannel(channel, set);
        if (set.GetRowCount() > 0) {
            CsvOptions csv;
            csv.append = channel.GetAppend();
            csv.samplesBox = samplesBox;
            csv.showErrors = true;
            if (!WriteRecordSetCsv(set, channel.GetDownloadFile(), csv, formats)) {
                restore(i);
                job.ok = false;
                continue;
            }
            Report(console, kLogStatus,
                   FormatMessage(msg::kCliCollectWritten, ChannelOf(channel.GetName(), name),
                                 static_cast<long>(set.GetRowCount()), channel.GetDownloadFile()));
        } else {
            Report(console, kLogStatus,
                   FormatMessage(msg::kCliCollectNothingNew, ChannelOf(channel.GetName(), name)));
        }
        job.done.push_back({KeyOf(node, job.multiplexed, channel),
                            {channel.GetLastDownload(), channel.GetDownloadedBefore()}});
    }
}

}  // namespace

Collector::Collector(CollectOptions options, CommandNotifier& notes, const std::atomic<bool>& stop)
    : options_(std::move(options)), notes_(notes), stop_(stop) {}

PassOutcome Collector::RunPass() {
    PassOutcome outcome;
    Console& console = notes_.console();
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    if (!LoadNetworkConfiguration(configuration, options_.networkPath)) {
        outcome.ok = outcome.loaded = false;  // the loader has said why
        return outcome;
    }
    ApplyMarks(configuration, unsaved_);

    const DateTime now = DateTime::Now();
    std::vector<std::unique_ptr<InstrumentJob>> jobs;
    ForEachInstrument(configuration, [&](CInstrumentConnectedNode& node, bool multiplexed) {
        auto job = std::make_unique<InstrumentJob>();
        for (const auto& object : node.GetList(kDlogChannels)) {
            auto* channel = dynamic_cast<CDASChannel*>(object.get());
            if (channel == nullptr || !channel->IsSelected() || !channel->IsAutoDownloadDue(now))
                continue;
            ++outcome.dueChannels;
            if (channel->GetDownloadFile().empty()) {
                Report(console, kLogError,
                       FormatMessage(msg::kCliCollectNoFile, ChannelOf(channel->GetName(), node.GetName())));
                outcome.ok = false;
                continue;
            }
            job->due.push_back(channel);
        }
        if (job->due.empty())
            return;
        job->node = &node;
        job->multiplexed = multiplexed;
        job->dlog = std::make_unique<InstrumentNodeDlog>(node);
        job->target = kCommandWindow + 1 + jobs.size();
        jobs.push_back(std::move(job));
    });

    std::map<std::string, std::vector<InstrumentJob*>> byLink;
    for (auto& job : jobs)
        byLink[LinkKey(*job->node)].push_back(job.get());
    std::vector<std::thread> workers;
    for (auto& [key, group] : byLink) {
        workers.emplace_back([this, &console, group = group] {
            for (InstrumentJob* job : group) {
                if (stop_) {
                    Report(console, kLogError, FormatMessage(msg::kCliCollectStopped, job->node->GetName()));
                    job->ok = false;
                    continue;
                }
                CollectInstrument(*job, notes_, options_.samplesBox);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();

    for (const auto& job : jobs) {
        outcome.ok = outcome.ok && job->ok;
        outcome.channelsDone += job->done.size();
        for (const auto& [key, mark] : job->done)
            unsaved_[key] = mark;
    }
    if (!unsaved_.empty() && !SaveMarks())
        outcome.ok = false;
    if (outcome.dueChannels > 0)
        Report(console, kLogStatus,
               FormatMessage(msg::kCliCollectPassDone, static_cast<long>(outcome.channelsDone),
                             static_cast<long>(outcome.dueChannels)));
    return outcome;
}

bool Collector::SaveMarks() {
    // The file is read afresh: only the marks change, whatever else was saved to it meanwhile.
    CNetworkConfiguration fresh;
    ScopedNetworkConfiguration current(&fresh);
    if (LoadNetworkConfiguration(fresh, options_.networkPath)) {
        ApplyMarks(fresh, unsaved_);
        if (SaveNetworkConfiguration(fresh, options_.networkPath)) {
            unsaved_.clear();
            return true;
        }
    }
    Report(notes_.console(), kLogError, FormatMessage(msg::kCliCollectNotSaved, options_.networkPath));
    return false;
}

}  // namespace talven::cli
