// The DLOG configuration window's rules, driven without widgets: which controls the table enables,
// the busy state around the worker's requests, automatic downloads into their files, and when the
// window may close.

#include <gtest/gtest.h>

#include "DlogWindowTestSupport.h"
#include "dlog/RecordDecoding.h"
#include "foundation/Messages.h"
#include "foundation/UserPrompt.h"

namespace talven {
namespace {

using test::AddChannel;
using test::AddParameter;
using test::FakeDlogPort;
using test::FakeDlogView;

class DlogConfigWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ozone = AddChannel(*inst, "OZONE");
        AddParameter(*ozone, "NO");
        AddParameter(*ozone, "NO2")->SetUnits("ppb");
        AddChannel(*inst, "CAL", "CALIBRATE");
    }
    DlogConfigPresenter& Open() {
        presenter = std::make_unique<DlogConfigPresenter>(*inst, port, view, options, 7);
        presenter->Open();
        return *presenter;
    }
    const DlogControls& Controls() const { return presenter->Controls(); }
    std::vector<std::string> Asked() const {
        std::vector<std::string> texts;
        for (const auto& a : prompt.asked())
            texts.push_back(a.text);
        return texts;
    }

    ScriptedPrompt prompt;
    ScopedUserPrompt scope{&prompt};
    std::unique_ptr<DlogInstrumentData> inst = test::MakeInstrument();
    CDASChannel* ozone = nullptr;
    FakeDlogPort port;
    FakeDlogView view;
    DlogWindowOptions options;
    std::unique_ptr<DlogConfigPresenter> presenter;
};

TEST(DlogEnablingTable, eachControlFollowsItsRow) {
    DlogEnableInputs in;
    in.enabled = true;
    DlogControls c = ComputeDlogControls(in);
    EXPECT_TRUE(c.tree && c.loadConfig && c.saveConfig && c.newConfig && c.checkAll && c.collapseAll &&
                c.close);
    EXPECT_FALSE(c.getConfig || c.sendConfig || c.getData || c.samples || c.automatic || c.newChannel);

    in.connected = in.hasEventsAndPoints = in.eventParameter = in.newDlog = in.channelRoom = true;
    in.anyChecked = true;
    c = ComputeDlogControls(in);
    EXPECT_TRUE(c.getConfig && c.sendConfig && c.newChannel && c.getData && c.viewData && c.samples &&
                c.automatic);
    EXPECT_FALSE(c.newParameter || c.duplicate || c.properties || c.remove);

    in.parameterSelected = true;  // a parameter of a full channel: no new parameter, no duplicate
    c = ComputeDlogControls(in);
    EXPECT_TRUE(c.properties && c.remove);
    EXPECT_FALSE(c.newParameter || c.duplicate);
    in.parameterRoom = true;
    EXPECT_TRUE(ComputeDlogControls(in).duplicate);

    in.parameterSelected = false;
    in.channelSelected = true;
    in.channelRoom = false;  // 20 channels: a channel cannot be duplicated
    c = ComputeDlogControls(in);
    EXPECT_FALSE(c.duplicate || c.newChannel);
    EXPECT_TRUE(c.newParameter);

    in.eventParameter = false;
    EXPECT_FALSE(ComputeDlogControls(in).sendConfig);
    in.hasEventsAndPoints = false;
    c = ComputeDlogControls(in);
    EXPECT_FALSE(c.newParameter || c.properties || c.remove);

    // Busy: nothing, not even the automatic box; automatic mode keeps only its box.
    in.enabled = false;
    in.busy = true;
    c = ComputeDlogControls(in);
    EXPECT_EQ(c, DlogControls{});
    in.busy = false;
    in.automatic = true;
    c = ComputeDlogControls(in);
    DlogControls onlyAuto;
    onlyAuto.automatic = true;
    EXPECT_EQ(c, onlyAuto);
}

TEST_F(DlogConfigWindow, withoutConnectionOnlyFileAndEditingCommandsWork) {
    port.connected = false;
    ozone->SetSelected(true);
    Open();
    EXPECT_FALSE(Controls().getConfig || Controls().sendConfig || Controls().getData || Controls().viewData ||
                 Controls().samples || Controls().automatic);
    EXPECT_TRUE(Controls().loadConfig && Controls().saveConfig && Controls().newChannel && Controls().tree);
    EXPECT_EQ(presenter->Title(), "Roof Analyzer at Harbour");
    inst->SetDlogModified(true);
    EXPECT_TRUE(presenter->RequestClose());
    EXPECT_TRUE(prompt.asked().empty());  // closing asks nothing without a connection
}

