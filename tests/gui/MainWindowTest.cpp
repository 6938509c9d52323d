// The main window on the offscreen platform: its menus, accelerators and their availability, a
// damaged file that must not cost the open network, a connect that stalls while the window goes
// on, and the manual's screenshot of the demo network.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/CoreStartup.h"
#include "app/RecentFiles.h"
#include "app/TalvenApp.h"
#include "foundation/UserPrompt.h"
#include "gui/CalibratorWindows.h"
#include "gui/DemoNetwork.h"
#include "gui/DlogConfigWindow.h"
#include "gui/DlogWindows.h"
#include "gui/MainWindow.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"
#include "sim/SimServer.h"
#include "tests/gui/GuiTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven::gui {
namespace {

using test::WaitFor;

QStringList EntriesOf(const QMenu& menu) {
    QStringList entries;
    for (const QAction* action : menu.actions())
        entries << (action->isSeparator() ? QString("-") : action->text());
    return entries;
}

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : app_(store_), current_(&config_), promptScope_(&prompt_) {
        InitializeCore();
        config_.New();
    }
    ~MainWindowTest() override {
        window_.reset();
        config_.New();  // sessions end with their nodes, before the simulated instruments go
        if (sim_)
            sim_->stop();
    }
    void Open() {
        window_ = std::make_unique<MainWindow>(app_, config_, recent_, *GetQtNotifier());
        window_->ShowConfiguration();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    CInstrumentConnectedNode& AddInstrument(const std::string& name) {
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetName(name);
        node->SetParentId(config_.Sites().at(0)->GetId());
        CInstrumentConnectedNode& ref = *node;
        config_.ConnectedInstruments().Append(std::move(node));
        return ref;
    }
    void SelectInTree(std::uint32_t id) {
        for (QTreeWidgetItemIterator it(window_->tree()); *it; ++it)
            if ((*it)->data(0, Qt::UserRole + 1).toUInt() == id)
                window_->tree()->setCurrentItem(*it);
    }

    MemorySettingsStore store_;
    CTALVENApp app_;
    CNetworkConfiguration config_;
    ScopedNetworkConfiguration current_;
    ScriptedPrompt prompt_;
    ScopedUserPrompt promptScope_;
    RecentFileList recent_;
    std::unique_ptr<sim::SimInstrument> sim_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, menusAcceleratorsAndPromptsAreThoseOfTheCommandTable) {
    CInstrumentConnectedNode& ozone = AddInstrument("Ozone");
    Open();
    QStringList menus;
    for (QAction* menu : window_->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "&Settings", "&Help"}));
    QMenu* file = window_->menuBar()->actions()[0]->menu();
    EXPECT_EQ(EntriesOf(*file), (QStringList{"&New", "&Open", "&Save", "Save &as", "&Connect", "-",
                                             "No recent files", "-", "E&xit"}));
    EXPECT_FALSE(file->actions()[6]->isEnabled());
    QMenu* edit = window_->menuBar()->actions()[1]->menu();
    EXPECT_EQ(EntriesOf(*edit), (QStringList{"New &site", "New mu&ltiplexor", "New i&nstrument", "D&uplicate",
                                             "&Properties", "&Delete", "-", "&Modems"}));

    const std::pair<MainCommand, const char*> keys[] = {
        {MainCommand::kNew, "Ctrl+N"},     {MainCommand::kOpen, "Ctrl+O"}, {MainCommand::kSave, "Ctrl+S"},
        {MainCommand::kConnect, "Ctrl+C"}, {MainCommand::kExit, "Alt+F4"}, {MainCommand::kAbout, "Ctrl+A"},
        {MainCommand::kManual, "F1"}};
    for (const auto& [command, key] : keys)
        EXPECT_EQ(window_->action(command)->shortcut(), QKeySequence(key)) << key;
    EXPECT_TRUE(window_->action(MainCommand::kSaveAs)->shortcut().isEmpty());
    EXPECT_EQ(window_->action(MainCommand::kNew)->statusTip(), "Creates a new, empty network configuration");
    EXPECT_EQ(window_->action(MainCommand::kNew)->toolTip(), "New (Ctrl+N)");

    // Nothing selected: nothing to duplicate, edit or delete. An instrument selected: all of it.
    window_->tree()->setCurrentItem(nullptr);
    for (MainCommand c :
         {MainCommand::kDuplicate, MainCommand::kProperties, MainCommand::kDelete, MainCommand::kConnect})
        EXPECT_FALSE(window_->action(c)->isEnabled()) << window_->action(c)->text().toStdString();
    SelectInTree(ozone.GetId());
    for (MainCommand c :
         {MainCommand::kDuplicate, MainCommand::kProperties, MainCommand::kDelete, MainCommand::kConnect})
        EXPECT_TRUE(window_->action(c)->isEnabled()) << window_->action(c)->text().toStdString();
    EXPECT_EQ(EntriesOf(*window_->contextMenuFor(ozone.GetId())),
              (QStringList{"&Connect", "D&uplicate", "&Properties", "&Delete", "-", "&Background color", "-",
                           "&Instrument information"}));
    EXPECT_EQ(EntriesOf(*window_->contextMenuFor(config_.Sites().at(0)->GetId())),
              (QStringList{"New &site", "New i&nstrument", "D&uplicate", "&Properties", "&Delete", "-",
                           "&Background color"}));

    // Check boxes follow the option; collapsing a node is kept in it and modifies the network.
    QTreeWidgetItem* home = window_->tree()->topLevelItem(0);
    EXPECT_TRUE(home->data(0, Qt::CheckStateRole).isValid());
    const auto& homeNode = static_cast<const CTreeNode&>(*config_.Sites().at(0));
    home->setExpanded(false);
    EXPECT_FALSE(homeNode.IsExpanded());
    config_.SetModified(false);
    home->setExpanded(true);
    EXPECT_TRUE(homeNode.IsExpanded());
    EXPECT_TRUE(config_.IsModified());
    Options o = app_.GetOptions();
    o.checkBoxesInTrees = false;
    app_.SetOptions(o);
    window_->ApplyOptions();
    EXPECT_FALSE(window_->tree()->topLevelItem(0)->data(0, Qt::CheckStateRole).isValid());

    // The accelerator reaches the command from the tree: Ctrl+N on a modified network asks first.
    window_->tree()->setFocus();
    config_.SetModified(true);
    prompt_.QueueAnswer(mb::kIdCancel);
    QTest::keyClick(window_->tree(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, "Network configuration has been modified. Save configuration?");
    EXPECT_EQ(window_->windowTitle(), "Untitled (Modified) - TALVEN");
    EXPECT_EQ(config_.ConnectedInstruments().size(), 1u);  // Cancel kept it
}

