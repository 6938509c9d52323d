// The DLOG windows against a simulated analyzer: the configuration comes, records are downloaded,
// viewed, graphed and saved; automatic mode writes a due channel's file; Cancel stops a long
// download. The windows' pictures go to the manual.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include <gtest/gtest.h>

#include "dlog/DASChannel.h"
#include "dlog/InstrumentNodeDlog.h"
#include "foundation/UserPrompt.h"
#include "gui/DlogConfigWindow.h"
#include "gui/DlogDataView.h"
#include "gui/DlogDialogs.h"
#include "gui/DlogGraph.h"
#include "gui/DlogWindowSupport.h"
#include "gui/DlogWindows.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "session/InstrumentSession.h"
#include "sim/SimServer.h"
#include "tests/gui/GuiTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven::gui {
namespace {

using test::SaveScreenshot;
using test::WaitFor;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

/// Runs action on the next modal dialog to open (from inside its own event loop).
template <class Dialog>
void OnNextDialog(std::function<void(Dialog&)> action) {
    QTimer::singleShot(0, [action] {
        ASSERT_TRUE(
            WaitFor([] { return dynamic_cast<Dialog*>(QApplication::activeModalWidget()) != nullptr; }));
        action(*dynamic_cast<Dialog*>(QApplication::activeModalWidget()));
    });
}

class DlogWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() / ("dlogwin." + std::to_string(::getpid()));
    }
    void TearDown() override {
        if (node)
            ForgetDlogWindowsOf(*node);
        std::vector<QPointer<CGraphWindow>> graphs;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* graph = dynamic_cast<CGraphWindow*>(w))
                graphs.emplace_back(graph);
        for (const QPointer<CGraphWindow>& graph : graphs)
            delete graph.data();
        if (session != nullptr) {
            session->PostDisconnect();
            WaitFor([&] { return !session->HasWorker(); }, 30000);
            session->JoinEndedWorkers();
        }
        node.reset();
        if (sim)
            sim->stop();
        std::error_code ec;
        std::filesystem::remove_all(directory, ec);
    }

    void Connect(int trickleMs = 0) {
        std::filesystem::create_directories(directory);
        configuration.New();
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        o.clockStart = now.seconds();
        o.clockFrozen = true;
        o.seed = 7;
        o.link.faults.trickleMs = trickleMs;
        std::string error;
        sim = sim::SimInstrument::StartTcp(o, 0, error);
        ASSERT_TRUE(sim) << error;
        node = std::make_unique<CInstrumentConnectedNode>("Roof Analyzer", 8181);
        node->SetParentId(configuration.Sites().at(0)->GetId());
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim->port());
        node->SetConnection(std::move(tcp));
        InstrumentSettings s = node->GetSettings();
        s.receiveTimeoutMs = 500;
        node->SetSettings(s);
        session = &CInstrumentSession::Of(*node);
        session->PostConnect();
        ASSERT_TRUE(WaitFor([&] { return session->IsConnected() && !session->IsInUse(); }, 30000));
        ASSERT_TRUE(WaitFor([&] { return !node->GetIdentity().capabilities.empty(); }, 30000));
    }

    CDASConfigDialog& OpenWindow() {
        OpenDlogConfigurationWindow(nullptr, *node);
        CDASConfigDialog* window = FindDlogConfigurationWindow(*node);
        EXPECT_NE(window, nullptr);
        return *window;
    }

    void Click(CDASConfigDialog& window, CDASConfigDialog::Button b) {
        QPushButton* button = window.ButtonOf(b);
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    bool Idle(CDASConfigDialog& window, int timeoutMs = 60000) {
        return WaitFor([&] { return !window.Presenter().IsBusy(); }, timeoutMs);
    }

    void GetConfiguration(CDASConfigDialog& window) {
        Click(window, CDASConfigDialog::kGetConfig);
        ASSERT_TRUE(Idle(window));
        ASSERT_EQ(window.Tree()->topLevelItemCount(), 4);
    }

    CDASChannel& Channel(const std::string& name) {
        auto* channel = dynamic_cast<CDASChannel*>(node->GetList(kDlogChannels).FindByName(name));
        EXPECT_NE(channel, nullptr) << name;
        return *channel;
    }

    /// "Get Data" with the record selection dialog answered by choose.
    void GetData(CDASConfigDialog& window, std::function<void(CSelectRecordsDialog&)> choose) {
        OnNextDialog<CSelectRecordsDialog>([choose](CSelectRecordsDialog& dialog) {
            if (choose)
                choose(dialog);
            dialog.accept();
        });
        Click(window, CDASConfigDialog::kGetData);
    }

    ScriptedPrompt prompt;
    ScopedUserPrompt scopedPrompt{&prompt};
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current{&configuration};
    std::unique_ptr<sim::SimInstrument> sim;
    std::unique_ptr<CInstrumentConnectedNode> node;
    CInstrumentSession* session = nullptr;
    std::filesystem::path directory;
    const DateTime now = DateTime::FromElements(2026, 3, 1, 12, 0, 0);
};

