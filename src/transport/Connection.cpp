#include "transport/Connection.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "transport/TransportMessages.h"

namespace talven {

namespace {

std::atomic<bool> gDetectFailed{true};
std::atomic<NotifyTarget> gLostTarget{0};

class NoEditor : public ConnectionEditor {
  public:
    bool EditCommPort(CCommPortConnection&) override { return false; }
    bool EditModem(CModemConnection&) override { return false; }
    bool EditTAPIModem(CTAPIModemConnection&) override { return false; }
    bool EditTCP(CTCPConnection&) override { return false; }
};

NoEditor gNoEditor;
std::atomic<ConnectionEditor*> gEditor{nullptr};

}  // namespace

void SetDetectFailedConnections(bool on) {
    gDetectFailed = on;
}
bool GetDetectFailedConnections() {
    return gDetectFailed;
}
void SetConnectionLostTarget(NotifyTarget target) {
    gLostTarget = target;
}
NotifyTarget GetConnectionLostTarget() {
    return gLostTarget;
}

ConnectionEditor& GetConnectionEditor() {
    ConnectionEditor* editor = gEditor;
    return editor ? *editor : gNoEditor;
}
void SetConnectionEditor(ConnectionEditor* editor) {
    gEditor = editor;
}

void CConnection::Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void CConnection::ShowProgress(LinkOwner* owner, const std::string& text) {
    if (owner)
        owner->ShowLinkProgress(text);
}

bool CConnection::CancelRequested(const LinkOwner* owner) {
    return owner && owner->IsLinkCancelRequested();
}

bool CConnection::Open(LinkOwner*) {
    DataGuard guard;
    failureCount_ = 0;
    open_ = true;
    ++openCount_;
    lastError_.clear();
    lastCause_.clear();
    return true;
}

std::uint32_t CConnection::GetOpenCount() const {
    DataGuard guard;
    return openCount_;
}

bool CConnection::Close() {
    DataGuard guard;
    failureCount_ = 0;
    open_ = false;
    return true;
}

void CConnection::ReadLine(std::string& text, int timeoutMs, int terminator) {
    text.clear();
    if (!IsHandleOpen() || !IsOpen())
        return;
    char line[kMaxLineLength];
    int n = Read(line, kMaxLineLength, timeoutMs, terminator, true);
    if (n > 0)
        text.assign(line, static_cast<std::size_t>(n));
}

void CConnection::NoteReadResult(bool failed) {
    bool lost = false;
    {
        DataGuard guard;
        if (!open_ || maxFailures_ <= 0)
            return;
        if (!failed) {
            failureCount_ = 0;
            return;
        }
        lost = ++failureCount_ >= maxFailures_;
    }
    if (lost)
        DeclareLost();
}

void CConnection::DeclareLost() {
    if (!GetDetectFailedConnections())
        return;
    std::int32_t owner;
    {
        DataGuard guard;
        open_ = false;
        owner = ownerId_;
    }
    Log(kLogError, FormatMessage(msg::kConnectionLost));
    GetNotifier().Post(GetConnectionLostTarget(), wm::kConnectionLost, 0, owner);
}

int CConnection::GetMaxFailures() const {
    DataGuard guard;
    return maxFailures_;
}
void CConnection::SetMaxFailures(int n) {
    DataGuard guard;
    maxFailures_ = n;
}
int CConnection::GetFailureCount() const {
    DataGuard guard;
    return failureCount_;
}
int CConnection::GetMaxReconnects() const {
    DataGuard guard;
    return maxReconnects_;
}
void CConnection::SetMaxReconnects(int n) {
    DataGuard guard;
    maxReconnects_ = n;
}
bool CConnection::IsOpen() const {
    DataGuard guard;
    return open_;
}
std::string CConnection::GetLastErrorText() const {
    DataGuard guard;
    return lastError_;
}
std::string CConnection::GetLastErrorCause() const {
    DataGuard guard;
    return lastCause_;
}
void CConnection::SetLastErrorText(std::string text, std::string cause) {
    DataGuard guard;
    lastError_ = std::move(text);
    lastCause_ = std::move(cause);
}
std::int32_t CConnection::GetOwnerId() const {
    DataGuard guard;
    return ownerId_;
}
void CConnection::SetOwnerId(std::int32_t id) {
    DataGuard guard;
    ownerId_ = id;
}

}  // namespace talven
