#include "network/InstrumentNode.h"

#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "network/NetworkConfiguration.h"
#include "network/ObjectArchiveFile.h"
#include "transport/CommPortConnection.h"
#include "transport/TCPConnection.h"

namespace talven {

CInstrumentNode::CInstrumentNode(const CInstrumentNode& other) : CTreeNode(other) {
    DataGuard guard;
    settings_ = other.settings_;
    identity_ = other.identity_;
    for (int i = 0; i < kInstrumentListCount; ++i)
        lists_[i].CopyFrom(other.lists_[i]);
}

void CInstrumentNode::Serialize(ObjectArchive& ar) {
    DataGuard guard;
    CTreeNode::Serialize(ar);
    InstrumentSettings& s = settings_;
    InstrumentIdentity& i = identity_;
    for (std::string* text :
         {&s.selectCode, &s.deselectCode, &s.modeVariableName, &i.capabilities, &i.partNumber,
          &i.serialNumber, &i.firmwareRevision, &i.libraryRevision, &i.protocolRevision}) {
        SerializeField(ar, *text);
    }
    for (std::uint32_t* value : {&i.modelFamily, &s.password, &s.instrumentId, &s.instrumentPort,
                                 &s.autoDisconnectMinutes, &s.receiveTimeoutMs, &s.transmitDelayMs}) {
        SerializeField(ar, *value);
    }
    for (bool* flag : {&s.passwordEnabled, &s.idEnabled, &s.autoDisconnectEnabled, &s.selectEnabled,
                       &s.deselectEnabled, &s.samplesBox}) {
        SerializeField(ar, *flag);
    }
    for (CNamedObjectList& list : lists_) {
        if (ar.IsStoring()) {
            WriteObjectList(ar, list);
        } else if (!ReadObjectList(ar, list)) {
            return;
        }
    }
}

InstrumentSettings CInstrumentNode::GetSettings() const {
    DataGuard guard;
    return settings_;
}

void CInstrumentNode::SetSettings(const InstrumentSettings& settings) {
    DataGuard guard;
    settings_ = settings;
}

InstrumentIdentity CInstrumentNode::GetIdentity() const {
    DataGuard guard;
    return identity_;
}

void CInstrumentNode::SetIdentity(const InstrumentIdentity& identity) {
    DataGuard guard;
    identity_ = identity;
}

CInstrumentConnectedNode::CInstrumentConnectedNode()
    : CInstrumentConnectedNode(std::string(MessageText(msg::kLocalInstrument)), NewUniqueNodeId()) {}

CInstrumentConnectedNode::CInstrumentConnectedNode(std::string name, std::uint32_t id)
    : CInstrumentNode(std::move(name), id), connection_(std::make_unique<CCommPortConnection>()) {}

CInstrumentConnectedNode::CInstrumentConnectedNode(const CInstrumentConnectedNode& other)
    : CInstrumentNode(other) {
    DataGuard guard;
    connection_ = other.connection_ ? other.connection_->Clone() : nullptr;
    if (!connection_)
        connection_ = std::make_unique<CCommPortConnection>();
}

CInstrumentConnectedNode::~CInstrumentConnectedNode() {
    // First, while the link and the lists still exist; other threads see null from then on.
    SetAttachment(nullptr);
}

void CInstrumentConnectedNode::Serialize(ObjectArchive& ar) {
    DataGuard guard;
    CInstrumentNode::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteObject(connection_.get());
        return;
    }
    if (ar.failed())
        return;
    std::unique_ptr<SerialObject> object = ar.ReadObject();
    if (ar.failed())
        return;
    if (object == nullptr) {
        // A node is never without a link.
        connection_ = MakeDefaultConnection();
        return;
    }
    auto* connection = dynamic_cast<CConnection*>(object.get());
    if (connection == nullptr) {
        ar.Fail();
        return;
    }
    object.release();
    connection_.reset(connection);
}

std::unique_ptr<CNamedObject> CInstrumentConnectedNode::Clone() const {
    std::unique_ptr<CInstrumentConnectedNode> copy(new CInstrumentConnectedNode(*this));
    copy->SetId(NewUniqueNodeId());
    return copy;
}

std::string CInstrumentConnectedNode::GetDisplayName() const {
    std::string text = GetName();
    if (IsConnected())
        text += MessageText(msg::kConnectedSuffix);
    return text;
}

CConnection* CInstrumentConnectedNode::GetConnection() const {
    DataGuard guard;
    return connection_.get();
}

void CInstrumentConnectedNode::SetConnection(std::unique_ptr<CConnection> connection) {
    if (!connection)
        connection = MakeDefaultConnection();
    std::unique_ptr<CConnection> previous;
    {
        DataGuard guard;
        previous = std::move(connection_);
        connection_ = std::move(connection);
    }
    // The previous link closes in its destructor, outside the lock.
}

bool CInstrumentConnectedNode::IsConnected() const {
    DataGuard guard;
    return attachment_ != nullptr && attachment_->IsConnected();
}

CNodeAttachment* CInstrumentConnectedNode::GetAttachment() const {
    DataGuard guard;
    return attachment_.get();
}

void CInstrumentConnectedNode::SetAttachment(std::unique_ptr<CNodeAttachment> attachment) {
    std::unique_ptr<CNodeAttachment> previous;
    {
        DataGuard guard;
        previous = std::move(attachment_);
        attachment_ = std::move(attachment);
    }
}

void CInstrumentConnectedNode::ResetConnection() {
    SetConnection(MakeDefaultConnection());
}

std::unique_ptr<CConnection> CInstrumentConnectedNode::MakeDefaultConnection() const {
    return std::make_unique<CCommPortConnection>();
}

CInstrumentMultiplexorNode::CInstrumentMultiplexorNode()
    : CInstrumentMultiplexorNode(std::string(MessageText(msg::kLocalInstrument)), NewUniqueNodeId()) {}

CInstrumentMultiplexorNode::CInstrumentMultiplexorNode(std::string name, std::uint32_t id)
    : CInstrumentConnectedNode(std::move(name), id) {
    // The base constructor could only install its own default.
    ResetConnection();
}

CInstrumentMultiplexorNode::CInstrumentMultiplexorNode(const CInstrumentMultiplexorNode& other)
    : CInstrumentConnectedNode(other) {
    if (dynamic_cast<CTCPConnection*>(GetConnection()) == nullptr)
        ResetConnection();
}

std::unique_ptr<CNamedObject> CInstrumentMultiplexorNode::Clone() const {
    std::unique_ptr<CInstrumentMultiplexorNode> copy(new CInstrumentMultiplexorNode(*this));
    copy->SetId(NewUniqueNodeId());
    return copy;
}

std::unique_ptr<CConnection> CInstrumentMultiplexorNode::MakeDefaultConnection() const {
    return std::make_unique<CTCPConnection>();
}

}  // namespace talven
