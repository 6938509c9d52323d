#pragma once
// Gas and concentration-unit descriptors: steps and levels name them by id, texts by name. Every
// lookup tries the instrument's own table first and the built-in default table second.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/NamedObject.h"

namespace talven {

/// The value as the instruments' single-precision number; false for one that has no finite
/// single-precision form (it would be saved as "inf", which no reader takes back).
bool ToFiniteFloat(double value, float& out);

class ICalibratorInstrument;
class TokenStream;

namespace gas {
constexpr std::uint32_t kZero = 100;
constexpr std::uint32_t kO3 = 101;
constexpr std::uint32_t kNO = 103;
constexpr std::uint32_t kUnknown = 199;
}  // namespace gas

namespace unit {
constexpr std::uint32_t kPPB = 200;
}  // namespace unit

/// Name = gas name, id = gas id. Archive schema 1.
class CGasDesc : public CNamedObject {
  public:
    CGasDesc() = default;
    CGasDesc(std::string name, std::uint32_t id, float molecularWeight, float secondFactor = 1.0f,
             bool enabled = true);

    const char* GetRuntimeClass() const override { return "CGasDesc"; }
    void Serialize(ObjectArchive& ar) override;
    std::unique_ptr<CNamedObject> Clone() const override;

    float GetMolecularWeight() const;
    /// The fourth number of the instrument's gas line; kept and archived, shown nowhere.
    float GetSecondFactor() const;
    bool IsEnabled() const;

  private:
    float molecularWeight_ = 1.0f;
    float secondFactor_ = 1.0f;
    bool enabled_ = true;
};

/// Name = unit name, id = unit id. Archive schema 1.
class CUnitDesc : public CNamedObject {
  public:
    CUnitDesc() = default;
    CUnitDesc(std::string name, std::uint32_t id, std::uint32_t decimalPlaces);

    const char* GetRuntimeClass() const override { return "CUnitDesc"; }
    void Serialize(ObjectArchive& ar) override;
    std::unique_ptr<CNamedObject> Clone() const override;

    /// Decimals used when a concentration in this unit is printed.
    std::uint32_t GetDecimalPlaces() const;

  private:
    std::uint32_t decimalPlaces_ = 0;
};

/// The application-wide tables, built once on first use, in their fixed order.
const CNamedObjectList& DefaultGasTable();
const CNamedObjectList& DefaultUnitTable();
/// ZERO and O3 only: what the gas lists offer for model family 10 with a large own table.
const CNamedObjectList& ShortGasTable();

/// Lookups: the instrument's list (when there is an instrument), then the default table. Null when
/// neither holds it. Name comparison ignores letter case. Call under the data lock when the result
/// is used after the call (a download may replace the instrument's list).
const CGasDesc* FindGasById(ICalibratorInstrument* instrument, std::uint32_t id);
const CGasDesc* FindGasByName(ICalibratorInstrument* instrument, std::string_view name);
const CUnitDesc* FindUnitById(ICalibratorInstrument* instrument, std::uint32_t id);
const CUnitDesc* FindUnitByName(ICalibratorInstrument* instrument, std::string_view name);

/// The fallbacks of the texts: an unknown gas shows as gas 199 ("UNKNOWN"), an unknown unit as
/// unit 200 ("PPB").
const CGasDesc& GasOrUnknown(ICalibratorInstrument* instrument, std::uint32_t id);
const CUnitDesc& UnitOrPpb(ICalibratorInstrument* instrument, std::uint32_t id);

/// One entry of a gas or unit list offered by the step dialogs.
struct DescChoice {
    std::uint32_t id;
    std::string name;
};
/// Gases: for model family 10 the instrument's list when it has 1 to 3 entries, else the short
/// table; for other models the instrument's list when not empty, else the default table.
std::vector<DescChoice> GasChoices(ICalibratorInstrument* instrument);
/// Units: the instrument's list when not empty, else the default table.
std::vector<DescChoice> UnitChoices(ICalibratorInstrument* instrument);

/// Reads the reply to "getgasnames" (the stream positioned before its first line): GASNAMEBEGIN,
/// gas lines, GASNAMEEND. Only on success is the instrument's gas list replaced, under the data
/// lock; any mismatch records an error and leaves the list as it was.
bool ReadGasNamesReply(TokenStream& ts, ICalibratorInstrument& instrument);
/// The same for "getunitnames": GASUNITBEGIN, unit lines, GASUNITEND.
bool ReadUnitNamesReply(TokenStream& ts, ICalibratorInstrument& instrument);

}  // namespace talven
