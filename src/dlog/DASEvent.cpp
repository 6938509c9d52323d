#include "dlog/DASEvent.h"

#include "foundation/DataLock.h"

namespace talven {

std::string NameWithUnits(const std::string& name, const std::string& units) {
    return units.empty() ? name : name + " (" + units + ")";
}

CDASEvent::CDASEvent(std::string name, std::uint32_t number, bool timer, std::int32_t level)
    : CNamedObject(std::move(name), number), timer_(timer), level_(level) {}

void CDASEvent::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteBool(timer_);
        ar.Writer().WriteI32(level_);
    } else {
        timer_ = ar.Reader().ReadBool();
        level_ = ar.Reader().ReadI32();
    }
}

std::unique_ptr<CNamedObject> CDASEvent::Clone() const {
    DataGuard guard;
    return std::make_unique<CDASEvent>(*this);
}

bool CDASEvent::IsTimer() const {
    DataGuard guard;
    return timer_;
}

void CDASEvent::SetTimer(bool timer) {
    DataGuard guard;
    timer_ = timer;
}

std::int32_t CDASEvent::GetLevel() const {
    DataGuard guard;
    return level_;
}

void CDASEvent::SetLevel(std::int32_t level) {
    DataGuard guard;
    level_ = level;
}

CDASPoint::CDASPoint(std::string name, std::uint32_t number, std::string units, std::int32_t level)
    : CNamedObject(std::move(name), number), units_(std::move(units)), level_(level) {}

void CDASPoint::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteString(units_);
        ar.Writer().WriteI32(level_);
    } else {
        units_ = ar.Reader().ReadString();
        level_ = ar.Reader().ReadI32();
    }
}

std::unique_ptr<CNamedObject> CDASPoint::Clone() const {
    DataGuard guard;
    return std::make_unique<CDASPoint>(*this);
}

std::string CDASPoint::GetUnits() const {
    DataGuard guard;
    return units_;
}

void CDASPoint::SetUnits(std::string units) {
    DataGuard guard;
    units_ = std::move(units);
}

std::int32_t CDASPoint::GetLevel() const {
    DataGuard guard;
    return level_;
}

void CDASPoint::SetLevel(std::int32_t level) {
    DataGuard guard;
    level_ = level;
}

std::string CDASPoint::GetDisplayText() const {
    DataGuard guard;
    return NameWithUnits(GetName(), units_);
}

}  // namespace talven
