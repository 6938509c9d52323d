#pragma once
// The persistent object format of the binary configuration: object references with class records
// (new-class tag 0xFFFF, schema, name), class indexes (0x8000 + index), back references, and the
// 0x7FFF escape followed by 32 bits for indexes from 0x7FFF on. Classes and objects share one index
// sequence numbered from 1. Counts of lists are 16 bits, or 0xFFFF and 32 bits.
//
// Loading is defensive: every count is checked against the bytes left, objects may not nest deeper
// than kMaxDepth, and any inconsistency fails the archive, after which reads yield nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/ArchiveStream.h"
#include "foundation/SerialObject.h"

namespace talven {

class CNamedObjectList;

class BinaryObjectArchive : public ObjectArchive {
  public:
    static constexpr int kMaxDepth = 32;

    /// An archive for storing.
    BinaryObjectArchive();
    /// An archive for loading the given bytes (not copied; they must outlive the archive).
    BinaryObjectArchive(const std::uint8_t* data, std::size_t size);

    bool IsStoring() const override { return storing_; }
    ArchiveWriter& Writer() override;
    ArchiveReader& Reader() override;
    std::uint32_t LoadingSchema() const override { return schema_; }
    void WriteObject(const SerialObject* object) override;
    std::unique_ptr<SerialObject> ReadObject() override;
    void Fail() override;
    bool failed() const override;

    /// What failed, for the log (empty while all is well).
    const std::string& GetFailureReason() const { return reason_; }
    void Fail(std::string reason);

  private:
    struct LoadedEntry {
        bool isClass;
        std::uint16_t schema;
        std::string name;
    };
    void WriteIndexTag(std::uint32_t index, bool isClass);
    const LoadedEntry* ReadClassOf(std::uint16_t tag);

    bool storing_;
    ArchiveWriter writer_;
    ArchiveReader reader_;
    bool failed_ = false;
    std::string reason_;
    std::uint32_t schema_ = 0;
    int depth_ = 0;
    std::uint32_t nextIndex_ = 1;
    std::unordered_map<const SerialObject*, std::uint32_t> storedObjects_;
    std::unordered_map<std::string, std::uint32_t> storedClasses_;
    std::vector<LoadedEntry> loaded_;  // entry i has index i + 1
};

/// A count: 16 bits, or 0xFFFF followed by 32 bits for 0xFFFF and more.
void WriteArchiveCount(ObjectArchive& ar, std::uint32_t count);
/// Reads a count; fails the archive when fewer than count * minBytesEach bytes are left.
std::uint32_t ReadArchiveCount(ObjectArchive& ar, std::size_t minBytesEach);

/// An object list: the count, then each element as an object reference.
void WriteObjectList(ObjectArchive& ar, const CNamedObjectList& list);
/// Appends the elements read to list; false (archive failed) on a null element or one that is
/// not a named object.
bool ReadObjectList(ObjectArchive& ar, CNamedObjectList& list);

}  // namespace talven
