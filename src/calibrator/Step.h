#pragma once
// The steps of a calibrator sequence, also used as the action of a level-table entry. Each kind
// keeps its fields in a small struct that dialogs copy out, edit and put back (Get/Set take the
// data lock), and knows its display text, its script text and how to read its script arguments.

#include <cstdint>
#include <memory>
#include <string>

#include "calibrator/BinaryValue.h"
#include "foundation/NamedObject.h"

namespace talven {

class CSequence;
class CStep;
class ICalibratorInstrument;
class TokenStream;

/// Flags of GetText.
namespace textflag {
constexpr unsigned kScript = 1;    // script form; clear = the tree's display form
constexpr unsigned kDuration = 2;  // the target takes "DURATION" (else duration steps say "DELAY")
}  // namespace textflag

/// The step kinds, in the order of the select-step-type list.
enum class StepKind : int {
    Generate,
    GPT,
    GPTZ,
    GPTPreset,
    Manual,
    Purge,
    Standby,
    Delay,
    ExecSeq,
    SelDiluent,
    SelOutput,
    CCOutput,
    Level,
    StatusBlock,
};
constexpr int kStepKindCount = 14;

/// Everything the program says of one step kind, in one row: its script keyword (also its name),
/// the keyword token and any other token that introduces it, how to make one, the capability
/// character that offers it in the new-step menu (0: always), and its dialog's title (0: its type
/// name).
struct StepKindInfo {
    StepKind kind;
    const char* keyword;
    int token;
    int otherToken;
    std::unique_ptr<CStep> (*create)();
    char menuCapability;
    int titleMessage;
};
/// The row of a kind.
const StepKindInfo& StepKindInfoOf(StepKind kind);

/// The script keyword of a kind ("GENERATE", ..., "DURATION" for Delay); also the step's name.
const char* StepKeyword(StepKind kind);
/// The step kind a script keyword introduces (DELAY and DURATION both give Delay); false for any
/// other token.
bool StepKindOfToken(int token, StepKind& kind);
/// The type name shown in the step-type lists ("Generate Cyl./Perm.", ...).
std::string StepTypeName(StepKind kind);
/// A new step of the kind with its defaults.
std::unique_ptr<CStep> CreateStep(StepKind kind);

class CStep : public CNamedObject {
  public:
    /// Archive schema of every step class.
    static constexpr std::uint32_t kSchema = 2;

    ~CStep() override = default;

    virtual StepKind Kind() const = 0;
    /// False for the kinds without properties (Purge, Standby).
    virtual bool CanEdit() const { return true; }
    /// Opens the kind's properties dialog through the installed editor; true on OK.
    virtual bool EditProperties(ICalibratorInstrument* instrument);
    /// One line: display form, or script form with textflag::kScript.
    virtual std::string GetText(unsigned flags) const = 0;
    /// Reads the arguments; called with the step keyword current, ends with the token after the
    /// last argument current.
    virtual bool ReadScript(TokenStream& ts) = 0;

    void Serialize(ObjectArchive& ar) override;

    std::unique_ptr<CStep> CloneStep() const;
    CSequence* GetSequence() const;
    void SetSequence(CSequence* sequence);
    /// Used when the step has no sequence (the action of a level).
    void SetOwningInstrument(ICalibratorInstrument* instrument);
    /// The sequence's instrument when there is a sequence, else the owning instrument.
    ICalibratorInstrument* GetInstrument() const;

  protected:
    explicit CStep(StepKind kind);
    CStep(const CStep& other);
    /// For the schema check of Serialize: whether the class reads a schema-1 object.
    virtual bool ReadsSchema1() const { return false; }

