#pragma once
// The DLOG view of an instrument node of the network configuration: its three DLOG lists, its
// name, capability characters and serial number. The record download set counter and the DLOG
// modified mark are session state the node does not store; this adapter keeps them itself until
// the session's node provides them (override the four functions then).

#include "dlog/DlogInstrument.h"

namespace talven {

class CInstrumentNode;
class SessionObserver;

class InstrumentNodeDlog : public IDlogInstrument {
  public:
    /// The node must outlive the adapter. Attaches the node's channels to this adapter.
    explicit InstrumentNodeDlog(CInstrumentNode& node);
    ~InstrumentNodeDlog() override;
    InstrumentNodeDlog(const InstrumentNodeDlog&) = delete;
    InstrumentNodeDlog& operator=(const InstrumentNodeDlog&) = delete;

    CNamedObjectList& DlogEvents() override;
    CNamedObjectList& DlogPoints() override;
    CNamedObjectList& DlogChannels() override;
    std::string GetCapabilities() const override;
    std::string GetInstrumentName() const override;
    std::string GetSerialNumber() const override;
    std::uint32_t NextDlogSetNumber() override;
    bool IsDlogModified() const override;
    void SetDlogModified(bool modified) override;
    /// Marks the current network configuration (when one is set) modified.
    void MarkNetworkModified() override;

    /// The connect exchange starts every session with a clean mark and counter.
    void ResetSessionState();
    CInstrumentNode& node() const { return node_; }

  private:
    CInstrumentNode& node_;
    std::uint32_t setCounter_ = 0;
    bool modified_ = false;
};

/// Keeps the DLOG state in step with the instrument's sessions: a session starting afresh clears
/// the modified mark and set counter of the node's adapters; a session closing discards the
/// records downloaded for every channel of the node and clears the mark. Install it once at
/// start-up with AddSessionObserver.
SessionObserver& DlogSessionObserver();

}  // namespace talven
