#include "app/ui/InstrumentPropertySheet.h"

#include <cctype>

#include "app/ui/DialogMessages.h"
#include "app/ui/FieldChecks.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "session/InstrumentSession.h"
#include "transport/Connection.h"

namespace talven {

namespace {

// Instrument variable names are words of letters, digits and '_': anything else would garble the
// "v NAME=value" command that sets the port's mode.
bool IsVariableName(const std::string& name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    return true;
}

// A field whose check box is off is not checked; it keeps what it held unless the text reads.
std::uint32_t NumberOr(const std::string& text, std::int64_t min, std::int64_t max, std::uint32_t kept) {
    return static_cast<std::uint32_t>(IntegerOr(text, min, max, kept));
}

std::string BytesOr(const std::string& text, const std::string& kept) {
    auto bytes = EscapedTextToBytes(text);
    return bytes ? *bytes : kept;
}

}  // namespace

bool IsNodeInConfiguration(const CTreeNode& node) {
    CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration();
    if (configuration == nullptr)
        return false;
    DataGuard guard;
    if (configuration->FindNode(node.GetId()) == &node)
        return true;
    return false;
}

CInstrumentPropertySheet::CInstrumentPropertySheet(CInstrumentNode& node, bool isNew) : node_(node) {
    const InstrumentSettings s = node.GetSettings();
    values_.name = node.GetName();
    values_.idEnabled = s.idEnabled;
    values_.idText = std::to_string(s.instrumentId);
    originalPort_ = s.instrumentPort;
    values_.port = s.instrumentPort > 2 ? 2 : static_cast<int>(s.instrumentPort);
    values_.modeVariableName = s.modeVariableName;
    values_.passwordEnabled = s.passwordEnabled;
    values_.passwordText = std::to_string(s.password);
    values_.selectEnabled = s.selectEnabled;
    values_.selectText = BytesToEscapedText(s.selectCode);
    values_.deselectEnabled = s.deselectEnabled;
    values_.deselectText = BytesToEscapedText(s.deselectCode);
    values_.receiveTimeoutText = std::to_string(s.receiveTimeoutMs);
    values_.transmitDelayText = std::to_string(s.transmitDelayMs);
    values_.autoDisconnectEnabled = s.autoDisconnectEnabled;
    values_.autoDisconnectText = std::to_string(s.autoDisconnectMinutes);

    multiplexorInstrument_ = dynamic_cast<CInstrumentMultiplexorNode*>(&node) != nullptr;
    const CConnection* link = node.GetConnection();
    if (link != nullptr) {
        link_ = std::make_unique<CLinkSettings>(*link, multiplexorInstrument_);
    } else {
        // A node kind without a link of its own edits a serial link's defaults.
        link_ = std::make_unique<CLinkSettings>(*MakeLink(LinkValues{}), multiplexorInstrument_);
    }
    if (multiplexorInstrument_) {
        link_->Values().type = kTcpLink;
        if (CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration()) {
            DataGuard guard;
            if (auto* mux = dynamic_cast<CMultiplexorNode*>(configuration->FindParent(node.GetParentId())))
                multiplexorAddress_ = mux->GetAddress();
        }
        if (!multiplexorAddress_.empty())
            link_->Values().host = multiplexorAddress_;
        if (isNew && IntegerOr(link_->Values().tcpPortText, 0, CLinkSettings::kMaxTcpPort, 0) == 0)
            link_->Values().tcpPortText = std::to_string(CInstrumentMultiplexorNode::kProposedPort);
    }
}

CInstrumentPropertySheet::~CInstrumentPropertySheet() = default;

std::vector<std::string> CInstrumentPropertySheet::PageTitles() {
    return {"General", "Connection", "Security", "Timing"};
}

std::string CInstrumentPropertySheet::Title() const {
    return node_.GetName() + " Properties";
}

void CInstrumentPropertySheet::SetPort(int port) {
    if (port < 0 || port > 2)
        return;
    values_.port = port;
    if (port == 2 && values_.modeVariableName.empty())
        values_.modeVariableName = kProposedModeVariable;
}

void CInstrumentPropertySheet::TimingDefaults() {
    values_.receiveTimeoutText = std::to_string(kDefaultsReceiveTimeout);
    values_.transmitDelayText = "0";
}

bool CInstrumentPropertySheet::Refuse(Field field) {
    problem_ = field;
    return false;
}

bool CInstrumentPropertySheet::CheckGeneral() {
    std::int64_t n = 0;
    if (values_.idEnabled && !CheckInteger(values_.idText, 0, kMaxInstrumentId, n))
        return Refuse(kIdField);
    if (values_.port == 2 && !IsVariableName(values_.modeVariableName)) {
        ShowInputError(FormatMessage(msg::kEnterModeVariable));
        return Refuse(kModeVariableField);
    }
    return true;
}

bool CInstrumentPropertySheet::CheckSecurity() {
    std::int64_t n = 0;
    if (values_.passwordEnabled && !CheckInteger(values_.passwordText, 0, kMaxPassword, n))
        return Refuse(kPasswordField);
    struct Code {
        bool enabled;
        const std::string& text;
        int fieldName;
        Field field;
    };
    for (const Code& code :
         {Code{values_.selectEnabled, values_.selectText, msg::kSelectCodeField, kSelectField},
          Code{values_.deselectEnabled, values_.deselectText, msg::kDeselectCodeField, kDeselectField}}) {
        std::size_t at = 0;
        if (code.enabled && !EscapedTextToBytes(code.text, &at)) {
            ShowInputError(
                FormatMessage(msg::kUnreadableEscape, MessageText(code.fieldName), code.text.substr(at)));
            return Refuse(code.field);
        }
    }
    return true;
}

bool CInstrumentPropertySheet::CheckTiming() {
    std::int64_t n = 0;
    if (!CheckInteger(values_.receiveTimeoutText, kMinReceiveTimeout, kMaxReceiveTimeout, n))
        return Refuse(kReceiveTimeoutField);
    if (!CheckInteger(values_.transmitDelayText, 0, kMaxTransmitDelay, n))
        return Refuse(kTransmitDelayField);
    if (values_.autoDisconnectEnabled && !CheckInteger(values_.autoDisconnectText, 0, kMaxAutoDisconnect, n))
        return Refuse(kAutoDisconnectField);
    return true;
}

bool CInstrumentPropertySheet::CheckPage(int page) {
    problem_ = kNoField;
    switch (page) {
        case kInstGeneralPage:
            return CheckGeneral();
        case kInstConnectionPage:
            return link_->Check() || Refuse(kLinkField);
        case kInstSecurityPage:
            return CheckSecurity();
        case kInstTimingPage:
            return CheckTiming();
        default:
            return true;
    }
}

bool CInstrumentPropertySheet::StoreLink() {
    auto* connected = dynamic_cast<CInstrumentConnectedNode*>(&node_);
    CConnection* present = node_.GetConnection();
    if (connected == nullptr || present == nullptr || !link_->Differs(*present))
        return true;
    if (WriteLinkValues(link_->Values(), *present))
        return changed_ = true;
    // Another type: a new link takes the place of the present one, which a worker may be using.
    std::unique_ptr<CConnection> fresh = MakeLink(link_->Values());
    bool installed = true;
    if (CInstrumentSession* session = CInstrumentSession::Find(*connected))
        installed = session->SetConnection(std::move(fresh));
    else
        connected->SetConnection(std::move(fresh));
    if (!installed) {
        ShowInputError(FormatMessage(msg::kConnectionTypeWhileConnected, node_.GetName()));
        return false;
    }
    return changed_ = true;
}

bool CInstrumentPropertySheet::Apply() {
    changed_ = false;
    for (int page = 0; page < kInstPageCount; ++page) {
        if (!CheckPage(page)) {
            failedPage_ = page;
            return false;
        }
    }
    failedPage_ = -1;
    if (multiplexorInstrument_ && !multiplexorAddress_.empty())
        link_->Values().host = multiplexorAddress_;
    if (!StoreLink()) {
        failedPage_ = kInstConnectionPage;
        return false;
    }

    DataGuard guard;
    InstrumentSettings s = node_.GetSettings();
    const InstrumentSettings before = s;
    const InstrumentPageValues& v = values_;
    s.idEnabled = v.idEnabled;
    s.instrumentId = NumberOr(v.idText, 0, kMaxInstrumentId, s.instrumentId);
    const bool portKept = v.port == 2 && originalPort_ > 2;
    s.instrumentPort = portKept ? originalPort_ : static_cast<std::uint32_t>(v.port);
    s.modeVariableName = v.modeVariableName;
    s.passwordEnabled = v.passwordEnabled;
    s.password = NumberOr(v.passwordText, 0, kMaxPassword, s.password);
    s.selectEnabled = v.selectEnabled;
    s.selectCode = BytesOr(v.selectText, s.selectCode);
    s.deselectEnabled = v.deselectEnabled;
    s.deselectCode = BytesOr(v.deselectText, s.deselectCode);
    s.receiveTimeoutMs =
        NumberOr(v.receiveTimeoutText, kMinReceiveTimeout, kMaxReceiveTimeout, s.receiveTimeoutMs);
    s.transmitDelayMs = NumberOr(v.transmitDelayText, 0, kMaxTransmitDelay, s.transmitDelayMs);
    s.autoDisconnectEnabled = v.autoDisconnectEnabled;
    s.autoDisconnectMinutes = NumberOr(v.autoDisconnectText, 0, kMaxAutoDisconnect, s.autoDisconnectMinutes);
    if (!(s == before)) {
        node_.SetSettings(s);
        changed_ = true;
    }
    if (node_.GetName() != v.name) {
        node_.SetName(v.name);
        changed_ = true;
    }
    return true;
}

}  // namespace talven
