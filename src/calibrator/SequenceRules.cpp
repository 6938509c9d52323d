#include "calibrator/SequenceRules.h"

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/Sequence.h"
#include "foundation/DataLock.h"
#include "foundation/EString.h"
#include "foundation/Messages.h"

namespace talven {

namespace {

constexpr std::size_t kMaxSequences = 100;

bool IsNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

bool IsValidSequenceNameText(std::string_view name) {
    if (name.empty() || name.size() > limits::kSequenceNameLength)
        return false;
    for (char c : name) {
        if (!IsNameCharacter(c))
            return false;
    }
    return true;
}

int CheckSequenceProperties(ICalibratorInstrument* instrument, const CSequence* editing,
                            std::string_view name, std::uint32_t days, std::uint32_t hours,
                            std::uint32_t minutes) {
    if (!IsValidSequenceNameText(name))
        return calmsg::kInvalidSequenceName;
    if (instrument != nullptr) {
        DataGuard guard;
        for (const auto& item : instrument->SequenceList()) {
            if (item.get() != editing && EqualsNoCase(item->GetName(), name))
                return calmsg::kInvalidSequenceName;
        }
    }
    if (days == 0 && hours == 0 && minutes == 0)
        return calmsg::kTimerPeriodMustBePositive;
    return 0;
}

std::uint32_t RepeatCountFor(RunChoice choice, std::uint32_t severalCount) {
    switch (choice) {
        case RunChoice::Once:
            return 1;
        case RunChoice::UntilHalted:
            return 0;
        case RunChoice::Several:
            return severalCount;
    }
    return 1;
}

RunChoice RunChoiceOf(std::uint32_t repeatCount) {
    if (repeatCount == 0)
        return RunChoice::UntilHalted;
    return repeatCount == 1 ? RunChoice::Once : RunChoice::Several;
}

std::string O3SetpointUnit(std::uint32_t o3Mode) {
    return std::string(
        MessageText(o3Mode == o3mode::kBenchFeedback ? calmsg::kSetpointPpb : calmsg::kSetpointMillivolts));
}

bool IsO3SetpointEnabled(std::uint32_t o3Mode) {
    return o3Mode != o3mode::kOff;
}

std::string StepDialogTitle(StepKind kind) {
    const int title = StepKindInfoOf(kind).titleMessage;
    // Without a title of its own: "GPT", "GPT Preset", "Duration", "Execute Sequence".
    return title != 0 ? std::string(MessageText(title)) : StepTypeName(kind);
}

char NewStepMenuCapability(StepKind kind) {
    return StepKindInfoOf(kind).menuCapability;
}

char SelectStepTypeCapability(StepKind kind) {
    return kind == StepKind::Manual ? '*' : NewStepMenuCapability(kind);
}

std::vector<StepKind> SelectableStepKinds(const ICalibratorInstrument* instrument) {
    std::vector<StepKind> kinds;
    for (int i = 0; i < kStepKindCount; ++i) {
        const auto kind = static_cast<StepKind>(i);
        const char needed = SelectStepTypeCapability(kind);
        if (needed == 0 || HasCapability(instrument, needed))
            kinds.push_back(kind);
    }
    return kinds;
}

std::vector<MenuEntry> SequenceContextMenu(ICalibratorInstrument* instrument, const CSequence& sequence) {
    std::vector<MenuEntry> menu;
    if (sequence.CanAddStep()) {
        for (int i = 0; i < kStepKindCount; ++i) {
            const auto kind = static_cast<StepKind>(i);
            const char needed = NewStepMenuCapability(kind);
            if (needed == 0 || HasCapability(instrument, needed))
                menu.push_back({SequenceCommand::NewStep, kind, calmsg::kMenuNewStepFirst + i});
        }
    }
    std::size_t sequences = 0;
    if (instrument != nullptr) {
        DataGuard guard;
        sequences = instrument->SequenceList().size();
    }
    if (sequences < kMaxSequences) {
        menu.push_back({SequenceCommand::NewSequence, StepKind::Generate, calmsg::kMenuNewSequence});
        menu.push_back(
            {SequenceCommand::DuplicateSequence, StepKind::Generate, calmsg::kMenuDuplicateSequence});
    }
    menu.push_back(
        {SequenceCommand::SequenceProperties, StepKind::Generate, calmsg::kMenuSequenceProperties});
    menu.push_back({SequenceCommand::DeleteSequence, StepKind::Generate, calmsg::kMenuDeleteSequence});
    menu.push_back({SequenceCommand::ExpandAll, StepKind::Generate, calmsg::kMenuExpandAll});
    menu.push_back({SequenceCommand::CollapseAll, StepKind::Generate, calmsg::kMenuCollapseAll});
    return menu;
}

std::vector<MenuEntry> StepContextMenu(const CSequence& sequence, const CStep& step) {
    std::vector<MenuEntry> menu;
    if (sequence.CanAddStep())
        menu.push_back({SequenceCommand::DuplicateStep, step.Kind(), calmsg::kMenuDuplicateStep});
    if (step.CanEdit())
        menu.push_back({SequenceCommand::StepProperties, step.Kind(), calmsg::kMenuStepProperties});
    menu.push_back({SequenceCommand::DeleteStep, step.Kind(), calmsg::kMenuDeleteStep});
    menu.push_back({SequenceCommand::ExpandAll, step.Kind(), calmsg::kMenuExpandAll});
    menu.push_back({SequenceCommand::CollapseAll, step.Kind(), calmsg::kMenuCollapseAll});
    return menu;
}

std::string DuplicateSequenceName(const CSequence& sequence) {
    return std::string(MessageText(msg::kCopyOf)) + sequence.GetName();
}

void SetAllSequencesExpanded(ICalibratorInstrument& instrument, bool expanded) {
    DataGuard guard;
    for (const auto& item : instrument.SequenceList())
        static_cast<CSequence&>(*item).SetExpanded(expanded);
}

}  // namespace talven
