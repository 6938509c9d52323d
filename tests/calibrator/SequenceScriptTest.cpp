#include "calibrator/SequenceScript.h"

#include "calibrator/CalibratorMessages.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Sequence.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

constexpr unsigned kFileFlags = textflag::kScript | textflag::kDuration;

std::string Wrap(const std::string& sequenceBody) {
    return "SEQLISTBEGIN\r\n  SEQBEGIN\r\n" + sequenceBody + "  SEQEND\r\nSEQLISTEND\r\n";
}

std::string WithSteps(const std::string& stepLines) {
    return Wrap("    NAME \"S\"\r\n    STEPBEGIN\r\n" + stepLines + "    STEPEND\r\n");
}

struct ReadResult {
    bool ok;
    int errorLine;
    std::string errorText;
};

/// Reads a list text as a file load does, into the instrument's list on success.
ReadResult ReadInto(const std::string& text, CCalibratorData& instrument) {
    TextTokens tokens(text);
    CNamedObjectList read;
    const bool ok = ReadSequenceList(tokens.ts(), &instrument, read);
    if (ok)
        instrument.SequenceList().swap(read);
    return {ok, tokens.ts().GetErrorLine(), tokens.ts().GetErrorText()};
}

CStep& OnlyStep(CCalibratorData& instrument) {
    EXPECT_EQ(instrument.SequenceList().size(), 1u);
    EXPECT_EQ(SequenceAt(instrument, 0).GetStepCount(), 1u);
    return *SequenceAt(instrument, 0).GetStep(0);
}

/// Every value the dialogs can offer, spread over sequences of at most 100 steps.
void FillWithEveryDialogValue(CCalibratorData& instrument) {
    std::vector<std::unique_ptr<CStep>> steps;
    for (const auto& unitItem : DefaultUnitTable()) {
        for (const auto& gasItem : DefaultGasTable()) {
            auto generate = std::make_unique<CStepGenerate>();
            generate->Set({123.456f, unitItem->GetId(), gasItem->GetId(), -1.0f});
            steps.push_back(std::move(generate));
        }
        auto gpt = std::make_unique<CStepGPT>();
        gpt->Set({1000000.0f, unitItem->GetId(), 0.0f, unitItem->GetId(), 0.01f});
        steps.push_back(std::move(gpt));
    }
    for (float flow : {0.01f, 1.5f, 20.0f}) {
        auto generate = std::make_unique<CStepGenerate>();
        generate->Set({0.0f, 200, gas::kZero, flow});
        steps.push_back(std::move(generate));
        auto gptz = std::make_unique<CStepGPTZ>();
        gptz->Set({400.0f, 201, 250.0f, 200, flow});
        steps.push_back(std::move(gptz));
        auto preset = std::make_unique<CStepGPTPreset>();
        preset->Set({1.0f, 204, 2.0f, 225, flow});
        steps.push_back(std::move(preset));
    }
    for (const auto& gasItem : DefaultGasTable()) {
        for (std::uint32_t mode = 0; mode <= 3; ++mode) {
            auto manual = std::make_unique<CStepManual>();
            manual->Set({gasItem->GetId(), 2.0f, 20.0f, mode, mode == 0 ? 0.0f : 5000.0f});
            steps.push_back(std::move(manual));
        }
    }
    steps.push_back(std::make_unique<CStepPurge>());
    steps.push_back(std::make_unique<CStepStandby>());
    for (float minutes : {0.1f, 4.55f, 120.0f}) {
        auto delay = std::make_unique<CStepDelay>();
        delay->SetMinutes(minutes);
        steps.push_back(std::move(delay));
    }
    for (const char* name : {"", "CAL_1", "Copy of CAL"}) {
        auto exec = std::make_unique<CStepExecSeq>();
        exec->SetSequenceName(name);
        steps.push_back(std::move(exec));
    }
    for (std::uint32_t port : {0u, 1u}) {
        auto diluent = std::make_unique<CStepSelDiluent>();
        diluent->SetPort(port);
        steps.push_back(std::move(diluent));
        auto output = std::make_unique<CStepSelOutput>();
        output->SetOutput(port);
        steps.push_back(std::move(output));
    }
    for (std::uint32_t bits : {0x000u, 0x001u, 0x800u, 0xFFFu, 0x5A5u}) {
        auto cc = std::make_unique<CStepCCOutput>();
        cc->SetOutputs({bits, true, false});
        steps.push_back(std::move(cc));
        auto blocks = std::make_unique<CStepStatusBlock>();
        blocks->SetBlock(0, {bits & 0xFF, true, true});
        blocks->SetBlock(1, {bits >> 4, bits != 0x5A5u, true});
        steps.push_back(std::move(blocks));
    }
    for (std::uint32_t number : {10u, 55u, 99u}) {
        auto level = std::make_unique<CStepLevel>();
        level->SetLevel(number);
        steps.push_back(std::move(level));
    }

    int made = 0;
    CSequence* sequence = nullptr;
    for (auto& step : steps) {
        if (sequence == nullptr || !sequence->CanAddStep()) {
            sequence = &AddSequence(instrument, "SEQ_" + std::to_string(made));
            SequenceSettings settings = sequence->GetSettings();
            settings.ccInputs = {static_cast<std::uint32_t>(made * 0x155) & 0xFFF, made % 2 == 0, false};
            settings.ccOutputs = {0xFFF, true, false};
            settings.timerEnabled = made % 2 == 1;
            settings.timerStart = DateTime::FromElements(2031, 12, 31, 23, 59, 0).seconds();
            settings.timerPeriod = ((366u * 24 + 23) * 60 + 59) * 60;
            settings.repeatCount = made == 0 ? 0 : 100;
            sequence->SetSettings(settings);
            ++made;
        }
        sequence->AppendStep(std::move(step));
    }
}

