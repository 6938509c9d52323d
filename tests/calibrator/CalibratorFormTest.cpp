// The calibrator's dialogs as forms: numbers shown and read without changing them, every dialog's
// limits and messages, the fields that enable others, the gas and unit lists per model, bit sets,
// and the sequence and level properties rules.

#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/SequenceRules.h"
#include "calibrator/ui/LevelPropertiesForm.h"
#include "calibrator/ui/SequencePropertiesForm.h"
#include "calibrator/ui/StepForms.h"
#include "foundation/DateTime.h"
#include "foundation/UserPrompt.h"

#include "CalibratorTestSupport.h"
#include "CalibratorUiTestSupport.h"

namespace talven::testing {
namespace {

class Forms : public ::testing::Test {
  protected:
    Forms() : scope_(&prompt_) {}

    /// Accept must fail with this message, naming the field.
    void ExpectRefused(CalibratorForm& form, const std::string& message, const std::string& field) {
        const std::size_t before = prompt_.asked().size();
        std::string focus;
        EXPECT_FALSE(form.Accept(&focus));
        ASSERT_EQ(prompt_.asked().size(), before + 1);
        EXPECT_EQ(prompt_.asked().back().text, message);
        EXPECT_EQ(prompt_.asked().back().caption, "Error");
        EXPECT_EQ(prompt_.asked().back().flags, mb::kOk | mb::kIconWarning);
        EXPECT_EQ(focus, field);
    }