TEST_F(DlogConfigWindow, treeMirrorsTheModelAndWritesChecksAndExpansionBack) {
    Open();
    ASSERT_EQ(presenter->Tree().size(), 2u);
    EXPECT_EQ(presenter->Tree()[0].label, "OZONE, TIMER, 100 Records Maximum");
    EXPECT_EQ(presenter->Tree()[0].parameters[1].label, "NO2 (ppb), AVG, Set 0, 0 Records");
    EXPECT_FALSE(Controls().getData);  // X: nothing checked

    presenter->SetItemChecked({0, 1}, true);
    EXPECT_TRUE(test::ParameterAt(*ozone, 1)->IsSelected());
    EXPECT_FALSE(ozone->IsSelected());
    EXPECT_TRUE(presenter->Tree()[0].parameters[1].checked);
    EXPECT_TRUE(Controls().getData && Controls().graphData && Controls().saveData);
    EXPECT_TRUE(inst->IsNetworkModified());
    EXPECT_FALSE(inst->IsDlogModified());

    presenter->SetChannelExpanded(0, true);
    EXPECT_TRUE(ozone->IsExpanded());
    presenter->ExpandAll(false);
    EXPECT_FALSE(presenter->Tree()[0].expanded);

    // The context menu's Select toggles a channel with its parameters, a parameter without its channel.
    presenter->SelectItem({0, -1});
    presenter->Run(DlogCommand::kSelectChannel);
    EXPECT_TRUE(ozone->IsSelected() && test::ParameterAt(*ozone, 0)->IsSelected());
    presenter->SelectItem({0, 0});
    presenter->Run(DlogCommand::kSelectParameter);
    EXPECT_FALSE(ozone->IsSelected());
    EXPECT_FALSE(test::ParameterAt(*ozone, 0)->IsSelected());
    EXPECT_TRUE(test::ParameterAt(*ozone, 1)->IsSelected());
    const std::vector<DlogMenuItem> menu = presenter->ContextMenu({0, 0});
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_EQ(menu[0].text, "New &Parameter");
    EXPECT_EQ(menu[4].text, "&Select Parameter");
}

TEST_F(DlogConfigWindow, twentyChannelsFiftyParametersAndMissingEventsLimitEditing) {
    for (int i = 0; i < 48; ++i)
        AddParameter(*ozone, "NO");
    Open();
    presenter->SelectItem({0, -1});
    EXPECT_FALSE(Controls().newParameter);  // 50 parameters
    EXPECT_TRUE(Controls().duplicate && Controls().newChannel);
    presenter->SelectItem({0, 3});
    EXPECT_FALSE(Controls().duplicate);

    for (int i = 0; i < 18; ++i)
        AddChannel(*inst, "C" + std::to_string(i));
    presenter->SelectItem({1, -1});
    EXPECT_FALSE(Controls().newChannel || Controls().duplicate);
    EXPECT_TRUE(Controls().newParameter);

    inst->DlogPoints().DeleteAll();  // no data points: nothing can be edited from here
    presenter->SelectItem({1, -1});
    EXPECT_FALSE(Controls().newParameter || Controls().properties || Controls().remove ||
                 Controls().sendConfig);
}

TEST_F(DlogConfigWindow, newChannelIsAppendedOnlyOnOkAndMarksTheConfiguration) {
    Open();
    view.editChannel = [](CDASChannel&) { return false; };
    presenter->NewChannel();
    EXPECT_EQ(inst->DlogChannels().size(), 2u);
    EXPECT_FALSE(inst->IsDlogModified());

    view.editChannel = [](CDASChannel& c) {
        c.SetName("NEWONE");
        return true;
    };
    presenter->NewChannel();
    ASSERT_EQ(inst->DlogChannels().size(), 3u);
    EXPECT_EQ(presenter->Tree()[2].label.substr(0, 7), "NEWONE,");
    EXPECT_EQ(presenter->Selection(), (DlogTreeItem{2, -1}));
    EXPECT_TRUE(inst->IsDlogModified() && inst->IsNetworkModified());
}

