#include "dlog/RecordDownload.h"

#include <algorithm>
#include <chrono>

#include "dlog/DASChannel.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogMessages.h"
#include "dlog/RecordDecoding.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/NamedObject.h"
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
    /// Record lines the reply is to hold, when the instrument told it; -1 when not known.
    std::int32_t linesDue = -1;

    void Step() const { GetNotifier().Post(window, wm::kTransferStep, 0, 0); }

    // "cancel" goes out once, as soon as the user asked for it.
    void SendCancelIfRequested() {
        if (cancelSent || !canCancel || !link.IsCancelRequested())
            return;
        link.SendCommand('d', "cancel");
        cancelSent = true;
    }
};

// Once every line the instrument announced has come, the reply is over after a short silence
// rather than the whole receive time-out: the larger of the quiet gap and four times the longest
// gap between its lines so far, never more than the time-out. Without a count the reply ends only
// with the time-out. A line that still comes later is drained before the next command.
class ReplyEnd {
  public:
    ReplyEnd(std::int32_t linesDue, int receiveTimeoutMs)
        : linesDue_(linesDue), receiveTimeoutMs_(receiveTimeoutMs) {}

    void LineArrived() {
        const auto now = std::chrono::steady_clock::now();
        if (seenLine_)
            longestGap_ = std::max(longestGap_, now - last_);
        last_ = now;
        seenLine_ = true;
    }
    /// The wait for the next line, after recordLines record lines.
    int Timeout(std::int32_t recordLines) const {
        if (linesDue_ < 0 || recordLines < linesDue_)
            return receiveTimeoutMs_;
        const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(longestGap_).count();
        return static_cast<int>(
            std::min<long long>(receiveTimeoutMs_, std::max<long long>(kQuietGapMs, 4 * gap)));
    }

  private:
    std::int32_t linesDue_;
    int receiveTimeoutMs_;
    bool seenLine_ = false;
    std::chrono::steady_clock::time_point last_;
    std::chrono::steady_clock::duration longestGap_{};
};

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
    ReplyEnd end(d.linesDue, d.link.GetReceiveTimeout());
    // The instrument may search a long time before its first record when it selects by date.
    bool recordSeen = false;
    int current = -1;
    int previous = -1;
    auto waitFor = [&](int milliseconds) {
        if (milliseconds == current)
            return;
        const int before = d.link.SetResponseTimeout(milliseconds);
        if (previous < 0)
            previous = before;
        current = milliseconds;
    };
    if (request.instrumentSelects)
        waitFor(kDateSelectionTimeoutMs);
    TextRecordReader::Result result;
    do {
        d.SendCancelIfRequested();
        bool recordStarted = false;
        result = reader.ReadLine(stream, recordStarted);
        if (result == TextRecordReader::kRecordLine) {
            end.LineArrived();
            recordSeen = true;
        }
        if (recordStarted) {
            ++d.outcome.recordLines;
            d.Step();
        }
        if (recordSeen)
            waitFor(end.Timeout(d.outcome.recordLines));
    } while (result == TextRecordReader::kRecordLine);
    if (previous >= 0 && previous != current)
        d.link.SetResponseTimeout(previous);
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
    ReplyEnd end(d.linesDue, d.link.GetReceiveTimeout());
    RecordDownloadOutcome& o = d.outcome;
    // Lines dropped since the last good one: records older than the selection's start when the
    // next good record is older still, else perhaps records that were asked for.
    int unplaced = 0;
    for (;;) {
        d.SendCancelIfRequested();
        const std::string line = d.link.ReadRawLine(timeout, maxLine);
        if (line.empty()) {
            o.recordsMissing = o.recordsMissing || unplaced > 0;
            return true;
        }
        end.LineArrived();
        ++o.recordLines;
        timeout = end.Timeout(o.recordLines);
        switch (decoder.DecodeLine(line, request)) {
            case BinaryRecordDecoder::kDropped:
                ++o.droppedLines;
                ++unplaced;
                Log(kLogError,
                    FormatMessage(msg::kRecordLineDropped, d.channel.GetName(), WithoutLineEnd(line)));
                break;
            case BinaryRecordDecoder::kAppended:
                o.recordsMissing = o.recordsMissing || unplaced > 0;
                unplaced = 0;
                if (!o.recordsMissing) {
                    ++o.recordsBeforeDrop;
                    o.newest = o.hasNewest ? std::max(o.newest, decoder.LastTime()) : decoder.LastTime();
                    o.hasNewest = true;
                }
                d.Step();
                break;
            case BinaryRecordDecoder::kFiltered:
                if (request.fromFlag && decoder.LastTime() < request.from)
                    unplaced = 0;
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

bool DownloadChannelRecords(DlogRecordLink& link, CDASChannel& channel, NotifyTarget window,
                            std::intptr_t position) {
    if (!PrepareChannelDownload(channel))
        return true;
    const std::string caps = link.GetCapabilities();
    const std::string name = channel.GetName();
    std::int32_t expected = channel.GetRecordCount();
    const bool countKnown = capability::Has(caps, capability::kRecords);
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
        BuildReportRequest(channel, expected, capability::Has(caps, capability::kFromTo), DateTime::Now());
    GetNotifier().Post(window, wm::kRecordsStart, static_cast<std::uintptr_t>(std::max(request.expected, 0)),
                       position);

    ChannelDownload d{link, channel, window, capability::Has(caps, capability::kCancel), false, {}, -1};
    if (countKnown && request.mode == CSelectionSet::kRecentRecords)
        d.linesDue = request.expected;
    else if (countKnown && !request.instrumentSelects)
        d.linesDue = count;  // the whole ring comes, and the dates are chosen here
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
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (channels[i] == nullptr)
            continue;
        if (!DownloadChannelRecords(link, *channels[i], window, static_cast<std::intptr_t>(i))) {
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

std::vector<CDASChannel*> FindChannels(const CNamedObjectList& list, const std::vector<std::string>& names) {
    DataGuard guard;
    std::vector<CDASChannel*> channels;
    channels.reserve(names.size());
    for (const std::string& name : names)
        channels.push_back(dynamic_cast<CDASChannel*>(list.FindByName(name)));
    return channels;
}

std::vector<std::string> ChannelNames(const std::vector<CDASChannel*>& channels) {
    DataGuard guard;
    std::vector<std::string> names;
    names.reserve(channels.size());
    for (const CDASChannel* channel : channels)
        names.push_back(channel->GetName());
    return names;
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