TEST(SequenceScriptRoundTrip, everyStepKindAndDialogValueReadsBackToTheSameText) {
    CCalibratorData source("Cal", "u");
    FillWithEveryDialogValue(source);
    ASSERT_GE(source.SequenceList().size(), 4u);
    const std::string written = SequenceListText(source, kFileFlags);

    CCalibratorData target("Cal", "u");
    const ReadResult result = ReadInto(written, target);
    ASSERT_TRUE(result.ok) << "line " << result.errorLine << " at '" << result.errorText << "'";
    ASSERT_EQ(target.SequenceList().size(), source.SequenceList().size());
    EXPECT_EQ(SequenceListText(target, kFileFlags), written);

    // Field checks where the text could hide a difference.
    CSequence& first = SequenceAt(target, 0);
    EXPECT_EQ(first.GetSettings(), SequenceAt(source, 0).GetSettings());
    for (std::size_t i = 0; i < first.GetStepCount(); ++i)
        EXPECT_EQ(first.GetStep(i)->Kind(), SequenceAt(source, 0).GetStep(i)->Kind());
}

TEST(SequenceScriptWriter, linesFollowTheScriptLayout) {
    CCalibratorData instrument("Cal", "");
    CSequence& cal = AddSequence(instrument, "CAL");
    SequenceSettings settings = cal.GetSettings();
    settings.ccOutputs = {0b101, true, false};
    settings.timerEnabled = true;
    settings.timerStart = DateTime::FromElements(2026, 3, 15, 8, 30, 0).seconds();
    settings.timerPeriod = ((1 * 24 + 2) * 60 + 3) * 60;
    cal.SetSettings(settings);
    auto generate = std::make_unique<CStepGenerate>();
    generate->Set({400.0f, 200, gas::kNO, 1.5f});
    cal.AppendStep(std::move(generate));
    auto delay = std::make_unique<CStepDelay>();
    delay->SetMinutes(4.55f);
    cal.AppendStep(std::move(delay));
    AddSequence(instrument, "EMPTY");

    EXPECT_EQ(SequenceListText(instrument, kFileFlags),
              "SEQLISTBEGIN\r\n"
              "  SEQBEGIN\r\n"
              "    NAME \"CAL\"\r\n"
              "    REPEATCOUNT 1\r\n"
              "    CCINPUT DISABLED\r\n"
              "    CCOUTPUT \"101000000000\"\r\n"
              "    TIMER ENABLED\r\n"
              "    TIMERSTART 03/15/2026 08:30\r\n"
              "    TIMERDELTA 001:02:03\r\n"
              "    STEPBEGIN\r\n"
              "      GENERATE 400 PPB NO 1.500\r\n"
              "      DURATION 4.6\r\n"
              "    STEPEND\r\n"
              "  SEQEND\r\n"
              "  SEQBEGIN\r\n"
              "    NAME \"EMPTY\"\r\n"
              "    REPEATCOUNT 1\r\n"
              "    CCINPUT DISABLED\r\n"
              "    CCOUTPUT DISABLED\r\n"
              "    TIMER DISABLED\r\n"
              "    TIMERSTART 01/01/" +
                  std::to_string(DateTime::Now().year()) +
                  " 00:00\r\n"
                  "    TIMERDELTA 001:00:00\r\n"
                  "  SEQEND\r\n"
                  "SEQLISTEND\r\n");
}

