// The worker, its queue and the link holds, on a scripted link.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "SessionTestSupport.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"
#include "session/ThreadMessages.h"

namespace talven {
namespace {

using test::RecordingLog;
using test::ScriptedLink;
using test::WaitFor;

constexpr NotifyTarget kMainWindow = 11;
constexpr NotifyTarget kPanel = 77;
constexpr std::uint32_t kNodeId = 4242;

/// Records its run into a shared log and its deletion into a counter.
class RecordingRequest : public CThreadMessage {
  public:
    RecordingRequest(std::vector<int>& runs, std::atomic<int>& deleted, int tag)
        : runs_(runs), deleted_(deleted), tag_(tag) {}
    ~RecordingRequest() override { ++deleted_; }
    const char* GetRuntimeClass() const override { return "RecordingRequest"; }
    void Execute() override { runs_.push_back(tag_); }

  private:
    std::vector<int>& runs_;
    std::atomic<int>& deleted_;
    int tag_;
};

class WorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSessionMainWindow(kMainWindow);
        auto owned = std::make_unique<ScriptedLink>();
        link = owned.get();
        link->SetMaxFailures(0);
        node.SetConnection(std::move(owned));
        InstrumentSettings settings = node.GetSettings();
        settings.receiveTimeoutMs = 20;
        node.SetSettings(settings);
        session = &CInstrumentSession::Of(node);
    }
    void TearDown() override { SetSessionMainWindow(0); }

    std::unique_ptr<CThreadMessage> Recording(int tag) {
        return std::make_unique<RecordingRequest>(runs, deleted, tag);
    }
    /// Starts a worker that stays busy in the link's open until ReleaseOpen.
    void StartHeldWorker() {
        link->HoldOpen();
        session->PostConnect();
        ASSERT_TRUE(WaitFor([&] { return link->IsOpening(); }));
    }
    int Count(int code) const {
        int n = 0;
        for (int c : notices.codes())
            n += c == code ? 1 : 0;
        return n;
    }

    RecordingNotifier notices;
    ScopedNotifier scopedNotifier{&notices};
    RecordingLog log;
    std::vector<int> runs;
    std::atomic<int> deleted{0};
    CInstrumentConnectedNode node{"Pump house", kNodeId};
    ScriptedLink* link = nullptr;
    CInstrumentSession* session = nullptr;
};

TEST_F(WorkerTest, requestsRunOneAtATimeInPostingOrderAndAreDeletedAfterRunning) {
    StartHeldWorker();
    for (int tag = 1; tag <= 3; ++tag)
        EXPECT_TRUE(session->PostRequest(Recording(tag)));
    EXPECT_EQ(deleted.load(), 0);
    link->ReleaseOpen(false);
    ASSERT_TRUE(WaitFor([&] { return deleted.load() == 3; }));
    EXPECT_EQ(runs, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(session->IsSessionOpen());
    session->PostDisconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker() && !session->IsSessionOpen(); }));
    EXPECT_EQ(link->Closes(), 1);
}

TEST_F(WorkerTest, nullRequestIsRefused) {
    EXPECT_FALSE(session->PostRequest(nullptr));
}

TEST_F(WorkerTest, failedOpenEndsTheWorkerAndDeletesWhatWasQueued) {
    StartHeldWorker();
    EXPECT_TRUE(session->PostRequest(Recording(1)));
    link->ReleaseOpen(true);
    ASSERT_TRUE(WaitFor([&] { return deleted.load() == 1 && !session->HasWorker(); }));
    EXPECT_TRUE(runs.empty());
    EXPECT_FALSE(session->IsConnected());
    EXPECT_FALSE(session->IsSessionOpen());
    EXPECT_TRUE(log.Contains(kLogError, "Unable to connect to site Pump house."));
    EXPECT_EQ(session->GetDisplayTexts()[0], ":Unable to connect to site Pump house.");
    ASSERT_TRUE(WaitFor([&] { return Count(wm::kSessionOpenChanged) == 2; }));
    bool connectionNotice = false;
    for (const auto& e : notices.entries())
        connectionNotice |=
            e.code == wm::kConnectionChanged && e.target == kMainWindow && e.lParam == kNodeId;
    EXPECT_TRUE(connectionNotice);
}

TEST_F(WorkerTest, postAfterTheWorkerEndedDeletesTheRequestAndFails) {
    StartHeldWorker();
    link->ReleaseOpen(true);
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }));
    EXPECT_FALSE(session->PostRequest(Recording(1)));
    EXPECT_EQ(deleted.load(), 1);
    EXPECT_TRUE(runs.empty());
}

