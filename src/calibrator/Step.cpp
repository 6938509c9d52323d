#include "calibrator/Step.h"

#include <algorithm>
#include <cstdio>

#include "calibrator/ArchiveHelpers.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Sequence.h"
#include "foundation/AssertionException.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

using namespace calarchive;

namespace {

CalibratorEditor* g_editor = nullptr;

template <class T>
std::unique_ptr<CStep> Make() {
    return std::make_unique<T>();
}

// A flow override must lie in 0.01 to 20 LPM; the lower bound is the single-precision value the
// dialog stores. -1 is the instrument-default marker that the level table's flow form prints.
constexpr double kMinFlow = static_cast<double>(0.01f);
constexpr double kMaxFlow = 20.0;
constexpr double kDefaultFlow = -1.0;

// Beyond this a unit's decimal count (taken from an instrument reply) would only pad zeros.
constexpr std::uint32_t kMaxDecimals = 10;

bool Fail(TokenStream& ts) {
    ts.RecordError();
    return false;
}

/// The next token as an integer from min to max; on success the token after it is current. A
/// number out of range is an error and is passed over.
bool ReadIntegerIn(TokenStream& ts, std::int32_t min, std::int32_t max, std::uint32_t& value) {
    if (ts.NextToken() != kTokenInteger)
        return Fail(ts);
    const std::int32_t read = ts.GetIntegerValue();
    const bool inRange = read >= min && read <= max;
    if (!inRange)
        ts.RecordError();
    ts.NextToken();
    value = static_cast<std::uint32_t>(read);
    return inRange;
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsPlainWordShape(const std::string& name) {
    if (name.empty() || !IsAsciiLetter(name[0]))
        return false;
    for (char c : name) {
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '_')
            return false;
    }
    return true;
}

bool StartsWithPhrase(const std::string& name) {
    for (const TokenTableEntry& phrase : InstrumentPhraseTable()) {
        const std::string_view text(phrase.text);
        if (name.size() >= text.size() && EqualsNoCase(std::string_view(name).substr(0, text.size()), text))
            return true;
    }
    return false;
}

std::string FlowSuffix(float flow, bool scriptForm) {
    if (!(flow > 0.0f))
        return "";
    return scriptForm ? " " + FixedText(flow, 3) : ", " + FixedText(flow, 3) + " LPM";
}

/// The current token names a unit of the instrument (or of the default table).
bool ReadUnitName(TokenStream& ts, ICalibratorInstrument* instrument, std::uint32_t& unitId) {
    if (ts.GetTokenKind() != kTokenString)
        return Fail(ts);
    const CUnitDesc* found = FindUnitByName(instrument, ts.GetTokenText());
    if (found == nullptr)
        return Fail(ts);
    unitId = found->GetId();
    return true;
}

/// An optional total flow after the quantities; a number outside the override range is recorded
/// as an error but kept, so that the load fails while the value is not lost.
void ReadOptionalFlow(TokenStream& ts, float& flow) {
    if (ts.NextToken(kModeIntegerAsReal) != kTokenReal)
        return;
    const double value = ts.GetRealValue();
    if (!(value >= kMinFlow && value <= kMaxFlow) && value != kDefaultFlow)
        ts.RecordError();
    flow = static_cast<float>(value);
    ts.NextToken();
}

bool ReadNumber(TokenStream& ts, float& out) {
    if (ts.NextToken(kModeIntegerAsReal) != kTokenReal || !ToFiniteFloat(ts.GetRealValue(), out))
        return Fail(ts);
    return true;
}

}  // namespace