TEST(SequenceScriptWriter, durationKeywordFollowsTheTarget) {
    CCalibratorData withU("Cal", "cu");
    CCalibratorData withoutU("Cal", "c");
    for (CCalibratorData* instrument : {&withU, &withoutU}) {
        auto delay = std::make_unique<CStepDelay>();
        delay->SetMinutes(3.0f);
        AddSequence(*instrument, "S").AppendStep(std::move(delay));
    }
    EXPECT_NE(SequenceSendText(withU).find("      DURATION 3.0\r\n"), std::string::npos);
    EXPECT_NE(SequenceSendText(withoutU).find("      DELAY 3.0\r\n"), std::string::npos);
    EXPECT_NE(SequenceListText(withoutU, SequenceFileFlags()).find("      DURATION 3.0\r\n"),
              std::string::npos);
}

TEST(SequenceScriptReader, emptySequenceAndDelayAliasReadBack) {
    CCalibratorData instrument("Cal", "");
    ASSERT_TRUE(ReadInto(Wrap("    NAME \"NOSTEPS\"\r\n"), instrument).ok);
    EXPECT_EQ(SequenceAt(instrument, 0).GetStepCount(), 0u);
    EXPECT_EQ(SequenceListText(instrument, kFileFlags).find("STEPBEGIN"), std::string::npos);

    for (const char* line : {"      DELAY 3.0\r\n", "      duration 3\r\n"}) {
        CCalibratorData target("Cal", "");
        ASSERT_TRUE(ReadInto(WithSteps(line), target).ok) << line;
        auto& delay = dynamic_cast<CStepDelay&>(OnlyStep(target));
        EXPECT_FLOAT_EQ(delay.GetMinutes(), 3.0f);
        EXPECT_EQ(delay.GetText(kFileFlags), "DURATION 3.0");
    }
}

TEST(SequenceScriptReader, generateWordFormAndFlowRules) {
    CCalibratorData instrument("Cal", "");
    ASSERT_TRUE(ReadInto(WithSteps("      GENERATE ZERO\r\n"), instrument).ok);
    auto zero = dynamic_cast<CStepGenerate&>(OnlyStep(instrument)).Get();
    EXPECT_EQ(zero, (GenerateFields{0.0f, 200, gas::kZero, -1.0f}));

    ASSERT_TRUE(ReadInto(WithSteps("      GENERATE ZERO 2.5\r\n"), instrument).ok);
    EXPECT_FLOAT_EQ(dynamic_cast<CStepGenerate&>(OnlyStep(instrument)).Get().totalFlow, 2.5f);

    ASSERT_TRUE(ReadInto(WithSteps("      GENERATE 5 PPM NO 20.0\r\n"), instrument).ok);
    EXPECT_EQ(dynamic_cast<CStepGenerate&>(OnlyStep(instrument)).Get(),
              (GenerateFields{5.0f, 201, 103, 20.0f}));

    ASSERT_TRUE(ReadInto(WithSteps("      GENERATE 5 PPM NO 0.01\r\n"), instrument).ok);

    const ReadResult knownGasAlone = ReadInto(WithSteps("      GENERATE NO\r\n"), instrument);
    EXPECT_FALSE(knownGasAlone.ok);
    EXPECT_EQ(knownGasAlone.errorText, "NO");

    for (const char* flow : {"20.5", "0", "0.009"}) {
        const ReadResult bad =
            ReadInto(WithSteps(std::string("      GENERATE 5 PPM NO ") + flow + "\r\n"), instrument);
        EXPECT_FALSE(bad.ok) << flow;
        EXPECT_EQ(bad.errorText, flow);
    }
}

