#pragma once
// The "Predefined Levels" window without its widgets: the list of levels with its four columns,
// the selection (several rows at once), which buttons and menu entries are offered, every command
// with its questions and messages, transfers to and from the instrument, and closing.
//
// Levels are named by their row; a download replaces the whole table. While a transfer runs every
// command is refused.
//
// User-interface thread only.

#include <array>
#include <set>
#include <string>
#include <vector>

#include "calibrator/ui/CalibratorWindowPresenter.h"

namespace talven {

enum class LevelButton {
    NewTable,
    GetFromInst,
    SendToInst,
    Load,
    Save,
    NewLevel,
    Duplicate,
    Properties,
    Delete,
    Close,
};
constexpr int kLevelButtonCount = 10;
std::string LevelButtonText(LevelButton button);

/// The context menu's entries, by their message numbers.
enum class LevelMenuCommand { NewLevel, DuplicateLevel, LevelProperties, DeleteLevel };
struct LevelMenuEntry {
    LevelMenuCommand command;
    int textId;
};

class LevelTablePresenter : public CalibratorWindowPresenter {
  public:
    /// New and duplicate levels are offered while the table holds fewer than this: an instrument
    /// reports at most 100 levels, so a longer table could not be read back.
    static constexpr std::size_t kMaxLevels = 100;

    using CalibratorWindowPresenter::CalibratorWindowPresenter;

    /// "Predefined Levels".
    std::string Title() const override;
    /// "Level" ("%02d"), "Step", "Status Block 1", "Status Block 2".
    static std::array<std::string, 4> ColumnTitles();
    /// The rows, under one lock.
    std::vector<std::array<std::string, 4>> Rows() const;

    const std::set<std::size_t>& Selection() const { return selection_; }
    /// Rows that do not exist are left out.
    void Select(std::set<std::size_t> rows);

    bool IsEnabled(LevelButton button) const;
    /// Runs a button's command. True when the list must be rebuilt.
    bool Press(LevelButton button);
    /// The entries for a click on the list (on a row when the selection is not empty).
    std::vector<LevelMenuEntry> ContextMenu() const;
    bool RunMenuEntry(LevelMenuCommand command);

    /// "Close": false while a transfer runs, or when the user keeps a modified table that was not
    /// sent to a connected instrument.
    bool RequestClose();

  protected:
    void TransferEnded(CalibratorTransfer::Kind kind, bool ok) override;

  private:
    std::size_t LevelCount() const;
    bool OneSelected() const { return selection_.size() == 1; }
    bool GetTable();
    bool SendTable();
    bool NewLevel();
    bool Duplicate();
    bool Properties();
    bool Delete();
    bool Edited();

    std::set<std::size_t> selection_;
};

}  // namespace talven