  private:
    CSequence* sequence_ = nullptr;
    ICalibratorInstrument* instrument_ = nullptr;
};

struct GenerateFields {
    float concentration = 0.0f;
    std::uint32_t unitId = 200;  // PPB
    std::uint32_t gasId = 100;   // ZERO
    float totalFlow = -1.0f;     // LPM; -1 = the instrument's default
    bool operator==(const GenerateFields&) const = default;
};

class CStepGenerate : public CStep {
  public:
    CStepGenerate() : CStep(StepKind::Generate) {}
    const char* GetRuntimeClass() const override { return "CStepGenerate"; }
    StepKind Kind() const override { return StepKind::Generate; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    GenerateFields Get() const;
    void Set(const GenerateFields& fields);

  protected:
    bool ReadsSchema1() const override { return true; }

  private:
    GenerateFields f_;
};

struct GptFields {
    float noConcentration = 0.0f;
    std::uint32_t noUnitId = 200;
    float o3Concentration = 0.0f;
    std::uint32_t o3UnitId = 200;
    float totalFlow = -1.0f;
    bool operator==(const GptFields&) const = default;
};

/// GPT; GPTZ and GPT Preset differ only in class, keyword and titles.
class CStepGPT : public CStep {
  public:
    CStepGPT() : CStep(StepKind::GPT) {}
    const char* GetRuntimeClass() const override { return "CStepGPT"; }
    StepKind Kind() const override { return StepKind::GPT; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    GptFields Get() const;
    void Set(const GptFields& fields);

  protected:
    explicit CStepGPT(StepKind kind) : CStep(kind) {}
    bool ReadsSchema1() const override { return true; }

  private:
    GptFields f_;
};

class CStepGPTZ : public CStepGPT {
  public:
    CStepGPTZ() : CStepGPT(StepKind::GPTZ) {}
    const char* GetRuntimeClass() const override { return "CStepGPTZ"; }
    StepKind Kind() const override { return StepKind::GPTZ; }
    std::unique_ptr<CNamedObject> Clone() const override;
};

class CStepGPTPreset : public CStepGPT {
  public:
    CStepGPTPreset() : CStepGPT(StepKind::GPTPreset) {}
    const char* GetRuntimeClass() const override { return "CStepGPTPreset"; }
    StepKind Kind() const override { return StepKind::GPTPreset; }
    std::unique_ptr<CNamedObject> Clone() const override;
};

/// O3 generator modes of a manual step.
namespace o3mode {
constexpr std::uint32_t kOff = 0;
constexpr std::uint32_t kConstantDrive = 1;
constexpr std::uint32_t kReferenceFeedback = 2;
constexpr std::uint32_t kBenchFeedback = 3;
}  // namespace o3mode

struct ManualFields {
    std::uint32_t gasId = 100;
    float calFlow = 0.0f;      // LPM
    float diluentFlow = 0.0f;  // LPM
    std::uint32_t o3Mode = 0;  // o3mode
    float o3Setpoint = 0.0f;   // mV for constant drive and reference feedback, PPB for bench
    bool operator==(const ManualFields&) const = default;
};

class CStepManual : public CStep {
  public:
    CStepManual() : CStep(StepKind::Manual) {}
    const char* GetRuntimeClass() const override { return "CStepManual"; }
    StepKind Kind() const override { return StepKind::Manual; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    ManualFields Get() const;
    void Set(const ManualFields& fields);

  private:
    ManualFields f_;
};

/// Purge and Standby: no fields, no properties.
class CStepPurge : public CStep {
  public:
    CStepPurge() : CStep(StepKind::Purge) {}
    const char* GetRuntimeClass() const override { return "CStepPurge"; }
    StepKind Kind() const override { return StepKind::Purge; }
    bool CanEdit() const override { return false; }
    std::unique_ptr<CNamedObject> Clone() const override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;
};

class CStepStandby : public CStep {
  public:
    CStepStandby() : CStep(StepKind::Standby) {}
    const char* GetRuntimeClass() const override { return "CStepStandby"; }
    StepKind Kind() const override { return StepKind::Standby; }
    bool CanEdit() const override { return false; }
    std::unique_ptr<CNamedObject> Clone() const override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;
};

/// The duration step ("DURATION", or "DELAY" for instruments without that command).
class CStepDelay : public CStep {
  public:
    CStepDelay() : CStep(StepKind::Delay) {}
    const char* GetRuntimeClass() const override { return "CStepDelay"; }
    StepKind Kind() const override { return StepKind::Delay; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    float GetMinutes() const;
    void SetMinutes(float minutes);

  private:
    float minutes_ = 1.0f;
};

class CStepExecSeq : public CStep {
  public:
    CStepExecSeq() : CStep(StepKind::ExecSeq) {}
    const char* GetRuntimeClass() const override { return "CStepExecSeq"; }
    StepKind Kind() const override { return StepKind::ExecSeq; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    std::string GetSequenceName() const;
    /// Stored upper-cased.
    void SetSequenceName(std::string_view name);

  private:
    std::string sequenceName_;
};

class CStepSelDiluent : public CStep {
  public:
    CStepSelDiluent() : CStep(StepKind::SelDiluent) {}
    const char* GetRuntimeClass() const override { return "CStepSelDiluent"; }
    StepKind Kind() const override { return StepKind::SelDiluent; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    /// 0 = diluent inlet port 1, 1 = port 2.
    std::uint32_t GetPort() const;
    void SetPort(std::uint32_t port);

  private:
    std::uint32_t port_ = 0;
};

class CStepSelOutput : public CStep {
  public:
    CStepSelOutput() : CStep(StepKind::SelOutput) {}
    const char* GetRuntimeClass() const override { return "CStepSelOutput"; }
    StepKind Kind() const override { return StepKind::SelOutput; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    /// 0 = output A, 1 = output B.
    std::uint32_t GetOutput() const;
    void SetOutput(std::uint32_t output);

  private:
    std::uint32_t output_ = 0;
};

class CStepCCOutput : public CStep {
  public:
    CStepCCOutput() : CStep(StepKind::CCOutput) {}
    const char* GetRuntimeClass() const override { return "CStepCCOutput"; }
    StepKind Kind() const override { return StepKind::CCOutput; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    /// 12 bits, first digit = output 1.
    BinaryValue GetOutputs() const;
    void SetOutputs(const BinaryValue& outputs);

  private:
    BinaryValue outputs_{0, true, false};
};

class CStepLevel : public CStep {
  public:
    CStepLevel() : CStep(StepKind::Level) {}
    const char* GetRuntimeClass() const override { return "CStepLevel"; }
    StepKind Kind() const override { return StepKind::Level; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    /// 10..99.
    std::uint32_t GetLevel() const;
    void SetLevel(std::uint32_t level);

  private:
    std::uint32_t level_ = 10;
};

class CStepStatusBlock : public CStep {
  public:
    CStepStatusBlock() : CStep(StepKind::StatusBlock) {}
    const char* GetRuntimeClass() const override { return "CStepStatusBlock"; }
    StepKind Kind() const override { return StepKind::StatusBlock; }
    std::unique_ptr<CNamedObject> Clone() const override;
    void Serialize(ObjectArchive& ar) override;
    std::string GetText(unsigned flags) const override;
    bool ReadScript(TokenStream& ts) override;

