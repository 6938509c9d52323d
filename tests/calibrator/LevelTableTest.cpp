#include "calibrator/Level.h"

#include "calibrator/GasUnitDesc.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

CLevel& AddLevel(ICalibratorInstrument& instrument, std::uint32_t number, std::unique_ptr<CStep> action) {
    auto level = std::make_unique<CLevel>(&instrument);
    level->SetNumber(number);
    if (action)
        level->SetAction(std::move(action));
    CLevel& ref = *level;
    instrument.LevelList().Append(std::move(level));
    return ref;
}

std::unique_ptr<CStep> Generate(float concentration, std::uint32_t unit, std::uint32_t gasId, float flow) {
    auto step = std::make_unique<CStepGenerate>();
    step->Set({concentration, unit, gasId, flow});
    return step;
}

CLevel& LevelAt(ICalibratorInstrument& instrument, std::size_t i) {
    return static_cast<CLevel&>(*instrument.LevelList().at(i));
}

/// One level of every action kind, with varied blocks.
void FillEveryAction(ICalibratorInstrument& instrument) {
    AddLevel(instrument, 10, Generate(5.0f, 201, gas::kNO, -1.0f)).SetBlock(0, {0x81, true, true});
    AddLevel(instrument, 11, Generate(0.0f, 200, gas::kZero, 2.5f)).SetBlock(1, {0, false, true});
    AddLevel(instrument, 12, Generate(1.25f, 225, 102, 20.0f));
    auto gpt = std::make_unique<CStepGPT>();
    gpt->Set({400.0f, 200, 300.0f, 200, -1.0f});
    AddLevel(instrument, 20, std::move(gpt));
    auto gptz = std::make_unique<CStepGPTZ>();
    gptz->Set({1.0f, 201, 0.5f, 201, 1.0f});
    AddLevel(instrument, 21, std::move(gptz));
    AddLevel(instrument, 22, std::make_unique<CStepGPTPreset>());
    auto manual = std::make_unique<CStepManual>();
    manual->Set({gas::kO3, 1.0f, 5.0f, o3mode::kConstantDrive, 2500.0f});
    AddLevel(instrument, 99, std::move(manual)).SetBlock(0, {0xFF, true, true});
}

TEST(LevelLine, variantsPrintTheActionTheirWay) {
    CCalibratorData instrument("Cal", "");
    CLevel& generate = AddLevel(instrument, 12, Generate(5.0f, 201, gas::kNO, -1.0f));
    generate.SetBlock(0, {0b101, true, true});
    EXPECT_EQ(generate.LineText(0, textflag::kScript), "12 5.0 PPM NO \"00000101\" \"00000000\"");
    EXPECT_EQ(generate.LineText(1, textflag::kScript), "12 5.0 PPM NO -1.000 \"00000101\" \"00000000\"");
    EXPECT_EQ(generate.LineText(2, textflag::kScript), "12 GENERATE 5.0 PPM NO \"00000101\" \"00000000\"");
    EXPECT_EQ(generate.LineText(2, 0), "12 GENERATE 5.0 PPM NO 00000101 00000000");

    CLevel& gpt = AddLevel(instrument, 13, std::make_unique<CStepGPT>());
    gpt.SetBlock(1, {0, false, true});
    EXPECT_EQ(gpt.LineText(0, textflag::kScript), "13 \"00000000\" DISABLED");
    EXPECT_EQ(gpt.LineText(1, textflag::kScript), "13 \"00000000\" DISABLED");
    EXPECT_EQ(gpt.LineText(2, textflag::kScript), "13 GPT 0 PPB 0 PPB \"00000000\" DISABLED");

    EXPECT_EQ(gpt.RowTexts(),
              (std::array<std::string, 4>{"13", "GPT 0 PPB NO, 0 PPB O3", "00000000", "DISABLED"}));
}

TEST(LevelCopy, cloneCopiesTheActionAndSetActionReplacesIt) {
    CCalibratorData instrument("Cal", "");
    CLevel& level = AddLevel(instrument, 30, Generate(1.0f, 200, gas::kNO, -1.0f));
    auto copy = level.Clone();
    auto& copied = static_cast<CLevel&>(*copy);
    ASSERT_NE(copied.GetAction(), nullptr);
    EXPECT_NE(copied.GetAction(), level.GetAction());
    EXPECT_EQ(copied.LineText(2, 1), level.LineText(2, 1));
    level.SetAction(std::make_unique<CStepManual>());
    EXPECT_EQ(level.GetAction()->Kind(), StepKind::Manual);
    EXPECT_EQ(level.GetAction()->GetInstrument(), &instrument);
    EXPECT_EQ(copied.GetAction()->Kind(), StepKind::Generate);
}

