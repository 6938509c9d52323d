#pragma once
// The nodes of the network tree: sites (which may nest), multiplexors at sites, and the instrument
// nodes of InstrumentNode.h. The tree is derived from flat lists through each node's parent id.
// Every accessor takes the data lock for its own read or write.

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/NamedObject.h"

namespace talven {

class CTreeNode : public CNamedObject {
  public:
    /// Writes or reads the named-object data, then parent id and expanded flag.
    void Serialize(ObjectArchive& ar) override;

    /// The text shown in the tree; the name unless a node class says otherwise.
    virtual std::string GetDisplayName() const { return GetName(); }

    std::uint32_t GetParentId() const;
    void SetParentId(std::uint32_t id);
    bool IsExpanded() const;
    void SetExpanded(bool expanded);

  protected:
    CTreeNode(std::string name, std::uint32_t id) : CNamedObject(std::move(name), id) {}
    CTreeNode(const CTreeNode& other);

  private:
    std::uint32_t parentId_ = 0;
    bool expanded_ = false;
};

class CSiteNode : public CTreeNode {
  public:
    static constexpr std::uint16_t kSchema = 1;

    /// Named "Local Site", with a fresh id.
    CSiteNode();
    /// For loaders, which give the stored id back.
    CSiteNode(std::string name, std::uint32_t id) : CTreeNode(std::move(name), id) {}
    const char* GetRuntimeClass() const override { return "CSiteNode"; }
    /// A copy with a fresh id, keeping parent, expanded flag and name.
    std::unique_ptr<CNamedObject> Clone() const override;

  private:
    CSiteNode(const CSiteNode& other) = default;
};

class CMultiplexorNode : public CTreeNode {
  public:
    static constexpr std::uint16_t kSchema = 7;
    static constexpr const char* kDefaultAddress = "0.0.0.0";

    /// Named "Local Multiplexor", address "0.0.0.0", with a fresh id.
    CMultiplexorNode();
    CMultiplexorNode(std::string name, std::uint32_t id) : CTreeNode(std::move(name), id) {}
    const char* GetRuntimeClass() const override { return "CMultiplexorNode"; }
    /// Tree node data, then the address.
    void Serialize(ObjectArchive& ar) override;
    std::unique_ptr<CNamedObject> Clone() const override;

    std::string GetAddress() const;
    /// Stores the address only; CNetworkConfiguration::SetMultiplexorAddress also carries a
    /// change over to the multiplexor's instruments.
    void SetAddress(std::string address);

  private:
    CMultiplexorNode(const CMultiplexorNode& other);
    std::string address_ = kDefaultAddress;
};

}  // namespace talven
