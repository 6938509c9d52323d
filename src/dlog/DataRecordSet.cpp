#include "dlog/DataRecordSet.h"

#include "dlog/DASChannel.h"
#include "dlog/DASParameter.h"
#include "foundation/DataLock.h"

namespace talven {

bool CDataRecordSet::AddColumn(CParameter* parameter) {
    if (!parameter || columns_.size() >= capacity_)
        return false;
    const std::size_t count = parameter->GetRecordCount();
    if (count == 0)
        return false;
    rows_ = columns_.empty() ? count : std::min(rows_, count);
    columns_.push_back(parameter);
    return true;
}

CParameter* CDataRecordSet::GetColumn(std::size_t column) const {
    return column < columns_.size() ? columns_[column] : nullptr;
}

const CDataRecord* CDataRecordSet::GetRecord(std::size_t row, std::size_t column) const {
    if (row >= rows_ || column >= columns_.size())
        return nullptr;
    const std::vector<CDataRecord>& records = columns_[column]->Records();
    return row < records.size() ? &records[row] : nullptr;
}

void GatherChannel(CDASChannel& channel, CDataRecordSet& set) {
    DataGuard guard;
    bool first = true;
    std::uint32_t setNumber = 0;
    for (const auto& item : channel.Parameters()) {
        auto* p = static_cast<CDASParameter*>(item.get());
        if (!p->CountsAsSelected())
            continue;
        if (first) {
            setNumber = p->GetSetNumber();
            first = false;
        }
        if (p->GetSetNumber() == setNumber)
            set.AddColumn(p);
    }
}

}  // namespace talven
