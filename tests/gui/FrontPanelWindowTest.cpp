// Front panel windows against the simulated instruments: what the instrument shows, keys that
// change it, closing that disconnects, the idle check, and several panels at once.

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "foundation/DateTime.h"
#include "foundation/UserPrompt.h"
#include "gui/FrontPanelHost.h"
#include "gui/FrontPanelWindow.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"
#include "sim/SimServer.h"
#include "tests/gui/GuiTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven::gui {
namespace {

using test::SaveScreenshot;
using test::WaitFor;

/// One simulated instrument on loopback TCP and the node that reaches it.
struct SimulatedInstrument {
    SimulatedInstrument(const std::string& profile, const std::string& name, std::uint32_t id)
        : node(name, id) {
        sim::InstrumentOptions o;
        o.profile = profile;
        o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
        o.clockFrozen = true;
        std::string error;
        sim = sim::SimInstrument::StartTcp(o, 0, error);
        EXPECT_TRUE(sim) << error;
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim ? sim->port() : 1);
        node.SetConnection(std::move(tcp));
        InstrumentSettings s = node.GetSettings();
        s.receiveTimeoutMs = 300;
        node.SetSettings(s);
    }
    CInstrumentSession& session() { return CInstrumentSession::Of(node); }

    std::unique_ptr<sim::SimInstrument> sim;
    CInstrumentConnectedNode node;
};

class FrontPanelWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { SetFrontPanelHost(host.get()); }
    void TearDown() override {
        SetFrontPanelHost(nullptr);
        host.reset();  // closes what is left: each panel disconnects its instrument
        for (SimulatedInstrument* i : instruments) {
            EXPECT_TRUE(WaitFor([&] { return !i->session().HasWorker(); }, 30000)) << i->node.GetName();
            i->session().JoinEndedWorkers();
        }
    }
    SimulatedInstrument& Add(const std::string& profile, const std::string& name, std::uint32_t id) {
        owned.push_back(std::make_unique<SimulatedInstrument>(profile, name, id));
        instruments.push_back(owned.back().get());
        return *owned.back();
    }
    /// Connects as the main window's Connect does and waits for the instrument's display.
    FrontPanelWindow* Connect(SimulatedInstrument& i, const char* mode) {
        EXPECT_TRUE(host->Connect(i.node));
        FrontPanelWindow* panel = host->PanelOf(i.node.GetId());
        EXPECT_NE(panel, nullptr);
        if (panel != nullptr) {
            EXPECT_TRUE(WaitFor([&] { return panel->ModeLabel()->text() == mode; }))
                << panel->ModeLabel()->text().toStdString();
        }
        return panel;
    }
    static bool MessageStartsWith(FrontPanelWindow* panel, const char* text) {
        return panel->MessageLabel()->text().startsWith(text);
    }
    /// The row timer and the one-second timer, as their QTimers would call them.
    static void LayOutRowsAndSettle(FrontPanelWindow* panel) {
        panel->presenter().OnRowLayoutTimer();
        panel->presenter().OnSecondTick();
        panel->presenter().OnSecondTick();
        panel->Refresh();
    }

    ScopedNetworkConfiguration noConfiguration{nullptr};
    ScriptedPrompt prompt;
    ScopedUserPrompt installedPrompt{&prompt};
    std::vector<std::unique_ptr<SimulatedInstrument>> owned;
    std::vector<SimulatedInstrument*> instruments;
    std::unique_ptr<QtFrontPanelHost> host = std::make_unique<QtFrontPanelHost>();
};