TEST_F(WorkerTest, failedOpenAfterCancelShowsNoMessage) {
    StartHeldWorker();
    session->SetCancelRequested(true);
    link->ReleaseOpen(true);
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }));
    session->JoinEndedWorkers();
    EXPECT_FALSE(log.Contains(kLogError, "Unable to connect"));
    EXPECT_EQ(session->GetDisplayTexts()[0], ":Connecting to Pump house...");
}

TEST_F(WorkerTest, cancelWhileTheLinkOpensGivesTheLinkBack) {
    StartHeldWorker();
    session->SetCancelRequested(true);
    link->ReleaseOpen(false);
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }));
    EXPECT_EQ(link->Closes(), 1);
    EXPECT_FALSE(session->IsConnected());
    EXPECT_FALSE(session->IsSessionOpen());
    EXPECT_EQ(GetOpenSessionCount(), 0);
}

TEST_F(WorkerTest, twoHoldsNeedTwoReleasesAndForceReleasesAll) {
    EXPECT_TRUE(session->OpenLink());
    EXPECT_TRUE(session->OpenLink());
    EXPECT_EQ(link->Opens(), 1);
    EXPECT_EQ(session->GetConnectCount(), 2);
    EXPECT_TRUE(node.IsConnected());
    session->CloseLink(false);
    EXPECT_TRUE(session->IsConnected());
    EXPECT_EQ(link->Closes(), 0);
    session->CloseLink(false);
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(link->Closes(), 1);

    EXPECT_TRUE(session->OpenLink());
    EXPECT_TRUE(session->OpenLink());
    session->CloseLink(true);
    EXPECT_FALSE(session->IsConnected());
    EXPECT_FALSE(node.IsConnected());
    EXPECT_EQ(link->Closes(), 2);
    EXPECT_EQ(link->GetOwnerId(), static_cast<std::int32_t>(kNodeId));
}

TEST_F(WorkerTest, sendTextLogsTheCommandAndFailsWithoutALink) {
    EXPECT_FALSE(session->SendText("\x03v x\r\n", true));
    EXPECT_TRUE(log.Lines(kLogCommand).empty());
    ASSERT_TRUE(session->OpenLink());
    link->Feed("stale\n");
    EXPECT_TRUE(session->SendText("\x03v x\r\n", true));
    EXPECT_EQ(link->Written(), std::vector<std::string>{"\x03v x\r\n"});
    EXPECT_EQ(log.Lines(kLogCommand), std::vector<std::string>{"\x03v x\r\n"});
    EXPECT_EQ(SessionExchange(*session).ReadRawLine(10, 100), "");  // flushed before sending
    session->CloseLink(true);
}

TEST_F(WorkerTest, linkCannotBeSwappedWhileHeld) {
    ASSERT_TRUE(session->OpenLink());
    EXPECT_FALSE(session->SetConnection(std::make_unique<ScriptedLink>()));
    EXPECT_EQ(session->GetConnection(), link);
    session->CloseLink(true);
    EXPECT_TRUE(session->SetConnection(std::make_unique<ScriptedLink>()));
    EXPECT_NE(session->GetConnection(), nullptr);
}

TEST_F(WorkerTest, assertionInsideARequestIsLoggedAndTheWorkerGoesOn) {
    StartHeldWorker();
    EXPECT_TRUE(session->PostRequest(std::make_unique<CThreadMessagePressButton>(&node, 10)));
    EXPECT_TRUE(session->PostRequest(Recording(1)));
    link->ReleaseOpen(false);
    ASSERT_TRUE(WaitFor([&] { return deleted.load() == 1; }));
    EXPECT_EQ(runs, std::vector<int>{1});
    EXPECT_TRUE(log.Contains(kLogError, "Assertion failed: PanelExchanges("));
    EXPECT_TRUE(session->HasWorker());
    session->PostDisconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }));
}

TEST_F(WorkerTest, anExchangeThatThrowsLeavesTheInterfaceFreeForKeysAndPolls) {
    // The instrument's link throws in the middle of the connect exchange, after the interface was
    // marked in use, polling held off and the select code's bracket begun.
    link->SetResponder([](const std::string& text) -> std::string {
        if (text.find("instcaps") != std::string::npos)
            throw std::runtime_error("link driver fault");
        return {};
    });
    session->PostConnect();
    ASSERT_TRUE(test::Settle(*session));
    EXPECT_TRUE(log.Contains(kLogError, "link driver fault"));
    EXPECT_FALSE(session->IsInUse());
    EXPECT_EQ(session->GetDisplayPollingCount(), 1);
    EXPECT_EQ(session->GetUseCount(), 0);
    EXPECT_TRUE(session->PostKeyPress(3));
    ASSERT_TRUE(test::Settle(*session));
    EXPECT_TRUE(session->PostDisplayRequest());
    session->PostDisconnect();
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }));
}

