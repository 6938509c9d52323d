#include "app/ui/NodeProperties.h"

#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"

namespace talven {

CSitePropertiesDialog::CSitePropertiesDialog(CSiteNode& site) : name(site.GetName()), site_(site) {}

bool CSitePropertiesDialog::Apply() {
    if (site_.GetName() == name)
        return false;
    site_.SetName(name);
    return true;
}

CMultiplexorPropertiesDialog::CMultiplexorPropertiesDialog(CMultiplexorNode& multiplexor)
    : name(multiplexor.GetName()), address(multiplexor.GetAddress()), multiplexor_(multiplexor) {}

bool CMultiplexorPropertiesDialog::Apply() {
    bool changed = false;
    if (multiplexor_.GetName() != name) {
        multiplexor_.SetName(name);
        changed = true;
    }
    if (multiplexor_.GetAddress() != address) {
        if (CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration())
            configuration->SetMultiplexorAddress(multiplexor_, address);
        else
            multiplexor_.SetAddress(address);
        changed = true;
    }
    return changed;
}

}  // namespace talven
