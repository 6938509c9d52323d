#include "calibrator/ui/StepForms.h"

#include <algorithm>

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceRules.h"
#include "calibrator/ui/CalibratorWindowMessages.h"
#include "foundation/DataLock.h"
#include "foundation/Messages.h"

namespace talven {

namespace {

std::string Text(int id) {
    return std::string(MessageText(id));
}

FormField NumberField(const char* key, int label, double min, double max, int decimals,
                      std::string suffix = {}) {
    FormField f;
    f.key = key;
    f.label = Text(label);
    f.kind = FieldKind::Number;
    f.min = min;
    f.max = max;
    f.decimals = decimals;
    f.suffix = std::move(suffix);
    return f;
}

FieldValue NumberValue(double value, int decimals) {
    FieldValue v;
    v.text = FormNumberText(value, decimals == 0 ? 0 : std::max(decimals, 6));
    return v;
}

FormField ChoiceField(const char* key, int label, std::vector<FieldChoice> choices,
                      ChoiceStyle style = ChoiceStyle::Combo) {
    FormField f;
    f.key = key;
    f.label = Text(label);
    f.kind = FieldKind::Choice;
    f.choices = std::move(choices);
    f.style = style;
    return f;
}

FieldValue ChoiceValue(std::uint32_t id) {
    FieldValue v;
    v.choice = id;
    return v;
}

FormField BitsField(const char* key, int label, int width, bool msbFirst) {
    FormField f;
    f.key = key;
    f.label = Text(label);
    f.kind = FieldKind::Bits;
    f.width = width;
    f.msbFirst = msbFirst;
    return f;
}

FieldValue BitsValue(const BinaryValue& bits) {
    FieldValue v;
    v.bits = bits;
    return v;
}

std::vector<FieldChoice> ToChoices(const std::vector<DescChoice>& list) {
    std::vector<FieldChoice> out;
    for (const DescChoice& d : list)
        out.push_back({d.id, d.name});
    return out;
}

/// The offered list, with the value the step holds added when the instrument does not offer it.
std::vector<FieldChoice> WithHeld(std::vector<FieldChoice> choices, std::uint32_t held,
                                  std::string heldName) {
    const bool offered =
        std::any_of(choices.begin(), choices.end(), [&](const FieldChoice& c) { return c.id == held; });
    if (!offered)
        choices.push_back({held, std::move(heldName)});
    return choices;
}

std::vector<FieldChoice> GasList(ICalibratorInstrument* instrument, std::uint32_t held) {
    DataGuard guard;
    return WithHeld(ToChoices(GasChoices(instrument)), held, GasOrUnknown(instrument, held).GetName());
}

std::vector<FieldChoice> UnitList(ICalibratorInstrument* instrument, std::uint32_t held) {
    DataGuard guard;
    return WithHeld(ToChoices(UnitChoices(instrument)), held, UnitOrPpb(instrument, held).GetName());
}

constexpr int kConcentrationDecimals = 6;
constexpr int kFlowDecimals = 3;

/// A step kind's dialog: its title, and the fields of its kind filled from the step.
class StepForm : public CalibratorForm {
  public:
    StepForm(CStep& step, ICalibratorInstrument* instrument);

    std::string SuffixOf(std::string_view key) const override;
    CStep& Step() const { return step_; }
    ICalibratorInstrument* Instrument() const { return instrument_; }

    using CalibratorForm::AddField;
    using CalibratorForm::Number;

  protected:
    int Check(std::string& focus) override;
    void Store() override;

