#pragma once
// Objects stored in an object archive: each names its class (the name written in the archive's
// class record) and writes or reads its own data. The archive format itself (class records,
// back references, schema numbers, the class registry) is implemented by the network layer.

#include <cstdint>
#include <memory>

#include "foundation/ArchiveStream.h"

namespace talven {

class ObjectArchive;

class SerialObject {
  public:
    virtual ~SerialObject() = default;
    /// The class name written in the archive's class record (for example "CSiteNode").
    virtual const char* GetRuntimeClass() const = 0;
    /// Writes (when the archive is storing) or reads this object's data, base data first.
    virtual void Serialize(ObjectArchive& ar) = 0;
};

class ObjectArchive {
  public:
    virtual ~ObjectArchive() = default;
    virtual bool IsStoring() const = 0;
    /// The primitives: Writer() only while storing, Reader() only while loading.
    virtual ArchiveWriter& Writer() = 0;
    virtual ArchiveReader& Reader() = 0;
    /// While loading: the schema number of the class record of the object being read.
    virtual std::uint32_t LoadingSchema() const = 0;
    /// While storing: the schema number to write with a class seen for the first time is the
    /// object's own (see SchemaOf in the class registry).
    virtual void WriteObject(const SerialObject* object) = 0;
    /// Reads an object reference; null for the null reference or on failure (then failed()).
    virtual std::unique_ptr<SerialObject> ReadObject() = 0;
    /// Marks the archive bad (bad schema, unknown class, impossible count). Reads then yield zeros.
    virtual void Fail() = 0;
    virtual bool failed() const = 0;
};

/// One field of an object, written while the archive stores and read while it loads, so that
/// Serialize lists each field once.
inline void SerializeField(ObjectArchive& ar, std::string& value) {
    if (ar.IsStoring())
        ar.Writer().WriteString(value);
    else
        value = ar.Reader().ReadString();
}
inline void SerializeField(ObjectArchive& ar, std::uint32_t& value) {
    if (ar.IsStoring())
        ar.Writer().WriteU32(value);
    else
        value = ar.Reader().ReadU32();
}
inline void SerializeField(ObjectArchive& ar, std::int32_t& value) {
    if (ar.IsStoring())
        ar.Writer().WriteI32(value);
    else
        value = ar.Reader().ReadI32();
}
inline void SerializeField(ObjectArchive& ar, bool& value) {
    if (ar.IsStoring())
        ar.Writer().WriteBool(value);
    else
        value = ar.Reader().ReadBool();
}

}  // namespace talven
