#include "transport/TAPIModemConnection.h"

#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "text/ConfigFileTokenStream.h"
#include "transport/ConfigLines.h"
#include "transport/SerialDevice.h"
#include "transport/TransportEnvironment.h"
#include "transport/TransportMessages.h"

namespace talven {

namespace {

constexpr int kMessageWaitMs = 1000;
constexpr int kDropWaits = 30;

bool IsCallEnd(const TelephonyMessage& m) {
    return m.isCallState && (m.callState & (callstate::kSpecialInfo | callstate::kDisconnected)) != 0;
}

}  // namespace

CTAPIModemConnection::CTAPIModemConnection() = default;

CTAPIModemConnection::CTAPIModemConnection(const CTAPIModemConnection& other)
    : CDeviceStreamConnection(other) {
    DataGuard guard;
    deviceId_ = other.deviceId_;
    telephoneNumber_ = other.telephoneNumber_;
    connectTimeout_ = other.connectTimeout_;
}

CTAPIModemConnection::~CTAPIModemConnection() {
    if (line_ != 0 || stream_.Attached())
        CTAPIModemConnection::Close();
}

std::unique_ptr<CConnection> CTAPIModemConnection::Clone() const {
    return std::unique_ptr<CConnection>(new CTAPIModemConnection(*this));
}

bool CTAPIModemConnection::Open(LinkOwner* owner) {
    if (line_ != 0 || stream_.Attached())
        return false;
    SetLastErrorText({});
    TelephonyProvider* provider = GetTelephonyProvider();
    CNamedObjectList* devices = GetTelephonyDeviceList();
    std::uint32_t index = 0, version = 0;
    std::string number;
    int timeout;
    bool found = false;
    {
        DataGuard guard;
        number = telephoneNumber_;
        timeout = connectTimeout_;
        if (devices) {
            if (auto* device = dynamic_cast<CTAPIModemDevice*>(devices->FindById(deviceId_))) {
                index = device->GetDeviceIndex();
                version = device->GetVersion();
                found = true;
            }
        }
    }
    if (!provider || !found) {
        SetLastErrorText(FormatMessage(msg::kTelephonyDeviceNotFound));
        return false;
    }
    provider_ = provider;
    line_ = provider->OpenLine(index, version);
    if (line_ == 0)
        return false;
    ShowProgress(owner, FormatMessage(msg::kDialing, number));
    DiscardMessages(*provider);
    long request = provider->MakeCall(line_, number, call_);
    std::unique_ptr<SerialDevice> device;
    if (request > 0 && timeout >= 1 && WaitForConnect(*provider, owner, call_, timeout)) {
        device = provider->GetCallDevice(call_);
    }
    if (!device) {
        Hangup(*provider, false);
        return false;
    }
    stream_.Attach(std::move(device));
    CConnection::Open(owner);
    return true;
}

bool CTAPIModemConnection::WaitForConnect(TelephonyProvider& provider, LinkOwner* owner, TelephonyCall call,
                                          int seconds) {
    for (;;) {
        if (CancelRequested(owner))
            return false;
        TelephonyMessage message;
        if (!provider.GetMessage(line_, message, kMessageWaitMs)) {
            ShowProgress(owner, FormatMessage(msg::kWaitingToConnect, seconds));
            if (--seconds <= 0)
                return false;
            continue;
        }
        if (!message.isCallState || (message.call != 0 && message.call != call))
            continue;
        if (IsCallEnd(message))
            return false;
        if (message.callState & callstate::kConnected)
            return true;
    }
}

void CTAPIModemConnection::DiscardMessages(TelephonyProvider& provider) {
    TelephonyMessage message;
    while (provider.GetMessage(line_, message, 0)) {
    }
}

void CTAPIModemConnection::Hangup(TelephonyProvider& provider, bool waitForDrop) {
    DiscardMessages(provider);
    if (call_ != 0) {
        provider.Drop(call_);
        for (int i = 0; waitForDrop && i < kDropWaits; ++i) {
            TelephonyMessage message;
            if (provider.GetMessage(line_, message, kMessageWaitMs) && IsCallEnd(message))
                break;
        }
    }
    if (line_ != 0)
        provider.CloseLine(line_);
    call_ = 0;
    line_ = 0;
}

bool CTAPIModemConnection::Close() {
    CConnection::Close();
    stream_.Detach([this](int ms) { Pause(ms); });
    if (provider_)
        Hangup(*provider_, true);
    return true;
}

bool CTAPIModemConnection::EditProperties() {
    return GetConnectionEditor().EditTAPIModem(*this);
}

std::uint32_t CTAPIModemConnection::GetDeviceId() const {
    DataGuard guard;
    return deviceId_;
}
void CTAPIModemConnection::SetDeviceId(std::uint32_t id) {
    DataGuard guard;
    deviceId_ = id;
}
std::string CTAPIModemConnection::GetTelephoneNumber() const {
    DataGuard guard;
    return telephoneNumber_;
}
void CTAPIModemConnection::SetTelephoneNumber(std::string number) {
    DataGuard guard;
    telephoneNumber_ = std::move(number);
}
std::int32_t CTAPIModemConnection::GetConnectTimeout() const {
    DataGuard guard;
    return connectTimeout_;
}
void CTAPIModemConnection::SetConnectTimeout(std::int32_t seconds) {
    DataGuard guard;
    connectTimeout_ = seconds;
}

// Persistence ---------------------------------------------------------------------------------

void CTAPIModemConnection::Serialize(ObjectArchive& ar) {
    if (ar.IsStoring()) {
        DataGuard guard;
        ar.Writer().WriteU32(deviceId_);
        ar.Writer().WriteString(telephoneNumber_);
        ar.Writer().WriteI32(connectTimeout_);
        return;
    }
    ArchiveReader& r = ar.Reader();
    std::uint32_t id = r.ReadU32();
    std::string number = r.ReadString();
    std::int32_t timeout = r.ReadI32();
    if (r.failed())
        return;
    DataGuard guard;
    deviceId_ = id;
    telephoneNumber_ = std::move(number);
    connectTimeout_ = timeout;
}

bool CTAPIModemConnection::ReadConfig(TokenStream& stream, const CNamedObjectList&) {
    bool took = false;
    for (;;) {
        const int keyword = stream.GetTokenKind();
        if (keyword != SITE_MODEM && keyword != SITE_TELEPHONE && keyword != SITE_CONNECT_TIMEOUT)
            return took;
        const bool text = keyword == SITE_TELEPHONE;
        if (configlines::ReadValue(stream, text, !text) < 0)
            return took;
        if (keyword == SITE_MODEM) {
            SetDeviceId(static_cast<std::uint32_t>(stream.GetIntegerValue()));
        } else if (keyword == SITE_TELEPHONE) {
            SetTelephoneNumber(stream.GetTokenText());
        } else {
            SetConnectTimeout(stream.GetIntegerValue());
        }
        took = true;
        stream.NextToken(kModeNormal);
    }
}

void CTAPIModemConnection::WriteConfig(std::string& out, const CNamedObjectList&) const {
    DataGuard guard;
    // The permanent id prints as the signed 32-bit value the reader takes back.
    configlines::AppendNumber(out, SITE_MODEM, static_cast<std::int32_t>(deviceId_));
    configlines::AppendText(out, SITE_TELEPHONE, telephoneNumber_);
    configlines::AppendNumber(out, SITE_CONNECT_TIMEOUT, connectTimeout_);
}

std::string CTAPIModemConnection::GetUnwritableConfigField() const {
    return configlines::Unwritable(GetTelephoneNumber()) ? ConfigKeywordText(SITE_TELEPHONE) : std::string();
}

}  // namespace talven
