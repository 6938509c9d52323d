#include "calibrator/SequenceRules.h"

#include "calibrator/CalibratorMessages.h"
#include "foundation/Messages.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

TEST(SequencePropertiesCheck, nameRuleComesFirstThenThePeriod) {
    CCalibratorData instrument("Cal", "");
    CSequence& existing = AddSequence(instrument, "ZERO_SPAN");
    EXPECT_EQ(CheckSequenceProperties(&instrument, nullptr, "CAL_2", 1, 0, 0), 0);
    EXPECT_EQ(CheckSequenceProperties(&instrument, nullptr, "ABCDEFGHIJ12", 0, 0, 1), 0);
    for (const char* bad : {"", "CAL 2", "CAL-2", "ABCDEFGHIJ123", "zero_span"}) {
        EXPECT_EQ(CheckSequenceProperties(&instrument, nullptr, bad, 1, 0, 0), calmsg::kInvalidSequenceName)
            << bad;
    }
    // The sequence being edited may keep its own name.
    EXPECT_EQ(CheckSequenceProperties(&instrument, &existing, "ZERO_SPAN", 0, 1, 0), 0);
    EXPECT_EQ(CheckSequenceProperties(&instrument, nullptr, "NEW", 0, 0, 0),
              calmsg::kTimerPeriodMustBePositive);
    EXPECT_EQ(CheckSequenceProperties(&instrument, nullptr, "bad name", 0, 0, 0),
              calmsg::kInvalidSequenceName);
    EXPECT_EQ(CheckSequenceProperties(&instrument, nullptr, DuplicateSequenceName(existing), 1, 0, 0),
              calmsg::kInvalidSequenceName);

    EXPECT_EQ(
        MessageText(calmsg::kInvalidSequenceName),
        "Please enter a valid name for this sequence. Sequence names must be unique and may contain only "
        "alphabetic characters, digits, and the '_' character.");
    EXPECT_EQ(MessageText(calmsg::kTimerPeriodMustBePositive),
              "The timer period must be greater than zero. Ensure that either the days, hours, or minutes is "
              "greater than zero.");
}

TEST(StepDialogs, setpointUnitFollowsTheGeneratorMode) {
    EXPECT_FALSE(IsO3SetpointEnabled(o3mode::kOff));
    EXPECT_TRUE(IsO3SetpointEnabled(o3mode::kConstantDrive));
    EXPECT_EQ(O3SetpointUnit(o3mode::kConstantDrive), "mV");
    EXPECT_EQ(O3SetpointUnit(o3mode::kReferenceFeedback), "mV");
    EXPECT_EQ(O3SetpointUnit(o3mode::kBenchFeedback), "PPB");
    EXPECT_EQ(StepDialogTitle(StepKind::Generate), "Generate Cylinder / Permeation Gas");
    EXPECT_EQ(StepDialogTitle(StepKind::GPTZ), "GPT Zero");
    EXPECT_EQ(StepDialogTitle(StepKind::GPTPreset), "GPT Preset");
    EXPECT_EQ(StepDialogTitle(StepKind::Level), "Level");
}

std::vector<std::string> TypeNames(const std::vector<StepKind>& kinds) {
    std::vector<std::string> names;
    for (StepKind kind : kinds)
        names.push_back(StepTypeName(kind));
    return names;
}

TEST(StepKindsOffered, selectStepTypeListFollowsTheCapabilities) {
    EXPECT_EQ(TypeNames(SelectableStepKinds(nullptr)),
              (std::vector<std::string>{"Generate Cyl./Perm.", "Standby", "Duration", "Execute Sequence"}));
    CCalibratorData full("Cal", "c!B@*%q#$l");
    EXPECT_EQ(SelectableStepKinds(&full).size(), static_cast<std::size_t>(kStepKindCount));
    CCalibratorData some("Cal", "c*l");
    EXPECT_EQ(TypeNames(SelectableStepKinds(&some)),
              (std::vector<std::string>{"Generate Cyl./Perm.", "Manual", "Standby", "Duration",
                                        "Execute Sequence", "Generate Level", "Set Status Blocks"}));
}

std::vector<int> TextIds(const std::vector<MenuEntry>& menu) {
    std::vector<int> ids;
    for (const MenuEntry& entry : menu)
        ids.push_back(entry.textId);
    return ids;
}

TEST(StepKindsOffered, sequenceMenuOffersManualAlwaysAndRespectsTheLimits) {
    CCalibratorData plain("Cal", "c");
    CSequence& sequence = AddSequence(plain, "S");
    const std::vector<MenuEntry> menu = SequenceContextMenu(&plain, sequence);
    std::vector<std::string> texts;
    for (int id : TextIds(menu))
        texts.push_back(std::string(MessageText(id)));
    EXPECT_EQ(texts, (std::vector<std::string>{"New &Generate Step", "New &Manual Step", "New &Standby Step",
                                               "New Dur&ation Step", "New E&xecute Sequence Step",
                                               "&New Sequence", "D&uplicate Sequence", "Sequence &Properties",
                                               "&Delete Sequence", "E&xpand All", "C&ollapse All"}));

    CCalibratorData full("Cal", "c!B@%q#$l");
    CSequence& big = AddSequence(full, "BIG");
    EXPECT_EQ(SequenceContextMenu(&full, big).size(), 14u + 6u);
    for (int i = 0; i < 100; ++i)
        big.AppendStep(std::make_unique<CStepPurge>());
    for (int i = 1; i < 100; ++i)
        AddSequence(full, "S" + std::to_string(i));
    EXPECT_EQ(TextIds(SequenceContextMenu(&full, big)),
              (std::vector<int>{calmsg::kMenuSequenceProperties, calmsg::kMenuDeleteSequence,
                                calmsg::kMenuExpandAll, calmsg::kMenuCollapseAll}));
    EXPECT_EQ(TextIds(StepContextMenu(big, *big.GetStep(0))),
              (std::vector<int>{calmsg::kMenuDeleteStep, calmsg::kMenuExpandAll, calmsg::kMenuCollapseAll}));
}

TEST(StepKindsOffered, stepMenuOffersPropertiesOnlyForEditableKinds) {
    CCalibratorData instrument("Cal", "c");
    CSequence& sequence = AddSequence(instrument, "S");
    sequence.AppendStep(std::make_unique<CStepStandby>());
    sequence.AppendStep(std::make_unique<CStepDelay>());
    EXPECT_EQ(TextIds(StepContextMenu(sequence, *sequence.GetStep(0))),
              (std::vector<int>{calmsg::kMenuDuplicateStep, calmsg::kMenuDeleteStep, calmsg::kMenuExpandAll,
                                calmsg::kMenuCollapseAll}));
    EXPECT_EQ(TextIds(StepContextMenu(sequence, *sequence.GetStep(1)))[1], calmsg::kMenuStepProperties);
}

}  // namespace
}  // namespace talven::testing
