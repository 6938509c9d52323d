// The instrument property sheet against a simulated instrument: OK pressed while a connect is
// under way keeps everything the connect learns, writes the user's edits, and refuses to swap the
// link under the worker.

#include <gtest/gtest.h>

#include "app/ui/InstrumentPropertySheet.h"
#include "foundation/DateTime.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"
#include "sim/SimServer.h"
#include "tests/session/SessionTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

class PropertySheetSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        config.New();
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
        o.clockFrozen = true;
        o.link.faults.delayMs = 30;  // each reply a little late: the connect takes a while
        std::string error;
        sim = sim::SimInstrument::StartTcp(o, 0, error);
        ASSERT_TRUE(sim) << error;
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetParentId(config.Sites().at(0)->GetId());
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim->port());
        node->SetConnection(std::move(tcp));
        InstrumentSettings s = node->GetSettings();
        s.receiveTimeoutMs = 500;
        node->SetSettings(s);
        instrument = node.get();
        config.ConnectedInstruments().Append(std::move(node));
        session = &CInstrumentSession::Of(*instrument);
    }
    void TearDown() override {
        if (session != nullptr && session->HasWorker()) {
            session->PostDisconnect();
            EXPECT_TRUE(test::WaitFor([&] { return !session->HasWorker(); }, 30000));
            session->JoinEndedWorkers();
        }
        config.ConnectedInstruments().DeleteAll();
        if (sim)
            sim->stop();
    }

    RecordingNotifier notices;
    ScopedNotifier scopedNotifier{&notices};
    ScriptedPrompt prompt;
    ScopedUserPrompt scopedPrompt{&prompt};
    CNetworkConfiguration config;
    ScopedNetworkConfiguration scope{&config};
    std::unique_ptr<sim::SimInstrument> sim;
    CInstrumentConnectedNode* instrument = nullptr;
    CInstrumentSession* session = nullptr;
};

TEST_F(PropertySheetSessionTest, okDuringAConnectKeepsWhatItLearnsAndCannotSwapTheLinkUnderIt) {
    CInstrumentPropertySheet sheet(*instrument, false);
    sheet.Values().transmitDelayText = "40";
    sheet.Values().name = "Roof analyzer";
    sheet.Link().SetType(kSerialLink);
    CConnection* link = instrument->GetConnection();

    session->PostConnect();
    // The worker holds the link: a link of another type is refused and nothing is written.
    EXPECT_FALSE(sheet.Apply());
    EXPECT_EQ(sheet.FailedPage(), kInstConnectionPage);
    ASSERT_FALSE(prompt.asked().empty());
    EXPECT_EQ(prompt.asked().back().text,
              "The connection of Local Instrument cannot be changed to another type while it is connected. "
              "Close its "
              "front panel, wait for the connection to close, then try again.");
    EXPECT_EQ(instrument->GetConnection(), link);
    EXPECT_EQ(instrument->GetSettings().transmitDelayMs, 0u);

    // The same type is edited in place; the user's settings go in while the connect goes on.
    sheet.Link().SetType(kTcpLink);
    sheet.Link().Values().host = "localhost";
    ASSERT_TRUE(sheet.Apply());
    EXPECT_EQ(instrument->GetConnection(), link);
    EXPECT_EQ(static_cast<CTCPConnection*>(link)->GetHost(), "localhost");

    ASSERT_TRUE(test::Settle(*session));
    ASSERT_TRUE(test::Settle(*session));
    const SessionSnapshot shown = session->Snapshot();
    EXPECT_TRUE(shown.sessionOpen);
    EXPECT_EQ(shown.identity.capabilities, "dwihfrteonvAkxCp");
    EXPECT_EQ(shown.identity.serialNumber, "1042");
    EXPECT_EQ(instrument->GetSettings().transmitDelayMs, 40u);
    EXPECT_EQ(instrument->GetName(), "Roof analyzer");
}

}  // namespace
}  // namespace talven
