#include "app/ui/InstrumentInformation.h"

#include "app/ui/DialogMessages.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"

namespace talven {

CInstrumentInformation::CInstrumentInformation(const CInstrumentNode& node) : nodeId_(node.GetId()) {
    Refresh();
}

bool CInstrumentInformation::Refresh() {
    CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration();
    CInstrumentConnectedNode* node = nullptr;
    if (configuration != nullptr) {
        DataGuard guard;
        node = dynamic_cast<CInstrumentConnectedNode*>(configuration->FindNode(nodeId_));
    }
    valid_ = node != nullptr;
    if (!valid_)
        return false;
    // Nodes are deleted and configurations replaced on this thread only: the node outlives this call.
    lines_ = CInstrumentSession::Of(*node).GetInformationLines();
    title_ = FormatMessage(msg::kInstrumentInformationTitle, node->GetName());
    return true;
}

}  // namespace talven
