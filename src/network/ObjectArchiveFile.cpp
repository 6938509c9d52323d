#include "network/ObjectArchiveFile.h"

#include "foundation/AssertionException.h"
#include "foundation/NamedObject.h"
#include "network/ClassRegistry.h"

namespace talven {

namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000;
// The format cannot address more than this many classes and objects.
constexpr std::uint32_t kMaxMapCount = 0x3FFFFFFE;

}  // namespace

BinaryObjectArchive::BinaryObjectArchive() : storing_(true), reader_(nullptr, 0) {}

BinaryObjectArchive::BinaryObjectArchive(const std::uint8_t* data, std::size_t size)
    : storing_(false), reader_(data, size) {}

ArchiveWriter& BinaryObjectArchive::Writer() {
    TALVEN_ASSERT(storing_, "ObjectArchiveFile");
    return writer_;
}

ArchiveReader& BinaryObjectArchive::Reader() {
    TALVEN_ASSERT(!storing_, "ObjectArchiveFile");
    return reader_;
}

void BinaryObjectArchive::Fail() {
    Fail("invalid data");
}

void BinaryObjectArchive::Fail(std::string reason) {
    if (!failed_)
        reason_ = std::move(reason);
    failed_ = true;
    reader_.Fail();
}

bool BinaryObjectArchive::failed() const {
    return failed_ || (!storing_ && reader_.failed());
}

void BinaryObjectArchive::WriteIndexTag(std::uint32_t index, bool isClass) {
    if (index < kBigObjectTag) {
        writer_.WriteU16(static_cast<std::uint16_t>(isClass ? (kClassTag | index) : index));
    } else {
        writer_.WriteU16(kBigObjectTag);
        writer_.WriteU32(isClass ? (kBigClassTag | index) : index);
    }
}

void BinaryObjectArchive::WriteObject(const SerialObject* object) {
    TALVEN_ASSERT(storing_, "ObjectArchiveFile");
    if (failed_)
        return;
    if (object == nullptr) {
        writer_.WriteU16(kNullTag);
        return;
    }
    if (const auto it = storedObjects_.find(object); it != storedObjects_.end()) {
        WriteIndexTag(it->second, false);
        return;
    }
    if (nextIndex_ + 2 > kMaxMapCount) {
        Fail("too many objects");
        return;
    }
    const std::string name = object->GetRuntimeClass();
    if (const auto it = storedClasses_.find(name); it != storedClasses_.end()) {
        WriteIndexTag(it->second, true);
    } else {
        const ArchiveClass* registered = FindArchiveClass(name);
        if (registered == nullptr || name.size() > 0xFFFF) {
            Fail("class " + name + " is not registered");
            return;
        }
        storedClasses_.emplace(name, nextIndex_++);
        writer_.WriteU16(kNewClassTag);
        writer_.WriteU16(registered->schema);
        writer_.WriteU16(static_cast<std::uint16_t>(name.size()));
        writer_.WriteBytes(name.data(), name.size());
    }
    storedObjects_.emplace(object, nextIndex_++);
    // Storing reads the object only; Serialize is shared with loading and therefore not const.
    const_cast<SerialObject*>(object)->Serialize(*this);
}

const BinaryObjectArchive::LoadedEntry* BinaryObjectArchive::ReadClassOf(std::uint16_t tag) {
    if (tag == kNewClassTag) {
        LoadedEntry entry{true, reader_.ReadU16(), {}};
        const std::uint16_t length = reader_.ReadU16();
        entry.name.resize(length);
        if (!reader_.ReadBytes(entry.name.data(), length))
            return nullptr;
        if (FindArchiveClass(entry.name) == nullptr) {
            Fail("unknown class " + entry.name);
            return nullptr;
        }
        loaded_.push_back(std::move(entry));
        return &loaded_.back();
    }
    std::uint32_t index = tag;
    if (tag == kBigObjectTag) {
        index = reader_.ReadU32();
    } else if (tag & kClassTag) {
        index = kBigClassTag | (tag & ~kClassTag);
    }
    if (reader_.failed())
        return nullptr;
    if (!(index & kBigClassTag)) {
        // A back reference: the object is already owned by whoever read it first, and the lists
        // of this file own each element once, so a second reference means the file is damaged.
        Fail("shared object reference");
        return nullptr;
    }
    index &= ~kBigClassTag;
    if (index == 0 || index > loaded_.size() || !loaded_[index - 1].isClass) {
        Fail("bad class index");
        return nullptr;
    }
    return &loaded_[index - 1];
}

std::unique_ptr<SerialObject> BinaryObjectArchive::ReadObject() {
    TALVEN_ASSERT(!storing_, "ObjectArchiveFile");
    if (failed())
        return nullptr;
    const std::uint16_t tag = reader_.ReadU16();
    if (reader_.failed() || tag == kNullTag)
        return nullptr;
    if (depth_ >= kMaxDepth || loaded_.size() + 2 > kMaxMapCount) {
        Fail("objects nested too deeply");
        return nullptr;
    }
    const LoadedEntry* classEntry = ReadClassOf(tag);
    if (classEntry == nullptr) {
        if (!failed())
            Fail();
        return nullptr;
    }
    const std::uint16_t schema = classEntry->schema;
    std::unique_ptr<SerialObject> object = FindArchiveClass(classEntry->name)->create();
    loaded_.push_back(LoadedEntry{false, 0, {}});  // the object's own index

    const std::uint32_t outerSchema = schema_;
    schema_ = schema;
    ++depth_;
    object->Serialize(*this);
    --depth_;
    schema_ = outerSchema;
    if (failed())
        return nullptr;
    return object;
}

void WriteArchiveCount(ObjectArchive& ar, std::uint32_t count) {
    if (count < 0xFFFF) {
        ar.Writer().WriteU16(static_cast<std::uint16_t>(count));
    } else {
        ar.Writer().WriteU16(0xFFFF);
        ar.Writer().WriteU32(count);
    }
}

std::uint32_t ReadArchiveCount(ObjectArchive& ar, std::size_t minBytesEach) {
    ArchiveReader& reader = ar.Reader();
    std::uint32_t count = reader.ReadU16();
    if (count == 0xFFFF)
        count = reader.ReadU32();
    if (reader.failed()) {
        ar.Fail();
        return 0;
    }
    if (minBytesEach > 0 && count > reader.remaining() / minBytesEach) {
        ar.Fail();
        return 0;
    }
    return count;
}

void WriteObjectList(ObjectArchive& ar, const CNamedObjectList& list) {
    WriteArchiveCount(ar, static_cast<std::uint32_t>(list.size()));
    for (const auto& item : list)
        ar.WriteObject(item.get());
}

bool ReadObjectList(ObjectArchive& ar, CNamedObjectList& list) {
    const std::uint32_t count = ReadArchiveCount(ar, 2);  // every reference takes 2 bytes at least
    for (std::uint32_t i = 0; i < count && !ar.failed(); ++i) {
        std::unique_ptr<SerialObject> object = ar.ReadObject();
        auto* named = dynamic_cast<CNamedObject*>(object.get());
        if (named == nullptr) {
            ar.Fail();
            break;
        }
        object.release();
        list.Append(std::unique_ptr<CNamedObject>(named));
    }
    return !ar.failed();
}

}  // namespace talven
