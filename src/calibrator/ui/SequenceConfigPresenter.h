#pragma once
// The "Sequence Configuration" window without its widgets: the tree of sequences and their steps,
// the selection, which buttons and menu entries are offered, every command of the window with its
// questions and messages, moving steps by dragging, transfers to and from the instrument, and the
// rules for closing.
//
// Items are named by their position (sequence index, step index) and looked up under the data
// lock at each use, never kept as pointers: a download replaces the whole list. While a transfer
// runs every command is refused.
//
// User-interface thread only.

#include <optional>
#include <string>
#include <vector>

#include "calibrator/SequenceRules.h"
#include "calibrator/Step.h"
#include "calibrator/ui/CalibratorWindowPresenter.h"

namespace talven {

class CSequence;

/// A tree item: a sequence (step -1) or one of its steps; none when sequence is -1.
struct SequenceItem {
    int sequence = -1;
    int step = -1;
    bool IsNone() const { return sequence < 0; }
    bool IsSequence() const { return sequence >= 0 && step < 0; }
    bool IsStep() const { return sequence >= 0 && step >= 0; }
    bool operator==(const SequenceItem&) const = default;
};

/// One sequence of the tree as drawn.
struct SequenceRow {
    std::string text;
    bool expanded = false;
    std::vector<std::string> steps;
};

enum class SequenceButton {
    GetConfig,
    SendToInst,
    LoadConfig,
    SaveConfig,
    NewConfig,
    NewSequence,
    NewStep,
    Duplicate,
    Properties,
    Delete,
    MoveUp,
    MoveDown,
    ExpandAll,
    CollapseAll,
    Close,
};
constexpr int kSequenceButtonCount = 15;
/// The caption of a button ("&Get Config.", ...).
std::string SequenceButtonText(SequenceButton button);

class SequenceConfigPresenter : public CalibratorWindowPresenter {
  public:
    using CalibratorWindowPresenter::CalibratorWindowPresenter;

    /// The tree, under one lock.
    std::vector<SequenceRow> Rows() const;
    SequenceItem Selection() const { return selection_; }
    /// Selects an item; one that does not exist selects nothing.
    void Select(SequenceItem item);
    /// The user expanded or collapsed a sequence in the tree (kept only in memory).
    void SetExpanded(int sequence, bool expanded);

    bool IsEnabled(SequenceButton button) const;
    /// Runs a button's command. True when the tree must be rebuilt.
    bool Press(SequenceButton button);

    /// The entries of the item's context menu (none while a transfer runs).
    std::vector<MenuEntry> ContextMenu(SequenceItem item) const;
    /// Runs a context menu entry on the item. True when the tree must be rebuilt.
    bool RunMenuEntry(SequenceItem item, const MenuEntry& entry);

    /// Dragging: whether the step may be dropped before position index of the target sequence
    /// (index = its step count: at the end), and the move itself. A step may move within its
    /// sequence, or to another sequence that holds fewer than 100 steps.
    bool CanDropStep(SequenceItem step, int sequence, int index) const;
    bool DropStep(SequenceItem step, int sequence, int index);

    /// "Close" and the window's close box: false while a transfer runs, or when the user keeps a
    /// modified configuration that was not sent to a connected instrument.
    bool RequestClose();

    /// The result of a send, shown after a pause of 100 ms (the window's timer calls
    /// ShowSendResult once HasSendResult holds).
    bool HasSendResult() const { return sendResult_.has_value(); }
    void ShowSendResult();

  protected:
    void TransferEnded(CalibratorTransfer::Kind kind, bool ok) override;

  private:
    CSequence* SequenceAt(int index) const;
    CStep* StepAt(SequenceItem item) const;
    int SequenceCount() const;
    /// The sequence of the selection (the step's own sequence for a step), or -1.
    int SelectedSequence() const { return selection_.sequence; }
    bool CanMove(int direction) const;
    bool CanDuplicate() const;
    bool CanAddStepTo(int sequence) const;
    bool CanEditSelection() const;

    bool GetConfig();
    bool SendConfig();
    bool NewSequence();
    bool NewStep();
    bool NewStepOfKind(int sequence, StepKind kind);
    bool Duplicate();
    bool Properties();
    bool Delete();
    bool Move(int direction);
    bool ExpandAll(bool expanded);
    /// A command changed the list: mark it modified and rebuild.
    bool Edited();

    SequenceItem selection_;
    std::optional<bool> sendResult_;
};

}  // namespace talven