    ScriptedPrompt prompt_;
    ScopedUserPrompt scope_;
    CCalibratorData instrument_{"Cal", "j!B@*%qu#$l"};
};

template <class T>
std::unique_ptr<T> StepIn(CSequence& sequence) {
    auto step = std::make_unique<T>();
    step->SetSequence(&sequence);
    return step;
}

TEST(FormNumbers, textShowsTheStoredValueAndReadsOnlyPlainNumbers) {
    EXPECT_EQ(FormNumberText(2.5f, 3), "2.5");
    EXPECT_EQ(FormNumberText(0.1f, 6), "0.1");
    EXPECT_EQ(FormNumberText(12.5f, 6), "12.5");  // not rounded to the unit's decimals
    EXPECT_EQ(FormNumberText(1000000.0f, 6), "1000000");
    double value = 0.0;
    EXPECT_TRUE(ParseFormNumber(" 12.25 ", false, value));
    EXPECT_DOUBLE_EQ(value, 12.25);
    EXPECT_TRUE(ParseFormNumber("-3", true, value));
    for (const char* bad : {"", "  ", "12abc", "1e3", "0x10", "inf", "nan", "1,5", "--1"})
        EXPECT_FALSE(ParseFormNumber(bad, false, value)) << bad;
    EXPECT_FALSE(ParseFormNumber("12.5", true, value));
}

TEST_F(Forms, everyKindWithPropertiesHasItsTitleAndConfirmingChangesNothing) {
    CSequence& sequence = AddSequence(instrument_, "CAL");
    const std::pair<StepKind, const char*> titles[] = {
        {StepKind::Generate, "Generate Cylinder / Permeation Gas"},
        {StepKind::GPT, "GPT"},
        {StepKind::GPTZ, "GPT Zero"},
        {StepKind::GPTPreset, "GPT Preset"},
        {StepKind::Manual, "Generate Manual Gas"},
        {StepKind::Delay, "Duration"},
        {StepKind::ExecSeq, "Execute Sequence"},
        {StepKind::SelDiluent, "Select Diluent Inlet Port"},
        {StepKind::SelOutput, "Select Gas Output Port"},
        {StepKind::CCOutput, "Set Contact Closure Outputs"},
        {StepKind::Level, "Level"},
        {StepKind::StatusBlock, "Set Status Block"},
    };
    for (const auto& [kind, title] : titles) {
        std::unique_ptr<CStep> step = CreateStep(kind);
        step->SetSequence(&sequence);
        auto form = MakeStepForm(*step, &instrument_);
        ASSERT_NE(form, nullptr) << title;
        EXPECT_EQ(form->Title(), title);
    }
    for (StepKind kind : {StepKind::Purge, StepKind::Standby}) {
        std::unique_ptr<CStep> step = CreateStep(kind);
        EXPECT_EQ(MakeStepForm(*step, &instrument_), nullptr);
    }

    // Values no dialog would round: a fraction in a unit without decimals, a flow, a setpoint.
    auto generate = StepIn<CStepGenerate>(sequence);
    generate->Set({12.5f, 200, 103, 1.25f});
    auto manual = StepIn<CStepManual>(sequence);
    manual->Set({103, 0.05f, 4.95f, o3mode::kBenchFeedback, 250.5f});
    auto gpt = StepIn<CStepGPTZ>(sequence);
    gpt->Set({450.0f, 201, 0.125f, 200, -1.0f});
    auto delay = StepIn<CStepDelay>(sequence);
    delay->SetMinutes(2.5f);
    const GenerateFields generateBefore = generate->Get();
    const ManualFields manualBefore = manual->Get();
    const GptFields gptBefore = gpt->Get();
    for (CStep* step : std::initializer_list<CStep*>{generate.get(), manual.get(), gpt.get(), delay.get()})
        ASSERT_TRUE(MakeStepForm(*step, &instrument_)->Accept()) << step->GetText(0);
    EXPECT_EQ(generate->Get(), generateBefore);
    EXPECT_EQ(manual->Get(), manualBefore);
    EXPECT_EQ(gpt->Get(), gptBefore);
    EXPECT_EQ(delay->GetMinutes(), 2.5f);
    EXPECT_TRUE(prompt_.asked().empty());
}

TEST_F(Forms, numbersOutsideTheirLimitsAreRefusedAndNothingIsStored) {
    CSequence& sequence = AddSequence(instrument_, "CAL");
    auto generate = StepIn<CStepGenerate>(sequence);
    auto form = MakeStepForm(*generate, &instrument_);
    form->SetText("concentration", "1000001");
    ExpectRefused(*form, "Please enter a number between 0 and 1000000.", "concentration");
    form->SetText("concentration", "80");
    form->SetText("flow", "not a number");  // not overridden: not read
    ASSERT_TRUE(form->Accept());
    EXPECT_EQ(generate->Get().totalFlow, -1.0f);
    form->SetChecked("override", true);
    form->SetText("flow", "20.5");
    ExpectRefused(*form, "Please enter a number between 0.01 and 20.", "flow");
    form->SetText("flow", "0.01");
    ASSERT_TRUE(form->Accept());
    EXPECT_EQ(generate->Get(), (GenerateFields{80.0f, 200, 100, 0.01f}));

    auto level = StepIn<CStepLevel>(sequence);
    auto levelForm = MakeStepForm(*level, &instrument_);
    for (const char* bad : {"9", "100", "12.5", ""}) {
        levelForm->SetText("level", bad);
        ExpectRefused(*levelForm, "Please enter an integer between 10 and 99.", "level");
    }
    EXPECT_EQ(level->GetLevel(), 10u);

    auto delay = StepIn<CStepDelay>(sequence);
    auto delayForm = MakeStepForm(*delay, &instrument_);
    delayForm->SetText("minutes", "0.05");
    ExpectRefused(*delayForm, "Please enter a number between 0.1 and 120.", "minutes");
    delayForm->SetText("minutes", "120");
    EXPECT_TRUE(delayForm->Accept());
    EXPECT_EQ(delay->GetMinutes(), 120.0f);

    auto manual = StepIn<CStepManual>(sequence);
    auto manualForm = MakeStepForm(*manual, &instrument_);
    manualForm->SetText("calFlow", "2.1");
    ExpectRefused(*manualForm, "Please enter a number between 0 and 2.", "calFlow");
    manualForm->SetText("calFlow", "2");
    manualForm->SetText("setpoint", "6000");  // the generator is off: the setpoint is not read
    ASSERT_TRUE(manualForm->Accept());
    EXPECT_EQ(manual->Get().o3Setpoint, 0.0f);
    manualForm->SetChoice("mode", o3mode::kReferenceFeedback);
    ExpectRefused(*manualForm, "Please enter a number between 0 and 5000.", "setpoint");
}

TEST_F(Forms, fieldsFollowTheFieldsThatEnableThemAndTheSetpointUnitFollowsTheMode) {
    CSequence& sequence = AddSequence(instrument_, "CAL");
    auto gpt = StepIn<CStepGPT>(sequence);
    auto form = MakeStepForm(*gpt, &instrument_);
    EXPECT_FALSE(form->IsEnabled("flow"));
    form->SetChecked("override", true);
    EXPECT_TRUE(form->IsEnabled("flow"));
    EXPECT_EQ(form->SuffixOf("flow"), "LPM");
    EXPECT_EQ(form->Field("during"), nullptr);
    auto gptz = StepIn<CStepGPTZ>(sequence);
    EXPECT_EQ(MakeStepForm(*gptz, &instrument_)->Value("during").text, "(During GPT)");

    auto manual = StepIn<CStepManual>(sequence);
    auto manualForm = MakeStepForm(*manual, &instrument_);
    const std::pair<std::uint32_t, const char*> modes[] = {
        {o3mode::kConstantDrive, "mV"}, {o3mode::kReferenceFeedback, "mV"}, {o3mode::kBenchFeedback, "PPB"}};
    EXPECT_FALSE(manualForm->IsEnabled("setpoint"));
    for (const auto& [mode, unit] : modes) {
        manualForm->SetChoice("mode", mode);
        EXPECT_TRUE(manualForm->IsEnabled("setpoint"));
        EXPECT_EQ(manualForm->SuffixOf("setpoint"), unit);
    }
    manualForm->SetText("setpoint", "2500");
    ASSERT_TRUE(manualForm->Accept());
    EXPECT_EQ(manual->GetText(0), "MANUAL ZERO 0.000 0.000 BENCH 2500.0");
}

std::vector<std::uint32_t> Ids(const FormField& field) {
    std::vector<std::uint32_t> ids;
    for (const FieldChoice& c : field.choices)
        ids.push_back(c.id);
    return ids;
}

TEST_F(Forms, gasAndUnitListsFollowTheInstrumentAndKeepTheValueHeld) {
    CCalibratorData model10("Q", "", 10);
    for (auto [name, id] : {std::pair{"ZERO", 100u}, {"O3", 101u}, {"NO", 103u}, {"SO2", 102u}})
        model10.GasList().Append(std::make_unique<CGasDesc>(name, id, 30.0f));
    model10.UnitList().Append(std::make_unique<CUnitDesc>("PPM", 201, 1));
    CSequence& sequence = AddSequence(model10, "CAL");
    auto generate = StepIn<CStepGenerate>(sequence);
    auto form = MakeStepForm(*generate, &model10);
    EXPECT_EQ(Ids(*form->Field("gas")), (std::vector<std::uint32_t>{100, 101}));
    // The unit held (PPB) is not in the instrument's list: it is kept as an entry of its own.
    EXPECT_EQ(Ids(*form->Field("unit")), (std::vector<std::uint32_t>{201, 200}));

    generate->Set({5.0f, 201, 102, -1.0f});
    form = MakeStepForm(*generate, &model10);
    EXPECT_EQ(Ids(*form->Field("gas")), (std::vector<std::uint32_t>{100, 101, 102}));
    EXPECT_EQ(form->Field("gas")->choices.back().text, "SO2");
    ASSERT_TRUE(form->Accept());
    EXPECT_EQ(generate->Get().gasId, 102u);

    model10.GasList().DeleteAll();
    model10.GasList().Append(std::make_unique<CGasDesc>("ZERO", 100, 30.0f));
    model10.GasList().Append(std::make_unique<CGasDesc>("NO2", 104, 46.0f));
    auto manual = StepIn<CStepManual>(sequence);
    EXPECT_EQ(Ids(*MakeStepForm(*manual, &model10)->Field("gas")), (std::vector<std::uint32_t>{100, 104}));

    CCalibratorData other("R", "");
    CSequence& otherSequence = AddSequence(other, "CAL");
    auto otherStep = StepIn<CStepGenerate>(otherSequence);
    auto otherForm = MakeStepForm(*otherStep, &other);
    EXPECT_EQ(otherForm->Field("gas")->choices.size(), DefaultGasTable().size());
    EXPECT_EQ(otherForm->Field("unit")->choices.size(), DefaultUnitTable().size());
}

TEST_F(Forms, choicesListsAndBitSetsStoreWhatTheyShow) {
    CSequence& sequence = AddSequence(instrument_, "CAL");
    AddSequence(instrument_, "SPAN_1");
    auto exec = StepIn<CStepExecSeq>(sequence);
    auto form = MakeStepForm(*exec, &instrument_);
    const FormField& names = *form->Field("sequence");
    EXPECT_TRUE(names.editable);
    EXPECT_EQ(names.maxLength, 12u);
    ASSERT_EQ(names.choices.size(), 2u);
    EXPECT_EQ(names.choices[1].text, "SPAN_1");
    form->SetText("sequence", "  ");
    ExpectRefused(*form, "Please enter the name of the sequence to execute.", "sequence");
    form->SetText("sequence", "span_1_and_more");
    ASSERT_TRUE(form->Accept());
    EXPECT_EQ(exec->GetText(textflag::kScript), "EXECSEQ \"SPAN_1_AND_M\"");

    auto diluent = StepIn<CStepSelDiluent>(sequence);
    auto diluentForm = MakeStepForm(*diluent, &instrument_);
    EXPECT_EQ(diluentForm->Field("port")->style, ChoiceStyle::Radio);
    diluentForm->SetChoice("port", 1);
    ASSERT_TRUE(diluentForm->Accept());
    EXPECT_EQ(diluent->GetText(textflag::kScript), "SELDILUENT 2");

    // Status blocks are drawn with the highest bit at the left, as their text reads; the value
    // keeps its own digit order whatever the dialog hands back.
    auto blocks = StepIn<CStepStatusBlock>(sequence);
    auto blockForm = MakeStepForm(*blocks, &instrument_);
    const FormField& block1 = *blockForm->Field("block1");
    EXPECT_EQ(BitOfBox(block1, 0), 7);
    blockForm->SetBits("block1", {0x81, true, false});
    blockForm->SetBits("block2", {0, false, false});
    ASSERT_TRUE(blockForm->Accept());
    EXPECT_EQ(blocks->GetText(textflag::kScript), "SETSTATUSBLOCK \"10000001\" DISABLED");
    EXPECT_TRUE(blocks->GetBlock(0).msbFirst);

    auto outputs = StepIn<CStepCCOutput>(sequence);
    outputs->SetOutputs({0, false, false});
    auto outputForm = MakeStepForm(*outputs, &instrument_);
    EXPECT_EQ(BitOfBox(*outputForm->Field("outputs"), 0), 0);
    EXPECT_FALSE(outputForm->Value("outputs").bits.enabled);
    outputForm->SetBits("outputs", {0x5, true, false});
    ASSERT_TRUE(outputForm->Accept());
    EXPECT_EQ(outputs->GetText(0), "SET CC OUTPUT 101000000000");
}

TEST_F(Forms, selectStepTypeListsTheOfferedKindsWithTheFirstSelected) {
    SelectStepTypeForm none(nullptr);
    std::vector<std::string> names;
    for (const FieldChoice& c : none.Fields().front().choices)
        names.push_back(c.text);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Generate Cyl./Perm.", "Standby", "Duration", "Execute Sequence"}));
    EXPECT_EQ(none.Fields().front().style, ChoiceStyle::List);
    EXPECT_EQ(none.Value("kind").choice, static_cast<std::uint32_t>(StepKind::Generate));

    SelectStepTypeForm all(&instrument_);
    EXPECT_EQ(all.Fields().front().choices.size(), 14u);
    EXPECT_EQ(all.Title(), "Select Step Type");
    all.SetChoice("kind", static_cast<std::uint32_t>(StepKind::Level));
    ASSERT_TRUE(all.Accept());
    EXPECT_EQ(all.Chosen(), StepKind::Level);
}

TEST_F(Forms, sequencePropertiesCheckLimitsThenNameThenPeriodAndStoreOnlyThen) {
    AddSequence(instrument_, "CAL");
    CSequence& edited = AddSequence(instrument_, "SPAN");
    SequencePropertiesForm form(edited);
    EXPECT_EQ(form.Title(), "Sequence Properties");
    const std::string nameMessage =
        "Please enter a valid name for this sequence. Sequence names must be unique and may contain only "
        "alphabetic characters, digits, and the '_' character.";
    form.SetText("days", "367");
    form.SetText("name", "BAD NAME");
    ExpectRefused(form, "Please enter an integer between 0 and 366.", "days");
    form.SetText("days", "0");
    ExpectRefused(form, nameMessage, "name");
    form.SetText("name", "cal");  // another sequence's name, in other letters
    ExpectRefused(form, nameMessage, "name");
    form.SetText("name", "SPAN_2");
    form.SetText("hours", "0");
    form.SetText("minutes", "0");
    ASSERT_FALSE(form.Value("timer").checked);
    ExpectRefused(
        form,
        "The timer period must be greater than zero. Ensure that either the days, hours, or minutes is "
        "greater than zero.",
        "days");
    EXPECT_EQ(edited.GetName(), "SPAN");

    EXPECT_FALSE(form.IsEnabled("count"));
    form.SetChoice("run", static_cast<std::uint32_t>(RunChoice::Several));
    EXPECT_TRUE(form.IsEnabled("count"));
    form.SetText("count", "101");
    form.SetText("minutes", "30");
    ExpectRefused(form, "Please enter an integer between 0 and 100.", "count");
    form.SetText("count", "5");
    form.SetChecked("timer", true);
    form.SetDate("start", {2026, 3, 1, 6, 30});
    form.SetBits("ccInputs", {0x3, true, false});
    ASSERT_TRUE(form.Accept());
    const SequenceSettings s = edited.GetSettings();
    EXPECT_EQ(edited.GetName(), "SPAN_2");
    EXPECT_EQ(s.repeatCount, 5u);
    EXPECT_EQ(s.timerPeriod, 30u * 60u);
    EXPECT_TRUE(s.timerEnabled);
    EXPECT_EQ(s.timerStart, DateTime::FromElements(2026, 3, 1, 6, 30, 0).seconds());
    EXPECT_EQ(s.ccInputs.Text(12, false), "110000000000");

    // The several-times count is read only with its choice; the sequence keeps its own name.
    SequencePropertiesForm again(edited);
    again.SetChoice("run", static_cast<std::uint32_t>(RunChoice::UntilHalted));
    again.SetText("count", "999");
    ASSERT_TRUE(again.Accept());
    EXPECT_EQ(edited.GetSettings().repeatCount, 0u);
    again.SetChoice("run", static_cast<std::uint32_t>(RunChoice::Once));
    ASSERT_TRUE(again.Accept());
    EXPECT_EQ(edited.GetSettings().repeatCount, 1u);
}

TEST_F(Forms, levelPropertiesEditACopyAndStoreNumberBlocksAndAction) {
    ScriptedForms dialogs;
    CLevel level(&instrument_);
    level.SetNumber(31);
    level.SetBlock(1, {0, false, true});
    LevelPropertiesForm form(level, &instrument_);
    EXPECT_EQ(form.Title(), "Level Properties");
    EXPECT_EQ(form.Value("kind").choice, static_cast<std::uint32_t>(StepKind::Generate));
    EXPECT_EQ(form.Value("text").text, "GENERATE ZERO");
    EXPECT_TRUE(form.IsEnabled("kind"));
    EXPECT_FALSE(form.Value("block2").bits.enabled);

    form.SetText("number", "99");
    ExpectRefused(form, "Please enter an integer between 10 and 98.", "number");
    form.SetChoice("kind", static_cast<std::uint32_t>(StepKind::GPT));
    EXPECT_EQ(form.Value("text").text, "GPT 0 PPB NO, 0 PPB O3");
    EXPECT_EQ(level.GetAction(), nullptr);  // nothing stored before OK

    dialogs.Queue([](CalibratorForm& action) {
        action.SetText("no", "450");
        return true;
    });
    EXPECT_TRUE(form.Press("action"));
    EXPECT_EQ(dialogs.titles, std::vector<std::string>{"GPT"});
    EXPECT_EQ(form.Value("text").text, "GPT 450 PPB NO, 0 PPB O3");
    form.SetText("number", "98");
    form.SetBits("block1", {0x10, true, false});
    ASSERT_TRUE(form.Accept());
    EXPECT_EQ(level.LineText(2, textflag::kScript), "98 GPT 450 PPB 0 PPB \"00010000\" DISABLED");
    EXPECT_EQ(level.GetAction()->GetInstrument(), &instrument_);

    CCalibratorData plain("Plain", "g");
    CLevel other(&plain);
    LevelPropertiesForm plainForm(other, &plain);
    EXPECT_FALSE(plainForm.IsEnabled("kind"));
    EXPECT_TRUE(plainForm.IsEnabled("action"));
    EXPECT_FALSE(dialogs.Run(plainForm));  // cancelled: the level keeps having no action
    EXPECT_EQ(other.GetAction(), nullptr);
}

}  // namespace
}  // namespace talven::testing