  private:
    CStep& step_;
    ICalibratorInstrument* instrument_;
};

// ---- The fields of each kind, how they are filled and how they are stored

/// The flow override shared by Generate and the GPT kinds: -1 means the instrument's default.
void AddFlow(StepForm& form, float flow) {
    FormField override;
    override.key = "override";
    override.label = Text(calwin::kOverrideFlow);
    override.kind = FieldKind::Check;
    FieldValue checked;
    checked.checked = flow > 0.0f;
    form.AddField(std::move(override), checked);
    FormField field = NumberField("flow", calwin::kTotalFlow, limits::kMinTotalFlow, limits::kMaxTotalFlow,
                                  kFlowDecimals, Text(calwin::kLpm));
    field.enabledBy = "override";
    form.AddField(std::move(field), flow > 0.0f ? NumberValue(flow, kFlowDecimals) : FieldValue{});
}

float StoredFlow(const StepForm& form) {
    return form.Value("override").checked ? static_cast<float>(form.Number("flow")) : -1.0f;
}

void BuildGenerate(StepForm& form) {
    const GenerateFields f = static_cast<CStepGenerate&>(form.Step()).Get();
    form.AddField(NumberField("concentration", calwin::kConcentration, 0.0, limits::kMaxConcentration,
                              kConcentrationDecimals),
                  NumberValue(f.concentration, kConcentrationDecimals));
    form.AddField(ChoiceField("unit", calwin::kUnit, UnitList(form.Instrument(), f.unitId)),
                  ChoiceValue(f.unitId));
    form.AddField(ChoiceField("gas", calwin::kGas, GasList(form.Instrument(), f.gasId)),
                  ChoiceValue(f.gasId));
    AddFlow(form, f.totalFlow);
}

void StoreGenerate(StepForm& form) {
    GenerateFields f;
    f.concentration = static_cast<float>(form.Number("concentration"));
    f.unitId = form.Value("unit").choice;
    f.gasId = form.Value("gas").choice;
    f.totalFlow = StoredFlow(form);
    static_cast<CStepGenerate&>(form.Step()).Set(f);
}

void BuildGpt(StepForm& form) {
    const GptFields f = static_cast<CStepGPT&>(form.Step()).Get();
    form.AddField(
        NumberField("no", calwin::kNoConcentration, 0.0, limits::kMaxConcentration, kConcentrationDecimals),
        NumberValue(f.noConcentration, kConcentrationDecimals));
    form.AddField(ChoiceField("noUnit", calwin::kNoUnit, UnitList(form.Instrument(), f.noUnitId)),
                  ChoiceValue(f.noUnitId));
    form.AddField(
        NumberField("o3", calwin::kO3Concentration, 0.0, limits::kMaxConcentration, kConcentrationDecimals),
        NumberValue(f.o3Concentration, kConcentrationDecimals));
    form.AddField(ChoiceField("o3Unit", calwin::kO3Unit, UnitList(form.Instrument(), f.o3UnitId)),
                  ChoiceValue(f.o3UnitId));
    if (form.Step().Kind() == StepKind::GPTZ) {
        FormField note;
        note.key = "during";
        note.kind = FieldKind::Note;
        FieldValue text;
        text.text = Text(calmsg::kDuringGpt);
        form.AddField(std::move(note), text);
    }
    AddFlow(form, f.totalFlow);
}

void StoreGpt(StepForm& form) {
    GptFields f;
    f.noConcentration = static_cast<float>(form.Number("no"));
    f.noUnitId = form.Value("noUnit").choice;
    f.o3Concentration = static_cast<float>(form.Number("o3"));
    f.o3UnitId = form.Value("o3Unit").choice;
    f.totalFlow = StoredFlow(form);
    static_cast<CStepGPT&>(form.Step()).Set(f);
}

void BuildManual(StepForm& form) {
    const ManualFields f = static_cast<CStepManual&>(form.Step()).Get();
    form.AddField(ChoiceField("gas", calwin::kCalGas, GasList(form.Instrument(), f.gasId)),
                  ChoiceValue(f.gasId));
    form.AddField(
        NumberField("calFlow", calwin::kCalFlow, 0.0, limits::kMaxCalFlow, kFlowDecimals, Text(calwin::kLpm)),
        NumberValue(f.calFlow, kFlowDecimals));
    form.AddField(NumberField("diluentFlow", calwin::kDiluentFlow, 0.0, limits::kMaxDiluentFlow,
                              kFlowDecimals, Text(calwin::kLpm)),
                  NumberValue(f.diluentFlow, kFlowDecimals));
    std::vector<FieldChoice> modes;
    for (std::uint32_t mode = o3mode::kOff; mode <= o3mode::kBenchFeedback; ++mode)
        modes.push_back({mode, Text(calwin::kO3ModeFirst + static_cast<int>(mode))});
    // A mode outside the four reads as off in every text; the dialog shows it so.
    const std::uint32_t mode = f.o3Mode <= o3mode::kBenchFeedback ? f.o3Mode : o3mode::kOff;
    form.AddField(ChoiceField("mode", calwin::kO3Mode, std::move(modes)), ChoiceValue(mode));
    FormField setpoint = NumberField("setpoint", calwin::kO3Setpoint, 0.0, limits::kMaxO3Setpoint, 1);
    setpoint.enabledBy = "mode";
    form.AddField(std::move(setpoint), NumberValue(f.o3Setpoint, 1));
}

void StoreManual(StepForm& form) {
    ManualFields f;
    f.gasId = form.Value("gas").choice;
    f.calFlow = static_cast<float>(form.Number("calFlow"));
    f.diluentFlow = static_cast<float>(form.Number("diluentFlow"));
    f.o3Mode = form.Value("mode").choice;
    // Without the generator the setpoint is not written anywhere; the script reader gives 0.
    f.o3Setpoint = f.o3Mode == o3mode::kOff ? 0.0f : static_cast<float>(form.Number("setpoint"));
    static_cast<CStepManual&>(form.Step()).Set(f);
}

void BuildDelay(StepForm& form) {
    const float minutes = static_cast<CStepDelay&>(form.Step()).GetMinutes();
    form.AddField(NumberField("minutes", calwin::kDurationMinutes, limits::kMinDurationMinutes,
                              limits::kMaxDurationMinutes, 1, Text(calwin::kMinutesUnit)),
                  NumberValue(minutes, 1));
}

void StoreDelay(StepForm& form) {
    static_cast<CStepDelay&>(form.Step()).SetMinutes(static_cast<float>(form.Number("minutes")));
}

void BuildExecSeq(StepForm& form) {
    std::vector<FieldChoice> names;
    if (form.Instrument() != nullptr) {
        DataGuard guard;
        std::uint32_t id = 0;
        for (const auto& item : form.Instrument()->SequenceList())
            names.push_back({id++, item->GetName()});
    }
    FormField field = ChoiceField("sequence", calwin::kSequenceName, std::move(names));
    field.editable = true;
    field.maxLength = limits::kSequenceNameLength;
    FieldValue value;
    value.text = static_cast<CStepExecSeq&>(form.Step()).GetSequenceName();
    form.AddField(std::move(field), value);
}

void StoreExecSeq(StepForm& form) {
    static_cast<CStepExecSeq&>(form.Step()).SetSequenceName(form.Value("sequence").text);
}

void BuildSelDiluent(StepForm& form) {
    FormField field = ChoiceField("port", calwin::kDiluentPort,
                                  {{0, Text(calwin::kPort1)}, {1, Text(calwin::kPort2)}}, ChoiceStyle::Radio);
    field.group = Text(calwin::kDiluentPort);
    field.label.clear();
    form.AddField(std::move(field),
                  ChoiceValue(static_cast<CStepSelDiluent&>(form.Step()).GetPort() == 1 ? 1 : 0));
}

void StoreSelDiluent(StepForm& form) {
    static_cast<CStepSelDiluent&>(form.Step()).SetPort(form.Value("port").choice);
}

void BuildSelOutput(StepForm& form) {
    FormField field =
        ChoiceField("output", calwin::kOutputPort, {{0, Text(calwin::kOutputA)}, {1, Text(calwin::kOutputB)}},
                    ChoiceStyle::Radio);
    field.group = Text(calwin::kOutputPort);
    field.label.clear();
    form.AddField(std::move(field),
                  ChoiceValue(static_cast<CStepSelOutput&>(form.Step()).GetOutput() == 1 ? 1 : 0));
}

void StoreSelOutput(StepForm& form) {
    static_cast<CStepSelOutput&>(form.Step()).SetOutput(form.Value("output").choice);
}

void BuildCCOutput(StepForm& form) {
    form.AddField(BitsField("outputs", calwin::kCCOutputs, BinaryValue::kContactClosureWidth, false),
                  BitsValue(static_cast<CStepCCOutput&>(form.Step()).GetOutputs()));
}

void StoreCCOutput(StepForm& form) {
    static_cast<CStepCCOutput&>(form.Step()).SetOutputs(form.Value("outputs").bits);
}

void BuildLevel(StepForm& form) {
    form.AddField(NumberField("level", calwin::kLevelNumberStep, limits::kMinLevel, limits::kMaxLevel, 0),
                  NumberValue(static_cast<CStepLevel&>(form.Step()).GetLevel(), 0));
}

void StoreLevel(StepForm& form) {
    static_cast<CStepLevel&>(form.Step()).SetLevel(static_cast<std::uint32_t>(form.Number("level")));
}

void BuildStatusBlock(StepForm& form) {
    auto& step = static_cast<CStepStatusBlock&>(form.Step());
    form.AddField(BitsField("block1", calwin::kStatusBlock1, BinaryValue::kStatusBlockWidth, true),
                  BitsValue(step.GetBlock(0)));
    form.AddField(BitsField("block2", calwin::kStatusBlock2, BinaryValue::kStatusBlockWidth, true),
                  BitsValue(step.GetBlock(1)));
}

void StoreStatusBlock(StepForm& form) {
    auto& step = static_cast<CStepStatusBlock&>(form.Step());
    step.SetBlock(0, form.Value("block1").bits);
    step.SetBlock(1, form.Value("block2").bits);
}

/// One row per kind with properties.
struct StepFormKind {
    StepKind kind;
    void (*build)(StepForm&);
    void (*store)(StepForm&);
};

const StepFormKind kStepForms[] = {
    {StepKind::Generate, BuildGenerate, StoreGenerate},
    {StepKind::GPT, BuildGpt, StoreGpt},
    {StepKind::GPTZ, BuildGpt, StoreGpt},
    {StepKind::GPTPreset, BuildGpt, StoreGpt},
    {StepKind::Manual, BuildManual, StoreManual},
    {StepKind::Delay, BuildDelay, StoreDelay},
    {StepKind::ExecSeq, BuildExecSeq, StoreExecSeq},
    {StepKind::SelDiluent, BuildSelDiluent, StoreSelDiluent},
    {StepKind::SelOutput, BuildSelOutput, StoreSelOutput},
    {StepKind::CCOutput, BuildCCOutput, StoreCCOutput},
    {StepKind::Level, BuildLevel, StoreLevel},
    {StepKind::StatusBlock, BuildStatusBlock, StoreStatusBlock},
};

const StepFormKind* FormKindOf(StepKind kind) {
    for (const StepFormKind& row : kStepForms) {
        if (row.kind == kind)
            return &row;
    }
    return nullptr;
}

StepForm::StepForm(CStep& step, ICalibratorInstrument* instrument) : step_(step), instrument_(instrument) {
    SetTitle(StepDialogTitle(step.Kind()));
    FormKindOf(step.Kind())->build(*this);
}

std::string StepForm::SuffixOf(std::string_view key) const {
    if (key == "setpoint")
        return O3SetpointUnit(Value("mode").choice);
    return CalibratorForm::SuffixOf(key);
}

int StepForm::Check(std::string& focus) {
    if (step_.Kind() == StepKind::ExecSeq &&
        Value("sequence").text.find_first_not_of(' ') == std::string::npos) {
        focus = "sequence";
        return calwin::kSequenceToExecute;
    }
    return 0;
}

void StepForm::Store() {
    DataGuard guard;
    FormKindOf(step_.Kind())->store(*this);
}

}  // namespace

std::unique_ptr<CalibratorForm> MakeStepForm(CStep& step, ICalibratorInstrument* instrument) {
    if (!step.CanEdit() || FormKindOf(step.Kind()) == nullptr)
        return nullptr;
    return std::make_unique<StepForm>(step, instrument);
}

SelectStepTypeForm::SelectStepTypeForm(const ICalibratorInstrument* instrument) {
    SetTitle(Text(calmsg::kSelectStepTypeTitle));
    std::vector<FieldChoice> kinds;
    for (StepKind kind : SelectableStepKinds(instrument))
        kinds.push_back({static_cast<std::uint32_t>(kind), StepTypeName(kind)});
    const std::uint32_t first = kinds.empty() ? 0 : kinds.front().id;
    AddField(ChoiceField("kind", calwin::kStepType, std::move(kinds), ChoiceStyle::List), ChoiceValue(first));
}

bool SelectStepTypeForm::IsEmpty() const {
    return Fields().front().choices.empty();
}

void SelectStepTypeForm::Store() {
    chosen_ = static_cast<StepKind>(Value("kind").choice);
}

}  // namespace talven
