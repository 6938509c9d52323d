#include "dlog/DlogInstrument.h"

#include "dlog/DASChannel.h"
#include "foundation/DataLock.h"

namespace talven {

namespace {

template <typename F>
void ForEachChannel(IDlogInstrument& instrument, F f) {
    DataGuard guard;
    for (const auto& item : instrument.DlogChannels()) {
        if (auto* channel = dynamic_cast<CDASChannel*>(item.get()))
            f(*channel);
    }
}

}  // namespace

bool HasCapability(const IDlogInstrument& instrument, char capability) {
    return instrument.GetCapabilities().find(capability) != std::string::npos;
}

bool HasChannelRoom(IDlogInstrument& instrument) {
    DataGuard guard;
    return instrument.DlogChannels().size() < kMaxChannels;
}

void SetAllChannelsSelected(IDlogInstrument& instrument, bool selected) {
    ForEachChannel(instrument, [&](CDASChannel& c) { c.SetSelected(selected); });
}

void SetAllChannelsExpanded(IDlogInstrument& instrument, bool expanded) {
    ForEachChannel(instrument, [&](CDASChannel& c) { c.SetExpanded(expanded); });
}

void RestoreInEffectFlags(IDlogInstrument& instrument) {
    ForEachChannel(instrument, [](CDASChannel& c) { c.RestoreInEffectFlags(); });
}

void ClearAllRecords(IDlogInstrument& instrument) {
    ForEachChannel(instrument, [](CDASChannel& c) { c.ClearData(); });
}

std::string DlogInstrumentData::GetCapabilities() const {
    DataGuard guard;
    return capabilities_;
}

std::string DlogInstrumentData::GetInstrumentName() const {
    DataGuard guard;
    return name_;
}

std::string DlogInstrumentData::GetSerialNumber() const {
    DataGuard guard;
    return serial_;
}

std::uint32_t DlogInstrumentData::NextDlogSetNumber() {
    DataGuard guard;
    return ++setCounter_;
}

bool DlogInstrumentData::IsDlogModified() const {
    DataGuard guard;
    return dlogModified_;
}

void DlogInstrumentData::SetDlogModified(bool modified) {
    DataGuard guard;
    dlogModified_ = modified;
}

void DlogInstrumentData::MarkNetworkModified() {
    SetNetworkModified(true);
}

void DlogInstrumentData::SetCapabilities(std::string capabilities) {
    DataGuard guard;
    capabilities_ = std::move(capabilities);
}

void DlogInstrumentData::SetInstrumentName(std::string name) {
    DataGuard guard;
    name_ = std::move(name);
}

void DlogInstrumentData::SetSerialNumber(std::string serial) {
    DataGuard guard;
    serial_ = std::move(serial);
}

bool DlogInstrumentData::IsNetworkModified() const {
    DataGuard guard;
    return networkModified_;
}

void DlogInstrumentData::SetNetworkModified(bool modified) {
    DataGuard guard;
    networkModified_ = modified;
}

}  // namespace talven
