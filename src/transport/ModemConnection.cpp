#include "transport/ModemConnection.h"

#include <chrono>

#include "foundation/AssertionException.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "text/ConfigFileTokenStream.h"
#include "transport/ConfigLines.h"
#include "transport/ModemSettings.h"
#include "transport/TransportEnvironment.h"
#include "transport/TransportMessages.h"

namespace talven {

namespace {

/// The modem with this id in the modems list, as a copy; null when there is none.
std::unique_ptr<CModemSettings> FindModemCopy(const CNamedObjectList* modems, std::uint32_t id) {
    if (!modems)
        return nullptr;
    DataGuard guard;
    auto* modem = dynamic_cast<CModemSettings*>(modems->FindById(id));
    if (!modem)
        return nullptr;
    return std::unique_ptr<CModemSettings>(static_cast<CModemSettings*>(modem->Clone().release()));
}

void ChangeInUse(std::uint32_t id, bool add) {
    CNamedObjectList* modems = GetModemList();
    if (!modems)
        return;
    DataGuard guard;
    if (auto* modem = dynamic_cast<CModemSettings*>(modems->FindById(id))) {
        if (add) {
            modem->AddInUse();
        } else {
            modem->ReleaseInUse();
        }
    }
}

}  // namespace

CModemConnection::CModemConnection() = default;

CModemConnection::CModemConnection(const CModemConnection& other) : CCommPortConnection(other) {
    DataGuard guard;
    modemId_ = other.modemId_;
    telephoneNumber_ = other.telephoneNumber_;
    connectTimeout_ = other.connectTimeout_;
}

CModemConnection::~CModemConnection() {
    // Hang up rather than leave the telephone line connected.
    if (IsHandleOpen())
        CModemConnection::Close();
}

std::unique_ptr<CConnection> CModemConnection::Clone() const {
    return std::unique_ptr<CConnection>(new CModemConnection(*this));
}

bool CModemConnection::Open(LinkOwner* owner) {
    if (CancelRequested(owner) || IsHandleOpen())
        return false;
    SetLastErrorText({});
    std::string number;
    int timeout;
    {
        DataGuard guard;
        inUse_ = FindModemCopy(GetModemList(), modemId_);
        number = telephoneNumber_;
        timeout = connectTimeout_;
    }
    if (!inUse_) {
        SetLastErrorText(FormatMessage(msg::kModemNotFound));
        return false;
    }
    if (!CCommPortConnection::Open(owner)) {
        inUse_.reset();
        return false;
    }
    ChangeInUse(inUse_->GetId(), true);
    SendCommand(inUse_->GetReset(), true);
    SendCommand(inUse_->GetInitialization(), true);
    if (Dial(owner, number, timeout))
        return true;
    Close();
    return false;
}

bool CModemConnection::Dial(LinkOwner* owner, const std::string& number, int timeoutSeconds) {
    ShowProgress(owner, FormatMessage(msg::kDialing, number));
    SendCommand(inUse_->GetDialPrefix() + number, false);
    Pause(1000);
    const std::string connect = inUse_->GetConnectResponse();
    for (int n = timeoutSeconds; n >= 1; --n) {
        if (CancelRequested(owner))
            return false;
        ShowProgress(owner, FormatMessage(msg::kWaitingToConnect, n));
        if (WaitForResponse(connect, 1000))
            return true;
    }
    return false;
}

bool CModemConnection::Close() {
    if (!IsHandleOpen())
        return false;
    if (inUse_) {
        HangUp();
    } else {
        Log(kLogError, AssertionException("ModemConnection.cpp", __LINE__).what());
    }
    return CCommPortConnection::Close();
}

void CModemConnection::HangUp() {
    // A link declared lost still holds the telephone line: open it for the hang-up dialogue.
    if (!IsOpen())
        CConnection::Open(nullptr);
    Pause(kGuardTimeMs);
    Write(inUse_->GetEscape());
    WaitForResponse(inUse_->GetOkResponse(), kEscapeTimeoutMs);
    SendCommand(inUse_->GetHangUp(), true);
    SendCommand(inUse_->GetReset(), true);
    ChangeInUse(inUse_->GetId(), false);
    inUse_.reset();
}

bool CModemConnection::SendCommand(const std::string& command, bool waitForOk) {
    TALVEN_ASSERT(inUse_ != nullptr, "ModemConnection.cpp");
    if (command.empty())
        return false;
    const std::string line = command + '\r';
    const std::string ok = inUse_->GetOkResponse();
    if (waitForOk && !ok.empty()) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Purge();
            Write(line);
            if (WaitForResponse(ok, kOkTimeoutMs))
                return true;
        }
        return false;
    }
    Purge();
    Write(line);
    return false;
}

