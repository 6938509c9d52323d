#include "calibrator/GasUnitDesc.h"
#include "calibrator/Step.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

TEST(StepKinds, everyKindIsMadeNamedAndReadBackFromItsOneRow) {
    for (int i = 0; i < kStepKindCount; ++i) {
        const auto kind = static_cast<StepKind>(i);
        SCOPED_TRACE(StepKeyword(kind));
        const std::unique_ptr<CStep> step = CreateStep(kind);
        ASSERT_NE(step, nullptr);
        EXPECT_EQ(step->Kind(), kind);
        StepKind read = StepKind::Generate;
        ASSERT_TRUE(StepKindOfToken(StepKindInfoOf(kind).token, read));
        EXPECT_EQ(read, kind);
    }
    StepKind delay = StepKind::Generate;
    ASSERT_TRUE(StepKindOfToken(tok::DELAY, delay));  // the older keyword of a duration
    EXPECT_EQ(delay, StepKind::Delay);
    EXPECT_FALSE(StepKindOfToken(tok::CONFIG, delay));
}

TEST(BinaryValueText, digitsFollowTheValuesOrderAndWidth) {
    BinaryValue lsbFirst{0b101, true, false};
    EXPECT_EQ(lsbFirst.Text(12, false), "101000000000");
    EXPECT_EQ(lsbFirst.Text(12, true), "\"101000000000\"");
    BinaryValue msbFirst{0b101, true, true};
    EXPECT_EQ(msbFirst.Text(12, false), "000000000101");
    EXPECT_EQ(msbFirst.Text(8, false), "00000101");
    BinaryValue disabled{0b101, false, true};
    EXPECT_EQ(disabled.Text(12, false), "DISABLED");
    EXPECT_EQ(disabled.Text(12, true), "DISABLED");
    BinaryValue wide{1u << 12, true, false};
    EXPECT_EQ(wide.Text(12, false), "0000000000001");
}

TEST(BinaryValueRead, acceptsDisabledAndQuotedDigitsUpToTheWidth) {
    TextTokens empty("\"\" next");
    BinaryValue value{7, false, false};
    ASSERT_TRUE(value.Read(empty.AtFirstToken(), 12));
    EXPECT_TRUE(value.enabled);
    EXPECT_EQ(value.bits, 0u);
    EXPECT_EQ(empty.ts().GetTokenText(), "next");

    TextTokens msb("\"00000110\"");
    BinaryValue block{0, true, true};
    ASSERT_TRUE(block.Read(msb.AtFirstToken(), 8));
    EXPECT_EQ(block.bits, 6u);

    TextTokens disabled("disabled");
    ASSERT_TRUE(value.Read(disabled.AtFirstToken(), 12));
    EXPECT_FALSE(value.enabled);
}

TEST(BinaryValueRead, refusesLongOrNonBinaryOrUnquotedDigits) {
    for (const char* text : {"\"1010101010101\"", "\"10201\"", "101", "ENABLED"}) {
        TextTokens tokens(text);
        BinaryValue value{0, true, false};
        EXPECT_FALSE(value.Read(tokens.AtFirstToken(), 12)) << text;
        EXPECT_EQ(tokens.ts().GetErrorCount(), 1) << text;
    }
}

TEST(QuantityText, precisionUnitAndGasFollowTheDescriptors) {
    CCalibratorData instrument("Cal", "");
    EXPECT_EQ(QuantityText(&instrument, 12.346, 0, 0, false), "12.35");
    EXPECT_EQ(QuantityText(&instrument, 12.346, 201, gas::kNO, false), "12.3 PPM NO");
    EXPECT_EQ(QuantityText(&instrument, 12.6, 4242, gas::kNO, false), "13 PPB NO");
    EXPECT_EQ(QuantityText(&instrument, 12.6, 200, 4242, false), "13 PPB UNKNOWN");
    EXPECT_EQ(QuantityText(&instrument, 5, 200, gas::kZero, false), "ZERO");
    EXPECT_EQ(QuantityText(&instrument, 5, 200, gas::kUnknown, false), "UNKNOWN");
    EXPECT_EQ(QuantityText(&instrument, 1.5, 225, 102, false), "1.50 WT% SO2");
    EXPECT_EQ(QuantityText(&instrument, 1.5, 225, 102, true), "1.50 \"WT%\" SO2");
}

TEST(QuantityText, hugeDecimalCountFromAnInstrumentStaysBounded) {
    CCalibratorData instrument("Cal", "");
    instrument.UnitList().Append(std::make_unique<CUnitDesc>("ODD", 260, 0x7FFFFFFF));
    EXPECT_EQ(QuantityText(&instrument, 1.0, 260, 0, false), "1.0000000000 ODD");
}

