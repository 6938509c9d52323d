#pragma once
// Archive forms shared by the calibrator classes: 4-byte floats and single-byte flags.

#include <bit>
#include <cstdint>

#include "foundation/SerialObject.h"

namespace talven::calarchive {

inline void WriteF32(ObjectArchive& ar, float v) {
    ar.Writer().WriteU32(std::bit_cast<std::uint32_t>(v));
}
inline float ReadF32(ObjectArchive& ar) {
    return std::bit_cast<float>(ar.Reader().ReadU32());
}
inline void WriteFlag(ObjectArchive& ar, bool v) {
    ar.Writer().WriteU8(v ? 1 : 0);
}
inline bool ReadFlag(ObjectArchive& ar) {
    return ar.Reader().ReadU8() != 0;
}
/// Stores or loads one 32-bit word, by the archive's direction.
inline void SerializeU32(ObjectArchive& ar, std::uint32_t& v) {
    if (ar.IsStoring())
        ar.Writer().WriteU32(v);
    else
        v = ar.Reader().ReadU32();
}

}  // namespace talven::calarchive
