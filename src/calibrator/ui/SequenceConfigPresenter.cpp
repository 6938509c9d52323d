#include "calibrator/ui/SequenceConfigPresenter.h"

#include "calibrator/CalibratorCommands.h"
#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/CalibratorRequests.h"
#include "calibrator/Sequence.h"
#include "calibrator/ui/CalibratorWindowMessages.h"
#include "calibrator/ui/StepForms.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

constexpr int kMaxSequences = 100;

constexpr int kButtonTexts[kSequenceButtonCount] = {
    calwin::kGetConfig,     calwin::kSendToInst,      calwin::kLoadConfig, calwin::kSaveConfig,
    calwin::kNewConfig,     calwin::kNewSequence,     calwin::kNewStep,    calwin::kDuplicate,
    calwin::kProperties,    calwin::kDelete,          calwin::kMoveUp,     calwin::kMoveDown,
    calmsg::kMenuExpandAll, calmsg::kMenuCollapseAll, calwin::kClose,
};

}  // namespace

std::string SequenceButtonText(SequenceButton button) {
    return std::string(MessageText(kButtonTexts[static_cast<int>(button)]));
}

// ---- Looking items up

CSequence* SequenceConfigPresenter::SequenceAt(int index) const {
    DataGuard guard;
    const CNamedObjectList& list = Instrument().SequenceList();
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return nullptr;
    return static_cast<CSequence*>(list.at(static_cast<std::size_t>(index)));
}

CStep* SequenceConfigPresenter::StepAt(SequenceItem item) const {
    DataGuard guard;
    CSequence* sequence = SequenceAt(item.sequence);
    return sequence != nullptr && item.step >= 0 ? sequence->GetStep(static_cast<std::size_t>(item.step))
                                                 : nullptr;
}

int SequenceConfigPresenter::SequenceCount() const {
    DataGuard guard;
    return static_cast<int>(Instrument().SequenceList().size());
}

std::vector<SequenceRow> SequenceConfigPresenter::Rows() const {
    DataGuard guard;
    std::vector<SequenceRow> rows;
    for (const auto& item : Instrument().SequenceList()) {
        const auto& sequence = static_cast<const CSequence&>(*item);
        SequenceRow row;
        row.text = sequence.GetText(0);
        row.expanded = sequence.IsExpanded();
        for (std::size_t i = 0; i < sequence.GetStepCount(); ++i)
            row.steps.push_back(sequence.GetStep(i)->GetText(0));
        rows.push_back(std::move(row));
    }
    return rows;
}

void SequenceConfigPresenter::Select(SequenceItem item) {
    const bool exists = item.IsStep() ? StepAt(item) != nullptr : SequenceAt(item.sequence) != nullptr;
    selection_ = exists ? SequenceItem{item.sequence, item.IsStep() ? item.step : -1} : SequenceItem{};
}

void SequenceConfigPresenter::SetExpanded(int sequence, bool expanded) {
    DataGuard guard;
    if (CSequence* s = SequenceAt(sequence))
        s->SetExpanded(expanded);
}

// ---- What is offered

bool SequenceConfigPresenter::CanAddStepTo(int sequence) const {
    DataGuard guard;
    const CSequence* s = SequenceAt(sequence);
    return s != nullptr && s->CanAddStep();
}

bool SequenceConfigPresenter::CanDuplicate() const {
    if (selection_.IsSequence())
        return SequenceCount() < kMaxSequences;
    return selection_.IsStep() && CanAddStepTo(selection_.sequence);
}

bool SequenceConfigPresenter::CanEditSelection() const {
    if (selection_.IsSequence())
        return true;
    DataGuard guard;
    const CStep* step = StepAt(selection_);
    return step != nullptr && step->CanEdit();
}

bool SequenceConfigPresenter::CanMove(int direction) const {
    DataGuard guard;
    const CSequence* sequence = SequenceAt(selection_.sequence);
    if (sequence == nullptr)
        return false;
    const int index = selection_.IsStep() ? selection_.step : selection_.sequence;
    const int count = selection_.IsStep() ? static_cast<int>(sequence->GetStepCount()) : SequenceCount();
    return direction < 0 ? index > 0 : index + 1 < count;
}

bool SequenceConfigPresenter::IsEnabled(SequenceButton button) const {
    if (IsBusy())
        return false;
    switch (button) {
        case SequenceButton::GetConfig:
        case SequenceButton::SendToInst:
            return IsConnected();
        case SequenceButton::NewSequence:
            return SequenceCount() < kMaxSequences;
        case SequenceButton::NewStep:
            return CanAddStepTo(SelectedSequence());
        case SequenceButton::Duplicate:
            return CanDuplicate();
        case SequenceButton::Properties:
            return !selection_.IsNone() && CanEditSelection();
        case SequenceButton::Delete:
            return !selection_.IsNone();
        case SequenceButton::MoveUp:
            return CanMove(-1);
        case SequenceButton::MoveDown:
            return CanMove(+1);
        default:
            return true;
    }
}

