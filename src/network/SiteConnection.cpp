#include "network/SiteConnection.h"

#include <cstdio>

#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "network/NetworkConfiguration.h"
#include "transport/ModemConnection.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {

namespace {

// Connection types of the flat records.
constexpr std::uint32_t kTypeHayesModem = 1;
constexpr std::uint32_t kTypeTelephony = 2;
constexpr std::uint32_t kTypeTcp = 3;

std::unique_ptr<CConnection> MakeConnectionOfType(std::uint32_t type) {
    switch (type) {
        case kTypeHayesModem:
            return std::make_unique<CModemConnection>();
        case kTypeTelephony:
            return std::make_unique<CTAPIModemConnection>();
        case kTypeTcp:
            return std::make_unique<CTCPConnection>();
        default:
            return std::make_unique<CCommPortConnection>();
    }
}

}  // namespace

CSiteConnection::CSiteConnection()
    : CNamedObject(std::string(MessageText(msg::kLocalSite)), NewUniqueNodeId()),
      connection_(std::make_unique<CCommPortConnection>()) {}

CSiteConnection::CSiteConnection(const CSiteConnection& other) : CNamedObject(other) {
    DataGuard guard;
    connection_ = other.connection_ ? other.connection_->Clone() : std::make_unique<CCommPortConnection>();
    expanded_ = other.expanded_;
}

CSiteConnection::~CSiteConnection() = default;

std::unique_ptr<CNamedObject> CSiteConnection::Clone() const {
    std::unique_ptr<CSiteConnection> copy(new CSiteConnection(*this));
    copy->SetId(NewUniqueNodeId());
    return copy;
}

bool CSiteConnection::IsMultiplexor() const {
    DataGuard guard;
    const auto* tcp = dynamic_cast<const CTCPConnection*>(connection_.get());
    return tcp != nullptr && tcp->GetPort() != 3000 && tcp->GetPort() != 502;
}

bool CSiteConnection::ReadConnectionObject(ObjectArchive& ar) {
    std::unique_ptr<SerialObject> object = ar.ReadObject();
    auto* connection = dynamic_cast<CConnection*>(object.get());
    if (ar.failed() || connection == nullptr) {
        // A record without a link cannot be converted.
        ar.Fail();
        return false;
    }
    object.release();
    connection_.reset(connection);
    return true;
}

void CSiteConnection::ReadFlatRecord(ObjectArchive& ar, std::uint32_t schema) {
    ArchiveReader& in = ar.Reader();
    if (schema == 3) {
        CNamedObject::Serialize(ar);
    } else {
        // Schemas 1 and 2 begin with a text whose meaning is not known; the record keeps its
        // default name and fresh id.
        in.ReadString();
    }
    const std::string telephone = in.ReadString();
    if (schema != 3)
        in.ReadU32();
    const std::uint32_t modemId = in.ReadU32();
    const std::uint32_t type = in.ReadU32();
    in.ReadU32();
    const std::uint32_t port = in.ReadU32();
    const std::uint32_t baud = in.ReadU32();
    const std::uint32_t parity = in.ReadU32();
    const std::uint32_t dataBits = in.ReadU32();
    const std::uint32_t stopBits = in.ReadU32();
    if (in.failed())
        return;

    std::unique_ptr<CConnection> connection = MakeConnectionOfType(type);
    if (auto* serial = dynamic_cast<CCommPortConnection*>(connection.get())) {
        char name[16];
        std::snprintf(name, sizeof name, "COM%u", port + 1);
        serial->SetPortName(name);
        serial->SetBaudRate(baud);
        serial->SetParity(parity);
        serial->SetDataBits(dataBits);
        serial->SetStopBits(stopBits);
    }
    if (auto* modem = dynamic_cast<CModemConnection*>(connection.get())) {
        modem->SetModemId(modemId);
        modem->SetTelephoneNumber(telephone);
    }
    connection_ = std::move(connection);
}

void CSiteConnection::Serialize(ObjectArchive& ar) {
    DataGuard guard;
    if (ar.IsStoring()) {
        CNamedObject::Serialize(ar);
        ar.WriteObject(connection_.get());
        ar.Writer().WriteBool(expanded_);
        return;
    }
    const std::uint32_t schema = ar.LoadingSchema();
    switch (schema) {
        case 7:
        case 6:
        case 5:
            CNamedObject::Serialize(ar);
            if (!ReadConnectionObject(ar))
                return;
            if (schema == 7)
                expanded_ = ar.Reader().ReadBool();
            if (schema == 5)
                ar.Reader().ReadU32();
            break;
        case 3:
        case 2:
        case 1:
            ReadFlatRecord(ar, schema);
            break;
        default:
            ar.Fail();
            break;
    }
}

}  // namespace talven