TEST_F(FrontPanelWindowTest, analyzerPanelShowsTheInstrumentAndItsKeysChangeIt) {
    SimulatedInstrument& roof = Add("analyzer", "Roof", 7101);
    FrontPanelWindow* panel = Connect(roof, "SAMPLE");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->windowTitle(), "Talven Remote Interface - Roof");
    EXPECT_TRUE(MessageStartsWith(panel, "RANGE="));
    EXPECT_EQ(panel->KeyButton(8)->text(), "SETUP");
    ASSERT_TRUE(
        WaitFor([&] { return panel->LightName(2) == "FAULT" && panel->ConfigButton(0)->isVisible(); }));
    EXPECT_EQ(panel->ConfigButton(0)->text(), "&DLOG");
    EXPECT_FALSE(panel->ConfigButton(1)->isVisible());

    // Digit keys press the instrument's keys; so do the buttons.
    QTest::keyClick(panel, Qt::Key_2);
    ASSERT_TRUE(WaitFor([&] { return MessageStartsWith(panel, "STABIL="); }))
        << panel->MessageLabel()->text().toStdString();
    QTest::mouseClick(panel->KeyButton(1), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return MessageStartsWith(panel, "RANGE="); }));

    // The reading cycles through the gases every ten seconds of the instrument's clock.
    for (int step = 0; step < 2; ++step) {
        roof.sim->instrument().clock().advance(10);
        QTest::keyClick(panel, Qt::Key_2);
        ASSERT_TRUE(WaitFor(
            [&] { return panel->presenter().Readings().size() == static_cast<std::size_t>(step + 2); }));
    }
    // The periodic poll reads the lights' states: SAMPLE lit in the sample mode.
    ASSERT_TRUE(roof.session().PostLightRequest());
    ASSERT_TRUE(WaitFor([&] { return panel->IsLightLit(0); }));
    EXPECT_FALSE(panel->IsLightLit(1));
    LayOutRowsAndSettle(panel);
    EXPECT_TRUE(panel->ReadingLineText(0).startsWith("NO "));
    EXPECT_TRUE(panel->ReadingLineText(1).startsWith("NO2 "));
    EXPECT_TRUE(panel->ReadingLineText(2).startsWith("NOX "));
    EXPECT_EQ(panel->ReadingLineText(3), "");
    SaveScreenshot(*panel, "front-panel-analyzer");

    // The larger panel is the same panel, drawn larger.
    const QSize standard = panel->size();
    panel->SetPanelSize(PanelSize::kLarge);
    QApplication::processEvents();
    EXPECT_GT(panel->size().width(), standard.width());
    EXPECT_GT(panel->size().height(), standard.height());
    EXPECT_EQ(host->GetPanelSize(), PanelSize::kLarge);  // the next panel opens large too
    SaveScreenshot(*panel, "front-panel-analyzer-large");
    panel->SetPanelSize(PanelSize::kStandard);

    prompt.QueueAnswer(mb::kIdNo);
    QTest::keyClick(panel, Qt::Key_Escape);
    EXPECT_EQ(prompt.asked().back().text, "Are you sure you want to disconnect?");
    EXPECT_NE(host->PanelOf(roof.node.GetId()), nullptr);
    EXPECT_TRUE(roof.session().IsSessionOpen());

    prompt.QueueAnswer(mb::kIdYes);
    panel->close();
    EXPECT_EQ(host->PanelOf(roof.node.GetId()), nullptr);
    ASSERT_TRUE(WaitFor([&] { return !roof.session().HasWorker(); }, 30000));
    EXPECT_FALSE(roof.session().IsConnected());
    EXPECT_FALSE(roof.session().IsSessionOpen());
    EXPECT_EQ(roof.session().GetFrontPanel(), 0u);
}

TEST_F(FrontPanelWindowTest, calibratorPanelHasItsLayoutButtonsAndMenu) {
    SimulatedInstrument& cal = Add("calibrator", "Shelter calibrator", 7102);
    FrontPanelWindow* panel = Connect(cal, "STANDBY");
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return panel->ConfigButton(1)->isVisible(); }));
    EXPECT_EQ(panel->presenter().Layout(), PanelLayout::kCalibrator);
    EXPECT_EQ(panel->ConfigButton(0)->text(), "Configure\nSequences");
    EXPECT_EQ(panel->ConfigButton(1)->text(), "Configure\nLevels");
    QStringList entries;
    for (QAction* action : panel->InstrumentMenu()->actions())
        if (!action->isSeparator())
            entries << action->text();
    EXPECT_EQ(entries, (QStringList{"&Instrument information", "Configure &sequences",
                                    "Configure &level table", "&Large display", "&Disconnect"}));

    QTest::mouseClick(panel->KeyButton(1), Qt::LeftButton);  // GEN
    ASSERT_TRUE(WaitFor([&] { return panel->ModeLabel()->text() == "GENERATE"; }));
    ASSERT_TRUE(WaitFor([&] { return panel->presenter().Readings().size() == 2; }));
    LayOutRowsAndSettle(panel);
    EXPECT_EQ(panel->ReadingLineText(0), "ACT OFF");
    EXPECT_TRUE(panel->ReadingLineText(1).startsWith("NO 40")) << panel->ReadingLineText(1).toStdString();
    EXPECT_TRUE(panel->ReadingLineText(1).endsWith(" PPB"));
    SaveScreenshot(*panel, "front-panel-calibrator");

    // The sequence window is not there yet: the button says so, and the panel is free afterwards.
    QTest::mouseClick(panel->ConfigButton(0), Qt::LeftButton);
    ASSERT_FALSE(prompt.asked().empty());
    EXPECT_EQ(prompt.asked().back().text,
              "The sequence configuration window is not available in this version of TALVEN.");
    EXPECT_TRUE(cal.session().IsPanelFree());
}

