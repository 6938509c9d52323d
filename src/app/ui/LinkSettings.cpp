#include "app/ui/LinkSettings.h"

#include <algorithm>

#include "app/ui/DialogMessages.h"
#include "app/ui/FieldChecks.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "foundation/NamedObject.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/SerialDevice.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"
#include "transport/Telephony.h"
#include "transport/TransportEnvironment.h"

namespace talven {

namespace {

PortSettingsValues ReadPort(const CCommPortConnection& serial) {
    PortSettingsValues p;
    p.baudRate = serial.GetBaudRate();
    p.dataBits = serial.GetDataBits();
    p.parity = serial.GetParity();
    p.stopBits = serial.GetStopBits();
    p.xonXoff = serial.GetXonXoff();
    return p;
}

void WriteSerial(const LinkValues& v, CCommPortConnection& serial) {
    serial.SetPortName(v.portName);
    serial.SetBaudRate(v.port.baudRate);
    serial.SetDataBits(v.port.dataBits);
    serial.SetParity(v.port.parity);
    serial.SetStopBits(v.port.stopBits);
    serial.SetXonXoff(v.port.xonXoff);
}

std::int64_t TimeoutLimit(LinkType type) {
    return type == kTelephonyLink ? CLinkSettings::kMaxTelephonyTimeout : CLinkSettings::kMaxModemTimeout;
}

std::int32_t TimeoutOf(const LinkValues& v) {
    return static_cast<std::int32_t>(IntegerOr(v.connectTimeoutText, 0, TimeoutLimit(v.type), 120));
}

// The values that confirming would store: the type's own fields, numbers in their plain form.
LinkValues Stored(const LinkValues& v) {
    LinkValues s;
    s.type = v.type;
    switch (v.type) {
        case kModemLink:
            s.modemId = v.modemId;
            s.telephoneNumber = v.telephoneNumber;
            s.connectTimeoutText = std::to_string(TimeoutOf(v));
            [[fallthrough]];
        case kSerialLink:
            s.portName = v.portName;
            s.port = v.port;
            break;
        case kTelephonyLink:
            s.deviceId = v.deviceId;
            s.telephoneNumber = v.telephoneNumber;
            s.connectTimeoutText = std::to_string(TimeoutOf(v));
            break;
        case kTcpLink:
            s.host = v.host;
            s.tcpPortText = std::to_string(IntegerOr(v.tcpPortText, 0, CLinkSettings::kMaxTcpPort, 0));
            break;
        default:
            break;
    }
    return s;
}

std::vector<IdChoice> ChoicesOf(const CNamedObjectList* list) {
    std::vector<IdChoice> out;
    if (list == nullptr)
        return out;
    DataGuard guard;
    for (const auto& item : *list)
        out.push_back({item->GetId(), item->GetName()});
    return out;
}

int IndexOfId(const std::vector<IdChoice>& choices, std::uint32_t id) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].id == id)
            return static_cast<int>(i);
    return -1;
}

}  // namespace

std::vector<std::uint32_t> PortSettingsChoices::BaudRates(std::uint32_t current) {
    std::vector<std::uint32_t> rates = {110,  300,   600,   1200,  2400,  4800,
                                        9600, 14400, 19200, 38400, 57600, 115200};
    if (std::find(rates.begin(), rates.end(), current) == rates.end()) {
        rates.push_back(current);
        std::sort(rates.begin(), rates.end());
    }
    return rates;
}

std::vector<std::uint32_t> PortSettingsChoices::DataBits() {
    return {5, 6, 7, 8};
}

std::vector<std::string> PortSettingsChoices::ParityNames() {
    return {"None", "Odd", "Even", "Mark", "Space"};
}

std::vector<std::string> PortSettingsChoices::StopBitNames() {
    return {"1", "2"};
}

std::vector<std::string> PortSettingsChoices::FlowControlNames() {
    return {"None", "Xon / Xoff"};
}

LinkType TypeOfLink(const CConnection& link) {
    switch (link.GetTypeKeyword()) {
        case linkkw::kBuiltinModem:
            return kModemLink;
        case linkkw::kWindowsModem:
            return kTelephonyLink;
        case linkkw::kTcpip:
            return kTcpLink;
        default:
            return kSerialLink;
    }
}

LinkValues ReadLinkValues(const CConnection& link) {
    LinkValues v;
    v.type = TypeOfLink(link);
    if (const auto* serial = dynamic_cast<const CCommPortConnection*>(&link)) {
        v.portName = serial->GetPortName();
        v.port = ReadPort(*serial);
    }
    if (const auto* modem = dynamic_cast<const CModemConnection*>(&link)) {
        v.modemId = modem->GetModemId();
        v.telephoneNumber = modem->GetTelephoneNumber();
        v.connectTimeoutText = std::to_string(modem->GetConnectTimeout());
    }
    if (const auto* tapi = dynamic_cast<const CTAPIModemConnection*>(&link)) {
        v.deviceId = tapi->GetDeviceId();
        v.telephoneNumber = tapi->GetTelephoneNumber();
        v.connectTimeoutText = std::to_string(tapi->GetConnectTimeout());
    }
    if (const auto* tcp = dynamic_cast<const CTCPConnection*>(&link)) {
        v.host = tcp->GetHost();
        v.tcpPortText = std::to_string(tcp->GetPort());
    }
    return v;
}

