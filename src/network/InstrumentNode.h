#pragma once
// Instrument nodes: the stored settings of an instrument, its seven lists of instrument data, and
// for the connected kinds the link (a CConnection owned by the node, never null). The session
// (worker, request queue, connect count) joins these nodes from the session layer.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "foundation/NamedObject.h"
#include "network/TreeNode.h"

namespace talven {

class CConnection;

/// Per-node state that a higher layer keeps for a connected instrument (its session). Owned by the
/// node and destroyed with it, before the node's link and lists.
class CNodeAttachment {
  public:
    virtual ~CNodeAttachment() = default;
    /// True while the attachment holds the node's link open.
    virtual bool IsConnected() const = 0;
};

/// The stored settings of an instrument node other than name, id, parent and expanded flag, in
/// the order in which they are stored.
struct InstrumentSettings {
    std::string selectCode;  // bytes sent before a use of the link (code-activated switch)
    std::string deselectCode;
    std::string modeVariableName;
    std::uint32_t password = 0;
    std::uint32_t instrumentId = 0;  // multidrop address
    /// 0 "RS232_MODE", 1 "RS232_MODE2", 2 the variable named by modeVariableName.
    std::uint32_t instrumentPort = 0;
    std::uint32_t autoDisconnectMinutes = 0;
    std::uint32_t receiveTimeoutMs = 5000;
    std::uint32_t transmitDelayMs = 0;
    bool passwordEnabled = false;
    bool idEnabled = false;
    bool autoDisconnectEnabled = false;
    bool selectEnabled = false;
    bool deselectEnabled = false;
    bool samplesBox = false;  // the "Samples" box of the DLOG configuration window

    bool operator==(const InstrumentSettings&) const = default;
};

/// What a connect learned of the instrument: its capability characters, identity and model
/// family. Written by the instrument's session (and by loading a file); kept apart from the
/// user's settings, so that a dialog writing back its copy of those cannot erase it.
struct InstrumentIdentity {
    std::string capabilities;
    std::string partNumber;
    std::string serialNumber;
    std::string firmwareRevision;
    std::string libraryRevision;
    std::string protocolRevision;
    std::uint32_t modelFamily = 0;

    bool operator==(const InstrumentIdentity&) const = default;
};

/// The seven lists of instrument data, in their stored order.
enum InstrumentList : int {
    kDlogEvents = 0,
    kDlogDataPoints,
    kDlogChannels,
    kGases,
    kUnits,
    kLevels,
    kSequences,
    kInstrumentListCount
};

class CInstrumentNode : public CTreeNode {
  public:
    /// Tree node data, the nine texts, seven values, six flags, then the seven lists.
    void Serialize(ObjectArchive& ar) override;

    /// The user's settings, copied whole under the data lock.
    InstrumentSettings GetSettings() const;
    void SetSettings(const InstrumentSettings& settings);
    /// What the last connect learned (or the file held), copied whole under the data lock.
    InstrumentIdentity GetIdentity() const;
    void SetIdentity(const InstrumentIdentity& identity);

    /// One of the seven lists. The list is guarded by the data lock like every node field.
    CNamedObjectList& GetList(InstrumentList which) { return lists_[which]; }
    const CNamedObjectList& GetList(InstrumentList which) const { return lists_[which]; }

    /// The node's link; null only for the base class.
    virtual CConnection* GetConnection() const { return nullptr; }
    /// True while a session holds the link open (connect count above 0). The session layer's
    /// node class answers; a node without a session is never connected.
    virtual bool IsConnected() const { return false; }

  protected:
    CInstrumentNode(std::string name, std::uint32_t id) : CTreeNode(std::move(name), id) {}
    /// Copies settings and clones the seven lists; the session state is never copied.
    CInstrumentNode(const CInstrumentNode& other);

  private:
    InstrumentSettings settings_;
    InstrumentIdentity identity_;
    std::array<CNamedObjectList, kInstrumentListCount> lists_;
};

class CInstrumentConnectedNode : public CInstrumentNode {
  public:
    static constexpr std::uint16_t kSchema = 1;

    /// Named "Local Instrument", a fresh id and a default serial link.
    CInstrumentConnectedNode();
    /// For loaders: the stored id, and a default link until the stored one is read.
    CInstrumentConnectedNode(std::string name, std::uint32_t id);
    ~CInstrumentConnectedNode() override;
    const char* GetRuntimeClass() const override { return "CInstrumentConnectedNode"; }
    /// Instrument data, then the link as an object reference.
    void Serialize(ObjectArchive& ar) override;
    /// A copy with a fresh id and a clone of the link.
    std::unique_ptr<CNamedObject> Clone() const override;

    /// The name, followed by " (Connected)" while a session holds the link open.
    std::string GetDisplayName() const override;
    CConnection* GetConnection() const override;
    /// Installs connection (a null one is replaced by the node's default); the previous one is
    /// destroyed.
    void SetConnection(std::unique_ptr<CConnection> connection);
    /// Installs a new default link.
    void ResetConnection();

    /// Answers from the attachment; false without one.
    bool IsConnected() const override;
    /// The higher layer's state for this node, or null. Copies of a node start without one.
    CNodeAttachment* GetAttachment() const;
    /// Installs attachment, destroying any previous one.
    void SetAttachment(std::unique_ptr<CNodeAttachment> attachment);

  protected:
    CInstrumentConnectedNode(const CInstrumentConnectedNode& other);
    /// The link a new node starts with: serial here, TCP for multiplexor instruments.
    virtual std::unique_ptr<CConnection> MakeDefaultConnection() const;

  private:
    std::unique_ptr<CConnection> connection_;
    // Declared after the link so that it goes first: a session stops its worker before the link
    // and the lists it uses are destroyed.
    std::unique_ptr<CNodeAttachment> attachment_;
};

/// An instrument behind a multiplexor: its link is TCP on the multiplexor's address and the
/// instrument's channel port; its parent is the multiplexor.
class CInstrumentMultiplexorNode : public CInstrumentConnectedNode {
  public:
    static constexpr std::uint16_t kSchema = 1;
    /// The port the properties page proposes for a new multiplexor instrument.
    static constexpr std::uint32_t kProposedPort = 7000;

    /// Named "Local Instrument", a fresh id and a default TCP link ("0.0.0.0", port 0).
    CInstrumentMultiplexorNode();
    CInstrumentMultiplexorNode(std::string name, std::uint32_t id);
    const char* GetRuntimeClass() const override { return "CInstrumentMultiplexorNode"; }
    /// A copy with a fresh id; the link is a clone when it is TCP, else a default TCP link.
    std::unique_ptr<CNamedObject> Clone() const override;

  protected:
    std::unique_ptr<CConnection> MakeDefaultConnection() const override;

  private:
    CInstrumentMultiplexorNode(const CInstrumentMultiplexorNode& other);
};

}  // namespace talven