TEST(LevelTableFile, everyActionKindRoundTripsAndAnEmptyTableIsTheTwoFrameLines) {
    CCalibratorData empty("Cal", "");
    EXPECT_EQ(LevelTableFileText(empty), "leveltablebegin\r\nleveltableend\r\n");
    TextTokens emptyTokens(LevelTableFileText(empty));
    CNamedObjectList read;
    EXPECT_TRUE(ReadLevelTableFile(emptyTokens.ts(), &empty, read));
    EXPECT_TRUE(read.empty());

    CCalibratorData source("Cal", "j");
    FillEveryAction(source);
    const std::string text = LevelTableFileText(source);
    TextTokens tokens(text);
    CCalibratorData target("Cal", "j");
    ASSERT_TRUE(ReadLevelTableFile(tokens.ts(), &target, target.LevelList()))
        << tokens.ts().GetErrorText() << " line " << tokens.ts().GetErrorLine();
    ASSERT_EQ(target.LevelList().size(), source.LevelList().size());
    EXPECT_EQ(LevelTableFileText(target), text);
    EXPECT_FALSE(LevelAt(target, 1).GetBlock(1).enabled);
    EXPECT_EQ(LevelAt(target, 6).GetAction()->GetInstrument(), &target);
}

TEST(LevelTableFile, badLinesEndTheListAndFailAtTheirToken) {
    struct Case {
        const char* text;
        const char* errorText;
    };
    const Case cases[] = {
        {"leveltablebegin\r\n9 GENERATE ZERO \"0\" \"0\"\r\nleveltableend\r\n", "9"},
        {"leveltablebegin\r\n100 GENERATE ZERO \"0\" \"0\"\r\nleveltableend\r\n", "100"},
        {"leveltablebegin\r\n12 PURGE \"0\" \"0\"\r\nleveltableend\r\n", "PURGE"},
        {"leveltablebegin\r\n12 GENERATE ZERO \"0\"\r\nleveltableend\r\n", "leveltableend"},
        {"leveltablebegin\r\n12 GENERATE ZERO \"0\" \"0\"\r\n", "<end of file>"},
        {"leveltablebegin\r\nleveltableend\r\nextra\r\n", "extra"},
        {"levels\r\n", "levels"},
    };
    for (const Case& c : cases) {
        CCalibratorData instrument("Cal", "j");
        TextTokens tokens(c.text);
        CNamedObjectList read;
        EXPECT_FALSE(ReadLevelTableFile(tokens.ts(), &instrument, read)) << c.text;
        EXPECT_EQ(tokens.ts().GetErrorText(), c.errorText) << c.text;
    }
}

TEST(LevelTableFile, loadAndSaveReportWithTheirMessages) {
    TempDir dir;
    ASSERT_TRUE(dir.ok());
    CCalibratorData instrument("Cal", "j");
    FillEveryAction(instrument);
    instrument.SetLevelTableModified(true);
    const std::string path = dir.PathOf("levels.txt");
    ASSERT_TRUE(SaveLevelTableFile(instrument, path).ok);
    EXPECT_FALSE(instrument.IsLevelTableModified());

    CCalibratorData loaded("Cal", "j");
    ASSERT_TRUE(LoadLevelTableFile(loaded, path).ok);
    EXPECT_EQ(LevelTableFileText(loaded), ReadFile(path));

    WriteFile(path, "leveltablebegin\r\n12 GENERATE NO \"0\" \"0\"\r\nleveltableend\r\n");
    loaded.SetLevelTableModified(true);
    CalFileResult result = LoadLevelTableFile(loaded, path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message,
              "Syntax error encountered at 'NO', on line 2 of level table configuration file " + path +
                  ". File not opened.");
    EXPECT_TRUE(loaded.LevelList().empty());
    EXPECT_FALSE(loaded.IsLevelTableModified());

    result = LoadLevelTableFile(loaded, dir.PathOf("none.txt"));
    EXPECT_EQ(result.message,
              "Unable to load level table configuration file " + dir.PathOf("none.txt") + ".");
    result = SaveLevelTableFile(loaded, dir.PathOf("none/levels.txt"));
    EXPECT_EQ(result.message,
              "Unable to save level table configuration file " + dir.PathOf("none/levels.txt") + ".");

    CCalibratorData named("Stack <3>", "");
    named.SetSerialNumber("S|N");
    EXPECT_EQ(ProposedLevelTableFileName(named), "Stack 3-SN Level Table.txt");
}

