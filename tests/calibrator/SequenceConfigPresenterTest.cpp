// The sequence configuration window's rules without widgets: what is offered by selection,
// capability and the limits of 100, the commands with their dialogs and questions, moving and
// dragging steps, transfers with their busy state and progress, and closing.

#include "calibrator/CalibratorMessages.h"
#include "calibrator/ui/SequenceConfigPresenter.h"
#include "foundation/Messages.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "network/NetworkConfiguration.h"

#include "CalibratorTestSupport.h"
#include "CalibratorUiTestSupport.h"

namespace talven::testing {
namespace {

constexpr NotifyTarget kWindow = 7;
using Button = SequenceButton;

class SequenceWindow : public ::testing::Test {
  protected:
    SequenceWindow() : promptScope_(&prompt_), configScope_(&configuration_) {
        auto link = std::make_unique<HeldLink>();
        link_ = link.get();
        presenter_ = std::make_unique<SequenceConfigPresenter>(instrument_, std::move(link));
        presenter_->SetNotifyTarget(kWindow);
    }

    CCalibratorData& Data() { return *instrument_; }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const SequenceRow& row : presenter_->Rows())
            names.push_back(row.text.substr(0, row.text.find(',')));
        return names;
    }
    void AddDurations(CSequence& sequence, std::initializer_list<float> minutes) {
        for (float m : minutes) {
            auto step = std::make_unique<CStepDelay>();
            step->SetMinutes(m);
            sequence.AppendStep(std::move(step));
        }
    }
    std::string LastQuestion() const {
        const auto asked = prompt_.asked();
        return asked.empty() ? std::string() : asked.back().text;
    }
    void Notify(std::initializer_list<int> codes, std::uintptr_t range = 0) {
        for (int code : codes)
            presenter_->OnNotification(code, code == wm::kTransferStart ? range : 0);
    }

    RecordingNotifier notices_;
    ScopedNotifier notifierScope_{&notices_};
    ScriptedPrompt prompt_;
    ScopedUserPrompt promptScope_;
    ScriptedForms dialogs_;
    CNetworkConfiguration configuration_;
    ScopedNetworkConfiguration configScope_;
    std::shared_ptr<CCalibratorData> instrument_ = std::make_shared<CCalibratorData>("Cal", "!%");
    HeldLink* link_ = nullptr;
    std::unique_ptr<SequenceConfigPresenter> presenter_;
};