TEST_F(DlogConfigWindow, deleteAsksWithTheItemsTextWhenTheOptionSaysSo) {
    Open();
    presenter->SelectItem({0, 1});
    presenter->Delete();  // default answer No
    EXPECT_EQ(ozone->Parameters().size(), 2u);
    EXPECT_EQ(Asked().back(), "Delete \"NO2 (ppb), AVG, Set 0, 0 Records\"?");
    prompt.QueueAnswer(mb::kIdYes);
    presenter->SelectItem({0, 1});
    presenter->Delete();
    EXPECT_EQ(ozone->Parameters().size(), 1u);
    EXPECT_TRUE(inst->IsDlogModified());

    options.confirmDeletes = false;
    presenter->SelectItem({1, -1});
    presenter->Delete();
    EXPECT_EQ(inst->DlogChannels().size(), 1u);
    EXPECT_EQ(prompt.asked().size(), 2u);
}

TEST_F(DlogConfigWindow, configurationDownloadIsBusyUntilItsEndAndAsksFirstWhenModified) {
    Open();
    inst->SetDlogModified(true);
    presenter->GetConfig();  // 61303 answered No
    EXPECT_TRUE(port.posts.empty());
    prompt.QueueAnswer(mb::kIdYes);
    presenter->GetConfig();
    ASSERT_EQ(port.posts.size(), 1u);
    EXPECT_EQ(port.posts[0].kind, "config");
    EXPECT_TRUE(presenter->IsBusy());
    EXPECT_TRUE(presenter->Tree().empty());
    EXPECT_EQ(presenter->StatusText(), "Downloading DLOG configuration...");
    EXPECT_EQ(Controls(), DlogControls{});
    EXPECT_FALSE(presenter->RequestClose());  // a request runs

    presenter->OnNotification(wm::kTransferStart, 5, 0);
    presenter->OnNotification(wm::kTransferStep, 0, 0);
    presenter->OnNotification(wm::kTransferStep, 0, 0);
    EXPECT_EQ(presenter->ProgressRange(), 5u);
    EXPECT_EQ(presenter->ProgressPosition(), 2u);
    const std::size_t asked = prompt.asked().size();
    presenter->OnNotification(wm::kDownloadFailed, 0, 0);
    EXPECT_FALSE(presenter->IsBusy());
    EXPECT_EQ(presenter->Tree().size(), 2u);
    EXPECT_EQ(presenter->StatusText(), "");
    EXPECT_EQ(presenter->ProgressRange(), 0u);
    EXPECT_EQ(prompt.asked().size(), asked);  // a failed download says nothing
    EXPECT_TRUE(Controls().getConfig);

    port.refusePosts = true;  // no worker to take it: not left busy
    prompt.QueueAnswer(mb::kIdYes);
    presenter->GetConfig();
    EXPECT_FALSE(presenter->IsBusy());
}

TEST_F(DlogConfigWindow, sendAlwaysAsksAndReportsEitherOutcome) {
    test::RecordingLogSink log;
    Open();
    presenter->SendConfig();
    EXPECT_TRUE(port.posts.empty());
    EXPECT_EQ(prompt.asked().back().caption, "Confirm");
    prompt.QueueAnswer(mb::kIdYes);
    presenter->SendConfig();
    EXPECT_EQ(presenter->StatusText(), "Sending DLOG configuration to instrument...");
    presenter->OnNotification(wm::kSendDone, 0, 0);
    EXPECT_FALSE(presenter->IsBusy());
    EXPECT_EQ(prompt.asked().back().text, "DLOG configuration successfully sent to instrument.");
    EXPECT_EQ(prompt.asked().back().caption, "Success");

    prompt.QueueAnswer(mb::kIdYes);
    presenter->SendConfig();
    presenter->OnNotification(wm::kSendFailed, 0, 0);
    EXPECT_EQ(prompt.asked().back().caption, "Error");
    EXPECT_EQ(prompt.asked().back().text, MessageText(msg::kDlogSendFailed));
    EXPECT_TRUE(log.Has(kLogError, MessageText(msg::kDlogSendFailed)));
}

