#pragma once
// What the DLOG model needs from the instrument node that owns it: its three DLOG lists, its
// capability characters and identity, the record download set counter and the DLOG
// configuration's modified mark. The node (network layer) is adapted to this interface from above;
// DlogInstrumentData is a free-standing implementation for tools and tests.
//
// Every accessor takes the data lock itself; list-wide operations hold it for the whole walk.

#include <cstdint>
#include <string>

#include "foundation/NamedObject.h"
#include "session/Capabilities.h"

namespace talven {

class IDlogInstrument {
  public:
    virtual ~IDlogInstrument() = default;
    /// The instrument's events (CDASEvent), data points (CDASPoint) and channels (CDASChannel).
    virtual CNamedObjectList& DlogEvents() = 0;
    virtual CNamedObjectList& DlogPoints() = 0;
    virtual CNamedObjectList& DlogChannels() = 0;
    virtual std::string GetCapabilities() const = 0;
    virtual std::string GetInstrumentName() const = 0;
    virtual std::string GetSerialNumber() const = 0;
    /// Increments the record download set counter and returns the new value.
    virtual std::uint32_t NextDlogSetNumber() = 0;
    virtual bool IsDlogModified() const = 0;
    virtual void SetDlogModified(bool modified) = 0;
    /// Marks the network configuration (which stores the DLOG lists) modified.
    virtual void MarkNetworkModified() = 0;
};

bool HasCapability(const IDlogInstrument& instrument, char capability);

constexpr std::size_t kMaxChannels = 20;
constexpr std::size_t kMaxParameters = 50;

/// True while the instrument has fewer than 20 channels.
bool HasChannelRoom(IDlogInstrument& instrument);
/// Check all / uncheck all: the selected flag of every channel and of all their parameters.
void SetAllChannelsSelected(IDlogInstrument& instrument, bool selected);
/// Expand all / collapse all in the configuration tree.
void SetAllChannelsExpanded(IDlogInstrument& instrument, bool expanded);
/// Every parameter's in-effect stored-samples flag := its configured flag (after a configuration
/// was downloaded from or sent to the instrument).
void RestoreInEffectFlags(IDlogInstrument& instrument);
/// Discards the downloaded records of every parameter of every channel.
void ClearAllRecords(IDlogInstrument& instrument);

/// A free-standing instrument holding its own lists and state.
class DlogInstrumentData : public IDlogInstrument {
  public:
    CNamedObjectList& DlogEvents() override { return events_; }
    CNamedObjectList& DlogPoints() override { return points_; }
    CNamedObjectList& DlogChannels() override { return channels_; }
    std::string GetCapabilities() const override;
    std::string GetInstrumentName() const override;
    std::string GetSerialNumber() const override;
    std::uint32_t NextDlogSetNumber() override;
    bool IsDlogModified() const override;
    void SetDlogModified(bool modified) override;
    void MarkNetworkModified() override;

    void SetCapabilities(std::string capabilities);
    void SetInstrumentName(std::string name);
    void SetSerialNumber(std::string serial);
    bool IsNetworkModified() const;
    void SetNetworkModified(bool modified);

  private:
    CNamedObjectList events_;
    CNamedObjectList points_;
    CNamedObjectList channels_;
    std::string capabilities_;
    std::string name_;
    std::string serial_;
    std::uint32_t setCounter_ = 0;
    bool dlogModified_ = false;
    bool networkModified_ = false;
};

}  // namespace talven