std::vector<MenuEntry> SequenceConfigPresenter::ContextMenu(SequenceItem item) const {
    if (IsBusy())
        return {};
    DataGuard guard;
    CSequence* sequence = SequenceAt(item.sequence);
    if (sequence == nullptr)
        return {};
    if (!item.IsStep())
        return SequenceContextMenu(&Instrument(), *sequence);
    const CStep* step = StepAt(item);
    return step != nullptr ? StepContextMenu(*sequence, *step) : std::vector<MenuEntry>{};
}

// ---- Commands

bool SequenceConfigPresenter::Press(SequenceButton button) {
    if (!IsEnabled(button))
        return false;
    switch (button) {
        case SequenceButton::GetConfig:
            return GetConfig();
        case SequenceButton::SendToInst:
            return SendConfig();
        case SequenceButton::LoadConfig:
            if (!LoadSequenceConfigCommand(Instrument()))
                return false;
            selection_ = {};
            return Edited();
        case SequenceButton::SaveConfig:
            SaveSequenceConfigCommand(Instrument());
            return false;
        case SequenceButton::NewConfig:
            if (!NewSequenceConfigCommand(Instrument()))
                return false;
            selection_ = {};
            return Edited();
        case SequenceButton::NewSequence:
            return NewSequence();
        case SequenceButton::NewStep:
            return NewStep();
        case SequenceButton::Duplicate:
            return Duplicate();
        case SequenceButton::Properties:
            return Properties();
        case SequenceButton::Delete:
            return Delete();
        case SequenceButton::MoveUp:
            return Move(-1);
        case SequenceButton::MoveDown:
            return Move(+1);
        case SequenceButton::ExpandAll:
            return ExpandAll(true);
        case SequenceButton::CollapseAll:
            return ExpandAll(false);
        case SequenceButton::Close:
            return false;
    }
    return false;
}

bool SequenceConfigPresenter::RunMenuEntry(SequenceItem item, const MenuEntry& entry) {
    if (IsBusy())
        return false;
    Select(item);
    if (selection_.IsNone())
        return false;
    switch (entry.command) {
        case SequenceCommand::NewStep:
            return NewStepOfKind(selection_.sequence, entry.kind);
        case SequenceCommand::NewSequence:
            return NewSequence();
        case SequenceCommand::DuplicateStep:
        case SequenceCommand::DuplicateSequence:
            return CanDuplicate() && Duplicate();
        case SequenceCommand::SequenceProperties:
        case SequenceCommand::StepProperties:
            return CanEditSelection() && Properties();
        case SequenceCommand::DeleteSequence:
        case SequenceCommand::DeleteStep:
            return Delete();
        case SequenceCommand::ExpandAll:
            return ExpandAll(true);
        case SequenceCommand::CollapseAll:
            return ExpandAll(false);
    }
    return false;
}

bool SequenceConfigPresenter::Edited() {
    MarkEdited();
    return true;
}

bool SequenceConfigPresenter::GetConfig() {
    if (!ConfirmDiscardSequences(Instrument()))
        return false;
    StartTransfer(CalibratorTransfer::Kind::Download, calmsg::kDownloadingSequenceConfig,
                  std::make_unique<CThreadMessageRequestSequenceConfig>(Node(), &Instrument(), Target()));
    return true;
}

bool SequenceConfigPresenter::SendConfig() {
    if (!ConfirmSendSequences())
        return false;
    StartTransfer(CalibratorTransfer::Kind::Send, calmsg::kSendingSequenceConfig,
                  std::make_unique<CThreadMessageSendSequenceConfig>(Node(), &Instrument(), Target()));
    return true;
}

bool SequenceConfigPresenter::NewSequence() {
    if (SequenceCount() >= kMaxSequences || NewSequenceCommand(Instrument()) == nullptr)
        return false;
    selection_ = {SequenceCount() - 1, -1};
    return Edited();
}

bool SequenceConfigPresenter::NewStep() {
    SelectStepTypeForm form(&Instrument());
    if (!RunForm(form))
        return false;
    return NewStepOfKind(SelectedSequence(), form.Chosen());
}

bool SequenceConfigPresenter::NewStepOfKind(int index, StepKind kind) {
    CSequence* sequence = SequenceAt(index);
    if (sequence == nullptr || NewStepCommand(Instrument(), *sequence, kind) == nullptr)
        return false;
    // The dialog ran on this thread; nothing replaced the list meanwhile.
    sequence->SetExpanded(true);
    selection_ = {index, static_cast<int>(sequence->GetStepCount()) - 1};
    return Edited();
}

