#include "dlog/RecordDownload.h"

#include <algorithm>

#include "dlog/DASChannel.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogMessages.h"
#include "dlog/RecordDecoding.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "text/TokenStream.h"

namespace talven {

namespace {

// Everything one channel's download keeps between its steps.
struct ChannelDownload {
    DlogRecordLink& link;
    CDASChannel& channel;
    NotifyTarget window;
    bool canCancel;
    bool cancelSent = false;
    RecordDownloadOutcome outcome;

    void Step() const { GetNotifier().Post(window, wm::kTransferStep, 0, 0); }

    // "cancel" goes out once, as soon as the user asked for it.
    void SendCancelIfRequested() {
        if (cancelSent || !canCancel || !link.IsCancelRequested())
            return;
        link.SendCommand('d', "cancel");
        cancelSent = true;
    }
};

bool HasCap(const std::string& caps, char c) {
    return caps.find(c) != std::string::npos;
}

// Joins or splits lines for the life of a read and puts the previous setting back.
class LineModeScope {
  public:
    LineModeScope(TokenStream& s, bool multiLine) : stream_(s), previous_(s.GetMultiLine()) {
        s.SetMultiLine(multiLine);
    }
    ~LineModeScope() { stream_.SetMultiLine(previous_); }
    LineModeScope(const LineModeScope&) = delete;
    LineModeScope& operator=(const LineModeScope&) = delete;

