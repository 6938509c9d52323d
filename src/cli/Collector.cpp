#include "cli/Collector.h"

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "cli/CliMessages.h"
#include "cli/SessionCommand.h"
#include "cli/TransferWait.h"
#include "dlog/AppendJournal.h"
#include "dlog/CsvExport.h"
#include "dlog/DASChannel.h"
#include "dlog/DataRecordSet.h"
#include "dlog/DlogRequests.h"
#include "dlog/InstrumentNodeDlog.h"
#include "dlog/RecordDecoding.h"
#include "foundation/FileWrite.h"
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

CDASChannel* FindChannel(CNetworkConfiguration& configuration, const ChannelKey& key) {
    CDASChannel* found = nullptr;
    ForEachInstrument(configuration, [&](CInstrumentConnectedNode& node, bool multiplexed) {
        if (found != nullptr || multiplexed != key.multiplexed || node.GetId() != key.instrumentId ||
            node.GetName() != key.instrumentName)
            return;
        found = dynamic_cast<CDASChannel*>(node.GetList(kDlogChannels).FindByName(key.channelName));
    });
    return found;
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

}  // namespace

/// One instrument's share of a pass: its due channels, and what became of them.
struct InstrumentJob {
    CInstrumentConnectedNode* node = nullptr;
    bool multiplexed = false;
    std::unique_ptr<InstrumentNodeDlog> dlog;
    std::vector<CDASChannel*> due;
    NotifyTarget target = 0;

    bool ok = true;
    std::size_t done = 0;
};

/// Downloads the job's channels over one session and commits each: its records written to its
/// download file with its append flag, its new last-download time saved. A channel that could not
/// be downloaded, written or saved keeps its former time, so the next pass fetches its records
/// again.
void Collector::CollectInstrument(InstrumentJob& job) {
    Console& console = notes_.console();
    CInstrumentConnectedNode& node = *job.node;
    const std::string name = node.GetName();
    console.SetLabel(job.target, name);
    Report(console, kLogStatus,
           FormatMessage(msg::kCliCollectStart, static_cast<long>(job.due.size()), name));
    std::vector<DownloadMark> before;
    for (CDASChannel* channel : job.due) {
        channel->SetActiveSelection(nullptr);
        before.push_back(MarkOf(*channel));
    }

    UnderWay underWay(*this, CInstrumentSession::Of(node));
    Connected connected(node);
    const auto stopped = [&] {
        if (!stop_)
            return false;
        Report(console, kLogError, FormatMessage(msg::kCliCollectStopped, name));
        job.ok = false;
        return true;
    };
    if (stopped())
        return;
    if (!connected.open()) {
        Report(console, kLogError, connected.FailureText());
        job.ok = false;
        return;
    }
    std::vector<std::string> names = ChannelNames(job.due);
    console.SetChannelNames(job.target, names);
    const bool downloaded =
        RunTransfer(connected.session(), notes_,
                    std::make_unique<CThreadMessageRequestDASRecords>(&node, std::move(names), job.target),
                    wm::kRecordsDone, wm::kRecordsFailed, {}, job.target);
    // A download cut short by the stop may hold only part of a channel's records: none is
    // written, and every channel is fetched again from its former time by the next run.
    if (stopped())
        return;
    if (!downloaded) {
        for (CDASChannel* channel : job.due) {
            const std::string failure = channel->GetDownloadOutcome().failure;
            if (!failure.empty())
                console.Message(failure);  // the download has logged it
        }
        Report(console, kLogError, FormatMessage(msg::kCliRecordDownloadFailed, name));
        job.ok = false;
        return;
    }
    for (std::size_t i = 0; i < job.due.size(); ++i) {
        CDASChannel& channel = *job.due[i];
        const std::string label = ChannelOf(channel.GetName(), name);
        const ChannelKey key = KeyOf(node, job.multiplexed, channel);
        const DownloadMark mark = MarkOf(channel);
        const AutomaticWrite written = WriteAutomaticDownload(
            channel, before[i], [&](const CDataRecordSet& set) { return Commit(key, channel, set, mark); });
        if (written.droppedLines > 0)
            Report(
                console, kLogError,
                written.continues && written.recordsMissing
                    ? FormatMessage(msg::kCliCollectDropped, label, static_cast<long>(written.droppedLines),
                                    static_cast<long>(written.refetched))
                    : FormatMessage(msg::kCliLinesDropped, label, static_cast<long>(written.droppedLines)));
        if (written.result == AutomaticWrite::kWriteFailed) {
            job.ok = false;
            continue;
        }
        Report(console, kLogStatus,
               written.result == AutomaticWrite::kWritten
                   ? FormatMessage(msg::kCliCollectWritten, label, static_cast<long>(written.rows),
                                   channel.GetDownloadFile())
                   : FormatMessage(msg::kCliCollectNothingNew, label));
        std::lock_guard<std::mutex> lock(commitMutex_);
        downloadedAt_[key] = channel.GetDownloadedAt();
        ++job.done;
    }
}

