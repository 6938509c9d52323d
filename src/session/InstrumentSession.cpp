#include "session/InstrumentSession.h"

#include <atomic>

#include "foundation/AssertionException.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"
#include "network/NetworkConfiguration.h"
#include "session/SessionEnvironment.h"
#include "session/SessionExchange.h"
#include "session/SessionMessages.h"
#include "session/ThreadMessages.h"

namespace talven {

namespace detail {
std::vector<SessionObserver*> SessionObserversLocked();
std::atomic<int>& OpenSessionCounter();
}  // namespace detail

CInstrumentSession::CInstrumentSession(CInstrumentConnectedNode& node)
    : node_(node), exchange_(std::make_unique<SessionExchange>(*this)), modelName_(MessageText(msg::kUnknown)) {}

CInstrumentSession::~CInstrumentSession() {
    {
        DataGuard guard;
        cancelRequested_ = true;
    }
    // The worker's requests use the exchange: every thread ends before it goes.
    worker_.StopAndJoinAll();
    if (sessionOpen_)
        detail::OpenSessionCounter().fetch_sub(1);
}

CInstrumentSession& CInstrumentSession::Of(CInstrumentConnectedNode& node) {
    DataGuard guard;
    if (auto* session = dynamic_cast<CInstrumentSession*>(node.GetAttachment()))
        return *session;
    auto session = std::make_unique<CInstrumentSession>(node);
    CInstrumentSession& result = *session;
    node.SetAttachment(std::move(session));
    return result;
}

CInstrumentSession* CInstrumentSession::Find(const CInstrumentNode& node) {
    const auto* connected = dynamic_cast<const CInstrumentConnectedNode*>(&node);
    return connected ? dynamic_cast<CInstrumentSession*>(connected->GetAttachment()) : nullptr;
}

ICommInterface* CInstrumentSession::GetCommInterface(CInstrumentNode& node) {
    auto* connected = dynamic_cast<CInstrumentConnectedNode*>(&node);
    return connected ? &Of(*connected) : nullptr;
}

namespace {

std::vector<CInstrumentSession*> OpenSessions(const CNamedObjectList& instruments) {
    DataGuard guard;
    std::vector<CInstrumentSession*> open;
    for (const auto& object : instruments) {
        const auto* node = dynamic_cast<const CInstrumentNode*>(object.get());
        CInstrumentSession* session = node ? CInstrumentSession::Find(*node) : nullptr;
        if (session != nullptr && session->IsSessionOpen())
            open.push_back(session);
    }
    return open;
}

}  // namespace

bool OpenFrontPanel(CInstrumentNode& node) {
    auto* connected = dynamic_cast<CInstrumentConnectedNode*>(&node);
    if (connected == nullptr) {
        const std::string text = FormatMessage(msg::kSiteInvalid, node.GetName());
        Log(kLogError, text);
        GetUserPrompt().MessageBox(text, FormatMessage(msg::kCaptionError), mb::kOk | mb::kIconWarning);
        return false;
    }
    CInstrumentSession::Of(*connected).OpenFrontPanel();
    return true;
}

void DisplayTickAll(const CNamedObjectList& instruments) {
    for (CInstrumentSession* session : OpenSessions(instruments))
        session->DisplayTick();
}

void IdleCheckAll(const CNamedObjectList& instruments, DateTime now) {
    for (CInstrumentSession* session : OpenSessions(instruments))
        session->IdleCheck(now);
}

// --- Worker -----------------------------------------------------------------------------------------

bool CInstrumentSession::HasWorker() const {
    return worker_.IsRunning();
}

void CInstrumentSession::JoinEndedWorkers() {
    worker_.JoinEnded();
}

// --- ICommInterface ---------------------------------------------------------------------------------

CConnection* CInstrumentSession::GetConnection() const {
    return node_.GetConnection();
}

bool CInstrumentSession::SetConnection(std::unique_ptr<CConnection> link) {
    {
        DataGuard guard;
        // The worker may be using the link; a held link is never swapped under it.
        if (connectCount_ > 0 || worker_.IsRunning())
            return false;
    }
    node_.SetConnection(std::move(link));
    return true;
}

void CInstrumentSession::PostConnect() {
    JoinEndedWorkers();
    // Without a thread the connect request below is refused like any post to a node without a
    // worker.
    worker_.Start(node_.GetName());
    PostRequest(std::make_unique<CThreadMessageConnect>(&node_));
}

bool CInstrumentSession::OpenLink() {
    CConnection* link = nullptr;
    {
        DataGuard guard;
        if (connectCount_ > 0) {
            ++connectCount_;
            return true;
        }
        connectCount_ = 1;
        inUseCount_ = 0;
        link = node_.GetConnection();
        // The lost-link notice names the node, so that the main window can say which one failed.
        link->SetOwnerId(static_cast<std::int32_t>(node_.GetId()));
    }
    const bool opened = link->Open(this);
    bool cancelled = false;
    {
        DataGuard guard;
        if (opened) {
            ++linkGeneration_;
        } else {
            connectCount_ = 0;
            inUseCount_ = 0;
            worker_.StopLocked();
        }
        cancelled = cancelRequested_;
    }
    if (!opened && !cancelled) {
        const std::string text =
            WithCause(FormatMessage(msg::kUnableToConnectSite, node_.GetName()), link->GetLastErrorCause());
        Log(kLogError, text);
        const std::string reason = link->GetLastErrorText();
        if (!reason.empty())
            Log(kLogError, reason);
        ShowStatus(text);
    }
    NotifyMainWindow(wm::kConnectionChanged);
    return opened;
}

void CInstrumentSession::CloseLink(bool force) {
    CConnection* link = nullptr;
    {
        DataGuard guard;
        if (connectCount_ > 0) {
            if (!force && connectCount_ > 1) {
                --connectCount_;
            } else {
                link = node_.GetConnection();
            }
        }
    }
    if (link != nullptr) {
        // Closed before the counts drop, so that no new worker opens the link while it closes.
        link->Close();
        DataGuard guard;
        connectCount_ = 0;
        inUseCount_ = 0;
        worker_.StopLocked();
    }
    NotifyMainWindow(wm::kConnectionChanged);
}

bool CInstrumentSession::IsConnected() const {
    DataGuard guard;
    return connectCount_ > 0;
}

bool CInstrumentSession::IsInUse() const {
    DataGuard guard;
    return inUseCount_ > 0;
}

void CInstrumentSession::SetInUse(bool inUse) {
    DataGuard guard;
    inUseCount_ += inUse ? 1 : -1;
}

void CInstrumentSession::FlushInput() {
    if (IsConnected())
        GetConnection()->Purge();
}

bool CInstrumentSession::SendText(std::string_view text, bool flushFirst) {
    if (!IsConnected())
        return false;
    Log(kLogCommand, text);
    CConnection* link = GetConnection();
    if (flushFirst)
        link->Purge();
    return link->Write(text);
}

bool CInstrumentSession::PostRequest(std::unique_ptr<CThreadMessage> message) {
    return worker_.Post(std::move(message));
}

// --- LinkOwner --------------------------------------------------------------------------------------

void CInstrumentSession::ShowLinkProgress(const std::string& text) {
    ShowStatus(text);
}

bool CInstrumentSession::IsLinkCancelRequested() const {
    return IsCancelRequested();
}

std::string CInstrumentSession::GetLinkOwnerName() const {
    return node_.GetName();
}

std::uint32_t CInstrumentSession::GetLinkTimeoutMs() const {
    return node_.GetSettings().receiveTimeoutMs;
}

// --- Posting operations -----------------------------------------------------------------------------

void CInstrumentSession::OpenFrontPanel() {
    FrontPanelHost* host = GetFrontPanelHost();
    if (host != nullptr && GetFrontPanel() == 0)
        SetFrontPanel(host->CreateFrontPanel(node_));
    PostConnect();
    MarkNetworkModified();
}

bool CInstrumentSession::PostDisconnect() {
    return PostRequest(std::make_unique<CThreadMessageDisconnect>(&node_));
}

bool CInstrumentSession::PostDisplayRequest() {
    {
        DataGuard guard;
        if (inUseCount_ > 0 || displayPending_)
            return false;
        displayPending_ = true;
    }
    if (PostRequest(std::make_unique<CThreadMessageRequestDisplay>(&node_)))
        return true;
    // No exchange will clear the mark of a request that was never queued.
    DataGuard guard;
    displayPending_ = false;
    return false;
}

bool CInstrumentSession::PostLightRequest() {
    {
        DataGuard guard;
        if (inUseCount_ > 0 || lightPending_)
            return false;
        lightPending_ = true;
    }
    if (PostRequest(std::make_unique<CThreadMessageRequestLEDStates>(&node_)))
        return true;
    DataGuard guard;
    lightPending_ = false;
    return false;
}

bool CInstrumentSession::PostKeyPress(int key) {
    if (key < 1 || key > kMaxKey || IsInUse())
        return false;
    return PostRequest(std::make_unique<CThreadMessagePressButton>(&node_, key));
}

void CInstrumentSession::DisplayTick() {
    const std::uint32_t interval = GetSessionOptions().frontPanelIntervalSeconds;
    {
        DataGuard guard;
        if (displayPollingCount_ < 1)
            return;
        if (pollCountdown_-- >= 1)
            return;
        pollCountdown_ = static_cast<int>(interval * 10);
    }
    PostLightRequest();
    PostDisplayRequest();
}

void CInstrumentSession::IdleCheck(DateTime now) {
    NotifyTarget panel = 0;
    {
        DataGuard guard;
        const InstrumentSettings settings = node_.GetSettings();
        if (frontPanel_ == 0 || !panelFree_ || !settings.autoDisconnectEnabled ||
            settings.autoDisconnectMinutes < 1)
            return;
        if (now - lastActivity_ <= static_cast<std::int64_t>(settings.autoDisconnectMinutes) * 60)
            return;
        panel = frontPanel_;
    }
    if (FrontPanelHost* host = GetFrontPanelHost()) {
        host->DestroyFrontPanel(node_, panel);
    } else {
        OnFrontPanelDestroyed();
    }
}

void CInstrumentSession::OnFrontPanelDestroyed() {
    SetFrontPanel(0);
    PostDisconnect();
}

// --- State ------------------------------------------------------------------------------------------

bool CInstrumentSession::IsSessionOpen() const {
    DataGuard guard;
    return sessionOpen_;
}
int CInstrumentSession::GetConnectCount() const {
    DataGuard guard;
    return connectCount_;
}
int CInstrumentSession::GetInUseCount() const {
    DataGuard guard;
    return inUseCount_;
}
int CInstrumentSession::GetUseCount() const {
    DataGuard guard;
    return useCount_;
}
int CInstrumentSession::GetDisplayPollingCount() const {
    DataGuard guard;
    return displayPollingCount_;
}
void CInstrumentSession::AddDisplayPollingCount(int delta) {
    DataGuard guard;
    displayPollingCount_ += delta;
}
bool CInstrumentSession::IsCancelRequested() const {
    DataGuard guard;
    return cancelRequested_;
}
void CInstrumentSession::SetCancelRequested(bool cancel) {
    DataGuard guard;
    cancelRequested_ = cancel;
}
bool CInstrumentSession::IsPanelFree() const {
    DataGuard guard;
    return panelFree_;
}
void CInstrumentSession::SetPanelFree(bool free) {
    DataGuard guard;
    panelFree_ = free;
}
bool CInstrumentSession::IsModeChanged() const {
    DataGuard guard;
    return modeChanged_;
}
std::int32_t CInstrumentSession::GetSavedMode() const {
    DataGuard guard;
    return savedMode_;
}
std::string CInstrumentSession::GetCapabilities() const {
    return node_.GetIdentity().capabilities;
}
bool CInstrumentSession::HasCapability(char c) const {
    return capability::Has(GetCapabilities(), c);
}
void CInstrumentSession::AddCapability(char c) {
    DataGuard guard;
    InstrumentIdentity identity = node_.GetIdentity();
    if (capability::Has(identity.capabilities, c))
        return;
    identity.capabilities += c;
    node_.SetIdentity(identity);
}
void CInstrumentSession::RemoveCapability(char c) {
    DataGuard guard;
    InstrumentIdentity identity = node_.GetIdentity();
    std::erase(identity.capabilities, c);
    node_.SetIdentity(identity);
}
std::string CInstrumentSession::GetModelName() const {
    DataGuard guard;
    return modelName_;
}
int CInstrumentSession::GetModelFamily() const {
    return static_cast<int>(node_.GetIdentity().modelFamily);
}
DateTime CInstrumentSession::GetLastActivity() const {
    DataGuard guard;
    return lastActivity_;
}
void CInstrumentSession::SetLastActivity(DateTime when) {
    DataGuard guard;
    lastActivity_ = when;
}
SessionSnapshot CInstrumentSession::Snapshot() const {
    DataGuard guard;
    SessionSnapshot s;
    s.connected = connectCount_ > 0;
    s.sessionOpen = sessionOpen_;
    s.inUse = inUseCount_ > 0;
    s.identity = node_.GetIdentity();
    s.modelName = modelName_;
    s.displayTexts = displayTexts_;
    s.lightNames = lightNames_;
    s.lightStates = lightStates_;
    return s;
}

std::array<std::string, CInstrumentSession::kPanelLines> CInstrumentSession::GetDisplayTexts() const {
    DataGuard guard;
    return displayTexts_;
}
std::array<std::string, CInstrumentSession::kPanelLines> CInstrumentSession::GetLightNames() const {
    DataGuard guard;
    return lightNames_;
}
std::array<std::int32_t, CInstrumentSession::kPanelLines> CInstrumentSession::GetLightStates() const {
    DataGuard guard;
    return lightStates_;
}
bool CInstrumentSession::IsDisplayRequestPending() const {
    DataGuard guard;
    return displayPending_;
}
bool CInstrumentSession::IsLightRequestPending() const {
    DataGuard guard;
    return lightPending_;
}
void CInstrumentSession::ClearPendingMarks(bool display, bool light) {
    DataGuard guard;
    if (display)
        displayPending_ = false;
    if (light)
        lightPending_ = false;
}
int CInstrumentSession::GetPollCountdown() const {
    DataGuard guard;
    return pollCountdown_;
}
double CInstrumentSession::GetTargetFlow() const {
    DataGuard guard;
    return targetFlow_;
}
NotifyTarget CInstrumentSession::GetFrontPanel() const {
    DataGuard guard;
    return frontPanel_;
}
void CInstrumentSession::SetFrontPanel(NotifyTarget panel) {
    DataGuard guard;
    frontPanel_ = panel;
}
std::uint32_t CInstrumentSession::GetLinkGeneration() const {
    DataGuard guard;
    // A TCP link reopens itself inside a read: its own count of opens tells that apart.
    const CConnection* link = GetConnection();
    return linkGeneration_ + (link ? link->GetOpenCount() : 0);
}
bool CInstrumentSession::IsLinkOpen() const {
    return IsConnected() && GetConnection()->IsOpen();
}

std::vector<std::string> CInstrumentSession::GetInformationLines() const {
    static const char kTexted[] = "adwihfrteonvsuqlbgjpAkxBC";
    const InstrumentIdentity s = node_.GetIdentity();
    std::vector<std::string> lines;
    const bool calibrator = capability::Has(s.capabilities, capability::kCalibrator);
    lines.push_back(FormatMessage(calibrator ? msg::kTypeCalibrator : msg::kTypeMonitor));
    lines.push_back(FormatMessage(msg::kModelNameLine, GetModelName()));
    lines.push_back(FormatMessage(msg::kPartNumberLine, s.partNumber));
    lines.push_back(FormatMessage(msg::kSerialNumberLine, s.serialNumber));
    lines.push_back(FormatMessage(msg::kFirmwareRevisionLine, s.firmwareRevision));
    lines.push_back(FormatMessage(msg::kLibraryRevisionLine, s.libraryRevision));
    for (int i = 0; kTexted[i] != '\0'; ++i) {
        if (capability::Has(s.capabilities, kTexted[i]))
            lines.push_back(FormatMessage(msg::kFirstCapabilityText + i));
    }
    return lines;
}

void CInstrumentSession::SetSessionOpen(bool open) {
    std::vector<SessionObserver*> observers;
    int count = 0;
    {
        DataGuard guard;
        if (sessionOpen_ == open)
            return;
        sessionOpen_ = open;
        count = detail::OpenSessionCounter().fetch_add(open ? 1 : -1) + (open ? 1 : -1);
        observers = detail::SessionObserversLocked();
    }
    NotifyMainWindow(wm::kSessionOpenChanged);
    for (SessionObserver* o : observers)
        o->OnOpenSessionsChanged(count);
}

void CInstrumentSession::NotifyMainWindow(int code) {
    GetNotifier().Post(GetSessionMainWindow(), code, 0, static_cast<std::intptr_t>(node_.GetId()));
}

void CInstrumentSession::MarkNetworkModified() {
    if (CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration())
        configuration->SetModified(true);
}

void CInstrumentSession::ShowStatus(const std::string& text) {
    NotifyTarget panel = 0;
    {
        DataGuard guard;
        displayTexts_ = {":" + text, std::string(), std::string()};
        panel = frontPanel_;
    }
    GetNotifier().Post(panel, wm::kDisplayChanged, 0, 0);
}

}  // namespace talven
