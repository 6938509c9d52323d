#include "dlog/DlogRequests.h"

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
    return session_.SendCommand(std::string(1, word), argument);
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
                                                                 std::vector<CDASChannel*> channels,
                                                                 NotifyTarget window)
    : CSessionRequest(node), channels_(std::move(channels)), window_(window) {}

void CThreadMessageRequestDASRecords::Run(CInstrumentSession& session) {
    if (!session.IsSessionOpen() || session.GetStream() == nullptr) {
        GetNotifier().Post(window_, wm::kRecordsFailed, 0, 0);
        return;
    }
    CInstrumentSession::TransferBracket bracket(session, false);
    session.SetCancelRequested(false);
    SessionRecordLink link(session);
    DownloadRecords(link, channels_, window_);
}

}  // namespace talven
