#include "calibrator/GasUnitDesc.h"

#include <cmath>
#include <limits>

#include "calibrator/ArchiveHelpers.h"
#include "calibrator/CalibratorInstrument.h"
#include "foundation/DataLock.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

bool ToFiniteFloat(double value, float& out) {
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return false;
    out = static_cast<float>(value);
    return true;
}

using namespace calarchive;

CGasDesc::CGasDesc(std::string name, std::uint32_t id, float molecularWeight, float secondFactor,
                   bool enabled)
    : CNamedObject(std::move(name), id),
      molecularWeight_(molecularWeight),
      secondFactor_(secondFactor),
      enabled_(enabled) {}

void CGasDesc::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring()) {
        WriteF32(ar, molecularWeight_);
        WriteF32(ar, secondFactor_);
        WriteFlag(ar, enabled_);
    } else {
        molecularWeight_ = ReadF32(ar);
        secondFactor_ = ReadF32(ar);
        enabled_ = ReadFlag(ar);
    }
}

std::unique_ptr<CNamedObject> CGasDesc::Clone() const {
    DataGuard guard;
    return std::make_unique<CGasDesc>(*this);
}

float CGasDesc::GetMolecularWeight() const {
    DataGuard guard;
    return molecularWeight_;
}

float CGasDesc::GetSecondFactor() const {
    DataGuard guard;
    return secondFactor_;
}

bool CGasDesc::IsEnabled() const {
    DataGuard guard;
    return enabled_;
}

CUnitDesc::CUnitDesc(std::string name, std::uint32_t id, std::uint32_t decimalPlaces)
    : CNamedObject(std::move(name), id), decimalPlaces_(decimalPlaces) {}

void CUnitDesc::Serialize(ObjectArchive& ar) {
    CNamedObject::Serialize(ar);
    DataGuard guard;
    if (ar.IsStoring())
        ar.Writer().WriteU32(decimalPlaces_);
    else
        decimalPlaces_ = ar.Reader().ReadU32();
}

std::unique_ptr<CNamedObject> CUnitDesc::Clone() const {
    DataGuard guard;
    return std::make_unique<CUnitDesc>(*this);
}

std::uint32_t CUnitDesc::GetDecimalPlaces() const {
    DataGuard guard;
    return decimalPlaces_;
}

