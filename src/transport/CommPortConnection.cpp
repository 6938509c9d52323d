#include "transport/CommPortConnection.h"

#include <cstring>

#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "text/ConfigFileTokenStream.h"
#include "transport/ConfigLines.h"
#include "transport/SerialDevice.h"
#include "transport/TransportMessages.h"

namespace talven {

namespace {

int OpenErrorMessage(SerialOpenStatus status) {
    switch (status) {
        case SerialOpenStatus::kAccessDenied:
            return msg::kSerialPortAccessDenied;
        case SerialOpenStatus::kNotFound:
            return msg::kSerialPortNotFound;
        case SerialOpenStatus::kBusy:
            return msg::kSerialPortBusy;
        default:
            return msg::kSerialPortOpenFailed;
    }
}

// The reason in a few words, for the message that says the link did not open.
std::string OpenErrorCause(SerialOpenStatus status, int systemError) {
    switch (status) {
        case SerialOpenStatus::kAccessDenied:
            return FormatMessage(msg::kCausePermissionDialout);
        case SerialOpenStatus::kNotSerial:
            return FormatMessage(msg::kCauseNotSerialPort);
        case SerialOpenStatus::kBusy:
            return FormatMessage(msg::kCausePortBusy);
        default:
            return systemError != 0 ? std::strerror(systemError) : std::string();
    }
}

}  // namespace

CCommPortConnection::CCommPortConnection() = default;

CCommPortConnection::CCommPortConnection(const CCommPortConnection& other) : CDeviceStreamConnection(other) {
    CopySerialSettings(other);
}

CCommPortConnection::~CCommPortConnection() {
    CloseDevice();
}

void CCommPortConnection::CopySerialSettings(const CCommPortConnection& other) {
    DataGuard guard;
    portName_ = other.portName_;
    baudRate_ = other.baudRate_;
    parity_ = other.parity_;
    dataBits_ = other.dataBits_;
    stopBits_ = other.stopBits_;
    xonXoff_ = other.xonXoff_;
}

std::unique_ptr<CConnection> CCommPortConnection::Clone() const {
    return std::unique_ptr<CConnection>(new CCommPortConnection(*this));
}

bool CCommPortConnection::Open(LinkOwner* owner) {
    if (stream_.Attached())
        return false;
    SetLastErrorText({});
    SerialSettings settings;
    std::string name;
    {
        DataGuard guard;
        name = portName_;
        settings = SerialSettings{baudRate_, parity_, dataBits_, stopBits_, xonXoff_};
    }
    SerialOpenStatus status = SerialOpenStatus::kFailed;
    int systemError = 0;
    auto device = OpenSerialDevice(name, settings, status, systemError);
    if (!device) {
        SetLastErrorText(FormatMessage(OpenErrorMessage(status), name), OpenErrorCause(status, systemError));
        return false;
    }
    stream_.Attach(std::move(device));
    CConnection::Open(owner);
    return true;
}

bool CCommPortConnection::Close() {
    CConnection::Close();
    return CloseDevice();
}

bool CCommPortConnection::CloseDevice() {
    return stream_.Detach([this](int ms) { Pause(ms); });
}

bool CCommPortConnection::EditProperties() {
    return GetConnectionEditor().EditCommPort(*this);
}

// Stored settings -----------------------------------------------------------------------------

std::string CCommPortConnection::GetPortName() const {
    DataGuard guard;
    return portName_;
}
void CCommPortConnection::SetPortName(std::string name) {
    DataGuard guard;
    portName_ = std::move(name);
}
std::uint32_t CCommPortConnection::GetBaudRate() const {
    DataGuard guard;
    return baudRate_;
}
void CCommPortConnection::SetBaudRate(std::uint32_t baud) {
    DataGuard guard;
    baudRate_ = baud;
}
std::uint32_t CCommPortConnection::GetParity() const {
    DataGuard guard;
    return parity_;
}
void CCommPortConnection::SetParity(std::uint32_t code) {
    std::uint32_t parity = 0;
    switch (code) {
        case 1:
        case 'O':
            parity = 1;
            break;
        case 2:
        case 'E':
            parity = 2;
            break;
        case 3:
        case 'M':
            parity = 3;
            break;
        case 4:
        case 'S':
            parity = 4;
            break;
        default:
            break;
    }
    DataGuard guard;
    parity_ = parity;
}
std::uint32_t CCommPortConnection::GetDataBits() const {
    DataGuard guard;
    return dataBits_;
}
void CCommPortConnection::SetDataBits(std::uint32_t bits) {
    DataGuard guard;
    dataBits_ = bits;
}
std::uint32_t CCommPortConnection::GetStopBits() const {
    DataGuard guard;
    return stopBits_;
}
void CCommPortConnection::SetStopBits(std::uint32_t code) {
    DataGuard guard;
    stopBits_ = code == 2 ? 2 : 0;
}
bool CCommPortConnection::GetXonXoff() const {
    DataGuard guard;
    return xonXoff_;
}
void CCommPortConnection::SetXonXoff(bool on) {
    DataGuard guard;
    xonXoff_ = on;
}

// Persistence ---------------------------------------------------------------------------------

void CCommPortConnection::Serialize(ObjectArchive& ar) {
    SerializeSerial(ar, ar.IsStoring() ? kSchema : ar.LoadingSchema());
}

void CCommPortConnection::SerializeSerial(ObjectArchive& ar, std::uint32_t schema) {
    if (ar.IsStoring()) {
        DataGuard guard;
        ArchiveWriter& w = ar.Writer();
        w.WriteString(portName_);
        w.WriteU32(baudRate_);
        w.WriteU32(parity_);
        w.WriteU32(dataBits_);
        w.WriteU32(stopBits_);
        w.WriteBool(xonXoff_);
        return;
    }
    if (schema > 1) {
        ar.Fail();
        return;
    }
    ArchiveReader& r = ar.Reader();
    std::string name = r.ReadString();
    std::uint32_t baud = r.ReadU32();
    std::uint32_t parity = r.ReadU32();
    std::uint32_t dataBits = r.ReadU32();
    std::uint32_t stopBits = r.ReadU32();
    bool xonXoff = schema >= 1 ? r.ReadBool() : false;
    if (r.failed() || ar.failed())
        return;
    DataGuard guard;
    portName_ = std::move(name);
    baudRate_ = baud;
    parity_ = parity;
    dataBits_ = dataBits;
    stopBits_ = stopBits;
    xonXoff_ = xonXoff;
}

bool CCommPortConnection::ReadConfig(TokenStream& stream, const CNamedObjectList&) {
    return ReadSerialConfig(stream);
}

bool CCommPortConnection::ReadSerialConfig(TokenStream& stream) {
    bool took = false;
    for (;;) {
        const int keyword = stream.GetTokenKind();
        if (keyword < SITE_COMM_PORT || keyword > SITE_XON_XOFF)
            return took;
        const bool text = keyword == SITE_COMM_PORT;
        const int kind = configlines::ReadValue(stream, text, true);
        if (kind < 0)
            return took;
        const std::int32_t n = stream.GetIntegerValue();
        const auto u = static_cast<std::uint32_t>(n);
        switch (keyword) {
            case SITE_COMM_PORT:
                SetPortName(kind == kTokenString ? stream.GetTokenText() : "COM" + std::to_string(n + 1LL));
                break;
            case SITE_BAUD_RATE:
                SetBaudRate(u);
                break;
            case SITE_PARITY_MODE:
                SetParity(u);
                break;
            case SITE_DATA_BITS:
                SetDataBits(u);
                break;
            case SITE_STOP_BITS:
                SetStopBits(u);
                break;
            default:
                SetXonXoff(n != 0);
                break;
        }
        took = true;
        stream.NextToken(kModeNormal);
    }
}

void CCommPortConnection::WriteConfig(std::string& out, const CNamedObjectList&) const {
    WriteSerialConfig(out);
}

void CCommPortConnection::WriteSerialConfig(std::string& out) const {
    DataGuard guard;
    // Numbers print as the signed 32-bit values the reader takes back.
    configlines::AppendText(out, SITE_COMM_PORT, portName_);
    configlines::AppendNumber(out, SITE_BAUD_RATE, static_cast<std::int32_t>(baudRate_));
    configlines::AppendNumber(out, SITE_PARITY_MODE, static_cast<std::int32_t>(parity_));
    configlines::AppendNumber(out, SITE_DATA_BITS, static_cast<std::int32_t>(dataBits_));
    configlines::AppendNumber(out, SITE_STOP_BITS, static_cast<std::int32_t>(stopBits_));
    configlines::AppendNumber(out, SITE_XON_XOFF, xonXoff_ ? 1 : 0);
}

std::string CCommPortConnection::GetUnwritableConfigField() const {
    DataGuard guard;
    return configlines::Unwritable(portName_) ? ConfigKeywordText(SITE_COMM_PORT) : std::string();
}

}  // namespace talven
