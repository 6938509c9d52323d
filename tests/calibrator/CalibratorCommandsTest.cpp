#include "calibrator/CalibratorCommands.h"

#include "calibrator/Level.h"
#include "calibrator/SequenceScript.h"
#include "foundation/UserPrompt.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

constexpr unsigned kConfirmFlags = mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2;

class CalibratorCommands : public ::testing::Test {
  protected:
    CalibratorCommands() : scope_(&prompt_) {}

    const ScriptedPrompt::Asked& LastAsked() const {
        static ScriptedPrompt::Asked none{};
        asked_ = prompt_.asked();
        return asked_.empty() ? none : asked_.back();
    }

    ScriptedPrompt prompt_;
    ScopedUserPrompt scope_;
    TempDir dir_;
    CCalibratorData instrument_{"Cal", "cj"};
    mutable std::vector<ScriptedPrompt::Asked> asked_;
};

TEST_F(CalibratorCommands, loadAsksToDiscardOnlyAModifiedListAndStopsOnNo) {
    AddSequence(instrument_, "KEEP");
    instrument_.SetSequenceConfigModified(true);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(LoadSequenceConfigCommand(instrument_));
    EXPECT_EQ(
        LastAsked().text,
        "This operation will discard the existing sequence configuration. It will not modify the sequence "
        "configuration in the instrument itself.\n\nProceed?");
    EXPECT_EQ(LastAsked().caption, "Confirm");
    EXPECT_EQ(LastAsked().flags, kConfirmFlags);
    EXPECT_TRUE(prompt_.fileRequests().empty());
    EXPECT_EQ(instrument_.SequenceList().size(), 1u);

    instrument_.SetSequenceConfigModified(false);
    prompt_.QueueFile(std::nullopt);
    EXPECT_FALSE(LoadSequenceConfigCommand(instrument_));
    ASSERT_EQ(prompt_.fileRequests().size(), 1u);
    const FileDialogRequest request = prompt_.fileRequests()[0];
    EXPECT_EQ(request.filter, "Sequence Configuration Script Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_EQ(request.defaultExtension, ".txt");
    EXPECT_TRUE(request.mustExist);
    EXPECT_EQ(prompt_.asked().size(), 1u);  // no second question for an unmodified list
}

TEST_F(CalibratorCommands, failedLoadShowsTheSyntaxMessageAsAnError) {
    const std::string path = dir_.PathOf("bad.txt");
    WriteFile(path, "SEQLISTBEGIN\r\nSEQEND\r\n");
    prompt_.QueueFile(path);
    EXPECT_TRUE(LoadSequenceConfigCommand(instrument_));
    EXPECT_EQ(LastAsked().text,
              "Syntax error encountered at 'SEQEND', on line 2 of sequence configuration script "
              "file " +
                  path + ". File not loaded.");
    EXPECT_EQ(LastAsked().caption, "Error");
    EXPECT_EQ(LastAsked().flags, mb::kOk | mb::kIconWarning);
}

TEST_F(CalibratorCommands, saveProposesTheCleanedNameAndPromptsBeforeOverwriting) {
    instrument_.SetSerialNumber("77");
    AddSequence(instrument_, "ONE");
    const std::string path = dir_.PathOf("out.txt");
    prompt_.QueueFile(path);
    ASSERT_TRUE(SaveSequenceConfigCommand(instrument_));
    const FileDialogRequest request = prompt_.fileRequests()[0];
    EXPECT_EQ(request.initialName, "Cal-77 Sequence Configuration.txt");
    EXPECT_TRUE(request.promptOverwrite);
    EXPECT_EQ(ReadFile(path), SequenceListText(instrument_, SequenceFileFlags()));

    prompt_.QueueFile(dir_.PathOf("missing/out.txt"));
    EXPECT_FALSE(SaveSequenceConfigCommand(instrument_));
    EXPECT_EQ(LastAsked().text,
              "Unable to save sequence configuration file " + dir_.PathOf("missing/out.txt") + ".");
}

TEST_F(CalibratorCommands, sendResultsUseSuccessAndErrorBoxes) {
    ShowSequenceSendResult(true);
    EXPECT_EQ(LastAsked().text, "Sequence configuration successfully sent to instrument.");
    EXPECT_EQ(LastAsked().caption, "Success");
    EXPECT_EQ(LastAsked().flags, mb::kOk | mb::kIconInformation);
    ShowLevelSendResult(false);
    EXPECT_EQ(
        LastAsked().text,
        "Error occurred while sending level table to instrument. Instrument's level table not modified.");
    EXPECT_EQ(LastAsked().caption, "Error");
}

TEST_F(CalibratorCommands, closeWaitsForTransfersAndAsksAboutUnsentChanges) {
    EXPECT_FALSE(CanCloseSequenceConfig(instrument_, true, true));
    EXPECT_TRUE(prompt_.asked().empty());
    instrument_.SetSequenceConfigModified(true);
    EXPECT_TRUE(CanCloseSequenceConfig(instrument_, false, false));
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(CanCloseSequenceConfig(instrument_, false, true));
    EXPECT_EQ(
        LastAsked().text,
        "The sequence configuration has been modified, but has not been sent to the instrument.\n\nExit "
        "sequence configuration?");
    instrument_.SetLevelTableModified(true);
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(CanCloseLevelTable(instrument_, false, true));
}

TEST_F(CalibratorCommands, duplicateAndDeleteFollowTheLimitsAndTheConfirmOption) {
    CSequence& cal = AddSequence(instrument_, "CAL");
    cal.AppendStep(std::make_unique<CStepPurge>());
    CSequence* copy = DuplicateSequence(instrument_, cal);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "Copy of CAL");
    EXPECT_EQ(copy->GetStep(0)->GetSequence(), copy);
    EXPECT_TRUE(instrument_.IsSequenceConfigModified());
    while (instrument_.SequenceList().size() < 100)
        AddSequence(instrument_, "X");
    EXPECT_EQ(DuplicateSequence(instrument_, cal), nullptr);
    EXPECT_FALSE(AddSequence(instrument_, std::make_unique<CSequence>(&instrument_)));

    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(DeleteSequence(instrument_, cal, true));
    EXPECT_EQ(LastAsked().text, "Delete \"CAL\"?");
    EXPECT_EQ(instrument_.SequenceList().size(), 100u);
    const std::size_t asked = prompt_.asked().size();
    EXPECT_TRUE(DeleteStep(instrument_, cal, *cal.GetStep(0), false));
    EXPECT_EQ(prompt_.asked().size(), asked);
    EXPECT_EQ(cal.GetStepCount(), 0u);
}

