#pragma once
// The commands of the sequence configuration and level table windows that involve the user or
// change the lists: questions and messages go through the user prompt, every change marks the
// instrument's configuration modified. Called on the user-interface thread; list changes take the
// data lock. The windows bind buttons and menus to these and redraw afterwards.

#include <cstddef>
#include <memory>
#include <vector>

#include "calibrator/Step.h"

namespace talven {

class CLevel;
class CSequence;
class CStep;
class ICalibratorInstrument;

// ---- Sequence configuration

/// True when the list may be discarded: not modified, or the user answered Yes.
bool ConfirmDiscardSequences(ICalibratorInstrument& instrument);
/// "&Load Config.": the discard question, the open dialog, the load and its message. True when
/// the list was replaced or emptied (the tree must be rebuilt).
bool LoadSequenceConfigCommand(ICalibratorInstrument& instrument);
/// "&Save Config.": the save dialog with the proposed name, the write and its message.
bool SaveSequenceConfigCommand(ICalibratorInstrument& instrument);
/// "&New Config.": the discard question, then an empty list. True when emptied.
bool NewSequenceConfigCommand(ICalibratorInstrument& instrument);
/// "Send &To Inst.": the question before the send is posted.
bool ConfirmSendSequences();
/// The message after a send finished; a failure is also written to the event log.
void ShowSequenceSendResult(bool succeeded);
/// "Close": false while a transfer runs, or when the user keeps a modified, unsent configuration
/// of a connected instrument.
bool CanCloseSequenceConfig(ICalibratorInstrument& instrument, bool transferRunning, bool connected);

/// "&New Sequence": a sequence with the defaults, its properties dialog, appended only on OK (and
/// below 100 sequences). Returns the new sequence or null.
CSequence* NewSequenceCommand(ICalibratorInstrument& instrument);
/// A new-step command: a step of the kind with its defaults; kinds with properties open their
/// dialog and are appended only on OK, the others at once. Returns the new step or null.
CStep* NewStepCommand(ICalibratorInstrument& instrument, CSequence& sequence, StepKind kind);
/// "Prop&erties": the item's dialog; marks the configuration modified on OK.
bool EditSequenceCommand(ICalibratorInstrument& instrument, CSequence& sequence);
bool EditStepCommand(ICalibratorInstrument& instrument, CStep& step);

/// "D&uplicate" on a sequence: a clone named "Copy of ..." appended to the list. Null when the
/// instrument already holds 100 sequences.
CSequence* DuplicateSequence(ICalibratorInstrument& instrument, const CSequence& sequence);
/// "D&uplicate" on a step: a clone appended to the same sequence. Null at 100 steps.
CStep* DuplicateStep(ICalibratorInstrument& instrument, CSequence& sequence, const CStep& step);
/// Appends a sequence made (and accepted) by the new-sequence dialog. False at 100 sequences.
bool AddSequence(ICalibratorInstrument& instrument, std::unique_ptr<CSequence> sequence);
/// Appends a new step accepted by its dialog. False at 100 steps.
bool AddStep(ICalibratorInstrument& instrument, CSequence& sequence, std::unique_ptr<CStep> step);
/// "&Delete": asks Delete "name"? when confirmDeletes is on; true when deleted.
bool DeleteSequence(ICalibratorInstrument& instrument, CSequence& sequence, bool confirmDeletes);
bool DeleteStep(ICalibratorInstrument& instrument, CSequence& sequence, CStep& step, bool confirmDeletes);
/// "&Move Up" (-1) and "Move Do&wn" (+1); false at the end of the list.
bool MoveSequence(ICalibratorInstrument& instrument, const CSequence& sequence, int direction);
bool MoveStep(ICalibratorInstrument& instrument, CSequence& sequence, const CStep& step, int direction);

// ---- Level table

bool ConfirmDiscardLevels(ICalibratorInstrument& instrument);
/// "&Load": as for sequences; true when the table was replaced or emptied.
bool LoadLevelTableCommand(ICalibratorInstrument& instrument);
bool SaveLevelTableCommand(ICalibratorInstrument& instrument);
bool NewLevelTableCommand(ICalibratorInstrument& instrument);
/// "Send &To Inst.": the duplicate test (the two levels are returned in duplicates for selection
/// and the message shown), then the send question. True when the send may be posted.
bool ConfirmSendLevels(ICalibratorInstrument& instrument, std::vector<std::size_t>& duplicates);
void ShowLevelSendResult(bool succeeded);
bool CanCloseLevelTable(ICalibratorInstrument& instrument, bool transferRunning, bool connected);
/// "&Delete": asks "Delete all selected levels?" and deletes the levels at the given indexes.
bool DeleteLevels(ICalibratorInstrument& instrument, const std::vector<std::size_t>& indexes);
/// "D&uplicate" and "New Le&vel" (after its dialog): append and mark modified.
CLevel* DuplicateLevel(ICalibratorInstrument& instrument, const CLevel& level);
void AddLevel(ICalibratorInstrument& instrument, std::unique_ptr<CLevel> level);

}  // namespace talven
