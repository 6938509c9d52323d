#include "dlog/InstrumentNodeDlog.h"

#include <algorithm>
#include <vector>

#include "dlog/DASChannel.h"
#include "dlog/DlogScript.h"
#include "foundation/DataLock.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/SessionEnvironment.h"

namespace talven {

namespace {

// The adapters alive now, so that session events reach the marks they keep. Guarded by the data lock.
std::vector<InstrumentNodeDlog*>& LiveAdapters() {
    static std::vector<InstrumentNodeDlog*> adapters;
    return adapters;
}

template <typename F>
void ForEachAdapterOf(const CInstrumentNode& node, F f) {
    DataGuard guard;
    for (InstrumentNodeDlog* adapter : LiveAdapters()) {
        if (&adapter->node() == &node)
            f(*adapter);
    }
}

class DlogObserver : public SessionObserver {
  public:
    void OnSessionReset(CInstrumentNode& node) override {
        ForEachAdapterOf(node, [](InstrumentNodeDlog& adapter) { adapter.ResetSessionState(); });
    }
    void OnSessionClosing(CInstrumentNode& node) override {
        DataGuard guard;
        for (const auto& item : node.GetList(kDlogChannels)) {
            if (auto* channel = dynamic_cast<CDASChannel*>(item.get()))
                channel->ClearData();
        }
        ForEachAdapterOf(node, [](InstrumentNodeDlog& adapter) { adapter.SetDlogModified(false); });
    }
};

}  // namespace

SessionObserver& DlogSessionObserver() {
    static DlogObserver observer;
    return observer;
}

InstrumentNodeDlog::InstrumentNodeDlog(CInstrumentNode& node) : node_(node) {
    AttachDlogChannels(*this);
    DataGuard guard;
    LiveAdapters().push_back(this);
}

InstrumentNodeDlog::~InstrumentNodeDlog() {
    DataGuard guard;
    auto& adapters = LiveAdapters();
    adapters.erase(std::remove(adapters.begin(), adapters.end(), this), adapters.end());
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
    return node_.GetIdentity().capabilities;
}
std::string InstrumentNodeDlog::GetInstrumentName() const {
    return node_.GetName();
}
std::string InstrumentNodeDlog::GetSerialNumber() const {
    return node_.GetIdentity().serialNumber;
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
