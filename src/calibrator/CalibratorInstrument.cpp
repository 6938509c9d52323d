#include "calibrator/CalibratorInstrument.h"

#include "foundation/DataLock.h"

namespace talven {

bool ICalibratorInstrument::HasCapability(char c) const {
    return GetCapabilities().find(c) != std::string::npos;
}

bool HasCapability(const ICalibratorInstrument* instrument, char c) {
    return instrument != nullptr && instrument->HasCapability(c);
}

CCalibratorData::CCalibratorData(std::string name, std::string capabilities, int modelFamily)
    : name_(std::move(name)), capabilities_(std::move(capabilities)), modelFamily_(modelFamily) {}

std::string CCalibratorData::GetCapabilities() const {
    DataGuard guard;
    return capabilities_;
}

void CCalibratorData::SetCapabilities(std::string capabilities) {
    DataGuard guard;
    capabilities_ = std::move(capabilities);
}

int CCalibratorData::GetModelFamily() const {
    DataGuard guard;
    return modelFamily_;
}

void CCalibratorData::SetModelFamily(int family) {
    DataGuard guard;
    modelFamily_ = family;
}

std::string CCalibratorData::GetInstrumentName() const {
    DataGuard guard;
    return name_;
}

std::string CCalibratorData::GetSerialNumber() const {
    DataGuard guard;
    return serial_;
}

void CCalibratorData::SetSerialNumber(std::string serial) {
    DataGuard guard;
    serial_ = std::move(serial);
}

bool CCalibratorData::IsSequenceConfigModified() const {
    DataGuard guard;
    return sequencesModified_;
}

void CCalibratorData::SetSequenceConfigModified(bool modified) {
    DataGuard guard;
    sequencesModified_ = modified;
}

bool CCalibratorData::IsLevelTableModified() const {
    DataGuard guard;
    return levelsModified_;
}

void CCalibratorData::SetLevelTableModified(bool modified) {
    DataGuard guard;
    levelsModified_ = modified;
}

}  // namespace talven
