#include "dlog/ui/SessionDlogPort.h"

#include "dlog/DlogRequests.h"
#include "foundation/DataLock.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"

namespace talven {

bool SessionDlogPort::IsConnected() const {
    const CInstrumentSession* session = CInstrumentSession::Find(node_);
    return session != nullptr && session->IsConnected();
}

bool SessionDlogPort::HasWorker() const {
    const CInstrumentSession* session = CInstrumentSession::Find(node_);
    return session != nullptr && session->HasWorker();
}

bool SessionDlogPort::PostConfigDownload(IDlogInstrument& dlog, NotifyTarget window) {
    return CInstrumentSession::Of(node_).PostRequest(
        std::make_unique<CThreadMessageRequestDASConfig>(&node_, &dlog, window));
}

bool SessionDlogPort::PostConfigSend(IDlogInstrument& dlog, NotifyTarget window) {
    return CInstrumentSession::Of(node_).PostRequest(
        std::make_unique<CThreadMessageSendDASConfig>(&node_, &dlog, window));
}

bool SessionDlogPort::PostRecordDownload(std::vector<std::string> channelNames, NotifyTarget window) {
    return CInstrumentSession::Of(node_).PostRequest(
        std::make_unique<CThreadMessageRequestDASRecords>(&node_, std::move(channelNames), window));
}

void SessionDlogPort::SetCancelRequested(bool cancel) {
    CInstrumentSession::Of(node_).SetCancelRequested(cancel);
}

bool SessionDlogPort::GetSamplesBox() const {
    return node_.GetSettings().samplesBox;
}

void SessionDlogPort::SetSamplesBox(bool on) {
    DataGuard guard;
    InstrumentSettings settings = node_.GetSettings();
    if (settings.samplesBox == on)
        return;
    settings.samplesBox = on;
    node_.SetSettings(settings);
}

std::string SessionDlogPort::GetSiteName() const {
    const CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration();
    return configuration ? configuration->ParentName(node_.GetParentId()) : std::string();
}

}  // namespace talven