std::unique_ptr<CConnection> MakeLink(const LinkValues& values) {
    std::unique_ptr<CConnection> link;
    switch (values.type) {
        case kModemLink:
            link = std::make_unique<CModemConnection>();
            break;
        case kTelephonyLink:
            link = std::make_unique<CTAPIModemConnection>();
            break;
        case kTcpLink:
            link = std::make_unique<CTCPConnection>();
            break;
        default:
            link = std::make_unique<CCommPortConnection>();
            break;
    }
    WriteLinkValues(values, *link);
    return link;
}

bool WriteLinkValues(const LinkValues& values, CConnection& link) {
    if (TypeOfLink(link) != values.type)
        return false;
    switch (values.type) {
        case kSerialLink:
            WriteSerial(values, static_cast<CCommPortConnection&>(link));
            break;
        case kModemLink: {
            auto& modem = static_cast<CModemConnection&>(link);
            WriteSerial(values, modem);
            modem.SetModemId(values.modemId);
            modem.SetTelephoneNumber(values.telephoneNumber);
            modem.SetConnectTimeout(TimeoutOf(values));
            break;
        }
        case kTelephonyLink: {
            auto& tapi = static_cast<CTAPIModemConnection&>(link);
            tapi.SetDeviceId(values.deviceId);
            tapi.SetTelephoneNumber(values.telephoneNumber);
            tapi.SetConnectTimeout(TimeoutOf(values));
            break;
        }
        case kTcpLink: {
            auto& tcp = static_cast<CTCPConnection&>(link);
            tcp.SetHost(values.host);
            tcp.SetPort(
                static_cast<std::uint32_t>(IntegerOr(values.tcpPortText, 0, CLinkSettings::kMaxTcpPort, 0)));
            break;
        }
        default:
            return false;
    }
    return true;
}

CLinkSettings::CLinkSettings(const CConnection& current, bool typeFixed)
    : values_(ReadLinkValues(current)), typeFixed_(typeFixed), originalPort_(values_.portName) {}

std::vector<std::string> CLinkSettings::TypeNames() {
    return {"Serial port", "Hayes modem", "Telephony modem", "TCP/IP"};
}

void CLinkSettings::SetType(LinkType type) {
    if (!typeFixed_ && type >= 0 && type < kLinkTypeCount)
        values_.type = type;
}

std::vector<std::string> CLinkSettings::PortChoices() const {
    std::vector<std::string> ports = ListSerialPorts();
    for (const std::string& own : {originalPort_, values_.portName}) {
        if (!own.empty() && std::find(ports.begin(), ports.end(), own) == ports.end())
            ports.insert(ports.begin(), own);
    }
    return ports;
}

std::vector<IdChoice> CLinkSettings::ModemChoices() const {
    return ChoicesOf(GetModemList());
}

std::vector<IdChoice> CLinkSettings::DeviceChoices() const {
    return ChoicesOf(GetTelephonyDeviceList());
}

int CLinkSettings::ModemIndex() const {
    return IndexOfId(ModemChoices(), values_.modemId);
}

int CLinkSettings::DeviceIndex() const {
    return IndexOfId(DeviceChoices(), values_.deviceId);
}

void CLinkSettings::SelectModem(int index) {
    const auto choices = ModemChoices();
    if (index >= 0 && index < static_cast<int>(choices.size()))
        values_.modemId = choices[static_cast<std::size_t>(index)].id;
}

void CLinkSettings::SelectDevice(int index) {
    const auto choices = DeviceChoices();
    if (index >= 0 && index < static_cast<int>(choices.size()))
        values_.deviceId = choices[static_cast<std::size_t>(index)].id;
}

bool CLinkSettings::ConfigureDevice() {
    TelephonyProvider* provider = GetTelephonyProvider();
    CNamedObjectList* devices = GetTelephonyDeviceList();
    if (provider == nullptr || devices == nullptr)
        return false;
    std::uint32_t index = 0;
    {
        DataGuard guard;
        const auto* device = dynamic_cast<const CTAPIModemDevice*>(devices->FindById(values_.deviceId));
        if (device == nullptr)
            return false;
        index = device->GetDeviceIndex();
    }
    return provider->ConfigureDevice(index);
}

bool CLinkSettings::Check() {
    problem_ = kNoField;
    std::int64_t number = 0;
    auto refuse = [this](Field field) {
        problem_ = field;
        return false;
    };
    const LinkType type = values_.type;
    if ((type == kSerialLink || type == kModemLink) &&
        values_.portName.find_first_not_of(" \t") == std::string::npos) {
        ShowInputError(FormatMessage(msg::kEnterSerialPort));
        return refuse(kPortNameField);
    }
    if (type == kModemLink || type == kTelephonyLink) {
        if (type == kTelephonyLink &&
            values_.telephoneNumber.size() > static_cast<std::size_t>(kMaxTelephoneNumber)) {
            ShowInputError(FormatMessage(msg::kTelephoneNumberTooLong, kMaxTelephoneNumber));
            return refuse(kTelephoneNumberField);
        }
        if (!CheckInteger(values_.connectTimeoutText, 0, TimeoutLimit(type), number))
            return refuse(kConnectTimeoutField);
    }
    if (type == kTcpLink && !CheckInteger(values_.tcpPortText, 0, kMaxTcpPort, number))
        return refuse(kTcpPortField);
    return true;
}

bool CLinkSettings::Differs(const CConnection& link) const {
    return !(Stored(values_) == Stored(ReadLinkValues(link)));
}

}  // namespace talven
