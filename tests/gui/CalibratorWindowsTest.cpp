// The calibrator windows on the offscreen platform against the simulated calibrator: sequences
// downloaded, a step of every offered kind added through the real dialogs, sent back; the level
// table downloaded, a level edited, sent back; the calibrator's stored copies equal what was sent.
// Also dragging in the tree, one window per instrument, busy windows and closing. The manual's
// screenshots of these windows are taken here.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

#include <gtest/gtest.h>

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/Level.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceScript.h"
#include "calibrator/ui/StepForms.h"
#include "foundation/DateTime.h"
#include "foundation/UserPrompt.h"
#include "gui/CalibratorWindows.h"
#include "gui/LevelTableWindow.h"
#include "gui/SequenceConfigWindow.h"
#include "gui/StepFormDialog.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "session/InstrumentSession.h"
#include "sim/SimServer.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/session/SessionTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven::gui {
namespace {

/// Answers the modal form dialogs as they open, in order. A handler ends its dialog (accept or
/// reject) itself; a dialog nobody expected is cancelled and counted.
class DialogDriver {
  public:
    using Handler = std::function<void(StepFormDialog&)>;
    DialogDriver() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(10);
    }
    void Queue(Handler handler) { handlers_.push_back(std::move(handler)); }
    bool Idle() const { return handlers_.empty(); }
    int unexpected = 0;

  private:
    void Poll() {
        auto* dialog = qobject_cast<StepFormDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->property("driven").toBool())
            return;
        dialog->setProperty("driven", true);
        if (handlers_.empty()) {
            ++unexpected;
            dialog->reject();
            return;
        }
        Handler handler = std::move(handlers_.front());
        handlers_.pop_front();
        handler(*dialog);
    }

    QTimer timer_;
    std::deque<Handler> handlers_;
};

void Type(QWidget* edit, const QString& text) {
    auto* line = qobject_cast<QLineEdit*>(edit);
    ASSERT_NE(line, nullptr);
    line->selectAll();
    QTest::keyClicks(line, text);
}

void Choose(QWidget* combo, const QString& text) {
    auto* box = qobject_cast<QComboBox*>(combo);
    ASSERT_NE(box, nullptr);
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
}

/// The stored form of a sequence script: per sequence, its trimmed lines between SEQBEGIN and
/// SEQEND, as the calibrator keeps them.
std::vector<std::vector<std::string>> SequenceLines(const std::string& script) {
    std::vector<std::vector<std::string>> sequences;
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = script.find('\n', start);
        if (end == std::string::npos)
            end = script.size();
        std::string line = script.substr(start, end - start);
        start = end + 1;
        line.erase(0, line.find_first_not_of(" \r"));
        line.erase(line.find_last_not_of(" \r") + 1);
        if (line == "SEQBEGIN")
            sequences.emplace_back();
        else if (line != "SEQEND" && line != "SEQLISTBEGIN" && line != "SEQLISTEND" && !line.empty())
            sequences.back().push_back(line);
    }
    return sequences;
}

class CalibratorWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        configuration_.New();
        sim::InstrumentOptions options;
        options.profile = "calibrator";
        options.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
        options.clockFrozen = true;
        std::string error;
        sim_ = sim::SimInstrument::StartTcp(options, 0, error);
        ASSERT_TRUE(sim_) << error;
        node_ = std::make_unique<CInstrumentConnectedNode>("Cal", 4242);
        node_->SetParentId(configuration_.Sites().at(0)->GetId());
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim_->port());
        node_->SetConnection(std::move(tcp));
        InstrumentSettings settings = node_->GetSettings();
        settings.receiveTimeoutMs = 300;
        node_->SetSettings(settings);
        session_ = &CInstrumentSession::Of(*node_);
        session_->PostConnect();
        ASSERT_TRUE(::talven::test::Settle(*session_));
        ASSERT_TRUE(session_->IsSessionOpen());
    }

    void TearDown() override {
        CloseCalibratorWindows(nullptr);
        if (session_ != nullptr && session_->IsSessionOpen()) {
            session_->PostDisconnect();
            test::WaitFor([&] { return !session_->HasWorker(); }, 30000);
            session_->JoinEndedWorkers();
        }
        node_.reset();
        if (sim_)
            sim_->stop();
    }

    SequenceConfigWindow& OpenSequences() {
        OpenSequenceWindow(nullptr, *node_);
        auto* window = qobject_cast<SequenceConfigWindow*>(FindSequenceWindow(*node_));
        EXPECT_NE(window, nullptr);
        return *window;
    }
    LevelTableWindow& OpenLevels() {
        OpenLevelWindow(nullptr, *node_);
        auto* window = qobject_cast<LevelTableWindow*>(FindLevelWindow(*node_));
        EXPECT_NE(window, nullptr);
        return *window;
    }
    template <class Window>
    bool Finish(Window& window) {
        return test::WaitFor([&] { return !window.presenter().IsBusy(); }, 30000);
    }
    std::string LastAsked() const {
        const auto asked = prompt_.asked();
        return asked.empty() ? std::string() : asked.back().text;
    }

    ScriptedPrompt prompt_;
    ScopedUserPrompt promptScope_{&prompt_};
    CNetworkConfiguration configuration_;
    ScopedNetworkConfiguration configScope_{&configuration_};
    std::unique_ptr<sim::SimInstrument> sim_;
    std::unique_ptr<CInstrumentConnectedNode> node_;
    CInstrumentSession* session_ = nullptr;
    DialogDriver dialogs_;
};