bool Collector::Commit(const ChannelKey& key, CDASChannel& channel, const CDataRecordSet& set,
                       const DownloadMark& mark) {
    std::lock_guard<std::mutex> lock(commitMutex_);
    Console& console = notes_.console();
    CsvOptions csv;
    csv.append = channel.GetAppend();
    csv.samplesBox = options_.samplesBox;
    PendingAppend pending;
    pending.dataFile = channel.GetDownloadFile();
    pending.multiplexed = key.multiplexed;
    pending.instrumentId = key.instrumentId;
    pending.instrumentName = key.instrumentName;
    pending.channelName = key.channelName;
    pending.lastDownload = mark.lastDownload.seconds();
    // A replaced file is whole or untouched; only an append needs to be noted first.
    if (csv.append) {
        MeasureDataFile(pending);
        if (!SavePendingAppend(NotePath(), pending)) {
            Report(console, kLogError,
                   FormatMessage(msg::kCliCollectNoteFailed, NotePath(), pending.dataFile));
            return false;
        }
    }
    // Off the main thread nothing may ask the user: failures come back as text, to the console.
    std::string failure;
    bool ok = WriteRecordSetCsv(set, pending.dataFile, csv, DateFormatSlots(), nullptr, &failure);
    if (!ok)
        console.Message(failure);
    if (ok && !SaveMark(key, mark)) {
        ok = false;
        if (csv.append && !UndoAppend(pending)) {
            Report(console, kLogError,
                   FormatMessage(msg::kCliCollectUndoFailed, pending.dataFile, NotePath()));
            return false;  // the note stays, so that the next run tries again
        }
    }
    if (csv.append)
        RemovePendingAppend(NotePath());
    return ok;
}

bool Collector::SaveMark(const ChannelKey& key, const DownloadMark& mark) {
    // The file is read afresh: only this mark changes, whatever else was saved to it meanwhile.
    // The pass's own configuration stays the current one, as the instruments' sessions use it.
    CNetworkConfiguration fresh;
    std::string failure;
    if (LoadNetworkConfiguration(fresh, options_.networkPath, &failure)) {
        if (CDASChannel* channel = FindChannel(fresh, key)) {
            channel->SetLastDownload(mark.lastDownload);
            channel->SetDownloadedBefore(mark.downloadedBefore);
        }
        if (SaveNetworkConfiguration(fresh, options_.networkPath, &failure))
            return true;
    }
    notes_.console().Message(failure);
    Report(notes_.console(), kLogError,
           FormatMessage(msg::kCliCollectNotSaved, ChannelOf(key.channelName, key.instrumentName),
                         options_.networkPath));
    return false;
}

bool Collector::SettlePendingAppend() {
    Console& console = notes_.console();
    PendingAppend pending;
    switch (LoadPendingAppend(NotePath(), pending)) {
        case PendingRead::kNone:
            return true;
        case PendingRead::kUnreadable:
            Report(console, kLogError, FormatMessage(msg::kCliCollectNoteUnreadable, NotePath()));
            return false;
        case PendingRead::kFound:
            break;
    }
    CNetworkConfiguration fresh;
    if (!LoadNetworkConfiguration(fresh, options_.networkPath))
        return false;
    const ChannelKey key{pending.multiplexed, pending.instrumentId, pending.instrumentName,
                         pending.channelName};
    const CDASChannel* channel = FindChannel(fresh, key);
    const bool saved = channel != nullptr && channel->GetDownloadedBefore() &&
                       channel->GetLastDownload().seconds() == pending.lastDownload;
    if (!saved) {
        if (!UndoAppend(pending)) {
            Report(console, kLogError,
                   FormatMessage(msg::kCliCollectUndoFailed, pending.dataFile, NotePath()));
            return false;
        }
        Report(console, kLogStatus, FormatMessage(msg::kCliCollectAppendUndone, pending.dataFile));
    }
    return RemovePendingAppend(NotePath());
}

Collector::Collector(CollectOptions options, CommandNotifier& notes, const std::atomic<bool>& stop)
    : options_(std::move(options)), notes_(notes), stop_(stop) {}

Collector::UnderWay::UnderWay(Collector& collector, CInstrumentSession& session)
    : collector_(collector), session_(session) {
    std::lock_guard<std::mutex> lock(collector_.underWayMutex_);
    collector_.underWay_.insert(&session_);
}

Collector::UnderWay::~UnderWay() {
    std::lock_guard<std::mutex> lock(collector_.underWayMutex_);
    collector_.underWay_.erase(&session_);
}

void Collector::CancelUnderWay() {
    std::lock_guard<std::mutex> lock(underWayMutex_);
    for (CInstrumentSession* session : underWay_)
        session->SetCancelRequested(true);
}

PassOutcome Collector::RunPass() {
    PassOutcome outcome;
    Console& console = notes_.console();
    std::string reason;
    if (!CanReplaceFile(options_.networkPath, reason)) {
        Report(console, kLogError, FormatMessage(msg::kCliCollectCannotSave, options_.networkPath, reason));
        outcome.ok = outcome.loaded = false;
        return outcome;
    }
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    if (!SettlePendingAppend() || !LoadNetworkConfiguration(configuration, options_.networkPath)) {
        outcome.ok = outcome.loaded = false;  // said why
        return outcome;
    }

    const DateTime now = DateTime::Now();
    std::vector<std::unique_ptr<InstrumentJob>> jobs;
    ForEachInstrument(configuration, [&](CInstrumentConnectedNode& node, bool multiplexed) {
        auto job = std::make_unique<InstrumentJob>();
        for (const auto& object : node.GetList(kDlogChannels)) {
            auto* channel = dynamic_cast<CDASChannel*>(object.get());
            if (channel == nullptr || !channel->IsSelected())
                continue;
            const auto ran = downloadedAt_.find(KeyOf(node, multiplexed, *channel));
            if (ran != downloadedAt_.end())
                channel->SetDownloadedAt(ran->second);
            if (!channel->IsAutoDownloadDue(now))
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
                CollectInstrument(*job);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();

    for (const auto& job : jobs) {
        outcome.ok = outcome.ok && job->ok;
        outcome.channelsDone += job->done;
    }
    if (outcome.dueChannels > 0)
        Report(console, kLogStatus,
               FormatMessage(msg::kCliCollectPassDone, static_cast<long>(outcome.channelsDone),
                             static_cast<long>(outcome.dueChannels)));
    return outcome;
}

}  // namespace talven::cli
