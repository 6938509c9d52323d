#pragma once
// Parameters side by side: one column per parameter, one row per record index. The set owns
// neither parameters nor records; read it under the data lock (or while no download runs).

#include <cstddef>
#include <vector>

#include "dlog/DataRecord.h"

namespace talven {

class CParameter;
class CDASChannel;

class CDataRecordSet {
  public:
    static constexpr std::size_t kDefaultCapacity = 50;

    explicit CDataRecordSet(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    /// Adds a column when there is room and the parameter has at least one record; rows become the
    /// smallest record count of the columns.
    bool AddColumn(CParameter* parameter);
    std::size_t GetColumnCount() const { return columns_.size(); }
    std::size_t GetRowCount() const { return rows_; }
    /// The column's parameter; null outside 0 .. columns - 1.
    CParameter* GetColumn(std::size_t column) const;
    /// The record at (row, column); null outside the set, or when the parameter's records have
    /// since been emptied by a new download.
    const CDataRecord* GetRecord(std::size_t row, std::size_t column) const;

  private:
    std::size_t capacity_;
    std::vector<CParameter*> columns_;
    std::size_t rows_ = 0;
};

/// Gathering for display and files: the channel's parameters that count as selected, whose set
/// number equals that of the first of them, in parameter order. Takes the data lock.
void GatherChannel(CDASChannel& channel, CDataRecordSet& set);

}  // namespace talven