bool SequenceConfigPresenter::Duplicate() {
    CSequence* sequence = SequenceAt(selection_.sequence);
    if (sequence == nullptr)
        return false;
    if (selection_.IsSequence()) {
        if (DuplicateSequence(Instrument(), *sequence) == nullptr)
            return false;
        selection_ = {SequenceCount() - 1, -1};
        return Edited();
    }
    const CStep* step = StepAt(selection_);
    if (step == nullptr || DuplicateStep(Instrument(), *sequence, *step) == nullptr)
        return false;
    selection_.step = static_cast<int>(sequence->GetStepCount()) - 1;
    return Edited();
}

bool SequenceConfigPresenter::Properties() {
    if (selection_.IsSequence()) {
        CSequence* sequence = SequenceAt(selection_.sequence);
        return sequence != nullptr && EditSequenceCommand(Instrument(), *sequence) && Edited();
    }
    CStep* step = StepAt(selection_);
    return step != nullptr && EditStepCommand(Instrument(), *step) && Edited();
}

bool SequenceConfigPresenter::Delete() {
    CSequence* sequence = SequenceAt(selection_.sequence);
    if (sequence == nullptr)
        return false;
    if (selection_.IsSequence()) {
        if (!DeleteSequence(Instrument(), *sequence, ConfirmDeletes()))
            return false;
        const int count = SequenceCount();
        selection_ = count == 0 ? SequenceItem{} : SequenceItem{std::min(selection_.sequence, count - 1), -1};
        return Edited();
    }
    CStep* step = StepAt(selection_);
    if (step == nullptr || !DeleteStep(Instrument(), *sequence, *step, ConfirmDeletes()))
        return false;
    const int steps = static_cast<int>(sequence->GetStepCount());
    selection_.step = steps == 0 ? -1 : std::min(selection_.step, steps - 1);
    return Edited();
}

bool SequenceConfigPresenter::Move(int direction) {
    CSequence* sequence = SequenceAt(selection_.sequence);
    if (sequence == nullptr)
        return false;
    if (selection_.IsSequence()) {
        if (!MoveSequence(Instrument(), *sequence, direction))
            return false;
        selection_.sequence += direction;
        return Edited();
    }
    const CStep* step = StepAt(selection_);
    if (step == nullptr || !MoveStep(Instrument(), *sequence, *step, direction))
        return false;
    selection_.step += direction;
    return Edited();
}

bool SequenceConfigPresenter::ExpandAll(bool expanded) {
    SetAllSequencesExpanded(Instrument(), expanded);
    return true;
}

bool SequenceConfigPresenter::CanDropStep(SequenceItem step, int sequence, int index) const {
    if (IsBusy() || !step.IsStep())
        return false;
    DataGuard guard;
    const CSequence* target = SequenceAt(sequence);
    if (StepAt(step) == nullptr || target == nullptr || index < 0 ||
        index > static_cast<int>(target->GetStepCount()))
        return false;
    if (sequence == step.sequence)
        return index != step.step && index != step.step + 1;
    return target->CanAddStep();
}

bool SequenceConfigPresenter::DropStep(SequenceItem step, int sequence, int index) {
    if (!CanDropStep(step, sequence, index))
        return false;
    {
        DataGuard guard;
        CSequence* source = SequenceAt(step.sequence);
        CSequence* target = SequenceAt(sequence);
        std::unique_ptr<CStep> moved = source->RemoveStep(StepAt(step));
        if (sequence == step.sequence && index > step.step)
            --index;
        target->InsertStep(static_cast<std::size_t>(index), std::move(moved));
        target->SetExpanded(true);
    }
    Instrument().SetSequenceConfigModified(true);
    selection_ = {sequence, index};
    return Edited();
}

// ---- Transfers and closing

void SequenceConfigPresenter::TransferEnded(CalibratorTransfer::Kind kind, bool ok) {
    if (kind == CalibratorTransfer::Kind::Send) {
        sendResult_ = ok;
        return;
    }
    selection_ = {};
    if (!ok) {
        const std::string text = FormatMessage(calwin::kSequenceDownloadFailed);
        Log(kLogError, text);
        GetUserPrompt().MessageBox(text, std::string(MessageText(msg::kCaptionError)),
                                   mb::kOk | mb::kIconWarning);
    }
}

void SequenceConfigPresenter::ShowSendResult() {
    if (!sendResult_)
        return;
    const bool ok = *sendResult_;
    sendResult_.reset();
    ShowSequenceSendResult(ok);
}

bool SequenceConfigPresenter::RequestClose() {
    ShowSendResult();
    return CanCloseSequenceConfig(Instrument(), IsBusy(), IsConnected());
}

}  // namespace talven