TEST_F(MainWindowTest, exitAsksFirstAndRemembersWhereTheWindowWas) {
    Open();
    window_->setGeometry(40, 60, 600, 420);
    config_.SetModified(true);
    prompt_.QueueAnswer(mb::kIdCancel);
    window_->action(MainCommand::kExit)->trigger();
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(app_.GetOptions().placements[kPlaceMainWindow].valid);
    prompt_.QueueAnswer(mb::kIdNo);
    window_->action(MainCommand::kExit)->trigger();
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(prompt_.asked().size(), 2u);
    const WindowPlacement place = app_.GetOptions().placements[kPlaceMainWindow];
    EXPECT_TRUE(place.valid);
    EXPECT_EQ(place.right - place.left, window_->width());
    EXPECT_EQ(place.bottom - place.top, window_->height());
}

TEST_F(MainWindowTest, openingADamagedFileShowsTheLoadMessageAndKeepsTheOpenNetwork) {
    AddInstrument("Ozone");
    Open();
    const std::string path = (std::filesystem::temp_directory_path() / "talven-gui-damaged.cfx").string();
    std::ofstream(path, std::ios::binary) << "SITE_NAME = \"Yard\"\r\nINST_NAME = 12\r\n";
    prompt_.QueueFile(path);
    window_->action(MainCommand::kOpen)->trigger();
    std::filesystem::remove(path);
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_NE(prompt_.asked()[0].text.find("network configuration file " + path), std::string::npos)
        << prompt_.asked()[0].text;
    EXPECT_EQ(prompt_.asked()[0].caption, "Error");
    ASSERT_EQ(window_->tree()->topLevelItemCount(), 1);
    EXPECT_EQ(window_->tree()->topLevelItem(0)->text(0), "Home");
    EXPECT_EQ(window_->tree()->topLevelItem(0)->child(0)->text(0), "Ozone");
    EXPECT_EQ(window_->windowTitle(), "Untitled - TALVEN");
    EXPECT_TRUE(window_->recentFileActions().size() == 1 && !window_->recentFileActions()[0]->isEnabled());
}