TEST_F(DlogWindows, configurationAndRecordsAreDownloadedViewedGraphedAndSaved) {
    Connect();
    CDASConfigDialog& window = OpenWindow();
    EXPECT_EQ(window.windowTitle(), "Roof Analyzer at Home");
    OpenDlogConfigurationWindow(nullptr, *node);  // a second call finds the same window
    EXPECT_EQ(FindDlogConfigurationWindow(*node), &window);
    EXPECT_FALSE(session->IsPanelFree());
    GetConfiguration(window);

    // The user checks the first channel's box and downloads its records.
    QTreeWidgetItem* conc = window.Tree()->topLevelItem(0);
    conc->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(Channel("CONC1").IsSelected());
    GetData(window, {});
    ASSERT_TRUE(Idle(window));
    conc = window.Tree()->topLevelItem(0);
    conc->setExpanded(true);
    EXPECT_TRUE(Channel("CONC1").IsExpanded());
    const CDASParameter& first = *static_cast<CDASParameter*>(Channel("CONC1").Parameters().at(0));
    const std::size_t records = first.GetRecordCount();
    EXPECT_GT(records, 100u);
    EXPECT_TRUE(conc->child(0)->text(0).endsWith(QString(" %1 Records").arg(records)));
    window.resize(900, 560);
    window.Tree()->setCurrentItem(conc->child(0));
    SaveScreenshot(window, "dlog-configuration");

    // The data view: one row per record, then its graph.
    bool viewed = false;
    OnNextDialog<CDASDataViewDialog>([&](CDASDataViewDialog& view) {
        EXPECT_EQ(view.windowTitle(), "DLOG Data View");
        EXPECT_EQ(view.Table()->model()->rowCount(), static_cast<int>(records));
        EXPECT_EQ(view.Table()->model()->headerData(0, Qt::Horizontal).toString(), "Time Stamp");
        view.resize(760, 420);
        SaveScreenshot(view, "dlog-data-view");
        view.GraphData();
        viewed = true;
        view.accept();
    });
    Click(window, CDASConfigDialog::kViewData);
    ASSERT_TRUE(viewed);
    EXPECT_FALSE(window.Presenter().IsBusy());
    CGraphWindow* graph = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* g = dynamic_cast<CGraphWindow*>(w))
            graph = g;
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->windowTitle(), " DLOG CONC1, Roof Analyzer at Home");
    EXPECT_EQ(graph->ChartWidget()->Chart().GetSeriesCount(), Channel("CONC1").Parameters().size());
    graph->resize(720, 460);
    SaveScreenshot(*graph, "dlog-graph");
    const std::string picture = (directory / "graph.png").string();
    prompt.QueueFile(picture);
    EXPECT_TRUE(graph->SavePicture());
    EXPECT_EQ(QImage(QString::fromStdString(picture)).width(), graph->ChartWidget()->width());
    graph->CopyPicture();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), graph->ChartWidget()->size());

    // Saved as CSV: a heading and one line per record; an existing file asks Replace or Append.
    const std::string csv = (directory / "conc1.csv").string();
    prompt.QueueFile(csv);
    Click(window, CDASConfigDialog::kSaveData);
    ASSERT_TRUE(Idle(window));
    const std::string text = ReadAll(csv);
    EXPECT_EQ(text.rfind("Time Stamp, ", 0), 0u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')), records + 1);
    prompt.QueueFile(csv);
    OnNextDialog<CFileSaveAsDialog>([](CFileSaveAsDialog& dialog) {
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            if (button->text() == "&Append")
                button->click();
    });
    Click(window, CDASConfigDialog::kSaveData);
    const std::string twice = ReadAll(csv);
    EXPECT_EQ(static_cast<std::size_t>(std::count(twice.begin(), twice.end(), '\n')), 2 * records + 1);

    window.close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FindDlogConfigurationWindow(*node), nullptr);
    EXPECT_TRUE(session->IsPanelFree());
}