TEST(ScriptName, onlyPlainWordsStayBare) {
    EXPECT_EQ(ScriptName("PPB"), "PPB");
    EXPECT_EQ(ScriptName("USR_1"), "USR_1");
    EXPECT_EQ(ScriptName("WT%"), "\"WT%\"");
    EXPECT_EQ(ScriptName("OFF"), "\"OFF\"");              // a keyword
    EXPECT_EQ(ScriptName("C"), "\"C\"");                  // the calibrator reply letter
    EXPECT_EQ(ScriptName("REVISIONS"), "\"REVISIONS\"");  // starts with a fixed phrase
    EXPECT_EQ(ScriptName("2ND"), "\"2ND\"");
    EXPECT_EQ(ScriptName("CO 2"), "\"CO 2\"");
    EXPECT_EQ(ScriptName(""), "\"\"");
}

TEST(StepDisplayText, eachKindShowsItsTreeText) {
    CCalibratorData instrument("Cal", "");
    auto show = [&](CStep& step) {
        step.SetOwningInstrument(&instrument);
        return step.GetText(0);
    };
    CStepGenerate generate;
    EXPECT_EQ(show(generate), "GENERATE ZERO");
    generate.Set({400.0f, 200, gas::kNO, -1.0f});
    EXPECT_EQ(show(generate), "GENERATE 400 PPB NO");
    generate.Set({0.0f, 200, gas::kZero, 1.5f});
    EXPECT_EQ(show(generate), "GENERATE ZERO, 1.500 LPM");

    CStepGPT gpt;
    gpt.Set({400.0f, 200, 250.0f, 200, -1.0f});
    EXPECT_EQ(show(gpt), "GPT 400 PPB NO, 250 PPB O3");
    CStepGPTZ gptz;
    EXPECT_EQ(show(gptz), "GPTZ 0 PPB NO, 0 PPB O3");
    CStepGPTPreset preset;
    preset.Set({1.0f, 201, 2.0f, 201, 2.0f});
    EXPECT_EQ(show(preset), "GPT PRESET 1.0 PPM NO, 2.0 PPM O3, 2.000 LPM");

    CStepManual manual;
    EXPECT_EQ(show(manual), "MANUAL ZERO 0.000 0.000 OFF");
    manual.Set({gas::kO3, 0.5f, 4.25f, o3mode::kBenchFeedback, 250.0f});
    EXPECT_EQ(show(manual), "MANUAL O3 0.500 4.250 BENCH 250.0");

    CStepPurge purge;
    CStepStandby standby;
    EXPECT_EQ(show(purge), "PURGE");
    EXPECT_EQ(show(standby), "STANDBY");
    EXPECT_FALSE(purge.CanEdit());
    EXPECT_FALSE(standby.CanEdit());
    EXPECT_TRUE(manual.CanEdit());

    CStepDelay delay;
    EXPECT_EQ(show(delay), "DURATION 1.0 MIN");
    CStepExecSeq exec;
    exec.SetSequenceName("cal_b");
    EXPECT_EQ(show(exec), "EXECUTE SEQUENCE CAL_B");
    CStepSelDiluent diluent;
    diluent.SetPort(1);
    EXPECT_EQ(show(diluent), "SELECT DILUENT 2");
    CStepSelOutput output;
    EXPECT_EQ(show(output), "SELECT OUTPUT A");
    CStepCCOutput cc;
    cc.SetOutputs({0b11, true, false});
    EXPECT_EQ(show(cc), "SET CC OUTPUT 110000000000");
    CStepLevel level;
    EXPECT_EQ(show(level), "LEVEL 10");
    CStepStatusBlock blocks;
    blocks.SetBlock(1, {0x81, true, true});
    EXPECT_EQ(show(blocks), "SET STATUS BLOCK 00000000 10000001");
}

TEST(StepDefaults, newStepsCarryTheirKeywordAndDefaults) {
    for (int i = 0; i < kStepKindCount; ++i) {
        auto step = CreateStep(static_cast<StepKind>(i));
        ASSERT_NE(step, nullptr);
        EXPECT_EQ(static_cast<int>(step->Kind()), i);
        EXPECT_EQ(step->GetName(), StepKeyword(step->Kind()));
        EXPECT_EQ(step->GetId(), 0u);
    }
    EXPECT_EQ(CStepGenerate().Get(), (GenerateFields{0.0f, 200, 100, -1.0f}));
    EXPECT_EQ(CStepManual().Get(), (ManualFields{100, 0.0f, 0.0f, 0, 0.0f}));
    EXPECT_EQ(CStepCCOutput().GetOutputs(), (BinaryValue{0, true, false}));
    EXPECT_EQ(CStepStatusBlock().GetBlock(0), (BinaryValue{0, true, true}));
    EXPECT_EQ(StepTypeName(StepKind::Generate), "Generate Cyl./Perm.");
    EXPECT_EQ(StepTypeName(StepKind::StatusBlock), "Set Status Blocks");
}