TEST(SequenceScriptReader, unitNamesMustBeKnownAndQuotedWhenNotWords) {
    CCalibratorData instrument("Cal", "");
    ASSERT_TRUE(ReadInto(WithSteps("      GENERATE 1.50 \"WT%\" SO2\r\n"), instrument).ok);
    EXPECT_EQ(dynamic_cast<CStepGenerate&>(OnlyStep(instrument)).Get().unitId, 225u);

    const ReadResult bare = ReadInto(WithSteps("      GENERATE 1.50 WT% SO2\r\n"), instrument);
    EXPECT_FALSE(bare.ok);
    const ReadResult unknown = ReadInto(WithSteps("      GPT 1 PPB 2 FURLONGS\r\n"), instrument);
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown.errorText, "FURLONGS");
}

TEST(SequenceScriptReader, contactClosureDigitsAndLimits) {
    CCalibratorData instrument("Cal", "");
    ASSERT_TRUE(ReadInto(Wrap("    CCINPUT \"\"\r\n    CCOUTPUT \"001\"\r\n"), instrument).ok);
    const SequenceSettings settings = SequenceAt(instrument, 0).GetSettings();
    EXPECT_EQ(settings.ccInputs, (BinaryValue{0, true, false}));
    EXPECT_EQ(settings.ccOutputs, (BinaryValue{0b100, true, false}));

    const ReadResult tooLong = ReadInto(Wrap("    CCINPUT \"1010101010101\"\r\n"), instrument);
    EXPECT_FALSE(tooLong.ok);
    EXPECT_EQ(tooLong.errorText, "1010101010101");
}

TEST(SequenceScriptReader, outOfRangeValuesFailAtTheirToken) {
    struct Case {
        std::string text;
        std::string errorText;
        int errorLine;
    };
    const Case cases[] = {
        {Wrap("    REPEATCOUNT 101\r\n"), "101", 3},
        {Wrap("    REPEATCOUNT -1\r\n"), "-1", 3},
        {WithSteps("      SELDILUENT 3\r\n"), "3", 5},
        {WithSteps("      SELOUTPUT \"C\"\r\n"), "C", 5},
        {WithSteps("      LEVEL 9\r\n"), "9", 5},
        {WithSteps("      LEVEL 100\r\n"), "100", 5},
        {WithSteps("      MANUAL ZERO 1 1 HIGH 3\r\n"), "HIGH", 5},
        {Wrap("    TIMERDELTA 367:00:00\r\n"), "367", 3},
        {Wrap("    TIMERDELTA 000:24:00\r\n"), "24", 3},
        {Wrap("    TIMER MAYBE\r\n"), "MAYBE", 3},
        {Wrap("    TIMERSTART 02/30/2026 00:00\r\n"), "SEQEND", 4},
        {Wrap("    BOGUS\r\n"), "BOGUS", 3},
        // Beyond a single-precision number: it would be saved as "inf", which nothing reads back.
        {WithSteps("      DURATION 4000000000000000000000000000000000000000000.0\r\n"),
         "4000000000000000000000000000000000000000000.0", 5},
        {WithSteps("      GPT 1000000000000000000000000000000000000000.5 2 3\r\n"),
         "1000000000000000000000000000000000000000.5", 5},
    };
    for (const Case& c : cases) {
        CCalibratorData instrument("Cal", "");
        const ReadResult result = ReadInto(c.text, instrument);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_EQ(result.errorText, c.errorText) << c.text;
        EXPECT_EQ(result.errorLine, c.errorLine) << c.text;
    }
}

TEST(SequenceScriptReader, namesAreTakenUnchangedAndExecNamesUpperCased) {
    CCalibratorData instrument("Cal", "");
    ASSERT_TRUE(
        ReadInto(
            Wrap("    NAME \"my seq!\"\r\n    STEPBEGIN\r\n      EXECSEQ \"zero_span\"\r\n    STEPEND\r\n"),
            instrument)
            .ok);
    EXPECT_EQ(SequenceAt(instrument, 0).GetName(), "my seq!");
    EXPECT_EQ(dynamic_cast<CStepExecSeq&>(OnlyStep(instrument)).GetSequenceName(), "ZERO_SPAN");
}