const StepKindInfo& StepKindInfoOf(StepKind kind) {
    // In the order of StepKind.
    static const StepKindInfo kKinds[kStepKindCount] = {
        {StepKind::Generate, "GENERATE", tok::GENERATE, -1, Make<CStepGenerate>, 0, calmsg::kGenerateTitle},
        {StepKind::GPT, "GPT", tok::GPT, -1, Make<CStepGPT>, '!', 0},
        {StepKind::GPTZ, "GPTZ", tok::GPTZ, -1, Make<CStepGPTZ>, 'B', calmsg::kGptZeroTitle},
        {StepKind::GPTPreset, "GPTPS", tok::GPTPS, -1, Make<CStepGPTPreset>, '@', 0},
        {StepKind::Manual, "MANUAL", tok::MANUAL, -1, Make<CStepManual>, 0, calmsg::kManualTitle},
        {StepKind::Purge, "PURGE", tok::PURGE, -1, Make<CStepPurge>, '%', 0},
        {StepKind::Standby, "STANDBY", tok::STANDBY, -1, Make<CStepStandby>, 0, 0},
        {StepKind::Delay, "DURATION", tok::DURATION, tok::DELAY, Make<CStepDelay>, 0, 0},
        {StepKind::ExecSeq, "EXECSEQ", tok::EXECSEQ, -1, Make<CStepExecSeq>, 0, 0},
        {StepKind::SelDiluent, "SELDILUENT", tok::SELDILUENT, -1, Make<CStepSelDiluent>, 'q',
         calmsg::kSelectDiluentTitle},
        {StepKind::SelOutput, "SELOUTPUT", tok::SELOUTPUT, -1, Make<CStepSelOutput>, '#',
         calmsg::kSelectOutputTitle},
        {StepKind::CCOutput, "SETCCOUTPUT", tok::SETCCOUTPUT, -1, Make<CStepCCOutput>, '$',
         calmsg::kCCOutputTitle},
        {StepKind::Level, "LEVEL", tok::LEVEL, -1, Make<CStepLevel>, 'l', calmsg::kColumnLevel},
        {StepKind::StatusBlock, "SETSTATUSBLOCK", tok::SETSTATUSBLOCK, -1, Make<CStepStatusBlock>, 'l',
         calmsg::kStatusBlockTitle},
    };
    const int i = static_cast<int>(kind);
    TALVEN_ASSERT(i >= 0 && i < kStepKindCount && kKinds[i].kind == kind, "Step");
    return kKinds[i];
}

const char* StepKeyword(StepKind kind) {
    return StepKindInfoOf(kind).keyword;
}

bool StepKindOfToken(int token, StepKind& kind) {
    for (int i = 0; i < kStepKindCount; ++i) {
        const StepKindInfo& info = StepKindInfoOf(static_cast<StepKind>(i));
        if (token == info.token || token == info.otherToken) {
            kind = info.kind;
            return true;
        }
    }
    return false;
}

std::string StepTypeName(StepKind kind) {
    return std::string(MessageText(calmsg::kStepTypeNameFirst + static_cast<int>(kind)));
}

std::unique_ptr<CStep> CreateStep(StepKind kind) {
    return StepKindInfoOf(kind).create();
}

std::string FixedText(double value, int decimals) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%0.*f", decimals, value);
    if (n < 0)
        return std::string();
    if (static_cast<std::size_t>(n) < sizeof buffer)
        return buffer;
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%0.*f", decimals, value);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

std::string ScriptName(const std::string& name) {
    if (IsPlainWordShape(name) &&
        LookupToken(InstrumentKeywordTable().data(), static_cast<int>(InstrumentKeywordTable().size()),
                    name) < 0 &&
        !StartsWithPhrase(name)) {
        return name;
    }
    return "\"" + name + "\"";
}

