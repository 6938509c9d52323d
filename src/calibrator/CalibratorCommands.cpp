#include "calibrator/CalibratorCommands.h"

#include <algorithm>

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/Level.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceRules.h"
#include "calibrator/SequenceScript.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

constexpr std::size_t kMaxSequences = 100;

bool AskYesNo(const std::string& text) {
    return GetUserPrompt().MessageBox(text, std::string(MessageText(msg::kCaptionConfirm)),
                                      mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2) == mb::kIdYes;
}

void ShowError(const std::string& text) {
    GetUserPrompt().MessageBox(text, std::string(MessageText(msg::kCaptionError)),
                               mb::kOk | mb::kIconWarning);
}

void ShowSuccess(const std::string& text) {
    GetUserPrompt().MessageBox(text, std::string(MessageText(msg::kCaptionSuccess)),
                               mb::kOk | mb::kIconInformation);
}

FileDialogRequest Request(int filterId, std::string initialName) {
    FileDialogRequest request;
    request.filter = std::string(MessageText(filterId));
    request.defaultExtension = std::string(MessageText(calmsg::kTextFileExtension));
    request.initialName = std::move(initialName);
    return request;
}

std::size_t SequenceCount(ICalibratorInstrument& instrument) {
    DataGuard guard;
    return instrument.SequenceList().size();
}

bool MoveInList(CNamedObjectList& list, const CNamedObject* item, int direction) {
    DataGuard guard;
    const std::size_t index = list.IndexOf(item);
    if (index >= list.size() || direction == 0 || (direction < 0 && index == 0) ||
        (direction > 0 && index + 1 >= list.size())) {
        return false;
    }
    std::unique_ptr<CNamedObject> moved = list.Remove(item);
    list.Insert(direction < 0 ? index - 1 : index + 1, std::move(moved));
    return true;
}

bool ConfirmDelete(const std::string& name, bool confirmDeletes) {
    return !confirmDeletes || AskYesNo(FormatMessage(msg::kDeleteQuestion, name));
}

}  // namespace

bool ConfirmDiscardSequences(ICalibratorInstrument& instrument) {
    return !instrument.IsSequenceConfigModified() || AskYesNo(FormatMessage(calmsg::kDiscardSequenceConfig));
}

bool LoadSequenceConfigCommand(ICalibratorInstrument& instrument) {
    if (!ConfirmDiscardSequences(instrument))
        return false;
    FileDialogRequest request = Request(calmsg::kSequenceScriptFilter, {});
    request.mustExist = true;
    const std::optional<std::string> path = GetUserPrompt().OpenFile(request);
    if (!path)
        return false;
    const CalFileResult result = LoadSequenceFile(instrument, *path);
    if (!result.ok)
        ShowError(result.message);
    return true;
}

bool SaveSequenceConfigCommand(ICalibratorInstrument& instrument) {
    FileDialogRequest request = Request(calmsg::kSequenceScriptFilter, ProposedSequenceFileName(instrument));
    request.promptOverwrite = true;
    const std::optional<std::string> path = GetUserPrompt().SaveFile(request);
    if (!path)
        return false;
    const CalFileResult result = SaveSequenceFile(instrument, *path);
    if (!result.ok)
        ShowError(result.message);
    return result.ok;
}

bool NewSequenceConfigCommand(ICalibratorInstrument& instrument) {
    if (!ConfirmDiscardSequences(instrument))
        return false;
    DataGuard guard;
    instrument.SequenceList().DeleteAll();
    instrument.SetSequenceConfigModified(false);
    return true;
}

bool ConfirmSendSequences() {
    return AskYesNo(FormatMessage(calmsg::kSendSequenceQuestion));
}

void ShowSequenceSendResult(bool succeeded) {
    if (succeeded) {
        ShowSuccess(FormatMessage(calmsg::kSequenceConfigSent));
        return;
    }
    const std::string text = FormatMessage(calmsg::kSequenceSendFailed);
    Log(kLogError, text);
    ShowError(text);
}

