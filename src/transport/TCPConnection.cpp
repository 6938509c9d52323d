#include "transport/TCPConnection.h"

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <chrono>

#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "text/ConfigFileTokenStream.h"
#include "transport/ConfigLines.h"
#include "transport/SerialDevice.h"
#include "transport/Socket.h"
#include "transport/TransportMessages.h"

namespace talven {

namespace {

using Clock = std::chrono::steady_clock;

long long ElapsedMs(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A peer that takes no bytes for this long ends a write; a peer that never stops sending ends a
// purge after this long.
constexpr long long kStallMs = 10000;
constexpr long long kPurgeLimitMs = 5000;

}  // namespace

CTCPConnection::CTCPConnection() = default;

CTCPConnection::CTCPConnection(const CTCPConnection& other) : CConnection(other) {
    DataGuard guard;
    host_ = other.host_;
    port_ = other.port_;
}

CTCPConnection::~CTCPConnection() {
    if (socket_ >= 0) {
        handleValid_ = false;
        tcp::Close(socket_);
    }
}

std::unique_ptr<CConnection> CTCPConnection::Clone() const {
    return std::unique_ptr<CConnection>(new CTCPConnection(*this));
}

bool CTCPConnection::IsHandleOpen() const {
    return handleValid_;
}

bool CTCPConnection::Open(LinkOwner* owner) {
    if (socket_ >= 0)
        return false;
    SetLastErrorText({});
    std::string host;
    std::uint32_t port;
    {
        DataGuard guard;
        host = host_;
        port = port_;
    }
    std::uint32_t timeout = std::max(owner ? owner->GetLinkTimeoutMs() : 0u, kMinConnectTimeoutMs);
    tcp::ConnectStatus status = tcp::ConnectStatus::kFailed;
    int systemError = port <= 0xFFFF ? 0 : EINVAL;
    int s = -1;
    if (port <= 0xFFFF) {
        s = tcp::Connect(
            host, static_cast<std::uint16_t>(port), static_cast<int>(timeout),
            [owner] { return CancelRequested(owner); }, status, systemError);
    }
    if (s < 0) {
        if (status == tcp::ConnectStatus::kNoAddress) {
            SetLastErrorText(FormatMessage(msg::kHostNotFound, host),
                             FormatMessage(msg::kCauseNoAddress, host));
        } else if (status != tcp::ConnectStatus::kCancelled) {
            SetLastErrorText(FormatMessage(msg::kConnectFailed, host, port),
                             systemError != 0 ? std::strerror(systemError) : std::string());
        }
        return false;
    }
    socket_ = s;
    input_ = std::make_unique<PolledInput>();
    input_->Allocate();
    handleValid_ = true;
    CConnection::Open(owner);
    sessionOwner_ = owner;
    return true;
}

bool CTCPConnection::Close() {
    CConnection::Close();
    int s = socket_;
    socket_ = -1;
    handleValid_ = false;
    input_.reset();
    if (s < 0)
        return false;
    tcp::Close(s);
    return true;
}

bool CTCPConnection::Purge() {
    if (input_)
        input_->Clear();
    if (socket_ < 0 || !IsOpen())
        return false;
    const auto start = Clock::now();
    for (;;) {
        int error = 0;
        long r = tcp::Receive(socket_, input_->data(), CConnection::kReadBufferSize, error);
        if (!tcp::IsAlive(r, error)) {
            Reconnect();
            return true;
        }
        if (r < 0 || ElapsedMs(start) > kPurgeLimitMs)
            return true;
        Pause(10);
    }
}

int CTCPConnection::Read(char* buffer, int maxLength, int timeoutMs, int terminator, bool countFailures) {
    if (socket_ < 0 || !IsOpen())
        return 0;
    const auto start = Clock::now();
    int count = 0;
    while (maxLength >= 1) {
        if (input_->Empty()) {
            int error = 0;
            long r = tcp::Receive(socket_, input_->data(), CConnection::kReadBufferSize, error);
            if (!tcp::IsAlive(r, error)) {
                Reconnect();
                break;
            }
            if (r >= 1)
                input_->SetReceived(static_cast<int>(r));
        }
        if (input_->CopyOut(buffer, count, maxLength, terminator))
            break;
        const long long elapsed = ElapsedMs(start);
        if (elapsed > timeoutMs) {
            if (!countFailures)
                return count;
            Progress(FormatMessage(msg::kConnectionTimeout));
            break;
        }
        // Waits on the socket for the rest of the time-out: no wake-ups while the line is silent.
        tcp::WaitReadable(socket_, static_cast<int>(timeoutMs - elapsed + 1));
    }
    if (countFailures)
        NoteReadResult(count < 1);
    return count;
}

CTCPConnection::SendResult CTCPConnection::SendAll(std::string_view text) {
    std::size_t done = 0;
    auto lastProgress = Clock::now();
    while (done < text.size()) {
        int error = 0;
        long r = tcp::Send(socket_, text.data() + done, text.size() - done, error);
        if (!tcp::IsAlive(r, error))
            return SendResult::kBroken;
        if (r > 0) {
            done += static_cast<std::size_t>(r);
            lastProgress = Clock::now();
            continue;
        }
        if (ElapsedMs(lastProgress) > kStallMs)
            return SendResult::kStalled;
        tcp::WaitWritable(socket_, 100);
    }
    return SendResult::kSent;
}

bool CTCPConnection::Write(std::string_view text) {
    if (socket_ < 0 || !IsOpen() || text.empty())
        return false;
    SendResult result = SendAll(text);
    if (result == SendResult::kBroken && Reconnect())
        result = SendAll(text);
    return result == SendResult::kSent;
}

bool CTCPConnection::Reconnect() {
    LinkOwner* owner = sessionOwner_;
    const int maxReconnects = GetMaxReconnects();
    std::string status = FormatMessage(msg::kAttemptingToReconnect);
    bool restored = false;
    for (int attempts = 0;;) {
        Progress(status);
        Close();
        Pause(100);
        if (CancelRequested(owner))
            break;
        if (Open(owner)) {
            restored = true;
            break;
        }
        if (maxReconnects > 0 && ++attempts >= maxReconnects)
            break;
        status += '.';
        Progress(status);
        Pause(500);
    }
    sessionOwner_ = owner;
    if (restored) {
        Progress(FormatMessage(msg::kConnectionRestored));
    } else {
        Progress(FormatMessage(msg::kConnectionLost));
        DeclareLost();
    }
    return restored;
}

void CTCPConnection::Progress(const std::string& text) {
    ShowProgress(sessionOwner_, text);
}

bool CTCPConnection::EditProperties() {
    return GetConnectionEditor().EditTCP(*this);
}

std::string CTCPConnection::GetHost() const {
    DataGuard guard;
    return host_;
}
void CTCPConnection::SetHost(std::string host) {
    DataGuard guard;
    host_ = std::move(host);
}
std::uint32_t CTCPConnection::GetPort() const {
    DataGuard guard;
    return port_;
}
void CTCPConnection::SetPort(std::uint32_t port) {
    DataGuard guard;
    port_ = port;
}

// Persistence ---------------------------------------------------------------------------------

void CTCPConnection::Serialize(ObjectArchive& ar) {
    if (ar.IsStoring()) {
        DataGuard guard;
        ar.Writer().WriteString(host_);
        ar.Writer().WriteU32(port_);
        return;
    }
    ArchiveReader& r = ar.Reader();
    std::string host = r.ReadString();
    std::uint32_t port = r.ReadU32();
    if (r.failed())
        return;
    DataGuard guard;
    host_ = std::move(host);
    port_ = port;
}

bool CTCPConnection::ReadConfig(TokenStream& stream, const CNamedObjectList&) {
    bool took = false;
    for (;;) {
        const int keyword = stream.GetTokenKind();
        if (keyword != SITE_TCPIP_ADDRESS && keyword != SITE_TCPIP_PORT)
            return took;
        const bool text = keyword == SITE_TCPIP_ADDRESS;
        if (configlines::ReadValue(stream, text, !text) < 0)
            return took;
        if (text) {
            SetHost(stream.GetTokenText());
        } else {
            SetPort(static_cast<std::uint32_t>(stream.GetIntegerValue()));
        }
        took = true;
        stream.NextToken(kModeNormal);
    }
}

void CTCPConnection::WriteConfig(std::string& out, const CNamedObjectList&) const {
    DataGuard guard;
    configlines::AppendText(out, SITE_TCPIP_ADDRESS, host_);
    configlines::AppendNumber(out, SITE_TCPIP_PORT, port_);
}

std::string CTCPConnection::GetUnwritableConfigField() const {
    return configlines::Unwritable(GetHost()) ? ConfigKeywordText(SITE_TCPIP_ADDRESS) : std::string();
}

}  // namespace talven