bool CModemConnection::WaitForResponse(const std::string& expected, int timeoutMs) {
    if (expected.empty())
        return false;
    const std::string wanted = ToUpper(expected);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int wait = timeoutMs;
    char line[kMaxLineLength];
    for (;;) {
        // The dialogue's waits do not count toward the lost-link rule: the countdown's empty
        // seconds would otherwise cut every connect time-out to maxFailures seconds and report a
        // link as lost that was never connected.
        if (!IsHandleOpen() || !IsOpen())
            return false;
        const int n = Read(line, kMaxLineLength, wait, '\n', false);
        if (n < 1)
            return false;
        if (ToUpper(std::string_view(line, static_cast<std::size_t>(n))).find(wanted) != std::string::npos) {
            return true;
        }
        // A modem that keeps talking without the expected text must not hold the dialogue forever.
        wait = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (wait <= 0)
            return false;
    }
}

bool CModemConnection::EditProperties() {
    return GetConnectionEditor().EditModem(*this);
}

std::uint32_t CModemConnection::GetModemId() const {
    DataGuard guard;
    return modemId_;
}
void CModemConnection::SetModemId(std::uint32_t id) {
    DataGuard guard;
    modemId_ = id;
}
std::string CModemConnection::GetTelephoneNumber() const {
    DataGuard guard;
    return telephoneNumber_;
}
void CModemConnection::SetTelephoneNumber(std::string number) {
    DataGuard guard;
    telephoneNumber_ = std::move(number);
}
std::int32_t CModemConnection::GetConnectTimeout() const {
    DataGuard guard;
    return connectTimeout_;
}
void CModemConnection::SetConnectTimeout(std::int32_t seconds) {
    DataGuard guard;
    connectTimeout_ = seconds;
}

// Persistence ---------------------------------------------------------------------------------

void CModemConnection::Serialize(ObjectArchive& ar) {
    // The serial part always has the XON/XOFF flag here, whatever the schema.
    SerializeSerial(ar, 1);
    if (ar.IsStoring()) {
        DataGuard guard;
        ar.Writer().WriteU32(modemId_);
        ar.Writer().WriteString(telephoneNumber_);
        ar.Writer().WriteI32(connectTimeout_);
        return;
    }
    ArchiveReader& r = ar.Reader();
    std::uint32_t modemId = r.ReadU32();
    std::string number = r.ReadString();
    std::int32_t timeout = r.ReadI32();
    if (r.failed())
        return;
    DataGuard guard;
    modemId_ = modemId;
    telephoneNumber_ = std::move(number);
    connectTimeout_ = timeout;
}

bool CModemConnection::ReadConfig(TokenStream& stream, const CNamedObjectList& modems) {
    bool took = false;
    for (;;) {
        const int keyword = stream.GetTokenKind();
        if (keyword == SITE_MODEM || keyword == SITE_TELEPHONE || keyword == SITE_CONNECT_TIMEOUT) {
            const int kind = configlines::ReadValue(stream, keyword != SITE_CONNECT_TIMEOUT,
                                                    keyword == SITE_CONNECT_TIMEOUT);
            if (kind < 0)
                return took;
            if (keyword == SITE_MODEM) {
                DataGuard guard;
                if (auto* modem = dynamic_cast<CModemSettings*>(modems.FindByName(stream.GetTokenText()))) {
                    modemId_ = modem->GetId();
                }
            } else if (keyword == SITE_TELEPHONE) {
                SetTelephoneNumber(stream.GetTokenText());
            } else {
                SetConnectTimeout(stream.GetIntegerValue());
            }
            took = true;
            stream.NextToken(kModeNormal);
            continue;
        }
        if (!ReadSerialConfig(stream) || stream.GetErrorCount() != 0)
            return took;
        took = true;
    }
}

void CModemConnection::WriteConfig(std::string& out, const CNamedObjectList& modems) const {
    DataGuard guard;
    if (auto* modem = dynamic_cast<CModemSettings*>(modems.FindById(modemId_))) {
        configlines::AppendText(out, SITE_MODEM, modem->GetName());
    }
    configlines::AppendText(out, SITE_TELEPHONE, telephoneNumber_);
    configlines::AppendNumber(out, SITE_CONNECT_TIMEOUT, connectTimeout_);
    WriteSerialConfig(out);
}

std::string CModemConnection::GetUnwritableConfigField() const {
    if (configlines::Unwritable(GetTelephoneNumber()))
        return ConfigKeywordText(SITE_TELEPHONE);
    return CCommPortConnection::GetUnwritableConfigField();
}

}  // namespace talven