  private:
    TokenStream& stream_;
    bool previous_;
};

bool ReadTextReply(ChannelDownload& d, const ReportRequest& request) {
    const DateTime instrumentNow = d.link.ReadInstrumentDate();
    TextRecordReader reader(d.channel, TextRecordBase(instrumentNow, d.channel.GetName()));
    TokenStream& stream = d.link.ResponseStream();
    LineModeScope lines(stream, false);
    d.link.SendCommand('d', request.text + RecordFormSuffix(RecordForm::kText));
    // The instrument may search a long time before its first record when it selects by date.
    int restoreTimeout = request.instrumentSelects ? d.link.SetResponseTimeout(kDateSelectionTimeoutMs) : -1;
    TextRecordReader::Result result;
    do {
        d.SendCancelIfRequested();
        bool recordStarted = false;
        result = reader.ReadLine(stream, recordStarted);
        if (result == TextRecordReader::kRecordLine && restoreTimeout >= 0) {
            d.link.SetResponseTimeout(restoreTimeout);
            restoreTimeout = -1;
        }
        if (recordStarted) {
            ++d.outcome.recordLines;
            d.Step();
        }
    } while (result == TextRecordReader::kRecordLine);
    if (restoreTimeout >= 0)
        d.link.SetResponseTimeout(restoreTimeout);
    if (result == TextRecordReader::kFailed)
        return false;
    reader.Finish(instrumentNow, request);
    reader.Summarize(d.outcome);
    return true;
}

std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

bool ReadBinaryReply(ChannelDownload& d, const ReportRequest& request, RecordForm form) {
    BinaryRecordDecoder decoder(d.channel, form);
    // Channels wider than the instrument's own limit still get whole lines.
    const std::size_t maxLine = std::max(kMaxRecordLine, 2 * decoder.RecordSize() + 8);
    d.link.SendCommand('d', request.text + RecordFormSuffix(form));
    int timeout = request.instrumentSelects ? kDateSelectionTimeoutMs : d.link.GetReceiveTimeout();
    for (;;) {
        d.SendCancelIfRequested();
        const std::string line = d.link.ReadRawLine(timeout, maxLine);
        if (line.empty())
            return true;
        timeout = d.link.GetReceiveTimeout();
        RecordDownloadOutcome& o = d.outcome;
        ++o.recordLines;
        switch (decoder.DecodeLine(line, request)) {
            case BinaryRecordDecoder::kDropped:
                ++o.droppedLines;
                Log(kLogError,
                    FormatMessage(msg::kRecordLineDropped, d.channel.GetName(), WithoutLineEnd(line)));
                break;
            case BinaryRecordDecoder::kAppended:
                if (o.droppedLines == 0) {
                    ++o.recordsBeforeDrop;
                    o.newest = o.hasNewest ? std::max(o.newest, decoder.LastTime()) : decoder.LastTime();
                    o.hasNewest = true;
                }
                d.Step();
                break;
            case BinaryRecordDecoder::kFiltered:
                d.Step();
                break;
        }
    }
}

enum class RecordCount { kCounted, kNoRecords, kNoAnswer };

// Step 3: the channel's record count, when the instrument can tell it. Lines that count the
// records of another channel (a reply that came too late for an earlier request) are passed over.
RecordCount AskRecordCount(DlogRecordLink& link, const std::string& name, std::int32_t& expected) {
    TokenStream& stream = link.ResponseStream();
    LineModeScope lines(stream, false);
    link.SendCommand('d', RecordsCommand(name));
    std::string replyName;
    std::int32_t count = 0;
    for (;;) {
        if (!FindRecordCountLine(stream, replyName, count))
            return RecordCount::kNoAnswer;
        // Instruments may shorten the names in their replies.
        if (replyName.size() <= name.size() &&
            EqualsNoCase(replyName, std::string_view(name).substr(0, replyName.size())))
            break;
    }
    expected = count;
    return count <= 0 ? RecordCount::kNoRecords : RecordCount::kCounted;
}

}  // namespace

bool DownloadChannelRecords(DlogRecordLink& link, CDASChannel& channel, NotifyTarget window) {
    if (!PrepareChannelDownload(channel))
        return true;
    const std::string caps = link.GetCapabilities();
    const std::string name = channel.GetName();
    std::int32_t expected = channel.GetRecordCount();
    const bool countKnown = HasCap(caps, cap::kRecords);
    if (countKnown) {
        switch (AskRecordCount(link, name, expected)) {
            case RecordCount::kNoRecords:
                channel.SetDownloadOutcome({});
                return true;
            case RecordCount::kNoAnswer: {
                RecordDownloadOutcome failed;
                failed.failure = FormatMessage(msg::kRecordCountMissing, name);
                Log(kLogError, failed.failure);
                channel.SetDownloadOutcome(failed);
                return false;
            }
            case RecordCount::kCounted:
                break;
        }
    }
    const std::int32_t count = expected;

    const ReportRequest request =
        BuildReportRequest(channel, expected, HasCap(caps, cap::kFromTo), DateTime::Now());
    GetNotifier().Post(window, wm::kRecordsStart, static_cast<std::uintptr_t>(std::max(request.expected, 0)),
                       reinterpret_cast<std::intptr_t>(&channel));

    ChannelDownload d{link, channel, window, HasCap(caps, cap::kCancel), false, {}};
    const RecordForm form = ChooseRecordForm(caps);
    ReserveRecords(channel, request.expected);
    bool ok = form == RecordForm::kText ? ReadTextReply(d, request) : ReadBinaryReply(d, request, form);
    ReleaseSpareRecords(channel);
    if (ok && !link.IsLinkIntact()) {
        // The reads ended because the link went away, not because the reply was complete.
        d.outcome.failure = FormatMessage(msg::kRecordDownloadInterrupted, name);
    } else if (ok && !d.cancelSent) {
        ReplyAccountsForRecords(request, countKnown, count, d.outcome, name, d.outcome.failure);
    }
    channel.SetDownloadOutcome(d.outcome);
    if (!d.outcome.failure.empty()) {
        Log(kLogError, d.outcome.failure);
        return false;
    }
    if (d.outcome.droppedLines > 0)
        Log(kLogError,
            FormatMessage(msg::kRecordLinesDropped, static_cast<long>(d.outcome.droppedLines), name));
    if (ok)
        MarkChannelDownloaded(channel, request, d.outcome, DateTime::Now());
    return ok;
}

bool DownloadRecords(DlogRecordLink& link, const std::vector<CDASChannel*>& channels, NotifyTarget window) {
    bool result = true;
    for (CDASChannel* channel : channels) {
        if (!DownloadChannelRecords(link, *channel, window)) {
            result = false;
            break;
        }
        // An instrument without a cancel finishes the channel under way; none starts after it.
        if (link.IsCancelRequested())
            break;
    }
    GetNotifier().Post(window, result ? wm::kRecordsDone : wm::kRecordsFailed, 0, 0);
    return result;
}

std::vector<CDASChannel*> ManualDownloadList(IDlogInstrument& instrument,
                                             const CSelectionSet* windowSelection) {
    DataGuard guard;
    std::vector<CDASChannel*> list;
    for (const auto& item : instrument.DlogChannels()) {
        auto* channel = dynamic_cast<CDASChannel*>(item.get());
        if (!channel)
            continue;
        bool any = channel->IsSelected();
        for (const auto& p : channel->Parameters())
            any = any || static_cast<CDASParameter*>(p.get())->IsSelected();
        if (!any)
            continue;
        channel->SetActiveSelection(windowSelection);
        list.push_back(channel);
    }
    return list;
}

std::vector<CDASChannel*> AutomaticDownloadList(IDlogInstrument& instrument, DateTime now) {
    DataGuard guard;
    std::vector<CDASChannel*> list;
    for (const auto& item : instrument.DlogChannels()) {
        auto* channel = dynamic_cast<CDASChannel*>(item.get());
        if (!channel || !channel->IsSelected() || !channel->IsAutoDownloadDue(now))
            continue;
        channel->SetActiveSelection(nullptr);
        list.push_back(channel);
    }
    return list;
}

}  // namespace talven