TEST(LevelDuplicates, firstPairWithEqualNumbersIsFound) {
    CCalibratorData instrument("Cal", "");
    AddLevel(instrument, 11, nullptr);
    AddLevel(instrument, 12, nullptr);
    AddLevel(instrument, 13, nullptr);
    EXPECT_FALSE(FindDuplicateLevelNumbers(instrument.LevelList()).has_value());
    AddLevel(instrument, 12, nullptr);
    AddLevel(instrument, 11, nullptr);
    const auto pair = FindDuplicateLevelNumbers(instrument.LevelList());
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(*pair, (std::pair<std::size_t, std::size_t>{0, 4}));
}

/// What an instrument of the given capabilities answers to the table request, built from the
/// same lines a send carries.
std::string InstrumentReply(ICalibratorInstrument& instrument) {
    const LevelSendForm form = MakeLevelSendForm(instrument);
    std::string reply;
    if (instrument.HasCapability('j')) {
        reply = "C 0 LEVELTABLEBEGIN\r\n";
    } else {
        reply = "C 0 LEVELTABLE " + std::to_string(form.lines.size()) + "\r\n";
    }
    for (const std::string& line : form.lines)
        reply += line + "\r\n";
    if (instrument.HasCapability('j'))
        reply += "LEVELTABLEEND\r\n";
    return reply;
}

TEST(LevelTableTransfer, sendFormsFollowTheCapabilities) {
    CCalibratorData actions("Cal", "cj");
    CCalibratorData flow("Cal", "cg");
    CCalibratorData plain("Cal", "c");
    for (CCalibratorData* instrument : {&actions, &flow, &plain})
        AddLevel(*instrument, 15, Generate(2.0f, 201, gas::kNO, -1.0f));

    const LevelSendForm a = MakeLevelSendForm(actions);
    EXPECT_EQ(a.opening, "leveltablebegin");
    EXPECT_EQ(a.lines, std::vector<std::string>{"15 GENERATE 2.0 PPM NO \"00000000\" \"00000000\""});
    EXPECT_EQ(a.closing, "leveltableend");
    const LevelSendForm g = MakeLevelSendForm(flow);
    EXPECT_EQ(g.opening, "leveltable 1");
    EXPECT_EQ(g.lines, std::vector<std::string>{"15 2.0 PPM NO -1.000 \"00000000\" \"00000000\""});
    EXPECT_EQ(g.closing, "");
    EXPECT_EQ(MakeLevelSendForm(plain).lines,
              std::vector<std::string>{"15 2.0 PPM NO \"00000000\" \"00000000\""});

    EXPECT_EQ(LevelTableRequestArgument(actions), "leveltable print");
    EXPECT_EQ(LevelTableRequestArgument(plain), "leveltable print script");
}

class CountingProgress : public CalibratorTransferProgress {
  public:
    void SetRange(int count) override { range = count; }
    void Advance() override { ++steps; }
    int range = -1;
    int steps = 0;
};

TEST(LevelTableTransfer, downloadReadsBackWhatASendCarriesInEveryVariant) {
    for (const char* caps : {"cj", "cg", "c"}) {
        CCalibratorData source("Cal", caps);
        AddLevel(source, 10, Generate(5.0f, 201, gas::kNO, -1.0f)).SetBlock(0, {0x81, true, true});
        AddLevel(source, 11, Generate(0.0f, 200, gas::kZero, 2.5f)).SetBlock(1, {0, false, true});
        AddLevel(source, 12, Generate(1.25f, 225, 102, 20.0f));
        if (source.HasCapability('j')) {
            auto manual = std::make_unique<CStepManual>();
            manual->Set({gas::kO3, 1.0f, 5.0f, o3mode::kBenchFeedback, 300.0f});
            AddLevel(source, 40, std::move(manual));
        }
        CCalibratorData target("Cal", caps);
        AddLevel(target, 77, nullptr);
        target.SetLevelTableModified(true);
        TextTokens reply(InstrumentReply(source));
        CountingProgress progress;
        ASSERT_TRUE(ReadLevelTableDownload(reply.ts(), target, &progress))
            << caps << ": " << reply.ts().GetErrorText();
        EXPECT_EQ(MakeLevelSendForm(target).lines, MakeLevelSendForm(source).lines) << caps;
        EXPECT_FALSE(target.IsLevelTableModified());
        EXPECT_EQ(progress.steps, static_cast<int>(source.LevelList().size()));
        EXPECT_EQ(progress.range,
                  source.HasCapability('j') ? 100 : static_cast<int>(source.LevelList().size()));
    }
}