TEST_F(MainWindowTest, aConnectThatStallsLeavesTheWindowResponsive) {
    sim::InstrumentOptions o;
    o.profile = "analyzer";
    o.link.faults.dropReply = 1.0;  // the instrument hears everything and answers nothing
    std::string error;
    sim_ = sim::SimInstrument::StartTcp(o, 0, error);
    ASSERT_TRUE(sim_) << error;
    CInstrumentConnectedNode& node = AddInstrument("Silent");
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("127.0.0.1");
    tcp->SetPort(sim_->port());
    node.SetConnection(std::move(tcp));
    InstrumentSettings s = node.GetSettings();
    s.receiveTimeoutMs = 500;
    node.SetSettings(s);
    Open();
    SelectInTree(node.GetId());
    window_->tree()->setFocus();

    QTest::keyClick(window_->tree(), Qt::Key_C, Qt::ControlModifier);
    FrontPanelWindow* panel = window_->panels().PanelOf(node.GetId());
    ASSERT_NE(panel, nullptr);
    CInstrumentSession& session = CInstrumentSession::Of(node);
    EXPECT_TRUE(session.HasWorker());
    // While the worker waits on the silent instrument, the window thread goes on with its events.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    EXPECT_TRUE(WaitFor([&] { return ran && session.IsConnected(); }, 5000));
    EXPECT_FALSE(session.IsIdentified());
    EXPECT_TRUE(session.HasWorker());
    EXPECT_TRUE(WaitFor([&] { return window_->windowTitle().contains("(Modified)"); }, 2000));
    EXPECT_FALSE(window_->action(MainCommand::kNew)->isEnabled());
    // Connect again only brings the open panel forward: the same panel, no second hold of the link.
    ASSERT_TRUE(window_->action(MainCommand::kConnect)->isEnabled());
    window_->action(MainCommand::kConnect)->trigger();
    EXPECT_EQ(window_->panels().PanelOf(node.GetId()), panel);
    EXPECT_EQ(window_->panels().Panels().size(), 1u);
    EXPECT_EQ(session.GetConnectCount(), 1);

    // Closing the front panel hands the disconnect to the worker; the panel is gone at once.
    panel->CloseWithoutAsking();
    EXPECT_EQ(window_->panels().PanelOf(node.GetId()), nullptr);
    EXPECT_EQ(session.GetFrontPanel(), 0u);
}

TEST_F(MainWindowTest, theDemoNetworkScreenshot) {
    std::string error;
    std::unique_ptr<DemoNetwork> demo = DemoNetwork::Start(config_, error);
    ASSERT_TRUE(demo) << error;
    Open();
    window_->resize(520, 560);
    SelectInTree(config_.ConnectedInstruments().at(0)->GetId());
    QStringList names;
    for (QTreeWidgetItemIterator it(window_->tree()); *it; ++it) {
        names << (*it)->text(0);
        EXPECT_TRUE((*it)->childCount() == 0 || (*it)->isExpanded()) << (*it)->text(0).toStdString();
    }
    EXPECT_TRUE(names.contains("Demo analyzer"));
    EXPECT_TRUE(names.contains("Demo calibrator (modem)"));
    EXPECT_TRUE(names.contains("Demo analyzer (multiplexed)"));
    EXPECT_EQ(names.size(), static_cast<int>(demo->Lines().size()) + 4);  // three sites and the multiplexor
    EXPECT_EQ(window_->windowTitle(), "Untitled - TALVEN");
    test::ProcessEventsFor(50);
    test::SaveScreenshot(*window_, "main-window");
    window_.reset();
    config_.New();
}