TEST(SequenceScriptReader, itemsRepeatAndASecondStepBlockReplacesTheFirst) {
    CCalibratorData instrument("Cal", "");
    ASSERT_TRUE(
        ReadInto(Wrap("    REPEATCOUNT 3\r\n    STEPBEGIN\r\n      PURGE\r\n      PURGE\r\n    STEPEND\r\n"
                      "    REPEATCOUNT 0\r\n    STEPBEGIN\r\n      STANDBY\r\n    STEPEND\r\n"),
                 instrument)
            .ok);
    CSequence& sequence = SequenceAt(instrument, 0);
    EXPECT_EQ(sequence.GetSettings().repeatCount, 0u);
    ASSERT_EQ(sequence.GetStepCount(), 1u);
    EXPECT_EQ(sequence.GetStep(0)->Kind(), StepKind::Standby);
}

TEST(SequenceScriptReader, manualModesAndOutputLettersReadBack) {
    CCalibratorData instrument("Cal", "");
    ASSERT_TRUE(ReadInto(WithSteps("      MANUAL O3 1.5 3 REF 120.5\r\n      SELOUTPUT \"b\"\r\n"
                                   "      MANUAL NO 0 0 OFF\r\n"),
                         instrument)
                    .ok);
    CSequence& sequence = SequenceAt(instrument, 0);
    EXPECT_EQ(static_cast<CStepManual*>(sequence.GetStep(0))->Get(),
              (ManualFields{gas::kO3, 1.5f, 3.0f, o3mode::kReferenceFeedback, 120.5f}));
    EXPECT_EQ(static_cast<CStepSelOutput*>(sequence.GetStep(1))->GetOutput(), 1u);
    EXPECT_EQ(static_cast<CStepManual*>(sequence.GetStep(2))->Get().o3Mode, o3mode::kOff);
}

TEST(SequenceScriptReader, textAfterTheListEndFails) {
    CCalibratorData instrument("Cal", "");
    const ReadResult result = ReadInto(Wrap("") + "SEQBEGIN\r\n", instrument);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorText, "SEQBEGIN");
}

TEST(SequenceScriptReader, everyTruncationFailsWithoutHangingOrCrashing) {
    CCalibratorData source("Cal", "");
    FillWithEveryDialogValue(source);
    while (source.SequenceList().size() > 1)
        source.SequenceList().Remove(source.SequenceList().at(1));
    const std::string text = SequenceListText(source, kFileFlags);
    // Cut at every line start and inside every line's first token.
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        if (cut != 0 && text[cut - 1] != '\n' && text[cut - 1] != ' ')
            continue;
        CCalibratorData target("Cal", "");
        EXPECT_FALSE(ReadInto(text.substr(0, cut), target).ok) << "cut at " << cut;
    }
}

class SequenceScriptFiles : public ::testing::Test {
  protected:
    TempDir dir_;
    CCalibratorData instrument_{"Cal 1", ""};
};

TEST_F(SequenceScriptFiles, saveThenLoadRestoresTheListAndClearsTheMark) {
    ASSERT_TRUE(dir_.ok());
    AddSequence(instrument_, "ONE").AppendStep(std::make_unique<CStepPurge>());
    AddSequence(instrument_, "TWO");
    instrument_.SetSequenceConfigModified(true);
    const std::string path = dir_.PathOf("seq.txt");
    ASSERT_TRUE(SaveSequenceFile(instrument_, path).ok);
    EXPECT_FALSE(instrument_.IsSequenceConfigModified());
    EXPECT_EQ(ReadFile(path), SequenceListText(instrument_, kFileFlags));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.PathOf("")), {}),
              1);  // no temporary left

    CCalibratorData loaded("Cal 1", "");
    loaded.SetSequenceConfigModified(true);
    const CalFileResult result = LoadSequenceFile(loaded, path);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(loaded.IsSequenceConfigModified());
    ASSERT_EQ(loaded.SequenceList().size(), 2u);
    EXPECT_EQ(SequenceAt(loaded, 0).GetInstrument(), &loaded);
    EXPECT_EQ(SequenceListText(loaded, kFileFlags), ReadFile(path));
}