TEST_F(CalibratorCommands, moveAndDuplicateStepsMarkTheConfigurationModified) {
    CSequence& first = AddSequence(instrument_, "A");
    AddSequence(instrument_, "B");
    EXPECT_FALSE(MoveSequence(instrument_, first, -1));
    EXPECT_FALSE(instrument_.IsSequenceConfigModified());
    EXPECT_TRUE(MoveSequence(instrument_, first, +1));
    EXPECT_EQ(SequenceAt(instrument_, 1).GetName(), "A");
    EXPECT_TRUE(instrument_.IsSequenceConfigModified());

    first.AppendStep(std::make_unique<CStepLevel>());
    for (int i = 1; i < 100; ++i)
        ASSERT_NE(DuplicateStep(instrument_, first, *first.GetStep(0)), nullptr);
    EXPECT_EQ(DuplicateStep(instrument_, first, *first.GetStep(0)), nullptr);
    EXPECT_FALSE(AddStep(instrument_, first, std::make_unique<CStepPurge>()));
}

TEST_F(CalibratorCommands, levelSendRefusesDuplicatesAndNamesBothLevels) {
    for (std::uint32_t number : {11u, 12u, 13u, 12u}) {
        auto level = std::make_unique<CLevel>();
        level->SetNumber(number);
        AddLevel(instrument_, std::move(level));
    }
    std::vector<std::size_t> duplicates;
    EXPECT_FALSE(ConfirmSendLevels(instrument_, duplicates));
    EXPECT_EQ(duplicates, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(LastAsked().text, "Duplicate level numbers found. All level numbers must be unique.");
    EXPECT_EQ(LastAsked().flags, mb::kOk | mb::kIconWarning);

    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(DeleteLevels(instrument_, {3}));
    EXPECT_EQ(LastAsked().text, "Delete all selected levels?");
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(DeleteLevels(instrument_, {3, 0}));
    ASSERT_EQ(instrument_.LevelList().size(), 2u);
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(ConfirmSendLevels(instrument_, duplicates));
    EXPECT_TRUE(duplicates.empty());
    EXPECT_EQ(
        LastAsked().text,
        "Sending the level table to the instrument will replace its existing level table.\n\nAre you sure "
        "you want to do this?");
}

TEST_F(CalibratorCommands, newTableAndLevelFileLoadFollowTheDiscardRule) {
    auto level = std::make_unique<CLevel>();
    level->SetAction(std::make_unique<CStepGenerate>());
    AddLevel(instrument_, std::move(level));
    ASSERT_NE(DuplicateLevel(instrument_, static_cast<CLevel&>(*instrument_.LevelList().at(0))), nullptr);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(NewLevelTableCommand(instrument_));
    EXPECT_EQ(instrument_.LevelList().size(), 2u);

    const std::string path = dir_.PathOf("levels.txt");
    prompt_.QueueFile(path);
    ASSERT_TRUE(SaveLevelTableCommand(instrument_));
    EXPECT_EQ(prompt_.fileRequests().back().filter, "Level Table Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    EXPECT_FALSE(instrument_.IsLevelTableModified());
    EXPECT_TRUE(NewLevelTableCommand(instrument_));  // unmodified: no question
    EXPECT_TRUE(instrument_.LevelList().empty());

    prompt_.QueueFile(path);
    EXPECT_TRUE(LoadLevelTableCommand(instrument_));
    EXPECT_EQ(instrument_.LevelList().size(), 2u);
}

}  // namespace
}  // namespace talven::testing