TEST_F(MainWindowTest, demoInstrumentsOnEveryKindOfLinkConnectAndTheirWindowsShowTheDisplay) {
    std::string error;
    std::unique_ptr<DemoNetwork> demo = DemoNetwork::Start(config_, error);
    ASSERT_TRUE(demo) << error;
    Open();
    std::vector<CInstrumentConnectedNode*> nodes;
    for (const char* name : {"Demo analyzer", "Demo old-analyzer (serial)", "Demo calibrator (modem)",
                             "Demo analyzer (multiplexed)"}) {
        CTreeNode* found = nullptr;
        for (const TreeItem& item : window_->presenter().TreeItems())
            if (item.text == name)
                found = config_.FindNode(item.id);
        ASSERT_NE(found, nullptr) << name;
        nodes.push_back(static_cast<CInstrumentConnectedNode*>(found));
        SelectInTree(found->GetId());
        window_->action(MainCommand::kConnect)->trigger();
    }
    for (CInstrumentConnectedNode* node : nodes) {
        CInstrumentSession& session = CInstrumentSession::Of(*node);
        EXPECT_TRUE(
            WaitFor([&] { return session.IsIdentified() && !session.GetDisplayTexts()[0].empty(); }, 60000))
            << node->GetName();
        FrontPanelWindow* panel = window_->panels().PanelOf(node->GetId());
        ASSERT_NE(panel, nullptr);
        // The panel shows the instrument's mode, the first word of its display.
        const QString display = ToQt(session.GetDisplayTexts()[0]).trimmed();
        EXPECT_TRUE(WaitFor(
            [&] { return !panel->ModeLabel()->text().isEmpty() && display.startsWith(panel->ModeLabel()->text()); },
            5000))
            << node->GetName() << ": " << panel->ModeLabel()->text().toStdString();
    }
    // The tree says which are connected without closing what was open.
    const QTreeWidgetItem* analyzers = window_->tree()->topLevelItem(0)->child(0);
    EXPECT_TRUE(WaitFor([&] { return analyzers->child(0)->text(0) == "Demo analyzer (Connected)"; }, 2000));
    EXPECT_TRUE(analyzers->child(0)->font(0).bold());
    EXPECT_TRUE(analyzers->isExpanded());
    // The panels' configuration buttons open the instruments' windows, which belong to the main
    // window so that they outlive their panel.
    FrontPanelWindow* analyzerPanel = window_->panels().PanelOf(nodes[0]->GetId());
    ASSERT_TRUE(WaitFor([&] { return analyzerPanel->ConfigButton(0)->isVisible(); }, 5000));
    analyzerPanel->ConfigButton(0)->click();
    ASSERT_NE(FindDlogConfigurationWindow(*nodes[0]), nullptr);
    EXPECT_EQ(FindDlogConfigurationWindow(*nodes[0])->parentWidget(), window_.get());
    FrontPanelWindow* calibratorPanel = window_->panels().PanelOf(nodes[2]->GetId());
    ASSERT_TRUE(WaitFor([&] { return calibratorPanel->ConfigButton(1)->isVisible(); }, 5000));
    calibratorPanel->ConfigButton(0)->click();
    calibratorPanel->ConfigButton(1)->click();
    EXPECT_NE(FindSequenceWindow(*nodes[2]), nullptr);
    EXPECT_NE(FindLevelWindow(*nodes[2]), nullptr);
    for (FrontPanelWindow* panel : window_->panels().Panels())
        panel->CloseWithoutAsking();
    for (CInstrumentConnectedNode* node : nodes)
        EXPECT_TRUE(WaitFor([&] { return !CInstrumentSession::Of(*node).HasWorker(); }, 30000))
            << node->GetName();
    window_.reset();
    config_.New();
}

}  // namespace
}  // namespace talven::gui