/// The edits made in each kind's dialog; kinds not listed are confirmed as they open.
void EditStep(StepKind kind, StepFormDialog& dialog) {
    switch (kind) {
        case StepKind::Generate:
            Type(dialog.FieldWidget("concentration"), "80");
            Choose(dialog.FieldWidget("gas"), "SO2");
            qobject_cast<QCheckBox*>(dialog.FieldWidget("override"))->setChecked(true);
            Type(dialog.FieldWidget("flow"), "2.5");
            test::SaveScreenshot(dialog, "step-generate");
            break;
        case StepKind::Manual:
            Choose(dialog.FieldWidget("mode"), "Constant drive");
            Type(dialog.FieldWidget("setpoint"), "2500");
            test::SaveScreenshot(dialog, "step-manual");
            break;
        case StepKind::ExecSeq:
            qobject_cast<QComboBox*>(dialog.FieldWidget("sequence"))->setCurrentIndex(1);
            break;
        case StepKind::StatusBlock:
            dialog.BitBoxes("block1")[7]->setChecked(true);
            dialog.BitBoxes("block2")[0]->setChecked(true);
            test::SaveScreenshot(dialog, "step-status-block");
            break;
        default:
            break;
    }
}

TEST_F(CalibratorWindows, sequencesAndLevelsEditedInTheWindowsAreWhatTheCalibratorStores) {
    SequenceConfigWindow& window = OpenSequences();
    EXPECT_EQ(window.windowTitle(), "Cal at Home");
    window.button(SequenceButton::GetConfig)->click();
    EXPECT_EQ(window.status().text(), "Downloading sequence configuration...");
    EXPECT_FALSE(window.tree().isEnabled());
    ASSERT_TRUE(Finish(window));
    ASSERT_EQ(window.tree().topLevelItemCount(), 4);
    EXPECT_TRUE(window.tree().isEnabled());

    window.tree().setCurrentItem(window.tree().topLevelItem(0));
    const int before = window.tree().topLevelItem(0)->childCount();
    SelectStepTypeForm offered(&window.presenter().Instrument());
    const std::vector<FieldChoice> kinds = offered.Fields().front().choices;
    ASSERT_EQ(kinds.size(), 14u);  // this calibrator offers every kind
    for (const FieldChoice& kind : kinds) {
        const auto stepKind = static_cast<StepKind>(kind.id);
        dialogs_.Queue([&, stepKind, text = QString::fromStdString(kind.text)](StepFormDialog& dialog) {
            auto* list = qobject_cast<QListWidget*>(dialog.FieldWidget("kind"));
            ASSERT_NE(list, nullptr);
            list->setCurrentItem(list->findItems(text, Qt::MatchExactly).value(0));
            if (stepKind == StepKind::Level)
                test::SaveScreenshot(dialog, "select-step-type");
            dialog.accept();
        });
        if (CreateStep(stepKind)->CanEdit()) {
            dialogs_.Queue([stepKind](StepFormDialog& dialog) {
                EditStep(stepKind, dialog);
                dialog.accept();
            });
        }
        window.button(SequenceButton::NewStep)->click();
        ASSERT_TRUE(dialogs_.Idle()) << kind.text;
        // The new step is selected: the next one is added to the same sequence.
        window.tree().setCurrentItem(window.tree().topLevelItem(0));
    }
    EXPECT_EQ(dialogs_.unexpected, 0);
    QTreeWidgetItem* first = window.tree().topLevelItem(0);
    ASSERT_EQ(first->childCount(), before + 14);
    EXPECT_EQ(first->child(before)->text(0), "GENERATE 80 PPB SO2, 2.500 LPM");
    EXPECT_TRUE(first->isExpanded());
    test::SaveScreenshot(window, "sequence-configuration");

    prompt_.QueueAnswer(mb::kIdYes);
    window.button(SequenceButton::SendToInst)->click();
    ASSERT_TRUE(Finish(window));
    ASSERT_TRUE(test::WaitFor([&] { return !window.presenter().HasSendResult(); }));
    EXPECT_EQ(LastAsked(), "Sequence configuration successfully sent to instrument.");
    const std::string sent = SequenceSendText(window.presenter().Instrument());
    const auto expected = SequenceLines(sent);
    const auto stored = sim_->instrument().calibratorData().sequences;
    ASSERT_EQ(stored.size(), expected.size());
    for (std::size_t i = 0; i < stored.size(); ++i)
        EXPECT_EQ(stored[i].lines, expected[i]) << stored[i].name;
    EXPECT_FALSE(window.presenter().Instrument().IsSequenceConfigModified());

    LevelTableWindow& levels = OpenLevels();
    EXPECT_EQ(levels.windowTitle(), "Predefined Levels");
    levels.button(LevelButton::GetFromInst)->click();
    ASSERT_TRUE(Finish(levels));
    ASSERT_EQ(levels.list().topLevelItemCount(), 4);
    EXPECT_EQ(levels.list().topLevelItem(1)->text(0), "12");
    levels.list().topLevelItem(1)->setSelected(true);
    dialogs_.Queue([](StepFormDialog& dialog) {
        Type(dialog.FieldWidget("number"), "14");
        dialog.BitBoxes("block2")[7]->setChecked(true);  // the box of bit 1, at the right
        Choose(dialog.FieldWidget("kind"), "GPT");
        // The action's own dialog opens from this one and is answered before this one ends.
        QTimer::singleShot(0, &dialog, [&dialog] {
            qobject_cast<QPushButton*>(dialog.FieldWidget("action"))->click();
            test::SaveScreenshot(dialog, "level-properties");
            dialog.accept();
        });
    });
    dialogs_.Queue([](StepFormDialog& dialog) {
        Type(dialog.FieldWidget("no"), "450");
        Type(dialog.FieldWidget("o3"), "400");
        dialog.accept();
    });
    levels.button(LevelButton::Properties)->click();
    ASSERT_TRUE(dialogs_.Idle());
    EXPECT_EQ(levels.list().topLevelItem(1)->text(0), "14");
    EXPECT_EQ(levels.list().topLevelItem(1)->text(1), "GPT 450 PPB NO, 400 PPB O3");
    EXPECT_EQ(levels.list().topLevelItem(1)->text(3), "00000001");
    test::SaveScreenshot(levels, "predefined-levels");

    prompt_.QueueAnswer(mb::kIdYes);
    levels.button(LevelButton::SendToInst)->click();
    ASSERT_TRUE(Finish(levels));
    EXPECT_EQ(LastAsked(), "Level table successfully sent to instrument.");
    const std::vector<std::string> sentLevels = MakeLevelSendForm(levels.presenter().Instrument()).lines;
    EXPECT_EQ(sim_->instrument().calibratorData().levels, sentLevels);
    EXPECT_EQ(sentLevels[1], "14 GPT 450 PPB 400 PPB \"00000010\" \"00000001\"");
}