TEST_F(FrontPanelWindowTest, aStatusMessageStandsInForTheDisplayAndAClosedPanelGoesWithoutAsking) {
    SimulatedInstrument& gone = Add("analyzer", "Hilltop", 7103);
    gone.sim->stop();  // nothing listens there any more
    ASSERT_TRUE(host->Connect(gone.node));
    FrontPanelWindow* panel = host->PanelOf(gone.node.GetId());
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return MessageStartsWith(panel, "Unable to connect to site Hilltop"); }))
        << panel->MessageLabel()->text().toStdString();
    EXPECT_TRUE(panel->presenter().IsStatusShown());
    EXPECT_FALSE(panel->ModeLabel()->isVisible());
    SaveScreenshot(*panel, "front-panel-status");

    const std::size_t asked = prompt.asked().size();
    panel->close();
    EXPECT_EQ(prompt.asked().size(), asked);
    EXPECT_EQ(host->PanelOf(gone.node.GetId()), nullptr);
}

TEST_F(FrontPanelWindowTest, theIdleCheckClosesThePanelAndDisconnects) {
    SimulatedInstrument& roof = Add("analyzer", "Roof", 7104);
    InstrumentSettings s = roof.node.GetSettings();
    s.autoDisconnectEnabled = true;
    s.autoDisconnectMinutes = 1;
    roof.node.SetSettings(s);
    ASSERT_NE(Connect(roof, "SAMPLE"), nullptr);
    const std::size_t asked = prompt.asked().size();
    roof.session().IdleCheck(DateTime::FromSeconds(DateTime::Now().seconds() + 3600));
    EXPECT_EQ(host->PanelOf(roof.node.GetId()), nullptr);
    EXPECT_EQ(prompt.asked().size(), asked);
    ASSERT_TRUE(WaitFor([&] { return !roof.session().HasWorker(); }, 30000));
    EXPECT_FALSE(roof.session().IsSessionOpen());
}

/// Answers the disconnect question only after the idle check has closed the panel meanwhile, as
/// the main window's timer can while the question is open.
class IdleWhileAsked : public UserPrompt {
  public:
    explicit IdleWhileAsked(CInstrumentSession& session) : session_(session) {}
    int MessageBox(const std::string&, const std::string&, unsigned) override {
        session_.IdleCheck(DateTime::FromSeconds(DateTime::Now().seconds() + 3600));
        return mb::kIdNo;
    }
    std::optional<std::string> OpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }

  private:
    CInstrumentSession& session_;
};

TEST_F(FrontPanelWindowTest, theIdleCheckClosingThePanelWhileTheUserIsAskedClosesItOnce) {
    SimulatedInstrument& roof = Add("analyzer", "Roof", 7107);
    InstrumentSettings s = roof.node.GetSettings();
    s.autoDisconnectEnabled = true;
    s.autoDisconnectMinutes = 1;
    roof.node.SetSettings(s);
    QPointer<FrontPanelWindow> panel = Connect(roof, "SAMPLE");
    ASSERT_FALSE(panel.isNull());
    IdleWhileAsked asking(roof.session());
    SetUserPrompt(&asking);
    panel->close();  // the user says No, but the panel has gone meanwhile
    SetUserPrompt(&prompt);
    EXPECT_EQ(host->PanelOf(roof.node.GetId()), nullptr);
    ASSERT_TRUE(WaitFor([&] { return panel.isNull(); }));
    ASSERT_TRUE(WaitFor([&] { return !roof.session().HasWorker(); }, 30000));
    EXPECT_FALSE(roof.session().IsSessionOpen());
}

TEST_F(FrontPanelWindowTest, twoInstrumentsHaveTwoPanelsEachWithItsOwnConnection) {
    SimulatedInstrument& roof = Add("analyzer", "Roof", 7105);
    SimulatedInstrument& yard = Add("analyzer", "Yard", 7106);
    FrontPanelWindow* first = Connect(roof, "SAMPLE");
    FrontPanelWindow* second = Connect(yard, "SAMPLE");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(host->Panels().size(), 2u);
    EXPECT_EQ(second->windowTitle(), "Talven Remote Interface - Yard");

    // A key on one panel changes that instrument only.
    QTest::keyClick(second, Qt::Key_8);  // SETUP
    ASSERT_TRUE(WaitFor([&] { return second->ModeLabel()->text() == "SETUP X.X"; }));
    EXPECT_EQ(first->ModeLabel()->text(), "SAMPLE");

    // Connect on an instrument whose panel is open brings that panel back: no second panel.
    first->showMinimized();
    EXPECT_TRUE(host->Connect(roof.node));
    EXPECT_EQ(host->PanelOf(roof.node.GetId()), first);
    EXPECT_EQ(host->Panels().size(), 2u);
    EXPECT_FALSE(first->isMinimized());

    prompt.QueueAnswer(mb::kIdYes);
    first->close();
    ASSERT_TRUE(WaitFor([&] { return !roof.session().HasWorker(); }, 30000));
    EXPECT_FALSE(roof.session().IsConnected());
    EXPECT_TRUE(yard.session().IsConnected());
    EXPECT_TRUE(yard.session().IsSessionOpen());
    QTest::keyClick(second, Qt::Key_8);  // EXIT
    ASSERT_TRUE(WaitFor([&] { return second->ModeLabel()->text() == "SAMPLE"; }));
}

}  // namespace
}  // namespace talven::gui
