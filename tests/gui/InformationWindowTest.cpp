// The Instrument Information window against a simulated analyzer: the lines the connect learned,
// one window per instrument, and the window closing when its instrument is deleted.

#include <QListWidget>
#include <QPointer>

#include <gtest/gtest.h>

#include "foundation/DateTime.h"
#include "foundation/UserPrompt.h"
#include "gui/Dialogs.h"
#include "gui/InstrumentInformationWindow.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"
#include "sim/SimServer.h"
#include "tests/gui/DialogTestSupport.h"
#include "tests/gui/GuiTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven::gui {
namespace {

QStringList Lines(InstrumentInformationWindow& window) {
    QStringList out;
    auto* list = window.findChild<QListWidget*>("lines");
    for (int i = 0; list != nullptr && i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

TEST(InformationWindowTest, showsWhatTheConnectLearnedAndClosesWhenTheInstrumentIsDeleted) {
    CNetworkConfiguration config;
    config.New();
    ScopedNetworkConfiguration scope(&config);
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped(&prompt);
    sim::InstrumentOptions o;
    o.profile = "analyzer";
    o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
    o.clockFrozen = true;
    std::string error;
    auto sim = sim::SimInstrument::StartTcp(o, 0, error);
    ASSERT_TRUE(sim) << error;

    auto node = std::make_unique<CInstrumentConnectedNode>();
    node->SetName("Roof analyzer");
    node->SetParentId(config.Sites().at(0)->GetId());
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("127.0.0.1");
    tcp->SetPort(sim->port());
    node->SetConnection(std::move(tcp));
    CInstrumentConnectedNode& instrument = *node;
    config.ConnectedInstruments().Append(std::move(node));

    CInstrumentSession& session = CInstrumentSession::Of(instrument);
    session.PostConnect();
    ASSERT_TRUE(test::WaitFor(
        [&] {
            const SessionSnapshot s = session.Snapshot();
            return s.sessionOpen && !s.inUse && !s.identity.serialNumber.empty() &&
                   s.identity.serialNumber != "Unknown";
        },
        30000));

    ShowInstrumentInformation(nullptr, instrument);
    QPointer<InstrumentInformationWindow> window = InstrumentInformationWindow::Find(instrument.GetId());
    ASSERT_FALSE(window.isNull());
    ShowInstrumentInformation(nullptr, instrument);  // the same window comes forward
    EXPECT_EQ(InstrumentInformationWindow::Find(instrument.GetId()), window.data());
    EXPECT_EQ(window->windowTitle(), "Instrument Information - Roof analyzer");
    const QStringList lines = Lines(*window);
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "Instrument type: Monitor");
    EXPECT_EQ(lines[1], "Model name: N410");
    EXPECT_EQ(lines[3], "Serial number: 1042");
    EXPECT_TRUE(lines.contains("Has DLOG BASE64 command"));
    test::ShowLaidOut(*window);
    test::SaveScreenshot(*window, "instrument-information");

    session.PostDisconnect();
    ASSERT_TRUE(test::WaitFor([&] { return !session.HasWorker(); }, 30000));
    session.JoinEndedWorkers();
    config.DeleteSubtree(&instrument);
    window->Refresh();
    EXPECT_TRUE(test::WaitFor([&] { return window.isNull(); }, 5000));
    sim->stop();
}

}  // namespace
}  // namespace talven::gui