TEST_F(SequenceWindow, buttonsFollowTheSelectionTheLimitsAndTheConnection) {
    EXPECT_EQ(presenter_->Title(), "Cal at ");  // no node: no site above it
    EXPECT_EQ(SequenceButtonText(Button::SendToInst), "Send &To Inst.");
    EXPECT_EQ(SequenceButtonText(Button::MoveDown), "Move Do&wn");
    for (Button b :
         {Button::GetConfig, Button::SendToInst, Button::LoadConfig, Button::NewSequence, Button::Close})
        EXPECT_TRUE(presenter_->IsEnabled(b));
    for (Button b : {Button::NewStep, Button::Duplicate, Button::Properties, Button::Delete, Button::MoveUp})
        EXPECT_FALSE(presenter_->IsEnabled(b));
    link_->connected = false;
    EXPECT_FALSE(presenter_->IsEnabled(Button::GetConfig));
    EXPECT_FALSE(presenter_->IsEnabled(Button::SendToInst));
    EXPECT_TRUE(presenter_->IsEnabled(Button::SaveConfig));

    CSequence& first = AddSequence(Data(), "A");
    first.AppendStep(std::make_unique<CStepPurge>());
    AddDurations(first, {1.0f});
    AddSequence(Data(), "B");
    presenter_->Select({0, -1});
    EXPECT_FALSE(presenter_->IsEnabled(Button::MoveUp));
    EXPECT_TRUE(presenter_->IsEnabled(Button::MoveDown));
    presenter_->Select({0, 0});  // PURGE has no properties
    EXPECT_FALSE(presenter_->IsEnabled(Button::Properties));
    EXPECT_TRUE(presenter_->IsEnabled(Button::Delete));
    presenter_->Select({0, 1});
    EXPECT_TRUE(presenter_->IsEnabled(Button::Properties));
    EXPECT_FALSE(presenter_->IsEnabled(Button::MoveDown));
    presenter_->Select({0, 5});  // no such step
    EXPECT_EQ(presenter_->Selection(), SequenceItem{});

    for (int i = 2; i < 100; ++i)
        AddSequence(Data(), "S" + std::to_string(i));
    presenter_->Select({0, -1});
    EXPECT_FALSE(presenter_->IsEnabled(Button::NewSequence));
    EXPECT_FALSE(presenter_->IsEnabled(Button::Duplicate));
    EXPECT_FALSE(presenter_->Press(Button::NewSequence));
    EXPECT_TRUE(dialogs_.titles.empty());
    for (const MenuEntry& entry : presenter_->ContextMenu({0, -1}))
        EXPECT_NE(entry.command, SequenceCommand::NewSequence);

    CSequence& full = SequenceAt(Data(), 1);
    for (int i = 0; i < 100; ++i)
        full.AppendStep(std::make_unique<CStepStandby>());
    presenter_->Select({1, 99});
    EXPECT_FALSE(presenter_->IsEnabled(Button::NewStep));
    EXPECT_FALSE(presenter_->IsEnabled(Button::Duplicate));
    for (const MenuEntry& entry : presenter_->ContextMenu({1, -1}))
        EXPECT_NE(entry.command, SequenceCommand::NewStep);
}

TEST_F(SequenceWindow, newStepsAskTheirTypeAndPropertiesAndJoinOnlyOnOk) {
    AddSequence(Data(), "CAL");
    presenter_->Select({0, -1});
    dialogs_.Queue([](CalibratorForm& form) {
        form.SetChoice("kind", static_cast<std::uint32_t>(StepKind::Delay));
        return true;
    });
    dialogs_.Queue([](CalibratorForm& form) {
        form.SetText("minutes", "3");
        return true;
    });
    ASSERT_TRUE(presenter_->Press(Button::NewStep));
    EXPECT_EQ(dialogs_.titles, (std::vector<std::string>{"Select Step Type", "Duration"}));
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{0, 0}));
    const std::vector<SequenceRow> rows = presenter_->Rows();
    EXPECT_TRUE(rows[0].expanded);
    EXPECT_EQ(rows[0].steps, std::vector<std::string>{"DURATION 3.0 MIN"});
    EXPECT_TRUE(Data().IsSequenceConfigModified());
    EXPECT_TRUE(configuration_.IsModified());

    dialogs_.Queue([](CalibratorForm&) { return false; });  // the step's dialog is cancelled
    const auto menu = presenter_->ContextMenu({0, -1});
    const auto generate = std::find_if(menu.begin(), menu.end(), [](const MenuEntry& e) {
        return e.command == SequenceCommand::NewStep && e.kind == StepKind::Generate;
    });
    ASSERT_NE(generate, menu.end());
    EXPECT_FALSE(presenter_->RunMenuEntry({0, -1}, *generate));
    // Purge has no properties: it joins at once. Its entry needs "%", which this instrument has.
    const auto purge = std::find_if(menu.begin(), menu.end(), [](const MenuEntry& e) {
        return e.command == SequenceCommand::NewStep && e.kind == StepKind::Purge;
    });
    ASSERT_NE(purge, menu.end());
    EXPECT_EQ(MessageText(purge->textId), "New &Purge Step");
    std::vector<StepKind> offered;
    for (const MenuEntry& e : menu) {
        if (e.command == SequenceCommand::NewStep)
            offered.push_back(e.kind);
    }
    // "!" and "%" only: no GPTZ, preset, diluent, output, contact closure, level or status block.
    EXPECT_EQ(offered,
              (std::vector<StepKind>{StepKind::Generate, StepKind::GPT, StepKind::Manual, StepKind::Purge,
                                     StepKind::Standby, StepKind::Delay, StepKind::ExecSeq}));
    EXPECT_TRUE(presenter_->RunMenuEntry({0, 0}, *purge));
    EXPECT_EQ(presenter_->Rows()[0].steps, (std::vector<std::string>{"DURATION 3.0 MIN", "PURGE"}));
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{0, 1}));
}