std::string QuantityText(ICalibratorInstrument* instrument, double concentration, std::uint32_t unitId,
                         std::uint32_t gasId, bool scriptForm) {
    DataGuard guard;
    auto nameText = [scriptForm](const std::string& name) { return scriptForm ? ScriptName(name) : name; };
    if (gasId == gas::kZero || gasId == gas::kUnknown)
        return nameText(GasOrUnknown(instrument, gasId).GetName());
    std::uint32_t decimals = 2;
    const CUnitDesc* unitDesc = nullptr;
    if (unitId != 0) {
        unitDesc = &UnitOrPpb(instrument, unitId);
        decimals = std::min(unitDesc->GetDecimalPlaces(), kMaxDecimals);
    }
    std::string text = FixedText(concentration, static_cast<int>(decimals));
    if (unitDesc != nullptr)
        text += " " + nameText(unitDesc->GetName());
    if (gasId != 0)
        text += " " + nameText(GasOrUnknown(instrument, gasId).GetName());
    return text;
}

void SetCalibratorEditor(CalibratorEditor* editor) {
    g_editor = editor;
}
CalibratorEditor* GetCalibratorEditor() {
    return g_editor;
}

// ---- CStep

CStep::CStep(StepKind kind) : CNamedObject(StepKeyword(kind), 0) {}

CStep::CStep(const CStep& other) : CNamedObject(other) {
    DataGuard guard;
    sequence_ = other.sequence_;
    instrument_ = other.instrument_;
}

bool CStep::EditProperties(ICalibratorInstrument* instrument) {
    return g_editor != nullptr && CanEdit() && g_editor->EditStep(*this, instrument);
}

void CStep::Serialize(ObjectArchive& ar) {
    if (!ar.IsStoring()) {
        const std::uint32_t schema = ar.LoadingSchema();
        if (schema != kSchema && !(schema == 1 && ReadsSchema1())) {
            ar.Fail();
            return;
        }
    }
    CNamedObject::Serialize(ar);
}

std::unique_ptr<CStep> CStep::CloneStep() const {
    return std::unique_ptr<CStep>(static_cast<CStep*>(Clone().release()));
}

CSequence* CStep::GetSequence() const {
    DataGuard guard;
    return sequence_;
}

void CStep::SetSequence(CSequence* sequence) {
    DataGuard guard;
    sequence_ = sequence;
}

void CStep::SetOwningInstrument(ICalibratorInstrument* instrument) {
    DataGuard guard;
    instrument_ = instrument;
}

ICalibratorInstrument* CStep::GetInstrument() const {
    DataGuard guard;
    return sequence_ != nullptr ? sequence_->GetInstrument() : instrument_;
}

// ---- Generate

std::unique_ptr<CNamedObject> CStepGenerate::Clone() const {
    return std::make_unique<CStepGenerate>(*this);
}

GenerateFields CStepGenerate::Get() const {
    DataGuard guard;
    return f_;
}

void CStepGenerate::Set(const GenerateFields& fields) {
    DataGuard guard;
    f_ = fields;
}

void CStepGenerate::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    if (ar.IsStoring()) {
        WriteF32(ar, f_.concentration);
        ar.Writer().WriteU32(f_.unitId);
        ar.Writer().WriteU32(f_.gasId);
        WriteF32(ar, f_.totalFlow);
    } else {
        f_.concentration = ReadF32(ar);
        f_.unitId = ar.Reader().ReadU32();
        f_.gasId = ar.Reader().ReadU32();
        if (ar.LoadingSchema() >= 2)
            f_.totalFlow = ReadF32(ar);
    }
}

std::string CStepGenerate::GetText(unsigned flags) const {
    const bool script = (flags & textflag::kScript) != 0;
    const GenerateFields f = Get();
    return std::string("GENERATE ") +
           QuantityText(GetInstrument(), f.concentration, f.unitId, f.gasId, script) +
           FlowSuffix(f.totalFlow, script);
}