TEST(LevelTableTransfer, noLevelsDefinedIsAnEmptyTable) {
    CCalibratorData instrument("Cal", "c");
    AddLevel(instrument, 50, nullptr);
    TextTokens reply("NO LEVELS DEFINED\r\n");
    ASSERT_TRUE(ReadLevelTableDownload(reply.ts(), instrument, nullptr));
    EXPECT_TRUE(instrument.LevelList().empty());
}

TEST(LevelTableTransfer, failedDownloadsKeepThePreviousTable) {
    const std::pair<const char*, const char*> replies[] = {
        {"c", "C 0 LEVELTABLE 101\r\n"},
        {"c", "C 0 LEVELTABLE 2\r\n12 ZERO \"0\" \"0\"\r\n"},
        {"c", "C 0 LEVELTABLE 1\r\n12 ZERO \"0\" \"0\"\r\n13 ZERO \"0\" \"0\"\r\n"},
        {"cg", "C 0 LEVELTABLE 1\r\n12 ZERO 25.0 \"0\" \"0\"\r\n"},  // flow out of range
        {"cj", "C 0 LEVELTABLEBEGIN\r\n12 GENERATE ZERO \"0\" \"0\"\r\n"},
        {"cj", "C 0 LEVELTABLEBEGIN\r\n12 STANDBY \"0\" \"0\"\r\nLEVELTABLEEND\r\n"},
        {"cj", "NO LEVELS DEFINED\r\n"},
        {"c", ""},
    };
    for (const auto& [caps, text] : replies) {
        CCalibratorData instrument("Cal", caps);
        AddLevel(instrument, 50, nullptr);
        instrument.SetLevelTableModified(true);
        TextTokens reply(text);
        EXPECT_FALSE(ReadLevelTableDownload(reply.ts(), instrument, nullptr)) << text;
        ASSERT_EQ(instrument.LevelList().size(), 1u) << text;
        EXPECT_EQ(LevelAt(instrument, 0).GetNumber(), 50u);
        EXPECT_TRUE(instrument.IsLevelTableModified());
    }
}

TEST(LevelTableTransfer, sendConfirmationClearsTheMark) {
    CCalibratorData instrument("Cal", "c");
    instrument.SetLevelTableModified(true);
    TextTokens wrong("New sequence configuration stored.\r\n", false);
    EXPECT_FALSE(ReadLevelSendReply(wrong.ts(), instrument));
    EXPECT_TRUE(instrument.IsLevelTableModified());
    TextTokens stored("New level table stored.\r\n", false);
    EXPECT_TRUE(ReadLevelSendReply(stored.ts(), instrument));
    EXPECT_FALSE(instrument.IsLevelTableModified());
}

TEST(LevelDialog, actionKindChoiceKeepsOrReplacesTheAction) {
    CCalibratorData instrument("Cal", "cj");
    CLevel& level = AddLevel(instrument, 20, nullptr);
    level.EnsureAction();
    ASSERT_NE(level.GetAction(), nullptr);
    EXPECT_EQ(level.GetAction()->Kind(), StepKind::Generate);
    static_cast<CStepGenerate*>(level.GetAction())->Set({9.0f, 201, 103, -1.0f});
    level.ChangeActionKind(StepKind::Generate);  // same kind: the edited step stays
    EXPECT_EQ(static_cast<CStepGenerate*>(level.GetAction())->Get().concentration, 9.0f);
    level.ChangeActionKind(StepKind::GPTZ);
    EXPECT_EQ(level.GetAction()->Kind(), StepKind::GPTZ);
    EXPECT_EQ(level.GetAction()->GetInstrument(), &instrument);
    level.ChangeActionKind(StepKind::Purge);  // not an action kind
    EXPECT_EQ(level.GetAction()->Kind(), StepKind::GPTZ);
}

}  // namespace
}  // namespace talven::testing