TEST_F(WorkerTest, displayAndLightRequestsStayOneEachAndNotWhileInUse) {
    StartHeldWorker();
    EXPECT_TRUE(session->PostDisplayRequest());
    EXPECT_FALSE(session->PostDisplayRequest());
    EXPECT_TRUE(session->PostLightRequest());
    EXPECT_FALSE(session->PostLightRequest());
    EXPECT_TRUE(session->IsDisplayRequestPending());
    session->SetInUse(true);
    EXPECT_FALSE(session->PostKeyPress(3));
    session->SetInUse(false);
    EXPECT_FALSE(session->PostKeyPress(0));
    EXPECT_FALSE(session->PostKeyPress(10));
    EXPECT_TRUE(session->PostKeyPress(9));
    // The worker ends without running them; the marks must not block the next session's polls.
    link->ReleaseOpen(true);
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }));
    session->JoinEndedWorkers();
    EXPECT_FALSE(session->IsDisplayRequestPending());
    EXPECT_FALSE(session->IsLightRequestPending());
}

TEST_F(WorkerTest, displayTickPollsEvery51TicksAtFiveSecondsAndNotDuringTransfers) {
    SetSessionOptions(SessionOptions{5});
    session->DisplayTick();
    EXPECT_EQ(session->GetPollCountdown(), 50);
    int lastPoll = 1;
    std::vector<int> pollTicks;
    for (int tick = 2; tick <= 160; ++tick) {
        session->DisplayTick();
        if (session->GetPollCountdown() == 50) {
            pollTicks.push_back(tick - lastPoll);
            lastPoll = tick;
        }
    }
    EXPECT_EQ(pollTicks, (std::vector<int>{51, 51, 51}));
    const int countdown = session->GetPollCountdown();
    {
        SessionExchange exchange(*session);
        SessionExchange::PollingHold held(exchange);
        for (int tick = 0; tick < 200; ++tick)
            session->DisplayTick();
    }
    EXPECT_EQ(session->GetPollCountdown(), countdown);
}

TEST_F(WorkerTest, ticksPostNothingWhileTheConnectExchangeRuns) {
    StartHeldWorker();
    for (int tick = 0; tick < 100; ++tick)
        session->DisplayTick();
    EXPECT_FALSE(session->IsDisplayRequestPending());
    EXPECT_FALSE(session->IsLightRequestPending());
    link->ReleaseOpen(true);
    ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }));
    EXPECT_EQ(session->GetDisplayPollingCount(), 1);
}

class RecordingHost : public FrontPanelHost {
  public:
    NotifyTarget CreateFrontPanel(CInstrumentNode&) override { return ++created == 1 ? kPanel : 0; }
    void DestroyFrontPanel(CInstrumentNode&, NotifyTarget panel) override { destroyed.push_back(panel); }
    int created = 0;
    std::vector<NotifyTarget> destroyed;
};

TEST_F(WorkerTest, idleCheckDestroysThePanelOnlyAfterTheAutomaticDisconnectTime) {
    RecordingHost host;
    SetFrontPanelHost(&host);
    session->SetFrontPanel(kPanel);
    const DateTime start = DateTime::FromElements(2026, 3, 1, 12, 0, 0);
    session->SetLastActivity(start);
    InstrumentSettings settings = node.GetSettings();
    settings.autoDisconnectEnabled = true;
    settings.autoDisconnectMinutes = 0;
    node.SetSettings(settings);
    session->IdleCheck(start + TimeSpan::FromSeconds(3600));
    EXPECT_TRUE(host.destroyed.empty());

    settings.autoDisconnectMinutes = 2;
    node.SetSettings(settings);
    session->IdleCheck(start + TimeSpan::FromSeconds(120));
    EXPECT_TRUE(host.destroyed.empty());
    session->SetPanelFree(false);
    session->IdleCheck(start + TimeSpan::FromSeconds(121));
    EXPECT_TRUE(host.destroyed.empty());
    session->SetPanelFree(true);
    session->IdleCheck(start + TimeSpan::FromSeconds(121));
    EXPECT_EQ(host.destroyed, std::vector<NotifyTarget>{kPanel});
    SetFrontPanelHost(nullptr);
}

TEST_F(WorkerTest, openingTheFrontPanelCreatesItOnceAndConnects) {
    RecordingHost host;
    SetFrontPanelHost(&host);
    link->SetFailOpen(true);
    session->OpenFrontPanel();
    ASSERT_TRUE(WaitFor([&] { return link->Opens() == 1 && !session->HasWorker(); }));
    EXPECT_EQ(session->GetFrontPanel(), kPanel);
    session->OpenFrontPanel();
    ASSERT_TRUE(WaitFor([&] { return link->Opens() == 2 && !session->HasWorker(); }));
    EXPECT_EQ(host.created, 1);
    SetFrontPanelHost(nullptr);
}

}  // namespace
}  // namespace talven