bool CStepGenerate::ReadScript(TokenStream& ts) {
    ICalibratorInstrument* instrument = GetInstrument();
    GenerateFields f;
    if (ts.NextToken(kModeIntegerAsReal) == kTokenReal) {
        if (!ToFiniteFloat(ts.GetRealValue(), f.concentration))
            return Fail(ts);
        ts.NextToken();
        if (!ReadUnitName(ts, instrument, f.unitId))
            return false;
        ts.NextToken();
        if (ts.GetTokenKind() != kTokenString)
            return Fail(ts);
        const CGasDesc* gasDesc = FindGasByName(instrument, ts.GetTokenText());
        if (gasDesc == nullptr)
            return Fail(ts);
        f.gasId = gasDesc->GetId();
    } else {
        // The gas alone: the writer prints ZERO and UNKNOWN this way; any other gas needs a
        // concentration.
        if (ts.GetTokenKind() != kTokenString)
            return Fail(ts);
        const CGasDesc* gasDesc = FindGasByName(instrument, ts.GetTokenText());
        if (gasDesc == nullptr)
            return Fail(ts);
        f.gasId = gasDesc->GetId();
        if (f.gasId != gas::kZero && f.gasId != gas::kUnknown)
            ts.RecordError();
    }
    ReadOptionalFlow(ts, f.totalFlow);
    Set(f);
    return true;
}

// ---- GPT family

std::unique_ptr<CNamedObject> CStepGPT::Clone() const {
    return std::make_unique<CStepGPT>(*this);
}
std::unique_ptr<CNamedObject> CStepGPTZ::Clone() const {
    return std::make_unique<CStepGPTZ>(*this);
}
std::unique_ptr<CNamedObject> CStepGPTPreset::Clone() const {
    return std::make_unique<CStepGPTPreset>(*this);
}

GptFields CStepGPT::Get() const {
    DataGuard guard;
    return f_;
}

void CStepGPT::Set(const GptFields& fields) {
    DataGuard guard;
    f_ = fields;
}

void CStepGPT::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    if (ar.IsStoring()) {
        WriteF32(ar, f_.noConcentration);
        ar.Writer().WriteU32(f_.noUnitId);
        WriteF32(ar, f_.o3Concentration);
        ar.Writer().WriteU32(f_.o3UnitId);
        WriteF32(ar, f_.totalFlow);
    } else {
        f_.noConcentration = ReadF32(ar);
        f_.noUnitId = ar.Reader().ReadU32();
        f_.o3Concentration = ReadF32(ar);
        f_.o3UnitId = ar.Reader().ReadU32();
        if (ar.LoadingSchema() >= 2)
            f_.totalFlow = ReadF32(ar);
    }
}

std::string CStepGPT::GetText(unsigned flags) const {
    const bool script = (flags & textflag::kScript) != 0;
    const GptFields f = Get();
    ICalibratorInstrument* instrument = GetInstrument();
    if (script) {
        return std::string(StepKeyword(Kind())) + " " +
               QuantityText(instrument, f.noConcentration, f.noUnitId, 0, true) + " " +
               QuantityText(instrument, f.o3Concentration, f.o3UnitId, 0, true) +
               FlowSuffix(f.totalFlow, true);
    }
    const char* title = Kind() == StepKind::GPTPreset ? "GPT PRESET"
                        : Kind() == StepKind::GPTZ    ? "GPTZ"
                                                      : "GPT";
    return std::string(title) + " " +
           QuantityText(instrument, f.noConcentration, f.noUnitId, gas::kNO, false) + ", " +
           QuantityText(instrument, f.o3Concentration, f.o3UnitId, gas::kO3, false) +
           FlowSuffix(f.totalFlow, false);
}

bool CStepGPT::ReadScript(TokenStream& ts) {
    ICalibratorInstrument* instrument = GetInstrument();
    GptFields f;
    if (!ReadNumber(ts, f.noConcentration))
        return false;
    ts.NextToken();
    if (!ReadUnitName(ts, instrument, f.noUnitId))
        return false;
    if (!ReadNumber(ts, f.o3Concentration))
        return false;
    ts.NextToken();
    if (!ReadUnitName(ts, instrument, f.o3UnitId))
        return false;
    ReadOptionalFlow(ts, f.totalFlow);
    Set(f);
    return true;
}

// ---- Manual