TEST_F(DlogConfigWindow, recordDownloadTakesCheckedChannelsAndCanBeCancelledByClose) {
    ozone->SetSelected(true);
    Open();
    presenter->GetData();
    ASSERT_EQ(port.posts.size(), 1u);
    EXPECT_EQ(port.posts[0].channels, std::vector<std::string>{"OZONE"});
    EXPECT_EQ(presenter->CloseText(), "Cancel");
    EXPECT_TRUE(Controls().close);
    EXPECT_FALSE(Controls().getData);

    presenter->OnNotification(wm::kRecordsStart, 40, 0);
    EXPECT_EQ(presenter->StatusText(), "Downloading data for OZONE...");
    EXPECT_EQ(presenter->ProgressRange(), 40u);

    EXPECT_FALSE(presenter->RequestClose());  // Cancel: asks the worker to stop, stays open
    EXPECT_TRUE(port.cancel);
    presenter->OnNotification(wm::kRecordsDone, 0, 0);
    EXPECT_FALSE(presenter->IsBusy());
    EXPECT_FALSE(port.cancel);  // not left to stop the next connect
    EXPECT_EQ(presenter->CloseText(), "Close");

    // Without the CANCEL capability the button stays "Close" and disabled while busy.
    inst->SetCapabilities("dwtihfreov");
    presenter->GetData();
    EXPECT_EQ(presenter->CloseText(), "Close");
    EXPECT_FALSE(Controls().close);
    presenter->OnNotification(wm::kRecordsFailed, 0, 0);

    view.selectionOk = false;  // the selection dialog cancelled
    presenter->GetData();
    EXPECT_EQ(port.posts.size(), 2u);
}

TEST_F(DlogConfigWindow, getDataUsesTheSharedSelectionOfEveryWindow) {
    ozone->SetSelected(true);
    Open();
    view.selectionAnswer = [](CSelectionSet& s) {
        s.mode = CSelectionSet::kRecentRecords;
        s.records = 30;
    };
    presenter->GetData();
    EXPECT_EQ(DlogConfigPresenter::SharedSelection().records, 30);
    EXPECT_EQ(ozone->GetActiveSelection().mode, CSelectionSet::kRecentRecords);
    presenter->OnNotification(wm::kRecordsDone, 0, 0);
    DlogConfigPresenter::SharedSelection() = CSelectionSet();
}

TEST_F(DlogConfigWindow, viewAndGraphShowTheFirstChannelWithDataAndAFourthGraphIsRefused) {
    ozone->SetSelected(true);
    Open();
    presenter->ViewData();
    presenter->GraphData();
    EXPECT_TRUE(view.shownChannels.empty());  // no data: nothing opens
    EXPECT_TRUE(view.graphs.empty());

    test::GiveRecords(*inst, *ozone, 12);
    presenter->ViewData();
    EXPECT_EQ(view.shownChannels, std::vector<std::string>{"OZONE"});
    EXPECT_FALSE(presenter->IsBusy());
    for (int i = 0; i < 3; ++i) {
        presenter->GraphData();
        GraphWindowCount::Opened();  // as the window does when it shows the graph
    }
    ASSERT_EQ(view.graphs.size(), 3u);
    EXPECT_EQ(view.graphs[0]->title, " DLOG OZONE, Roof Analyzer at Harbour");
    presenter->GraphData();
    EXPECT_EQ(view.graphs.size(), 3u);  // a fourth is refused
    GraphWindowCount::Closed();
    presenter->GraphData();
    EXPECT_EQ(view.graphs.size(), 4u);
    for (int i = 0; i < 3; ++i)
        GraphWindowCount::Closed();
    EXPECT_EQ(GraphWindowCount::Open(), 0);
}

TEST_F(DlogConfigWindow, saveDataOffersEachChannelWithDataAndStopsWhenCancelled) {
    test::TempDir dir;
    ozone->SetSelected(true);
    CDASChannel* cal = test::ChannelAt(*inst, 1);
    AddParameter(*cal, "NO");
    cal->SetSelected(true);
    Open();
    test::GiveRecords(*inst, *ozone, 3);
    test::GiveRecords(*inst, *cal, 2);
    const std::string first = dir.File("ozone.csv");
    test::WriteFile(first, "old\r\n");
    prompt.QueueFile(first);
    view.choices = {ReplaceChoice::kCancel, ReplaceChoice::kAppend};
    prompt.QueueFile(first);         // Cancel goes back to the file choice
    prompt.QueueFile(std::nullopt);  // the second channel's dialog cancelled
    presenter->SaveData();
    EXPECT_EQ(view.asked, (std::vector<std::string>{first, first}));
    const std::string text = test::ReadFile(first);
    EXPECT_EQ(text.substr(0, 5), "old\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);  // appended: no heading
    const auto requests = prompt.fileRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].initialName.substr(0, 32), "Roof Analyzer-SN123-OZONE-NO-202");
    EXPECT_EQ(requests[1].initialName, first);
    EXPECT_EQ(requests[2].initialName.substr(0, 30), "Roof Analyzer-SN123-CAL-NO-202");
    EXPECT_FALSE(presenter->IsBusy());
}