namespace {

constexpr float kAirWeight = 28.890188f;

CNamedObjectList BuildDefaultGases() {
    struct Row {
        const char* name;
        std::uint32_t id;
        float weight;
    };
    static const Row rows[] = {
        {"UNKNOWN", 199, kAirWeight}, {"ZERO", 100, kAirWeight}, {"O2", 134, 31.9988f},
        {"O3", 101, 47.9982f},        {"SO2", 102, 64.0638f},    {"H2S", 122, 34.08088f},
        {"N2O", 131, 44.0128f},       {"NO", 103, 30.0061f},     {"NO2", 104, 46.0055f},
        {"NOX", 120, 42.00565f},      {"NH3", 121, 17.03052f},   {"CO", 105, 28.0101f},
        {"CO2", 133, 44.0095f},       {"HC", 106, kAirWeight},   {"USR1", 107, kAirWeight},
        {"USR2", 108, kAirWeight},    {"USR3", 109, kAirWeight}, {"USR4", 110, kAirWeight},
    };
    CNamedObjectList list;
    for (const Row& row : rows)
        list.Append(std::make_unique<CGasDesc>(row.name, row.id, row.weight));
    return list;
}

CNamedObjectList BuildShortGases() {
    CNamedObjectList list;
    list.Append(std::make_unique<CGasDesc>("ZERO", gas::kZero, kAirWeight));
    list.Append(std::make_unique<CGasDesc>("O3", gas::kO3, 47.9982f));
    return list;
}

CNamedObjectList BuildDefaultUnits() {
    struct Row {
        const char* name;
        std::uint32_t id;
        std::uint32_t decimals;
    };
    static const Row rows[] = {
        {"FRAC", 299, 4}, {"PCT", 204, 3},  {"WT%", 225, 2},  {"PPT", 206, 2},
        {"PPM", 201, 1},  {"PPMW", 220, 1}, {"PPHM", 221, 0}, {"PPB", 200, 0},
        {"GM3", 226, 1},  {"MGM", 203, 1},  {"UGM", 202, 0},  {"NGM", 205, 0},
    };
    CNamedObjectList list;
    for (const Row& row : rows)
        list.Append(std::make_unique<CUnitDesc>(row.name, row.id, row.decimals));
    return list;
}

template <class Desc>
const Desc* FindById(ICalibratorInstrument* instrument, CNamedObjectList& (ICalibratorInstrument::*own)(),
                     const CNamedObjectList& defaults, std::uint32_t id) {
    DataGuard guard;
    if (instrument != nullptr) {
        if (const auto* found = dynamic_cast<const Desc*>((instrument->*own)().FindById(id)))
            return found;
    }
    return dynamic_cast<const Desc*>(defaults.FindById(id));
}

template <class Desc>
const Desc* FindByName(ICalibratorInstrument* instrument, CNamedObjectList& (ICalibratorInstrument::*own)(),
                       const CNamedObjectList& defaults, std::string_view name) {
    DataGuard guard;
    if (instrument != nullptr) {
        if (const auto* found = dynamic_cast<const Desc*>((instrument->*own)().FindByName(name)))
            return found;
    }
    return dynamic_cast<const Desc*>(defaults.FindByName(name));
}

std::vector<DescChoice> ChoicesOf(const CNamedObjectList& list) {
    std::vector<DescChoice> choices;
    for (const auto& item : list)
        choices.push_back({item->GetId(), item->GetName()});
    return choices;
}

}  // namespace

const CNamedObjectList& DefaultGasTable() {
    static const CNamedObjectList table = BuildDefaultGases();
    return table;
}

const CNamedObjectList& DefaultUnitTable() {
    static const CNamedObjectList table = BuildDefaultUnits();
    return table;
}

const CNamedObjectList& ShortGasTable() {
    static const CNamedObjectList table = BuildShortGases();
    return table;
}

const CGasDesc* FindGasById(ICalibratorInstrument* instrument, std::uint32_t id) {
    return FindById<CGasDesc>(instrument, &ICalibratorInstrument::GasList, DefaultGasTable(), id);
}

const CGasDesc* FindGasByName(ICalibratorInstrument* instrument, std::string_view name) {
    return FindByName<CGasDesc>(instrument, &ICalibratorInstrument::GasList, DefaultGasTable(), name);
}

const CUnitDesc* FindUnitById(ICalibratorInstrument* instrument, std::uint32_t id) {
    return FindById<CUnitDesc>(instrument, &ICalibratorInstrument::UnitList, DefaultUnitTable(), id);
}

const CUnitDesc* FindUnitByName(ICalibratorInstrument* instrument, std::string_view name) {
    return FindByName<CUnitDesc>(instrument, &ICalibratorInstrument::UnitList, DefaultUnitTable(), name);
}

const CGasDesc& GasOrUnknown(ICalibratorInstrument* instrument, std::uint32_t id) {
    if (const CGasDesc* found = FindGasById(instrument, id))
        return *found;
    if (const CGasDesc* unknown = FindGasById(instrument, gas::kUnknown))
        return *unknown;
    return *static_cast<const CGasDesc*>(DefaultGasTable().at(0));  // the default table opens with 199
}

const CUnitDesc& UnitOrPpb(ICalibratorInstrument* instrument, std::uint32_t id) {
    if (const CUnitDesc* found = FindUnitById(instrument, id))
        return *found;
    if (const CUnitDesc* ppb = FindUnitById(instrument, unit::kPPB))
        return *ppb;
    return *static_cast<const CUnitDesc*>(DefaultUnitTable().FindById(unit::kPPB));
}

