#include "dlog/DlogRequests.h"

#include "dlog/DASChannel.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogScript.h"
#include "network/InstrumentNode.h"
#include "session/CommInstrumentTokenStream.h"
#include "session/InstrumentSession.h"

namespace talven {

SessionRecordLink::SessionRecordLink(CInstrumentSession& session)
    : session_(session), generation_(session.GetLinkGeneration()) {}

std::string SessionRecordLink::GetCapabilities() const {
    return session_.GetCapabilities();
}

bool SessionRecordLink::SendCommand(char word, const std::string& argument) {
    const bool sent = session_.SendCommand(std::string(1, word), argument);
    // The reply starts on a line of its own, whatever was left of the previous one.
    session_.GetStream()->StartNewLine();
    return sent;
}

TokenStream& SessionRecordLink::ResponseStream() {
    return *session_.GetStream();
}

int SessionRecordLink::SetResponseTimeout(int milliseconds) {
    return session_.GetStream()->SetReceiveTimeout(milliseconds);
}

int SessionRecordLink::GetReceiveTimeout() const {
    return static_cast<int>(session_.GetNode().GetSettings().receiveTimeoutMs);
}

std::string SessionRecordLink::ReadRawLine(int timeoutMilliseconds, std::size_t maxBytes) {
    return session_.ReadRawLine(timeoutMilliseconds, maxBytes);
}

DateTime SessionRecordLink::ReadInstrumentDate() {
    return session_.ReadInstrumentDate();
}

bool SessionRecordLink::IsCancelRequested() const {
    return session_.IsCancelRequested();
}

bool SessionRecordLink::IsLinkIntact() const {
    return session_.IsLinkOpen() && session_.GetLinkGeneration() == generation_;
}

CThreadMessageRequestDASRecords::CThreadMessageRequestDASRecords(CInstrumentConnectedNode* node,
                                                                 std::vector<std::string> channelNames,
                                                                 NotifyTarget window)
    : CSessionRequest(node), channelNames_(std::move(channelNames)), window_(window) {}

void CThreadMessageRequestDASRecords::Run(CInstrumentSession& session) {
    if (!session.IsSessionOpen() || session.GetStream() == nullptr) {
        GetNotifier().Post(window_, wm::kRecordsFailed, 0, 0);
        return;
    }
    CInstrumentSession::TransferBracket bracket(session, false);
    session.SetCancelRequested(false);
    SessionRecordLink link(session);
    DownloadRecords(link, FindChannels(session.GetNode().GetList(kDlogChannels), channelNames_), window_);
}

CThreadMessageRequestDASConfig::CThreadMessageRequestDASConfig(CInstrumentConnectedNode* node,
                                                               IDlogInstrument* dlog, NotifyTarget window)
    : CTransferRequest(node, window, wm::kDownloadDone, wm::kDownloadFailed, true), dlog_(dlog) {}

bool CThreadMessageRequestDASConfig::Transfer(CInstrumentSession& session) {
    if (dlog_ == nullptr)
        return false;
    const bool eventsAndPoints = session.HasCapability(capability::kEventParameter);
    const bool framed = session.HasCapability(capability::kGetEvents);
    const bool script = session.HasCapability(capability::kScript);
    session.PostToWindow(
        GetWindow(), wm::kTransferStart,
        static_cast<std::uintptr_t>(ConfigurationProgressRange(session.ReadChannelCount(), eventsAndPoints)));
    CommInstrumentTokenStream& stream = *session.GetStream();
    auto send = [&](const char* argument) {
        const bool sent = session.SendCommand("d", argument);
        stream.StartNewLine();
        return sent;
    };
    if (eventsAndPoints) {
        // A list that fails to read keeps its previous content; the channels are still read.
        if (send(framed ? "getevents" : "event"))
            ApplyEventsReply(stream, *dlog_);
        session.PostToWindow(GetWindow(), wm::kTransferStep);
        if (send(framed ? "getparameters" : "parameter"))
            ApplyPointsReply(stream, *dlog_);
        session.PostToWindow(GetWindow(), wm::kTransferStep);
    }
    if (!send(script ? "print script &" : "print"))
        return false;
    CNamedObjectList channels;
    if (!ReadConfigurationReply(stream, *dlog_, script, false, channels,
                                [&] { session.PostToWindow(GetWindow(), wm::kTransferStep); }))
        return false;
    ApplyTransferredConfiguration(*dlog_, &channels);
    return true;
}

CThreadMessageSendDASConfig::CThreadMessageSendDASConfig(CInstrumentConnectedNode* node,
                                                         IDlogInstrument* dlog, NotifyTarget window)
    : CTransferRequest(node, window, wm::kSendDone, wm::kSendFailed, false), dlog_(dlog) {}

bool CThreadMessageSendDASConfig::Transfer(CInstrumentSession& session) {
    if (dlog_ == nullptr)
        return false;
    if (!session.SendScript(GetConfigurationText(*dlog_, dlogform::kScript), tok::kDasConfigStored,
                            GetWindow()))
        return false;
    ApplyTransferredConfiguration(*dlog_, nullptr);
    return true;
}

}  // namespace talven