class DlogAutomaticMode : public DlogConfigWindow {
  protected:
    void SetUp() override {
        DlogConfigWindow::SetUp();
        ozone->SetSelected(true);
        ozone->SetDownloadFile(dir.File("auto.csv"));
        ozone->SetDownloadedBefore(true);
        ozone->SetLastDownload(DateTime::FromSeconds(1000));
        Open();
        presenter->SetAutomatic(true);
    }
    /// What the worker's download leaves behind, then its completion.
    void Complete(int code, std::size_t records = 4) {
        ASSERT_TRUE(presenter->IsBusy());
        test::GiveRecords(*inst, *ozone, records);
        ozone->SetLastDownload(DateTime::FromSeconds(5000));
        presenter->OnNotification(code, 0, 0);
    }

    test::TempDir dir;
    const DateTime now = DateTime::FromElements(2026, 3, 2, 12, 0, 0);
};

TEST_F(DlogAutomaticMode, onlyItsBoxStaysAndTheTickDownloadsDueChannelsIntoTheirFiles) {
    EXPECT_TRUE(view.timer);
    DlogControls onlyAuto;
    onlyAuto.automatic = true;
    EXPECT_EQ(Controls(), onlyAuto);
    EXPECT_FALSE(presenter->RequestClose());  // refused while automatic mode is on

    presenter->AutomaticTick(now);
    ASSERT_EQ(port.posts.size(), 1u);
    EXPECT_EQ(port.posts[0].channels, std::vector<std::string>{"OZONE"});
    presenter->AutomaticTick(now);  // busy: no second request
    EXPECT_EQ(port.posts.size(), 1u);
    Complete(wm::kRecordsDone);
    EXPECT_FALSE(presenter->IsBusy());
    const std::string file = test::ReadFile(dir.File("auto.csv"));
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 5);  // heading and four rows
    EXPECT_EQ(ozone->GetLastDownload().seconds(), 5000u);
    EXPECT_EQ(Controls(), onlyAuto);

    presenter->SetAutomatic(false);
    EXPECT_FALSE(view.timer);
    EXPECT_TRUE(Controls().getData && Controls().close);
    presenter->AutomaticTick(now);  // off: the tick does nothing
    EXPECT_EQ(port.posts.size(), 1u);
}

TEST_F(DlogAutomaticMode, aFileThatCannotBeWrittenOrAFailedDownloadGivesTheMarkBack) {
    ozone->SetDownloadFile(dir.File("missing/auto.csv"));
    presenter->AutomaticTick(now);
    Complete(wm::kRecordsDone);
    EXPECT_EQ(ozone->GetLastDownload().seconds(), 1000u);
    EXPECT_TRUE(prompt.asked().empty());  // unattended: logged, never shown

    ozone->SetDownloadFile(dir.File("auto.csv"));
    presenter->AutomaticTick(now);
    Complete(wm::kRecordsFailed);
    EXPECT_EQ(ozone->GetLastDownload().seconds(), 1000u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("auto.csv")));
}

TEST_F(DlogConfigWindow, closingAsksWhenModifiedAndStoresTheSamplesBox) {
    Open();
    presenter->SetSamples(true);
    inst->SetDlogModified(true);
    EXPECT_FALSE(presenter->RequestClose());
    EXPECT_EQ(Asked().back(), MessageText(msg::kDlogModifiedExit));
    EXPECT_FALSE(port.samples);
    prompt.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(presenter->RequestClose());
    EXPECT_TRUE(port.samples);
}

TEST_F(DlogConfigWindow, busyStateWhoseWorkerEndedIsGivenUpAfterAFewWatches) {
    ozone->SetSelected(true);
    Open();
    presenter->GetData();
    port.worker = false;
    presenter->Watch();
    presenter->Watch();
    EXPECT_TRUE(presenter->IsBusy());  // its completion may still be on its way
    presenter->Watch();
    EXPECT_FALSE(presenter->IsBusy());

    port.connected = false;  // a lost connection is noticed without a command
    presenter->Watch();
    EXPECT_FALSE(Controls().getConfig);
}

}  // namespace
}  // namespace talven
