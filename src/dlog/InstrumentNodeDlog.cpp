#include "dlog/InstrumentNodeDlog.h"

#include "dlog/DlogScript.h"
#include "foundation/DataLock.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"

namespace talven {

InstrumentNodeDlog::InstrumentNodeDlog(CInstrumentNode& node) : node_(node) {
    AttachDlogChannels(*this);
}

CNamedObjectList& InstrumentNodeDlog::DlogEvents() {
    return node_.GetList(kDlogEvents);
}
CNamedObjectList& InstrumentNodeDlog::DlogPoints() {
    return node_.GetList(kDlogDataPoints);
}
CNamedObjectList& InstrumentNodeDlog::DlogChannels() {
    return node_.GetList(kDlogChannels);
}

std::string InstrumentNodeDlog::GetCapabilities() const {
    return node_.GetSettings().capabilities;
}
std::string InstrumentNodeDlog::GetInstrumentName() const {
    return node_.GetName();
}
std::string InstrumentNodeDlog::GetSerialNumber() const {
    return node_.GetSettings().serialNumber;
}

std::uint32_t InstrumentNodeDlog::NextDlogSetNumber() {
    DataGuard guard;
    return ++setCounter_;
}

bool InstrumentNodeDlog::IsDlogModified() const {
    DataGuard guard;
    return modified_;
}

void InstrumentNodeDlog::SetDlogModified(bool modified) {
    DataGuard guard;
    modified_ = modified;
}

void InstrumentNodeDlog::MarkNetworkModified() {
    if (CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration())
        configuration->SetModified(true);
}

void InstrumentNodeDlog::ResetSessionState() {
    DataGuard guard;
    setCounter_ = 0;
    modified_ = false;
}

}  // namespace talven
