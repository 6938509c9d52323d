#include "foundation/NamedObject.h"

#include <random>

#include "foundation/DataLock.h"
#include "foundation/EString.h"

namespace talven {

CNamedObject::CNamedObject(const CNamedObject& other) : SerialObject(other) {
    DataGuard guard;
    name_ = other.name_;
    id_ = other.id_;
}

CNamedObject& CNamedObject::operator=(const CNamedObject& other) {
    DataGuard guard;
    name_ = other.name_;
    id_ = other.id_;
    return *this;
}

void CNamedObject::Serialize(ObjectArchive& ar) {
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteString(name_);
        ar.Writer().WriteU32(id_);
    } else {
        name_ = ar.Reader().ReadString();
        id_ = ar.Reader().ReadU32();
    }
}

std::string CNamedObject::GetName() const {
    DataGuard guard;
    return name_;
}

void CNamedObject::SetName(std::string_view name) {
    DataGuard guard;
    name_ = std::string(name);
}

std::uint32_t CNamedObject::GetId() const {
    DataGuard guard;
    return id_;
}

void CNamedObject::SetId(std::uint32_t id) {
    DataGuard guard;
    id_ = id;
}

std::uint32_t NewNodeId() {
    static std::mutex mutex;
    static std::mt19937 engine{std::random_device{}()};
    std::lock_guard<std::mutex> lock(mutex);
    std::uniform_int_distribution<std::uint32_t> dist(1, 0x7FFFFFFF);
    return dist(engine);
}

CNamedObjectList::CNamedObjectList(const CNamedObjectList& other) {
    CopyFrom(other);
}

CNamedObjectList& CNamedObjectList::operator=(const CNamedObjectList& other) {
    if (this != &other) {
        DataGuard guard;
        DeleteAll();
        CopyFrom(other);
    }
    return *this;
}

CNamedObjectList::~CNamedObjectList() {
    DeleteAll();
}

CNamedObject* CNamedObjectList::FindById(std::uint32_t id) const {
    DataGuard guard;
    for (const auto& item : items_) {
        if (item->GetId() == id)
            return item.get();
    }
    return nullptr;
}

CNamedObject* CNamedObjectList::FindByName(std::string_view name) const {
    DataGuard guard;
    for (const auto& item : items_) {
        if (EqualsNoCase(item->GetName(), name))
            return item.get();
    }
    return nullptr;
}

void CNamedObjectList::DeleteAll() {
    std::vector<std::unique_ptr<CNamedObject>> doomed;
    {
        DataGuard guard;
        doomed.swap(items_);
    }
    // Destroyed head first and outside the lock: an instrument node ends its session by joining
    // the session's worker, which may be waiting for the lock to finish its request.
    for (auto& item : doomed)
        item.reset();
}

void CNamedObjectList::CopyFrom(const CNamedObjectList& other) {
    DataGuard guard;
    for (const auto& item : other.items_)
        items_.push_back(item->Clone());
}

void CNamedObjectList::Append(std::unique_ptr<CNamedObject> object) {
    DataGuard guard;
    if (object)
        items_.push_back(std::move(object));
}

void CNamedObjectList::Insert(std::size_t index, std::unique_ptr<CNamedObject> object) {
    DataGuard guard;
    if (!object)
        return;
    if (index > items_.size())
        index = items_.size();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(object));
}

std::unique_ptr<CNamedObject> CNamedObjectList::Remove(const CNamedObject* object) {
    DataGuard guard;
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->get() == object) {
            auto owned = std::move(*it);
            items_.erase(it);
            return owned;
        }
    }
    return nullptr;
}

std::size_t CNamedObjectList::IndexOf(const CNamedObject* object) const {
    DataGuard guard;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == object)
            return i;
    }
    return items_.size();
}

}  // namespace talven