std::vector<DescChoice> GasChoices(ICalibratorInstrument* instrument) {
    DataGuard guard;
    if (instrument == nullptr)
        return ChoicesOf(DefaultGasTable());
    const CNamedObjectList& own = instrument->GasList();
    if (instrument->GetModelFamily() == 10) {
        // An empty own table would leave the dialog with nothing to choose; the short table is
        // what this O3 calibrator generates.
        return ChoicesOf(!own.empty() && own.size() < 4 ? own : ShortGasTable());
    }
    return ChoicesOf(own.empty() ? DefaultGasTable() : own);
}

std::vector<DescChoice> UnitChoices(ICalibratorInstrument* instrument) {
    DataGuard guard;
    if (instrument == nullptr || instrument->UnitList().empty())
        return ChoicesOf(DefaultUnitTable());
    return ChoicesOf(instrument->UnitList());
}

namespace {

bool Fail(TokenStream& ts) {
    ts.RecordError();
    return false;
}

/// GASNAME, name, id, molecular weight, second factor, then optionally ENABLE or DISABLE.
std::unique_ptr<CGasDesc> ReadGasLine(TokenStream& ts) {
    if (ts.NextToken() != kTokenString)
        return nullptr;
    std::string name = ts.GetTokenText();
    if (ts.NextToken() != kTokenInteger)
        return nullptr;
    const auto id = static_cast<std::uint32_t>(ts.GetIntegerValue());
    float weight = 0;
    if (ts.NextToken(kModeIntegerAsReal) != kTokenReal || !ToFiniteFloat(ts.GetRealValue(), weight))
        return nullptr;
    float factor = 0;
    if (ts.NextToken(kModeIntegerAsReal) != kTokenReal || !ToFiniteFloat(ts.GetRealValue(), factor))
        return nullptr;
    bool enabled = true;
    const int next = ts.NextToken();
    if (next == tok::ENABLE || next == tok::DISABLE) {
        enabled = next == tok::ENABLE;
        ts.NextToken();
    }
    return std::make_unique<CGasDesc>(std::move(name), id, weight, factor, enabled);
}

/// GASUNIT, name, id, decimal places.
std::unique_ptr<CUnitDesc> ReadUnitLine(TokenStream& ts) {
    if (ts.NextToken() != kTokenString)
        return nullptr;
    std::string name = ts.GetTokenText();
    if (ts.NextToken() != kTokenInteger)
        return nullptr;
    const auto id = static_cast<std::uint32_t>(ts.GetIntegerValue());
    if (ts.NextToken() != kTokenInteger)
        return nullptr;
    const auto decimals = static_cast<std::uint32_t>(ts.GetIntegerValue());
    ts.NextToken();
    return std::make_unique<CUnitDesc>(std::move(name), id, decimals);
}

template <class ReadLine>
bool ReadTable(TokenStream& ts, int begin, int entry, int end, CNamedObjectList& target, ReadLine readLine) {
    if (ts.NextToken() != begin)
        return Fail(ts);
    CNamedObjectList read;
    ts.NextToken();
    while (ts.GetTokenKind() == entry) {
        auto desc = readLine(ts);
        if (!desc)
            return Fail(ts);
        read.Append(std::move(desc));
    }
    if (ts.GetTokenKind() != end)
        return Fail(ts);
    DataGuard guard;
    target.swap(read);
    return true;
}

}  // namespace

bool ReadGasNamesReply(TokenStream& ts, ICalibratorInstrument& instrument) {
    return ReadTable(ts, tok::GASNAMEBEGIN, tok::GASNAME, tok::GASNAMEEND, instrument.GasList(), ReadGasLine);
}

bool ReadUnitNamesReply(TokenStream& ts, ICalibratorInstrument& instrument) {
    return ReadTable(ts, tok::GASUNITBEGIN, tok::GASUNIT, tok::GASUNITEND, instrument.UnitList(),
                     ReadUnitLine);
}

}  // namespace talven