TEST_F(DlogWindows, automaticModeWritesADueChannelIntoItsFile) {
    Connect();
    CDASConfigDialog& window = OpenWindow();
    GetConfiguration(window);
    const std::string file = (directory / "pnumtc-auto.csv").string();
    CDASChannel& channel = Channel("PNUMTC");
    channel.SetSelected(true);
    channel.SetDownloadFile(file);
    QTest::mouseClick(window.AutomaticBox(), Qt::LeftButton);
    ASSERT_TRUE(window.Presenter().IsAutomatic());
    EXPECT_FALSE(window.ButtonOf(CDASConfigDialog::kGetConfig)->isEnabled());
    EXPECT_TRUE(window.AutomaticBox()->isEnabled());

    window.Presenter().AutomaticTick(DateTime::Now());  // the 60-second tick
    EXPECT_TRUE(window.Presenter().IsBusy());
    ASSERT_TRUE(Idle(window));
    const std::string text = ReadAll(file);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    EXPECT_EQ(lines, static_cast<CDASParameter*>(channel.Parameters().at(0))->GetRecordCount() + 1);
    EXPECT_GT(lines, 10u);
    EXPECT_FALSE(channel.IsAutoDownloadDue(DateTime::Now()));
    window.Presenter().AutomaticTick(DateTime::Now());  // nothing due now
    EXPECT_FALSE(window.Presenter().IsBusy());

    window.close();  // refused while automatic mode is on
    EXPECT_TRUE(window.isVisible());
    QTest::mouseClick(window.AutomaticBox(), Qt::LeftButton);
    EXPECT_TRUE(window.ButtonOf(CDASConfigDialog::kGetConfig)->isEnabled());
}

TEST_F(DlogWindows, cancelStopsALongDownloadAndKeepsTheWindowOpen) {
    Connect(1);
    CDASConfigDialog& window = OpenWindow();
    GetConfiguration(window);
    CDASChannel& conc = Channel("CONC1");
    window.Tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    GetData(window, {});
    ASSERT_TRUE(WaitFor([&] { return window.Progress()->value() >= 5; }, 60000));
    EXPECT_EQ(window.ButtonOf(CDASConfigDialog::kClose)->text(), "Cancel");
    EXPECT_TRUE(window.Status()->text().startsWith("Downloading data for CONC1"));
    QTest::mouseClick(window.ButtonOf(CDASConfigDialog::kClose), Qt::LeftButton);
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(Idle(window, 30000));
    const std::size_t got = static_cast<CDASParameter*>(conc.Parameters().at(0))->GetRecordCount();
    EXPECT_GT(got, 0u);
    EXPECT_LT(got, static_cast<std::size_t>(conc.GetRecordCount()));
    EXPECT_EQ(window.ButtonOf(CDASConfigDialog::kClose)->text(), "Close");
    EXPECT_FALSE(session->IsCancelRequested());
}

TEST_F(DlogWindows, channelSheetAndRecordSelectionDialogsAreLaidOutForTheManual) {
    Connect();
    CDASConfigDialog& window = OpenWindow();
    GetConfiguration(window);
    InstrumentNodeDlog& dlog = DlogOfNode(*node);
    CDASChannel& channel = Channel("CONC1");
    channel.SetDownloadFile("/home/operator/data/Roof Analyzer-CONC1-Auto.csv");
    const DateFormatSlots formats;
    CDASChannelSheet sheet(&window, dlog, channel, formats);
    sheet.show();
    SaveScreenshot(sheet, "dlog-channel-basic");
    sheet.Pages()->setCurrentIndex(1);
    EXPECT_EQ(sheet.Pages()->currentIndex(), 1);  // the Basic page is valid: it may be left
    SaveScreenshot(sheet, "dlog-channel-advanced");
    sheet.reject();

    CSelectionSet selection;
    selection.mode = CSelectionSet::kBetween;
    selection.from = DateTime::FromElements(2026, 2, 1, 0, 0, 0).seconds();
    selection.to = now.seconds();
    CSelectRecordsDialog select(&window, selection, true);
    select.show();
    SaveScreenshot(select, "dlog-select-records");
    select.accept();
    EXPECT_EQ(select.Selection().from, selection.from);
}

}  // namespace
}  // namespace talven::gui