std::unique_ptr<CNamedObject> CStepManual::Clone() const {
    return std::make_unique<CStepManual>(*this);
}

ManualFields CStepManual::Get() const {
    DataGuard guard;
    return f_;
}

void CStepManual::Set(const ManualFields& fields) {
    DataGuard guard;
    f_ = fields;
}

void CStepManual::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    if (ar.IsStoring()) {
        ar.Writer().WriteU32(f_.gasId);
        WriteF32(ar, f_.calFlow);
        WriteF32(ar, f_.diluentFlow);
        ar.Writer().WriteU32(f_.o3Mode);
        WriteF32(ar, f_.o3Setpoint);
    } else {
        f_.gasId = ar.Reader().ReadU32();
        f_.calFlow = ReadF32(ar);
        f_.diluentFlow = ReadF32(ar);
        f_.o3Mode = ar.Reader().ReadU32();
        f_.o3Setpoint = ReadF32(ar);
    }
}

std::string CStepManual::GetText(unsigned flags) const {
    const bool script = (flags & textflag::kScript) != 0;
    const ManualFields f = Get();
    std::string gasName;
    {
        DataGuard guard;
        gasName = GasOrUnknown(GetInstrument(), f.gasId).GetName();
    }
    std::string text = "MANUAL " + (script ? ScriptName(gasName) : gasName) + " " + FixedText(f.calFlow, 3) +
                       " " + FixedText(f.diluentFlow, 3);
    switch (f.o3Mode) {
        case o3mode::kConstantDrive:
            text += " CONST";
            break;
        case o3mode::kReferenceFeedback:
            text += " REF";
            break;
        case o3mode::kBenchFeedback:
            text += " BENCH";
            break;
        default:
            text += " OFF";
            break;
    }
    // Only the three generator modes carry a setpoint; an impossible mode (from a damaged file)
    // prints as OFF without one so that the line still reads back.
    if (f.o3Mode >= o3mode::kConstantDrive && f.o3Mode <= o3mode::kBenchFeedback)
        text += " " + FixedText(f.o3Setpoint, 1);
    return text;
}

bool CStepManual::ReadScript(TokenStream& ts) {
    ManualFields f;
    if (ts.NextToken() != kTokenString)
        return Fail(ts);
    const CGasDesc* gasDesc = FindGasByName(GetInstrument(), ts.GetTokenText());
    if (gasDesc == nullptr)
        return Fail(ts);
    f.gasId = gasDesc->GetId();
    if (!ReadNumber(ts, f.calFlow) || !ReadNumber(ts, f.diluentFlow))
        return false;
    switch (ts.NextToken()) {
        case tok::OFF:
            f.o3Mode = o3mode::kOff;
            f.o3Setpoint = 0.0f;
            ts.NextToken();
            Set(f);
            return true;
        case tok::CONST:
            f.o3Mode = o3mode::kConstantDrive;
            break;
        case tok::REF:
            f.o3Mode = o3mode::kReferenceFeedback;
            break;
        case tok::BENCH:
            f.o3Mode = o3mode::kBenchFeedback;
            break;
        default:
            return Fail(ts);
    }
    if (!ReadNumber(ts, f.o3Setpoint))
        return false;
    ts.NextToken();
    Set(f);
    return true;
}

// ---- Purge, Standby

std::unique_ptr<CNamedObject> CStepPurge::Clone() const {
    return std::make_unique<CStepPurge>(*this);
}
std::string CStepPurge::GetText(unsigned) const {
    return "PURGE";
}
bool CStepPurge::ReadScript(TokenStream& ts) {
    ts.NextToken();
    return true;
}

std::unique_ptr<CNamedObject> CStepStandby::Clone() const {
    return std::make_unique<CStepStandby>(*this);
}
std::string CStepStandby::GetText(unsigned) const {
    return "STANDBY";
}
bool CStepStandby::ReadScript(TokenStream& ts) {
    ts.NextToken();
    return true;
}

// ---- Duration

