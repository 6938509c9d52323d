// The level table window's rules without widgets: the rows, what is offered by selection and
// limits, new, duplicate, properties and delete, the duplicate-level test before a send, transfers
// and closing.

#include "calibrator/Level.h"
#include "calibrator/ui/LevelTablePresenter.h"
#include "foundation/Messages.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "network/NetworkConfiguration.h"

#include "CalibratorTestSupport.h"
#include "CalibratorUiTestSupport.h"

namespace talven::testing {
namespace {

constexpr NotifyTarget kWindow = 8;
using Button = LevelButton;

class LevelWindow : public ::testing::Test {
  protected:
    LevelWindow() : promptScope_(&prompt_), configScope_(&configuration_) {
        auto link = std::make_unique<HeldLink>();
        link_ = link.get();
        presenter_ = std::make_unique<LevelTablePresenter>(instrument_, std::move(link));
        presenter_->SetNotifyTarget(kWindow);
    }

    void AddLevel(std::uint32_t number) {
        auto level = std::make_unique<CLevel>(instrument_.get());
        level->SetNumber(number);
        level->SetAction(std::make_unique<CStepGenerate>());
        instrument_->LevelList().Append(std::move(level));
    }
    std::vector<std::string> Numbers() const {
        std::vector<std::string> numbers;
        for (const auto& row : presenter_->Rows())
            numbers.push_back(row[0]);
        return numbers;
    }
    std::string LastQuestion() const {
        const auto asked = prompt_.asked();
        return asked.empty() ? std::string() : asked.back().text;
    }

    RecordingNotifier notices_;
    ScopedNotifier notifierScope_{&notices_};
    ScriptedPrompt prompt_;
    ScopedUserPrompt promptScope_;
    ScriptedForms dialogs_;
    CNetworkConfiguration configuration_;
    ScopedNetworkConfiguration configScope_;
    std::shared_ptr<CCalibratorData> instrument_ = std::make_shared<CCalibratorData>("Cal", "j");
    HeldLink* link_ = nullptr;
    std::unique_ptr<LevelTablePresenter> presenter_;
};

TEST_F(LevelWindow, rowsAndOfferedCommandsFollowTheSelection) {
    EXPECT_EQ(presenter_->Title(), "Predefined Levels");
    EXPECT_EQ(LevelTablePresenter::ColumnTitles(),
              (std::array<std::string, 4>{"Level", "Step", "Status Block 1", "Status Block 2"}));
    AddLevel(12);
    AddLevel(5);  // read from an old file: still shown, two digits at least
    EXPECT_EQ(presenter_->Rows()[0],
              (std::array<std::string, 4>{"12", "GENERATE ZERO", "00000000", "00000000"}));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"12", "05"}));

    EXPECT_FALSE(presenter_->IsEnabled(Button::Properties));
    EXPECT_FALSE(presenter_->IsEnabled(Button::Delete));
    EXPECT_EQ(presenter_->ContextMenu().size(), 1u);  // New Level only
    presenter_->Select({0, 1, 7});
    EXPECT_EQ(presenter_->Selection(), (std::set<std::size_t>{0, 1}));
    EXPECT_FALSE(presenter_->IsEnabled(Button::Properties));
    EXPECT_FALSE(presenter_->IsEnabled(Button::Duplicate));
    EXPECT_TRUE(presenter_->IsEnabled(Button::Delete));
    presenter_->Select({1});
    std::vector<std::string> menu;
    for (const LevelMenuEntry& e : presenter_->ContextMenu())
        menu.emplace_back(MessageText(e.textId));
    EXPECT_EQ(menu, (std::vector<std::string>{"&New Level", "D&uplicate Level", "Level &Properties",
                                              "&Delete Level"}));

    for (std::uint32_t n = 10; n < 108; ++n)
        AddLevel(n);
    EXPECT_FALSE(presenter_->IsEnabled(Button::NewLevel));
    EXPECT_FALSE(presenter_->IsEnabled(Button::Duplicate));
    link_->connected = false;
    EXPECT_FALSE(presenter_->IsEnabled(Button::GetFromInst));
    EXPECT_TRUE(presenter_->IsEnabled(Button::Load));
}