    /// 8 bits each, most significant first.
    BinaryValue GetBlock(int index) const;  // 0 or 1
    void SetBlock(int index, const BinaryValue& block);

  private:
    BinaryValue blocks_[2] = {{0, true, true}, {0, true, true}};
};

/// Quantity text: a gas shown alone (ZERO, UNKNOWN), or the concentration with the unit's decimals,
/// the unit name (unit id 0: two decimals, no unit) and the gas name (gas id 0: none). In script
/// form names that would not read back as one word are enclosed in double quotes.
std::string QuantityText(ICalibratorInstrument* instrument, double concentration, std::uint32_t unitId,
                         std::uint32_t gasId, bool scriptForm);
/// A name as the script writers put it: bare when it scans back as one word, else quoted.
std::string ScriptName(const std::string& name);
/// printf "%0.*f".
std::string FixedText(double value, int decimals);

/// How the windows edit: the GUI installs one; without it EditProperties answers false.
class CalibratorEditor {
  public:
    virtual ~CalibratorEditor() = default;
    virtual bool EditStep(CStep& step, ICalibratorInstrument* instrument) = 0;
    virtual bool EditSequence(CSequence& sequence) = 0;
};
void SetCalibratorEditor(CalibratorEditor* editor);
CalibratorEditor* GetCalibratorEditor();

}  // namespace talven