TEST_F(SequenceWindow, newAndDuplicateSequencesAndStepsAreAppendedAndSelected) {
    dialogs_.Queue([](CalibratorForm& form) {
        form.SetText("name", "ZERO");
        return true;
    });
    ASSERT_TRUE(presenter_->Press(Button::NewSequence));
    EXPECT_EQ(Names(), std::vector<std::string>{"ZERO"});
    EXPECT_FALSE(presenter_->Press(Button::NewSequence));  // cancelled: nothing added
    EXPECT_EQ(Names(), std::vector<std::string>{"ZERO"});

    AddDurations(SequenceAt(Data(), 0), {1.0f});
    presenter_->Select({0, -1});
    ASSERT_TRUE(presenter_->Press(Button::Duplicate));
    EXPECT_EQ(Names(), (std::vector<std::string>{"ZERO", "Copy of ZERO"}));
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{1, -1}));
    EXPECT_EQ(SequenceAt(Data(), 1).GetStep(0)->GetSequence(), &SequenceAt(Data(), 1));

    presenter_->Select({1, 0});
    ASSERT_TRUE(presenter_->Press(Button::Duplicate));
    EXPECT_EQ(presenter_->Rows()[1].steps.size(), 2u);
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{1, 1}));
    EXPECT_EQ(presenter_->Rows()[0].steps.size(), 1u);
}

TEST_F(SequenceWindow, moveUpAndDownCarryTheSelectionAndStopAtTheEnds) {
    for (const char* name : {"A", "B", "C"})
        AddSequence(Data(), name);
    AddDurations(SequenceAt(Data(), 2), {1.0f, 2.0f, 3.0f});
    presenter_->Select({1, -1});
    ASSERT_TRUE(presenter_->Press(Button::MoveUp));
    EXPECT_EQ(Names(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{0, -1}));
    EXPECT_FALSE(presenter_->Press(Button::MoveUp));

    presenter_->Select({2, 0});
    ASSERT_TRUE(presenter_->Press(Button::MoveDown));
    ASSERT_TRUE(presenter_->Press(Button::MoveDown));
    EXPECT_EQ(presenter_->Rows()[2].steps,
              (std::vector<std::string>{"DURATION 2.0 MIN", "DURATION 3.0 MIN", "DURATION 1.0 MIN"}));
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{2, 2}));
    EXPECT_FALSE(presenter_->IsEnabled(Button::MoveDown));
    EXPECT_TRUE(Data().IsSequenceConfigModified());
}

TEST_F(SequenceWindow, deleteAsksWhenTheOptionIsOnAndSelectsANeighbour) {
    AddSequence(Data(), "CAL");
    AddSequence(Data(), "SPAN");
    AddDurations(SequenceAt(Data(), 1), {1.0f, 2.0f});
    presenter_->Select({1, -1});
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_->Press(Button::Delete));
    EXPECT_EQ(LastQuestion(), "Delete \"SPAN\"?");
    EXPECT_EQ(Names().size(), 2u);

    presenter_->Select({1, 1});
    prompt_.QueueAnswer(mb::kIdYes);
    ASSERT_TRUE(presenter_->Press(Button::Delete));
    EXPECT_EQ(LastQuestion(), "Delete \"DURATION\"?");
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{1, 0}));

    presenter_->SetConfirmDeletes([] { return false; });
    const std::size_t asked = prompt_.asked().size();
    presenter_->Select({1, -1});
    ASSERT_TRUE(presenter_->Press(Button::Delete));
    EXPECT_EQ(prompt_.asked().size(), asked);
    EXPECT_EQ(Names(), std::vector<std::string>{"CAL"});
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{0, -1}));
}