TEST_F(CalibratorWindows, oneWindowPerInstrumentAndStepsDraggedInTheTree) {
    SequenceConfigWindow& window = OpenSequences();
    OpenSequenceWindow(nullptr, *node_);
    EXPECT_EQ(FindSequenceWindow(*node_), &window);
    window.button(SequenceButton::GetConfig)->click();
    ASSERT_TRUE(Finish(window));
    window.show();
    ICalibratorInstrument& data = window.presenter().Instrument();
    auto& first = static_cast<CSequence&>(*data.SequenceList().at(0));
    auto& second = static_cast<CSequence&>(*data.SequenceList().at(1));
    const std::size_t firstCount = first.GetStepCount();
    const std::size_t secondCount = second.GetStepCount();
    ASSERT_GE(firstCount, 2u);
    const std::string moved = first.GetStep(0)->GetText(0);

    // Onto the second sequence's row: the step goes to its end.
    window.tree().expandAll();
    const QRect target = window.tree().visualItemRect(window.tree().topLevelItem(1));
    ASSERT_TRUE(window.tree().DropAt({0, 0}, target.center()));
    test::ProcessEventsFor(50);
    EXPECT_EQ(first.GetStepCount(), firstCount - 1);
    ASSERT_EQ(second.GetStepCount(), secondCount + 1);
    EXPECT_EQ(second.GetStep(secondCount)->GetText(0), moved);
    EXPECT_EQ(window.tree().topLevelItem(1)->child(static_cast<int>(secondCount))->text(0),
              QString::fromStdString(moved));
    EXPECT_TRUE(data.IsSequenceConfigModified());

    // Onto the upper half of the first step of the first sequence: before it.
    window.tree().expandAll();
    QTreeWidgetItem* firstStep = window.tree().topLevelItem(0)->child(0);
    const QRect upper = window.tree().visualItemRect(firstStep);
    ASSERT_TRUE(window.tree().DropAt({1, static_cast<int>(secondCount)},
                                     QPoint(upper.center().x(), upper.top() + 1)));
    EXPECT_EQ(first.GetStep(0)->GetText(0), moved);
    EXPECT_FALSE(window.tree().DropAt({0, 0}, QPoint(upper.center().x(), upper.top() + 1)));  // where it is
}