namespace talven::testing {
namespace {

/// Answers every properties dialog with the scripted result and records what was edited.
class ScriptedEditor : public CalibratorEditor {
  public:
    ScriptedEditor() { SetCalibratorEditor(this); }
    ~ScriptedEditor() override { SetCalibratorEditor(nullptr); }
    bool EditStep(CStep& step, ICalibratorInstrument*) override {
        edited.push_back(step.GetName());
        return answer;
    }
    bool EditSequence(CSequence& sequence) override {
        edited.push_back(sequence.GetName());
        if (answer)
            sequence.SetName("EDITED");
        return answer;
    }
    bool answer = true;
    std::vector<std::string> edited;
};

TEST(CalibratorNewCommands, newItemsJoinTheListOnlyWhenTheirDialogEndsWithOk) {
    CCalibratorData instrument("Cal", "c");
    ScriptedEditor editor;
    editor.answer = false;
    EXPECT_EQ(NewSequenceCommand(instrument), nullptr);
    EXPECT_TRUE(instrument.SequenceList().empty());
    editor.answer = true;
    CSequence* sequence = NewSequenceCommand(instrument);
    ASSERT_NE(sequence, nullptr);
    EXPECT_EQ(sequence->GetName(), "EDITED");
    EXPECT_TRUE(instrument.IsSequenceConfigModified());

    editor.answer = false;
    EXPECT_EQ(NewStepCommand(instrument, *sequence, StepKind::Generate), nullptr);
    ASSERT_NE(NewStepCommand(instrument, *sequence, StepKind::Purge), nullptr);  // no dialog
    EXPECT_EQ(editor.edited, (std::vector<std::string>{"NONE", "NONE", "GENERATE"}));
    EXPECT_EQ(sequence->GetStepCount(), 1u);
    instrument.SetSequenceConfigModified(false);
    EXPECT_FALSE(EditStepCommand(instrument, *sequence->GetStep(0)));  // Purge has no properties
    EXPECT_FALSE(instrument.IsSequenceConfigModified());
}

}  // namespace
}  // namespace talven::testing