TEST_F(SequenceWindow, droppedStepsMoveWithinAndBetweenSequencesWithinTheLimits) {
    CSequence& a = AddSequence(Data(), "A");
    CSequence& b = AddSequence(Data(), "B");
    AddDurations(a, {1.0f, 2.0f, 3.0f});
    EXPECT_FALSE(presenter_->CanDropStep({0, 0}, 0, 0));  // where it is already
    EXPECT_FALSE(presenter_->CanDropStep({0, 0}, 0, 1));
    EXPECT_FALSE(presenter_->CanDropStep({0, -1}, 1, 0));  // sequences are not dragged
    EXPECT_FALSE(presenter_->CanDropStep({0, 0}, 1, 1));   // beyond the end of B
    ASSERT_TRUE(presenter_->DropStep({0, 0}, 0, 3));
    EXPECT_EQ(presenter_->Rows()[0].steps,
              (std::vector<std::string>{"DURATION 2.0 MIN", "DURATION 3.0 MIN", "DURATION 1.0 MIN"}));
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{0, 2}));

    ASSERT_TRUE(presenter_->DropStep({0, 2}, 1, 0));
    EXPECT_EQ(presenter_->Rows()[1].steps, std::vector<std::string>{"DURATION 1.0 MIN"});
    EXPECT_EQ(b.GetStep(0)->GetSequence(), &b);
    EXPECT_TRUE(presenter_->Rows()[1].expanded);
    EXPECT_EQ(presenter_->Selection(), (SequenceItem{1, 0}));

    for (int i = 0; i < 99; ++i)
        b.AppendStep(std::make_unique<CStepStandby>());
    EXPECT_FALSE(presenter_->CanDropStep({0, 0}, 1, 0));   // B holds 100 steps
    EXPECT_TRUE(presenter_->CanDropStep({1, 0}, 1, 100));  // within B still
    EXPECT_TRUE(presenter_->CanDropStep({1, 50}, 0, 2));   // out of it too
    EXPECT_EQ(a.GetStepCount(), 2u);
}

TEST_F(SequenceWindow, aDownloadHoldsTheWindowBusyWithProgressUntilItEnds) {
    AddSequence(Data(), "CAL");
    presenter_->Select({0, -1});
    ASSERT_TRUE(presenter_->Press(Button::GetConfig));
    EXPECT_TRUE(prompt_.asked().empty());  // an unmodified list is discarded without asking
    ASSERT_EQ(link_->posted.size(), 1u);
    EXPECT_STREQ(link_->posted[0]->GetRuntimeClass(), "CThreadMessageRequestSequenceConfig");
    EXPECT_TRUE(presenter_->IsBusy());
    EXPECT_EQ(presenter_->StatusText(), "Downloading sequence configuration...");
    for (int b = 0; b < kSequenceButtonCount; ++b)
        EXPECT_FALSE(presenter_->IsEnabled(static_cast<Button>(b))) << b;
    EXPECT_TRUE(presenter_->ContextMenu({0, -1}).empty());
    EXPECT_FALSE(presenter_->DropStep({0, 0}, 0, 0));
    EXPECT_FALSE(presenter_->RequestClose());

    Notify({wm::kTransferStart, wm::kTransferStep, wm::kTransferStep}, 102);
    EXPECT_EQ(presenter_->ProgressRange(), 102);
    EXPECT_EQ(presenter_->ProgressPosition(), 2);
    Notify({wm::kTransferStart}, 4);  // the list itself: the bar starts again
    EXPECT_EQ(presenter_->ProgressPosition(), 0);
    Notify({wm::kSendDone});  // not this transfer's end
    EXPECT_TRUE(presenter_->IsBusy());
    Notify({wm::kDownloadDone});
    EXPECT_FALSE(presenter_->IsBusy());
    EXPECT_EQ(presenter_->StatusText(), "");
    EXPECT_EQ(presenter_->Selection(), SequenceItem{});
    EXPECT_TRUE(prompt_.asked().empty());
    EXPECT_GE(link_->activity, 2);

    Data().SetSequenceConfigModified(true);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_->Press(Button::GetConfig));
    EXPECT_EQ(link_->posted.size(), 1u);
    prompt_.QueueAnswer(mb::kIdYes);
    ASSERT_TRUE(presenter_->Press(Button::GetConfig));
    Notify({wm::kDownloadFailed});
    EXPECT_EQ(LastQuestion(), "Error occurred while downloading sequence configuration from instrument.");
    EXPECT_EQ(prompt_.asked().back().caption, "Error");
}