TEST_F(CalibratorWindows, aNewSequenceIsNamedAndScheduledInItsPropertiesDialog) {
    SequenceConfigWindow& window = OpenSequences();
    dialogs_.Queue([](StepFormDialog& dialog) {
        Type(dialog.FieldWidget("name"), "NEW SEQ");
        EXPECT_FALSE(dialog.FieldWidget("count")->isEnabled());
        for (QRadioButton* radio : dialog.findChildren<QRadioButton*>()) {
            if (radio->text() == "Run &several times")
                radio->click();
        }
        EXPECT_TRUE(dialog.FieldWidget("count")->isEnabled());
        Type(dialog.FieldWidget("count"), "3");
        EXPECT_FALSE(dialog.BitBoxes("ccInputs")[0]->isEnabled());  // the inputs are disabled
        qobject_cast<QCheckBox*>(dialog.FieldWidget("ccOutputs"))->setChecked(true);
        dialog.BitBoxes("ccOutputs")[1]->click();
        test::SaveScreenshot(dialog, "sequence-properties");
        dialog.accept();  // refused: the name holds a blank
        ASSERT_TRUE(dialog.isVisible());
        // The dialog's own focus: the application's depends on which window the platform made active.
        EXPECT_EQ(dialog.focusWidget(), dialog.FieldWidget("name"));
        Type(dialog.FieldWidget("name"), "NEW_SEQ");
        dialog.accept();
    });
    window.button(SequenceButton::NewSequence)->click();
    ASSERT_TRUE(dialogs_.Idle());
    const int count = window.tree().topLevelItemCount();
    ASSERT_GE(count, 1);
    EXPECT_EQ(window.tree().topLevelItem(count - 1)->text(0), "NEW_SEQ, 0 STEPS, RUN 3 TIMES");
    EXPECT_TRUE(window.tree().topLevelItem(count - 1)->isSelected());
    const auto& added = static_cast<const CSequence&>(
        *window.presenter().Instrument().SequenceList().at(static_cast<std::size_t>(count - 1)));
    EXPECT_EQ(added.GetSettings().ccOutputs.Text(12, false), "010000000000");
    EXPECT_FALSE(added.GetSettings().ccInputs.enabled);
    EXPECT_EQ(LastAsked().substr(0, 40), "Please enter a valid name for this seque");
}

TEST_F(CalibratorWindows, closingKeepsAnUnsentConfigurationOnNoAndEscapeAsksTheSame) {
    SequenceConfigWindow& window = OpenSequences();
    window.button(SequenceButton::GetConfig)->click();
    ASSERT_TRUE(Finish(window));
    window.tree().setCurrentItem(window.tree().topLevelItem(0));
    window.button(SequenceButton::MoveDown)->click();
    EXPECT_TRUE(window.presenter().Instrument().IsSequenceConfigModified());
    EXPECT_TRUE(configuration_.IsModified());

    prompt_.QueueAnswer(mb::kIdNo);
    QTest::keyClick(&window, Qt::Key_Escape);
    test::ProcessEventsFor(20);
    ASSERT_EQ(FindSequenceWindow(*node_), &window);
    EXPECT_EQ(
        LastAsked(),
        "The sequence configuration has been modified, but has not been sent to the instrument.\n\nExit "
        "sequence configuration?");
    prompt_.QueueAnswer(mb::kIdYes);
    window.button(SequenceButton::Close)->click();
    EXPECT_TRUE(test::WaitFor([&] { return FindSequenceWindow(*node_) == nullptr; }));
}

}  // namespace
}  // namespace talven::gui