TEST_F(SequenceScriptFiles, failedLoadsEmptyTheListAndNameTheProblem) {
    const std::string path = dir_.PathOf("bad.txt");
    WriteFile(path, "SEQLISTBEGIN\r\n  SEQBEGIN\r\n    REPEATCOUNT 101\r\n  SEQEND\r\nSEQLISTEND\r\n");
    AddSequence(instrument_, "KEPT");
    instrument_.SetSequenceConfigModified(true);
    CalFileResult result = LoadSequenceFile(instrument_, path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              "Syntax error encountered at '101', on line 3 of sequence configuration script file " + path +
                  ". File not loaded.");
    EXPECT_TRUE(instrument_.SequenceList().empty());
    EXPECT_FALSE(instrument_.IsSequenceConfigModified());

    AddSequence(instrument_, "KEPT");
    const std::string missing = dir_.PathOf("missing.txt");
    result = LoadSequenceFile(instrument_, missing);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Unable to load sequence configuration script file " + missing + ".");
    EXPECT_TRUE(instrument_.SequenceList().empty());

    const std::string directory = dir_.PathOf("");
    EXPECT_EQ(LoadSequenceFile(instrument_, directory).message,
              "Unable to load sequence configuration script file " + directory + ".");
}

TEST_F(SequenceScriptFiles, failedSaveReportsAndKeepsTheMark) {
    instrument_.SetSequenceConfigModified(true);
    const std::string path = dir_.PathOf("no/such/dir/seq.txt");
    const CalFileResult result = SaveSequenceFile(instrument_, path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "Unable to save sequence configuration file " + path + ".");
    EXPECT_TRUE(instrument_.IsSequenceConfigModified());
}

TEST_F(SequenceScriptFiles, proposedNameDropsUnsafeCharacters) {
    CCalibratorData instrument("Lab \"A\"/B", "");
    instrument.SetSerialNumber("12*34?");
    EXPECT_EQ(ProposedSequenceFileName(instrument), "Lab AB-1234 Sequence Configuration.txt");
}

class CountingProgress : public CalibratorTransferProgress {
  public:
    void SetRange(int count) override { range = count; }
    void Advance() override { ++steps; }
    int range = -1;
    int steps = 0;
};

TEST(SequenceDownload, successReplacesTheListAndFailureKeepsIt) {
    CCalibratorData instrument("Cal", "c");
    AddSequence(instrument, "OLD");
    instrument.SetSequenceConfigModified(true);

    TextTokens broken(Wrap("    NAME \"NEW\"\r\n").substr(0, 40));
    CountingProgress progress;
    EXPECT_FALSE(ReadSequenceDownload(broken.ts(), instrument, &progress));
    ASSERT_EQ(instrument.SequenceList().size(), 1u);
    EXPECT_EQ(SequenceAt(instrument, 0).GetName(), "OLD");
    EXPECT_TRUE(instrument.IsSequenceConfigModified());

    TextTokens good(Wrap("    NAME \"NEW\"\r\n") + "");
    ASSERT_TRUE(ReadSequenceDownload(good.ts(), instrument, &progress));
    ASSERT_EQ(instrument.SequenceList().size(), 1u);
    EXPECT_EQ(SequenceAt(instrument, 0).GetName(), "NEW");
    EXPECT_EQ(progress.steps, 1);
    EXPECT_FALSE(instrument.IsSequenceConfigModified());
}

TEST(SequenceSend, confirmationPhraseClearsTheMark) {
    CCalibratorData instrument("Cal", "c");
    instrument.SetSequenceConfigModified(true);
    TextTokens other("New level table stored.\r\n", false);
    EXPECT_FALSE(ReadSequenceSendReply(other.ts(), instrument));
    EXPECT_TRUE(instrument.IsSequenceConfigModified());
    TextTokens stored("new sequence configuration stored.\r\n", false);
    EXPECT_TRUE(ReadSequenceSendReply(stored.ts(), instrument));
    EXPECT_FALSE(instrument.IsSequenceConfigModified());
}

}  // namespace
}  // namespace talven::testing