TEST_F(SequenceWindow, aSendAsksFirstAndShowsItsResultAfterThePause) {
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_->Press(Button::SendToInst));
    EXPECT_TRUE(link_->posted.empty());
    EXPECT_EQ(prompt_.asked().back().flags, mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2);

    prompt_.QueueAnswer(mb::kIdYes);
    ASSERT_TRUE(presenter_->Press(Button::SendToInst));
    EXPECT_EQ(presenter_->StatusText(), "Sending sequence configuration to instrument...");
    EXPECT_STREQ(link_->posted.back()->GetRuntimeClass(), "CThreadMessageSendSequenceConfig");
    Notify({wm::kSendDone});
    EXPECT_FALSE(presenter_->IsBusy());
    ASSERT_TRUE(presenter_->HasSendResult());
    const std::size_t asked = prompt_.asked().size();
    presenter_->ShowSendResult();
    ASSERT_EQ(prompt_.asked().size(), asked + 1);
    EXPECT_EQ(LastQuestion(), "Sequence configuration successfully sent to instrument.");
    EXPECT_EQ(prompt_.asked().back().caption, "Success");
    EXPECT_FALSE(presenter_->HasSendResult());

    prompt_.QueueAnswer(mb::kIdYes);
    ASSERT_TRUE(presenter_->Press(Button::SendToInst));
    Notify({wm::kSendFailed});
    EXPECT_TRUE(presenter_->RequestClose());  // a result still due is shown before closing
    EXPECT_EQ(LastQuestion(),
              "Error occurred while sending sequence configuration to instrument. Instrument's sequence "
              "configuration not modified.");
}

TEST_F(SequenceWindow, aRequestTheSessionRefusesEndsTheBusyStateThroughItsFailure) {
    link_->accept = false;
    ASSERT_TRUE(presenter_->Press(Button::GetConfig));
    const auto entries = notices_.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].target, kWindow);
    EXPECT_EQ(entries[0].code, wm::kDownloadFailed);
    presenter_->OnNotification(entries[0].code, 0);
    EXPECT_FALSE(presenter_->IsBusy());
    EXPECT_TRUE(presenter_->IsEnabled(Button::GetConfig));
}

TEST_F(SequenceWindow, closingAsksOnlyAboutUnsentChangesOfAConnectedInstrument) {
    EXPECT_TRUE(presenter_->RequestClose());
    Data().SetSequenceConfigModified(true);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(presenter_->RequestClose());
    EXPECT_EQ(
        LastQuestion(),
        "The sequence configuration has been modified, but has not been sent to the instrument.\n\nExit "
        "sequence configuration?");
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(presenter_->RequestClose());
    link_->connected = false;
    const std::size_t asked = prompt_.asked().size();
    EXPECT_TRUE(presenter_->RequestClose());
    EXPECT_EQ(prompt_.asked().size(), asked);
}

}  // namespace
}  // namespace talven::testing