TEST(SequenceDisplayText, stepCountAndRepeatSuffix) {
    CCalibratorData instrument("Cal", "");
    CSequence& cal = AddSequence(instrument, "CAL");
    EXPECT_EQ(cal.GetText(0), "CAL, 0 STEPS");
    cal.AppendStep(std::make_unique<CStepPurge>());
    EXPECT_EQ(cal.GetText(0), "CAL, 1 STEP");
    SequenceSettings settings = cal.GetSettings();
    settings.repeatCount = 0;
    cal.SetSettings(settings);
    EXPECT_EQ(cal.GetText(0), "CAL, 1 STEP, RUN UNTIL HALTED");
    settings.repeatCount = 5;
    cal.SetSettings(settings);
    cal.AppendStep(std::make_unique<CStepStandby>());
    EXPECT_EQ(cal.GetText(0), "CAL, 2 STEPS, RUN 5 TIMES");
}

TEST(StepOwnership, instrumentComesFromTheSequenceWhenThereIsOne) {
    CCalibratorData first("A", "");
    CCalibratorData second("B", "");
    CSequence& sequence = AddSequence(first, "S");
    auto step = std::make_unique<CStepGenerate>();
    step->SetOwningInstrument(&second);
    EXPECT_EQ(step->GetInstrument(), &second);
    CStep* raw = step.get();
    sequence.AppendStep(std::move(step));
    EXPECT_EQ(raw->GetSequence(), &sequence);
    EXPECT_EQ(raw->GetInstrument(), &first);
}

TEST(SequenceClone, copiesFieldsAndStepsAndRehomesTheSteps) {
    CCalibratorData instrument("Cal", "");
    CSequence& original = AddSequence(instrument, "CAL");
    SequenceSettings settings = original.GetSettings();
    settings.ccInputs = {0b1001, true, false};
    settings.repeatCount = 7;
    original.SetSettings(settings);
    auto generate = std::make_unique<CStepGenerate>();
    generate->Set({5.0f, 201, 103, 2.0f});
    original.AppendStep(std::move(generate));
    original.AppendStep(std::make_unique<CStepLevel>());

    std::unique_ptr<CSequence> copy = original.CloneSequence();
    EXPECT_EQ(copy->GetName(), "CAL");
    EXPECT_EQ(copy->GetSettings(), settings);
    ASSERT_EQ(copy->GetStepCount(), 2u);
    EXPECT_NE(copy->GetStep(0), original.GetStep(0));
    EXPECT_EQ(copy->GetStep(0)->GetSequence(), copy.get());
    EXPECT_EQ(static_cast<CStepGenerate*>(copy->GetStep(0))->Get().totalFlow, 2.0f);
    EXPECT_EQ(copy->GetText(textflag::kScript | textflag::kDuration),
              original.GetText(textflag::kScript | textflag::kDuration));
}

TEST(SequenceSteps, moveRemoveAndTheHundredStepLimit) {
    CCalibratorData instrument("Cal", "");
    CSequence& sequence = AddSequence(instrument, "S");
    for (int i = 0; i < 99; ++i)
        sequence.AppendStep(std::make_unique<CStepPurge>());
    EXPECT_TRUE(sequence.CanAddStep());
    sequence.AppendStep(std::make_unique<CStepLevel>());  // the 100th
    EXPECT_FALSE(sequence.CanAddStep());

    CStep* last = sequence.GetStep(99);
    EXPECT_FALSE(sequence.MoveStep(last, +1));
    EXPECT_TRUE(sequence.MoveStep(last, -1));
    EXPECT_EQ(sequence.IndexOfStep(last), 98u);
    EXPECT_FALSE(sequence.MoveStep(sequence.GetStep(0), -1));
    std::unique_ptr<CStep> removed = sequence.RemoveStep(last);
    ASSERT_EQ(removed.get(), last);
    EXPECT_EQ(removed->GetSequence(), nullptr);
    EXPECT_TRUE(sequence.CanAddStep());
}

}  // namespace
}  // namespace talven::testing
