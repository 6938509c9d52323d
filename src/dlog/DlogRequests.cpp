#include "dlog/DlogRequests.h"

#include "dlog/DASChannel.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogScript.h"
#include "network/InstrumentNode.h"
#include "session/CommInstrumentTokenStream.h"
#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"

namespace talven {

SessionRecordLink::SessionRecordLink(SessionExchange& exchange)
    : exchange_(exchange), generation_(exchange.Session().GetLinkGeneration()) {}

std::string SessionRecordLink::GetCapabilities() const {
    return exchange_.Session().GetCapabilities();
}

bool SessionRecordLink::SendCommand(char word, const std::string& argument) {
    const bool sent = exchange_.SendCommand(std::string(1, word), argument);
    // The reply starts on a line of its own, whatever was left of the previous one.
    exchange_.GetStream()->StartNewLine();
    return sent;
}

TokenStream& SessionRecordLink::ResponseStream() {
    return *exchange_.GetStream();
}

int SessionRecordLink::SetResponseTimeout(int milliseconds) {
    return exchange_.GetStream()->SetReceiveTimeout(milliseconds);
}

int SessionRecordLink::GetReceiveTimeout() const {
    return static_cast<int>(exchange_.GetNode().GetSettings().receiveTimeoutMs);
}

std::string SessionRecordLink::ReadRawLine(int timeoutMilliseconds, std::size_t maxBytes) {
    return exchange_.ReadRawLine(timeoutMilliseconds, maxBytes);
}

DateTime SessionRecordLink::ReadInstrumentDate() {
    return exchange_.ReadInstrumentDate();
}

bool SessionRecordLink::IsCancelRequested() const {
    return exchange_.IsCancelRequested();
}

bool SessionRecordLink::IsLinkIntact() const {
    return exchange_.Session().IsLinkOpen() && exchange_.Session().GetLinkGeneration() == generation_;
}

CThreadMessageRequestDASRecords::CThreadMessageRequestDASRecords(CInstrumentConnectedNode* node,
                                                                 std::vector<std::string> channelNames,
                                                                 NotifyTarget window)
    : CSessionRequest(node), channelNames_(std::move(channelNames)), window_(window) {}

void CThreadMessageRequestDASRecords::Run(SessionExchange& exchange) {
    if (!exchange.IsSessionOpen() || exchange.GetStream() == nullptr) {
        GetNotifier().Post(window_, wm::kRecordsFailed, 0, 0);
        return;
    }
    SessionExchange::TransferBracket bracket(exchange, false);
    exchange.Session().SetCancelRequested(false);
    SessionRecordLink link(exchange);
    DownloadRecords(link, FindChannels(exchange.GetNode().GetList(kDlogChannels), channelNames_), window_);
}

CThreadMessageRequestDASConfig::CThreadMessageRequestDASConfig(CInstrumentConnectedNode* node,
                                                               IDlogInstrument* dlog, NotifyTarget window)
    : CTransferRequest(node, window, wm::kDownloadDone, wm::kDownloadFailed, true), dlog_(dlog) {}

bool CThreadMessageRequestDASConfig::Transfer(SessionExchange& exchange) {
    if (dlog_ == nullptr)
        return false;
    const bool eventsAndPoints = exchange.HasCapability(capability::kEventParameter);
    const bool framed = exchange.HasCapability(capability::kGetEvents);
    const bool script = exchange.HasCapability(capability::kScript);
    exchange.PostToWindow(
        GetWindow(), wm::kTransferStart,
        static_cast<std::uintptr_t>(ConfigurationProgressRange(exchange.ReadChannelCount(), eventsAndPoints)));
    CommInstrumentTokenStream& stream = *exchange.GetStream();
    auto send = [&](const char* argument) {
        const bool sent = exchange.SendCommand("d", argument);
        stream.StartNewLine();
        return sent;
    };
    if (eventsAndPoints) {
        // A list that fails to read keeps its previous content; the channels are still read.
        if (send(framed ? "getevents" : "event"))
            ApplyEventsReply(stream, *dlog_);
        exchange.PostToWindow(GetWindow(), wm::kTransferStep);
        if (send(framed ? "getparameters" : "parameter"))
            ApplyPointsReply(stream, *dlog_);
        exchange.PostToWindow(GetWindow(), wm::kTransferStep);
    }
    if (!send(script ? "print script &" : "print"))
        return false;
    CNamedObjectList channels;
    if (!ReadConfigurationReply(stream, *dlog_, script, false, channels,
                                [&] { exchange.PostToWindow(GetWindow(), wm::kTransferStep); }))
        return false;
    ApplyTransferredConfiguration(*dlog_, &channels);
    return true;
}

CThreadMessageSendDASConfig::CThreadMessageSendDASConfig(CInstrumentConnectedNode* node,
                                                         IDlogInstrument* dlog, NotifyTarget window)
    : CTransferRequest(node, window, wm::kSendDone, wm::kSendFailed, false), dlog_(dlog) {}

bool CThreadMessageSendDASConfig::Transfer(SessionExchange& exchange) {
    if (dlog_ == nullptr)
        return false;
    if (!exchange.SendScript(GetConfigurationText(*dlog_, dlogform::kScript), tok::kDasConfigStored,
                            GetWindow()))
        return false;
    ApplyTransferredConfiguration(*dlog_, nullptr);
    return true;
}

}  // namespace talven