std::unique_ptr<CNamedObject> CStepDelay::Clone() const {
    return std::make_unique<CStepDelay>(*this);
}

float CStepDelay::GetMinutes() const {
    DataGuard guard;
    return minutes_;
}

void CStepDelay::SetMinutes(float minutes) {
    DataGuard guard;
    minutes_ = minutes;
}

void CStepDelay::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    if (ar.IsStoring())
        WriteF32(ar, minutes_);
    else
        minutes_ = ReadF32(ar);
}

std::string CStepDelay::GetText(unsigned flags) const {
    const std::string minutes = FixedText(GetMinutes(), 1);
    if ((flags & textflag::kScript) == 0)
        return "DURATION " + minutes + " MIN";
    return ((flags & textflag::kDuration) != 0 ? "DURATION " : "DELAY ") + minutes;
}

bool CStepDelay::ReadScript(TokenStream& ts) {
    float minutes = 0.0f;
    if (!ReadNumber(ts, minutes))
        return false;
    SetMinutes(minutes);
    ts.NextToken();
    return true;
}

// ---- Execute sequence

std::unique_ptr<CNamedObject> CStepExecSeq::Clone() const {
    return std::make_unique<CStepExecSeq>(*this);
}

std::string CStepExecSeq::GetSequenceName() const {
    DataGuard guard;
    return sequenceName_;
}

void CStepExecSeq::SetSequenceName(std::string_view name) {
    DataGuard guard;
    sequenceName_ = ToUpper(name);
}

void CStepExecSeq::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    if (ar.IsStoring())
        ar.Writer().WriteString(sequenceName_);
    else
        sequenceName_ = ar.Reader().ReadString();
}

std::string CStepExecSeq::GetText(unsigned flags) const {
    const std::string name = GetSequenceName();
    if ((flags & textflag::kScript) == 0)
        return "EXECUTE SEQUENCE " + name;
    return "EXECSEQ \"" + name + "\"";
}

bool CStepExecSeq::ReadScript(TokenStream& ts) {
    if (ts.NextToken() != kTokenString)
        return Fail(ts);
    SetSequenceName(ts.GetTokenText());
    ts.NextToken();
    return true;
}

// ---- Select diluent

std::unique_ptr<CNamedObject> CStepSelDiluent::Clone() const {
    return std::make_unique<CStepSelDiluent>(*this);
}

std::uint32_t CStepSelDiluent::GetPort() const {
    DataGuard guard;
    return port_;
}

void CStepSelDiluent::SetPort(std::uint32_t port) {
    DataGuard guard;
    port_ = port;
}

void CStepSelDiluent::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    SerializeU32(ar, port_);
}

std::string CStepSelDiluent::GetText(unsigned flags) const {
    const char* port = GetPort() == 0 ? "1" : "2";
    return std::string((flags & textflag::kScript) != 0 ? "SELDILUENT " : "SELECT DILUENT ") + port;
}

bool CStepSelDiluent::ReadScript(TokenStream& ts) {
    std::uint32_t port = 0;
    if (!ReadIntegerIn(ts, 1, 2, port))
        return false;
    SetPort(port - 1);
    return true;
}

// ---- Select output

std::unique_ptr<CNamedObject> CStepSelOutput::Clone() const {
    return std::make_unique<CStepSelOutput>(*this);
}

std::uint32_t CStepSelOutput::GetOutput() const {
    DataGuard guard;
    return output_;
}

void CStepSelOutput::SetOutput(std::uint32_t output) {
    DataGuard guard;
    output_ = output;
}

void CStepSelOutput::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    SerializeU32(ar, output_);
}

std::string CStepSelOutput::GetText(unsigned flags) const {
    const char* output = GetOutput() == 0 ? "A" : "B";
    if ((flags & textflag::kScript) == 0)
        return std::string("SELECT OUTPUT ") + output;
    return std::string("SELOUTPUT \"") + output + "\"";
}

