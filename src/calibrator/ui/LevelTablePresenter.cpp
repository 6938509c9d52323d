#include "calibrator/ui/LevelTablePresenter.h"

#include "calibrator/CalibratorCommands.h"
#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/CalibratorRequests.h"
#include "calibrator/Level.h"
#include "calibrator/ui/CalibratorWindowMessages.h"
#include "calibrator/ui/LevelPropertiesForm.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

constexpr int kButtonTexts[kLevelButtonCount] = {
    calwin::kNewTable, calwin::kGetFromInst, calwin::kSendToInst,      calwin::kLoad,   calwin::kSave,
    calwin::kNewLevel, calwin::kDuplicate,   calwin::kLevelProperties, calwin::kDelete, calwin::kClose,
};

}  // namespace

std::string LevelButtonText(LevelButton button) {
    return std::string(MessageText(kButtonTexts[static_cast<int>(button)]));
}

std::string LevelTablePresenter::Title() const {
    return std::string(MessageText(calmsg::kLevelTableTitle));
}

std::array<std::string, 4> LevelTablePresenter::ColumnTitles() {
    return {std::string(MessageText(calmsg::kColumnLevel)), std::string(MessageText(calmsg::kColumnStep)),
            std::string(MessageText(calmsg::kColumnStatusBlock1)),
            std::string(MessageText(calmsg::kColumnStatusBlock2))};
}

std::size_t LevelTablePresenter::LevelCount() const {
    DataGuard guard;
    return Instrument().LevelList().size();
}

std::vector<std::array<std::string, 4>> LevelTablePresenter::Rows() const {
    DataGuard guard;
    std::vector<std::array<std::string, 4>> rows;
    for (const auto& item : Instrument().LevelList())
        rows.push_back(static_cast<const CLevel&>(*item).RowTexts());
    return rows;
}

void LevelTablePresenter::Select(std::set<std::size_t> rows) {
    const std::size_t count = LevelCount();
    std::erase_if(rows, [count](std::size_t row) { return row >= count; });
    selection_ = std::move(rows);
}

bool LevelTablePresenter::IsEnabled(LevelButton button) const {
    if (IsBusy())
        return false;
    switch (button) {
        case LevelButton::GetFromInst:
        case LevelButton::SendToInst:
            return IsConnected();
        case LevelButton::NewLevel:
            return LevelCount() < kMaxLevels;
        case LevelButton::Duplicate:
            return OneSelected() && LevelCount() < kMaxLevels;
        case LevelButton::Properties:
            return OneSelected();
        case LevelButton::Delete:
            return !selection_.empty();
        default:
            return true;
    }
}

bool LevelTablePresenter::Press(LevelButton button) {
    if (!IsEnabled(button))
        return false;
    switch (button) {
        case LevelButton::NewTable:
            if (!NewLevelTableCommand(Instrument()))
                return false;
            selection_.clear();
            return Edited();
        case LevelButton::GetFromInst:
            return GetTable();
        case LevelButton::SendToInst:
            return SendTable();
        case LevelButton::Load:
            if (!LoadLevelTableCommand(Instrument()))
                return false;
            selection_.clear();
            return Edited();
        case LevelButton::Save:
            SaveLevelTableCommand(Instrument());
            return false;
        case LevelButton::NewLevel:
            return NewLevel();
        case LevelButton::Duplicate:
            return Duplicate();
        case LevelButton::Properties:
            return Properties();
        case LevelButton::Delete:
            return Delete();
        case LevelButton::Close:
            return false;
    }
    return false;
}

std::vector<LevelMenuEntry> LevelTablePresenter::ContextMenu() const {
    std::vector<LevelMenuEntry> menu;
    if (IsEnabled(LevelButton::NewLevel))
        menu.push_back({LevelMenuCommand::NewLevel, calmsg::kMenuNewLevel});
    if (IsEnabled(LevelButton::Duplicate))
        menu.push_back({LevelMenuCommand::DuplicateLevel, calmsg::kMenuDuplicateLevel});
    if (IsEnabled(LevelButton::Properties))
        menu.push_back({LevelMenuCommand::LevelProperties, calmsg::kMenuLevelProperties});
    if (IsEnabled(LevelButton::Delete))
        menu.push_back({LevelMenuCommand::DeleteLevel, calmsg::kMenuDeleteLevel});
    return menu;
}

