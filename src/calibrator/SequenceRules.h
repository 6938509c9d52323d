#pragma once
// The edit rules of the sequence configuration window and its dialogs, as functions the windows
// call: the name and period checks of the sequence properties dialog, the field ranges of the
// step dialogs, and which step kinds and commands are offered.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calibrator/Step.h"

namespace talven {

class CSequence;
class ICalibratorInstrument;

/// The checks made when the sequence properties dialog's OK is pressed, in order. Returns 0 when
/// the values may be stored, else the number of the message to show (caption "Error", warning
/// icon); the dialog then stays open. editing is the sequence being edited (it may keep its own
/// name); null for a sequence not yet in the list. The name must be non-empty, of letters, digits
/// and "_", at most 12 characters and not borne by another sequence of the instrument (letter case
/// ignored); the period (whether or not the timer is enabled) must be above zero.
int CheckSequenceProperties(ICalibratorInstrument* instrument, const CSequence* editing,
                            std::string_view name, std::uint32_t days, std::uint32_t hours,
                            std::uint32_t minutes);
bool IsValidSequenceNameText(std::string_view name);

/// The run choice of the sequence properties dialog and the repeat count it gives.
enum class RunChoice { Once, Several, UntilHalted };
std::uint32_t RepeatCountFor(RunChoice choice, std::uint32_t severalCount);
RunChoice RunChoiceOf(std::uint32_t repeatCount);

/// Field limits of the dialogs; input outside is refused by the dialog's range check.
namespace limits {
constexpr std::size_t kSequenceNameLength = 12;
constexpr std::uint32_t kMaxRepeatCount = 100;
constexpr std::uint32_t kMaxPeriodDays = 366;
constexpr double kMaxConcentration = 1000000.0;
constexpr double kMinTotalFlow = 0.01;
constexpr double kMaxTotalFlow = 20.0;
constexpr double kMaxCalFlow = 2.0;
constexpr double kMaxDiluentFlow = 20.0;
constexpr double kMaxO3Setpoint = 5000.0;
constexpr double kMinDurationMinutes = 0.1;
constexpr double kMaxDurationMinutes = 120.0;
constexpr std::uint32_t kMinLevel = 10;
constexpr std::uint32_t kMaxLevel = 99;
}  // namespace limits

/// The setpoint unit shown by the manual step dialog ("mV" or "PPB"), and whether the setpoint is
/// enabled (any mode but off).
std::string O3SetpointUnit(std::uint32_t o3Mode);
bool IsO3SetpointEnabled(std::uint32_t o3Mode);
/// The properties dialog title of a step kind.
std::string StepDialogTitle(StepKind kind);

/// The capability character a kind needs in the sequence's context menu (0: none).
char NewStepMenuCapability(StepKind kind);
/// The capability character a kind needs in the select-step-type list (0: none). Manual needs
/// "*" here, whereas its context-menu entry is always offered.
char SelectStepTypeCapability(StepKind kind);
/// The kinds listed by the select-step-type dialog, in order; without an instrument only the
/// kinds that need no character.
std::vector<StepKind> SelectableStepKinds(const ICalibratorInstrument* instrument);

/// The commands of the sequence configuration tree's context menus.
enum class SequenceCommand {
    NewStep,  // with kind
    DuplicateStep,
    NewSequence,
    DuplicateSequence,
    SequenceProperties,
    DeleteSequence,
    StepProperties,
    DeleteStep,
    ExpandAll,
    CollapseAll,
};
struct MenuEntry {
    SequenceCommand command;
    StepKind kind;  // for NewStep
    int textId;     // message number of the menu text
};
/// The menu on a sequence: the new-step entries its instrument allows (only while the sequence
/// holds fewer than 100 steps), new and duplicate sequence (only below 100 sequences), properties,
/// delete, expand all and collapse all.
std::vector<MenuEntry> SequenceContextMenu(ICalibratorInstrument* instrument, const CSequence& sequence);
/// The menu on a step: duplicate (below 100 steps), properties (when the kind has any), delete.
std::vector<MenuEntry> StepContextMenu(const CSequence& sequence, const CStep& step);

/// "Copy of " followed by the name: the duplicate's name (it fails the name rule until edited).
std::string DuplicateSequenceName(const CSequence& sequence);

/// Sets the expanded flag of every sequence of the instrument.
void SetAllSequencesExpanded(ICalibratorInstrument& instrument, bool expanded);

}  // namespace talven