bool CStepSelOutput::ReadScript(TokenStream& ts) {
    if (ts.NextToken() != kTokenString)
        return Fail(ts);
    const std::string& text = ts.GetTokenText();
    const bool isA = EqualsNoCase(text, "A");
    if (!isA && !EqualsNoCase(text, "B")) {
        ts.RecordError();
        ts.NextToken();
        return false;
    }
    SetOutput(isA ? 0 : 1);
    ts.NextToken();
    return true;
}

// ---- Contact-closure outputs

std::unique_ptr<CNamedObject> CStepCCOutput::Clone() const {
    return std::make_unique<CStepCCOutput>(*this);
}

BinaryValue CStepCCOutput::GetOutputs() const {
    DataGuard guard;
    return outputs_;
}

void CStepCCOutput::SetOutputs(const BinaryValue& outputs) {
    DataGuard guard;
    outputs_ = outputs;
}

void CStepCCOutput::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    outputs_.Serialize(ar);
}

std::string CStepCCOutput::GetText(unsigned flags) const {
    const bool script = (flags & textflag::kScript) != 0;
    return std::string(script ? "SETCCOUTPUT " : "SET CC OUTPUT ") +
           GetOutputs().Text(BinaryValue::kContactClosureWidth, script);
}

bool CStepCCOutput::ReadScript(TokenStream& ts) {
    BinaryValue outputs{0, true, false};
    ts.NextToken();
    if (!outputs.Read(ts, BinaryValue::kContactClosureWidth))
        return false;
    SetOutputs(outputs);
    return true;
}

// ---- Level

std::unique_ptr<CNamedObject> CStepLevel::Clone() const {
    return std::make_unique<CStepLevel>(*this);
}

std::uint32_t CStepLevel::GetLevel() const {
    DataGuard guard;
    return level_;
}

void CStepLevel::SetLevel(std::uint32_t level) {
    DataGuard guard;
    level_ = level;
}

void CStepLevel::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    SerializeU32(ar, level_);
}

std::string CStepLevel::GetText(unsigned) const {
    return "LEVEL " + std::to_string(GetLevel());
}

bool CStepLevel::ReadScript(TokenStream& ts) {
    std::uint32_t level = 0;
    if (!ReadIntegerIn(ts, 10, 99, level))
        return false;
    SetLevel(level);
    return true;
}

// ---- Status blocks

std::unique_ptr<CNamedObject> CStepStatusBlock::Clone() const {
    return std::make_unique<CStepStatusBlock>(*this);
}

BinaryValue CStepStatusBlock::GetBlock(int index) const {
    DataGuard guard;
    return blocks_[index != 0 ? 1 : 0];
}

void CStepStatusBlock::SetBlock(int index, const BinaryValue& block) {
    DataGuard guard;
    blocks_[index != 0 ? 1 : 0] = block;
}

void CStepStatusBlock::Serialize(ObjectArchive& ar) {
    CStep::Serialize(ar);
    if (ar.failed())
        return;
    DataGuard guard;
    blocks_[0].Serialize(ar);
    blocks_[1].Serialize(ar);
}

std::string CStepStatusBlock::GetText(unsigned flags) const {
    const bool script = (flags & textflag::kScript) != 0;
    return std::string(script ? "SETSTATUSBLOCK " : "SET STATUS BLOCK ") +
           GetBlock(0).Text(BinaryValue::kStatusBlockWidth, script) + " " +
           GetBlock(1).Text(BinaryValue::kStatusBlockWidth, script);
}

bool CStepStatusBlock::ReadScript(TokenStream& ts) {
    BinaryValue first{0, true, true};
    BinaryValue second{0, true, true};
    ts.NextToken();
    if (!first.Read(ts, BinaryValue::kStatusBlockWidth) || !second.Read(ts, BinaryValue::kStatusBlockWidth))
        return false;
    SetBlock(0, first);
    SetBlock(1, second);
    return true;
}

}  // namespace talven