bool CanCloseSequenceConfig(ICalibratorInstrument& instrument, bool transferRunning, bool connected) {
    if (transferRunning)
        return false;
    if (!connected || !instrument.IsSequenceConfigModified())
        return true;
    return GetUserPrompt().MessageBox(FormatMessage(calmsg::kSequenceModifiedExit),
                                      std::string(MessageText(msg::kCaptionConfirm)),
                                      mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
}

CSequence* NewSequenceCommand(ICalibratorInstrument& instrument) {
    if (SequenceCount(instrument) >= kMaxSequences)
        return nullptr;
    auto sequence = std::make_unique<CSequence>(&instrument);
    if (!sequence->EditProperties())
        return nullptr;
    CSequence* raw = sequence.get();
    return AddSequence(instrument, std::move(sequence)) ? raw : nullptr;
}

CStep* NewStepCommand(ICalibratorInstrument& instrument, CSequence& sequence, StepKind kind) {
    if (!sequence.CanAddStep())
        return nullptr;
    std::unique_ptr<CStep> step = CreateStep(kind);
    step->SetSequence(&sequence);
    if (step->CanEdit() && !step->EditProperties(&instrument))
        return nullptr;
    CStep* raw = step.get();
    return AddStep(instrument, sequence, std::move(step)) ? raw : nullptr;
}

bool EditSequenceCommand(ICalibratorInstrument& instrument, CSequence& sequence) {
    if (!sequence.EditProperties())
        return false;
    instrument.SetSequenceConfigModified(true);
    return true;
}

bool EditStepCommand(ICalibratorInstrument& instrument, CStep& step) {
    if (!step.EditProperties(&instrument))
        return false;
    instrument.SetSequenceConfigModified(true);
    return true;
}

CSequence* DuplicateSequence(ICalibratorInstrument& instrument, const CSequence& sequence) {
    DataGuard guard;
    if (instrument.SequenceList().size() >= kMaxSequences)
        return nullptr;
    std::unique_ptr<CSequence> copy = sequence.CloneSequence();
    copy->SetName(DuplicateSequenceName(sequence));
    copy->SetInstrument(&instrument);
    CSequence* raw = copy.get();
    instrument.SequenceList().Append(std::move(copy));
    instrument.SetSequenceConfigModified(true);
    return raw;
}

CStep* DuplicateStep(ICalibratorInstrument& instrument, CSequence& sequence, const CStep& step) {
    DataGuard guard;
    if (!sequence.CanAddStep())
        return nullptr;
    std::unique_ptr<CStep> copy = step.CloneStep();
    CStep* raw = copy.get();
    sequence.AppendStep(std::move(copy));
    instrument.SetSequenceConfigModified(true);
    return raw;
}

bool AddSequence(ICalibratorInstrument& instrument, std::unique_ptr<CSequence> sequence) {
    DataGuard guard;
    if (!sequence || SequenceCount(instrument) >= kMaxSequences)
        return false;
    sequence->SetInstrument(&instrument);
    instrument.SequenceList().Append(std::move(sequence));
    instrument.SetSequenceConfigModified(true);
    return true;
}

bool AddStep(ICalibratorInstrument& instrument, CSequence& sequence, std::unique_ptr<CStep> step) {
    DataGuard guard;
    if (!step || !sequence.CanAddStep())
        return false;
    sequence.AppendStep(std::move(step));
    instrument.SetSequenceConfigModified(true);
    return true;
}

bool DeleteSequence(ICalibratorInstrument& instrument, CSequence& sequence, bool confirmDeletes) {
    if (!ConfirmDelete(sequence.GetName(), confirmDeletes))
        return false;
    DataGuard guard;
    if (!instrument.SequenceList().Remove(&sequence))
        return false;
    instrument.SetSequenceConfigModified(true);
    return true;
}

bool DeleteStep(ICalibratorInstrument& instrument, CSequence& sequence, CStep& step, bool confirmDeletes) {
    if (!ConfirmDelete(step.GetName(), confirmDeletes))
        return false;
    DataGuard guard;
    if (!sequence.RemoveStep(&step))
        return false;
    instrument.SetSequenceConfigModified(true);
    return true;
}

bool MoveSequence(ICalibratorInstrument& instrument, const CSequence& sequence, int direction) {
    if (!MoveInList(instrument.SequenceList(), &sequence, direction))
        return false;
    instrument.SetSequenceConfigModified(true);
    return true;
}

bool MoveStep(ICalibratorInstrument& instrument, CSequence& sequence, const CStep& step, int direction) {
    if (!sequence.MoveStep(&step, direction))
        return false;
    instrument.SetSequenceConfigModified(true);
    return true;
}

bool ConfirmDiscardLevels(ICalibratorInstrument& instrument) {
    return !instrument.IsLevelTableModified() || AskYesNo(FormatMessage(calmsg::kDiscardLevelTable));
}

bool LoadLevelTableCommand(ICalibratorInstrument& instrument) {
    if (!ConfirmDiscardLevels(instrument))
        return false;
    FileDialogRequest request = Request(calmsg::kLevelTableFilter, {});
    request.mustExist = true;
    const std::optional<std::string> path = GetUserPrompt().OpenFile(request);
    if (!path)
        return false;
    const CalFileResult result = LoadLevelTableFile(instrument, *path);
    if (!result.ok)
        ShowError(result.message);
    return true;
}

bool SaveLevelTableCommand(ICalibratorInstrument& instrument) {
    FileDialogRequest request = Request(calmsg::kLevelTableFilter, ProposedLevelTableFileName(instrument));
    request.promptOverwrite = true;
    const std::optional<std::string> path = GetUserPrompt().SaveFile(request);
    if (!path)
        return false;
    const CalFileResult result = SaveLevelTableFile(instrument, *path);
    if (!result.ok)
        ShowError(result.message);
    return result.ok;
}

bool NewLevelTableCommand(ICalibratorInstrument& instrument) {
    if (!ConfirmDiscardLevels(instrument))
        return false;
    DataGuard guard;
    instrument.LevelList().DeleteAll();
    instrument.SetLevelTableModified(false);
    return true;
}

bool ConfirmSendLevels(ICalibratorInstrument& instrument, std::vector<std::size_t>& duplicates) {
    duplicates.clear();
    if (const auto pair = FindDuplicateLevelNumbers(instrument.LevelList())) {
        duplicates = {pair->first, pair->second};
        ShowError(FormatMessage(calmsg::kDuplicateLevelNumbers));
        return false;
    }
    return AskYesNo(FormatMessage(calmsg::kSendLevelTableQuestion));
}

void ShowLevelSendResult(bool succeeded) {
    if (succeeded)
        ShowSuccess(FormatMessage(calmsg::kLevelTableSent));
    else
        ShowError(FormatMessage(calmsg::kLevelTableSendFailed));
}

bool CanCloseLevelTable(ICalibratorInstrument& instrument, bool transferRunning, bool connected) {
    if (transferRunning)
        return false;
    if (!connected || !instrument.IsLevelTableModified())
        return true;
    return GetUserPrompt().MessageBox(FormatMessage(calmsg::kLevelTableModifiedExit),
                                      std::string(MessageText(msg::kCaptionConfirm)),
                                      mb::kYesNo | mb::kIconQuestion) == mb::kIdYes;
}

bool DeleteLevels(ICalibratorInstrument& instrument, const std::vector<std::size_t>& indexes) {
    if (indexes.empty() || !AskYesNo(FormatMessage(calmsg::kDeleteSelectedLevels)))
        return false;
    DataGuard guard;
    CNamedObjectList& levels = instrument.LevelList();
    std::vector<const CNamedObject*> doomed;
    for (std::size_t index : indexes) {
        if (index < levels.size())
            doomed.push_back(levels.at(index));
    }
    for (const CNamedObject* level : doomed)
        levels.Remove(level);
    instrument.SetLevelTableModified(true);
    return true;
}

CLevel* DuplicateLevel(ICalibratorInstrument& instrument, const CLevel& level) {
    DataGuard guard;
    auto copy = std::unique_ptr<CLevel>(static_cast<CLevel*>(level.Clone().release()));
    copy->SetInstrument(&instrument);
    CLevel* raw = copy.get();
    instrument.LevelList().Append(std::move(copy));
    instrument.SetLevelTableModified(true);
    return raw;
}

void AddLevel(ICalibratorInstrument& instrument, std::unique_ptr<CLevel> level) {
    if (!level)
        return;
    DataGuard guard;
    level->SetInstrument(&instrument);
    instrument.LevelList().Append(std::move(level));
    instrument.SetLevelTableModified(true);
}

}  // namespace talven
