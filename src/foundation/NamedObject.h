#pragma once
// The base of every persistent model object (a name and a 32-bit id) and the ordered owning list
// of them. Reading or writing name or id takes the data lock.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/SerialObject.h"

namespace talven {

class CNamedObject : public SerialObject {
  public:
    CNamedObject() = default;
    CNamedObject(std::string name, std::uint32_t id) : name_(std::move(name)), id_(id) {}
    ~CNamedObject() override = default;

    /// Writes or reads name (text) then id (32-bit).
    void Serialize(ObjectArchive& ar) override;
    /// A deep copy. Node classes give the copy a fresh id where their rules say so.
    virtual std::unique_ptr<CNamedObject> Clone() const = 0;
    virtual std::string GetName() const;
    virtual void SetName(std::string_view name);

    std::uint32_t GetId() const;
    void SetId(std::uint32_t id);

  protected:
    CNamedObject(const CNamedObject& other);
    CNamedObject& operator=(const CNamedObject& other);

  private:
    std::string name_;
    std::uint32_t id_ = 0;
};

/// A random non-zero id; callers that need uniqueness check it against their lists.
std::uint32_t NewNodeId();

class CNamedObjectList {
  public:
    CNamedObjectList() = default;
    CNamedObjectList(const CNamedObjectList& other);
    CNamedObjectList& operator=(const CNamedObjectList& other);
    CNamedObjectList(CNamedObjectList&&) noexcept = default;
    CNamedObjectList& operator=(CNamedObjectList&&) noexcept = default;
    ~CNamedObjectList();

    CNamedObject* FindById(std::uint32_t id) const;
    /// First element whose name equals the text without regard to letter case.
    CNamedObject* FindByName(std::string_view name) const;
    /// Empties the list under the data lock and destroys the elements after releasing it (a
    /// caller that holds the lock keeps it, and must not hold it around nodes with sessions).
    void DeleteAll();
    /// Appends a clone of every element of other, in order.
    void CopyFrom(const CNamedObjectList& other);

    void Append(std::unique_ptr<CNamedObject> object);
    void Insert(std::size_t index, std::unique_ptr<CNamedObject> object);
    /// Removes the element and hands it back (null when it is not in the list).
    std::unique_ptr<CNamedObject> Remove(const CNamedObject* object);
    std::size_t IndexOf(const CNamedObject* object) const;  // size() when absent

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    CNamedObject* at(std::size_t i) const { return items_[i].get(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    void swap(CNamedObjectList& other) noexcept { items_.swap(other.items_); }

  private:
    std::vector<std::unique_ptr<CNamedObject>> items_;
};

}  // namespace talven