bool LevelTablePresenter::RunMenuEntry(LevelMenuCommand command) {
    switch (command) {
        case LevelMenuCommand::NewLevel:
            return Press(LevelButton::NewLevel);
        case LevelMenuCommand::DuplicateLevel:
            return Press(LevelButton::Duplicate);
        case LevelMenuCommand::LevelProperties:
            return Press(LevelButton::Properties);
        case LevelMenuCommand::DeleteLevel:
            return Press(LevelButton::Delete);
    }
    return false;
}

bool LevelTablePresenter::Edited() {
    MarkEdited();
    return true;
}

bool LevelTablePresenter::GetTable() {
    if (!ConfirmDiscardLevels(Instrument()))
        return false;
    StartTransfer(CalibratorTransfer::Kind::Download, calmsg::kDownloadingLevelTable,
                  std::make_unique<CThreadMessageRequestLevelTable>(Node(), &Instrument(), Target()));
    return true;
}

bool LevelTablePresenter::SendTable() {
    std::vector<std::size_t> duplicates;
    if (!ConfirmSendLevels(Instrument(), duplicates)) {
        if (!duplicates.empty()) {
            selection_ = std::set<std::size_t>(duplicates.begin(), duplicates.end());
            return true;
        }
        return false;
    }
    StartTransfer(CalibratorTransfer::Kind::Send, calmsg::kSendingLevelTable,
                  std::make_unique<CThreadMessageSendLevelTable>(Node(), &Instrument(), Target()));
    return true;
}

bool LevelTablePresenter::NewLevel() {
    auto level = std::make_unique<CLevel>(&Instrument());
    level->EnsureAction();
    LevelPropertiesForm form(*level, &Instrument());
    if (!RunForm(form))
        return false;
    AddLevel(Instrument(), std::move(level));
    selection_ = {LevelCount() - 1};
    return Edited();
}

bool LevelTablePresenter::Duplicate() {
    DataGuard guard;
    const std::size_t row = *selection_.begin();
    if (row >= LevelCount())
        return false;
    DuplicateLevel(Instrument(), static_cast<const CLevel&>(*Instrument().LevelList().at(row)));
    selection_ = {LevelCount() - 1};
    return Edited();
}

bool LevelTablePresenter::Properties() {
    const std::size_t row = *selection_.begin();
    CLevel* level = nullptr;
    {
        DataGuard guard;
        if (row >= LevelCount())
            return false;
        level = static_cast<CLevel*>(Instrument().LevelList().at(row));
    }
    // The dialog runs on this thread and no transfer runs: the level stays in the table meanwhile.
    LevelPropertiesForm form(*level, &Instrument());
    if (!RunForm(form))
        return false;
    Instrument().SetLevelTableModified(true);
    return Edited();
}

bool LevelTablePresenter::Delete() {
    if (!DeleteLevels(Instrument(), std::vector<std::size_t>(selection_.begin(), selection_.end())))
        return false;
    selection_.clear();
    return Edited();
}

void LevelTablePresenter::TransferEnded(CalibratorTransfer::Kind kind, bool ok) {
    if (kind == CalibratorTransfer::Kind::Send) {
        ShowLevelSendResult(ok);
        return;
    }
    selection_.clear();
    if (!ok) {
        const std::string text = FormatMessage(calwin::kLevelTableDownloadFailed);
        Log(kLogError, text);
        GetUserPrompt().MessageBox(text, std::string(MessageText(msg::kCaptionError)),
                                   mb::kOk | mb::kIconWarning);
    }
}

bool LevelTablePresenter::RequestClose() {
    return CanCloseLevelTable(Instrument(), IsBusy(), IsConnected());
}

}  // namespace talven