TEST_F(LevelWindow, newLevelsJoinOnOkAndEditsMarkTheTableModified) {
    EXPECT_FALSE(presenter_->Press(Button::NewLevel));  // cancelled
    EXPECT_TRUE(Numbers().empty());
    dialogs_.Queue([](CalibratorForm& form) {
        form.SetText("number", "42");
        form.SetChoice("kind", static_cast<std::uint32_t>(StepKind::Manual));
        return true;
    });
    ASSERT_TRUE(presenter_->Press(Button::NewLevel));
    EXPECT_EQ(dialogs_.titles.back(), "Level Properties");
    EXPECT_EQ(presenter_->Rows()[0][1], "MANUAL ZERO 0.000 0.000 OFF");
    EXPECT_EQ(presenter_->Selection(), std::set<std::size_t>{0});
    EXPECT_TRUE(instrument_->IsLevelTableModified());
    EXPECT_TRUE(configuration_.IsModified());

    instrument_->SetLevelTableModified(false);
    ASSERT_TRUE(presenter_->Press(Button::Duplicate));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"42", "42"}));
    EXPECT_EQ(presenter_->Selection(), std::set<std::size_t>{1});
    dialogs_.Queue([](CalibratorForm& form) {
        form.SetText("number", "43");
        return true;
    });
    ASSERT_TRUE(presenter_->Press(Button::Properties));
    EXPECT_EQ(Numbers(), (std::vector<std::string>{"42", "43"}));
    EXPECT_TRUE(instrument_->IsLevelTableModified());

    presenter_->Select({0, 1});
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_->Press(Button::Delete));
    EXPECT_EQ(LastQuestion(), "Delete all selected levels?");
    prompt_.QueueAnswer(mb::kIdYes);
    ASSERT_TRUE(presenter_->Press(Button::Delete));
    EXPECT_TRUE(Numbers().empty());
    EXPECT_TRUE(presenter_->Selection().empty());
}

TEST_F(LevelWindow, duplicateNumbersStopTheSendAndSelectBothLevels) {
    AddLevel(10);
    AddLevel(12);
    AddLevel(20);
    AddLevel(12);
    presenter_->Select({0});
    ASSERT_TRUE(presenter_->Press(Button::SendToInst));
    EXPECT_EQ(presenter_->Selection(), (std::set<std::size_t>{1, 3}));
    EXPECT_EQ(LastQuestion(), "Duplicate level numbers found. All level numbers must be unique.");
    EXPECT_EQ(prompt_.asked().back().caption, "Error");
    EXPECT_EQ(prompt_.asked().size(), 1u);  // the send question is not asked
    EXPECT_TRUE(link_->posted.empty());
    EXPECT_FALSE(presenter_->IsBusy());

    instrument_->LevelList().DeleteAll();
    AddLevel(11);
    prompt_.QueueAnswer(mb::kIdYes);
    ASSERT_TRUE(presenter_->Press(Button::SendToInst));
    EXPECT_EQ(
        LastQuestion(),
        "Sending the level table to the instrument will replace its existing level table.\n\nAre you sure "
        "you want to do this?");
    EXPECT_EQ(presenter_->StatusText(), "Sending level table to instrument...");
    EXPECT_STREQ(link_->posted.back()->GetRuntimeClass(), "CThreadMessageSendLevelTable");
    presenter_->OnNotification(wm::kTransferStart, 1);
    presenter_->OnNotification(wm::kTransferStep, 0);
    EXPECT_EQ(presenter_->ProgressPosition(), 1);
    presenter_->OnNotification(wm::kSendDone, 0);
    EXPECT_FALSE(presenter_->IsBusy());
    EXPECT_EQ(LastQuestion(), "Level table successfully sent to instrument.");
}

TEST_F(LevelWindow, downloadsAskBeforeDiscardingAndReportFailure) {
    AddLevel(10);
    instrument_->SetLevelTableModified(true);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_->Press(Button::GetFromInst));
    EXPECT_EQ(
        LastQuestion(),
        "This operation will discard the existing level table. It will not modify the level table in the "
        "instrument itself.\n\nProceed?");
    EXPECT_TRUE(link_->posted.empty());
    prompt_.QueueAnswer(mb::kIdYes);
    presenter_->Select({0});
    ASSERT_TRUE(presenter_->Press(Button::GetFromInst));
    EXPECT_EQ(presenter_->StatusText(), "Downloading level table...");
    EXPECT_FALSE(presenter_->IsEnabled(Button::Close));
    EXPECT_FALSE(presenter_->RequestClose());
    EXPECT_TRUE(presenter_->ContextMenu().empty());
    presenter_->OnNotification(wm::kDownloadFailed, 0);
    EXPECT_EQ(LastQuestion(), "Error occurred while downloading level table from instrument.");
    EXPECT_TRUE(presenter_->Selection().empty());

    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_->RequestClose());
    EXPECT_EQ(
        LastQuestion(),
        "The level table has been modified, but has not been sent to the instrument.\n\nExit level table "
        "configuration?");
    link_->connected = false;
    EXPECT_TRUE(presenter_->RequestClose());
}

}  // namespace
}  // namespace talven::testing
