// The main window's rules while an instrument is connected, with the simulator as the instrument:
// what is refused, what is still offered, the exit warning and the timers reaching the session.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "foundation/Messages.h"
#include "foundation/Notifier.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"
#include "sim/SimServer.h"
#include "tests/app/MainWindowTestSupport.h"
#include "transport/TCPConnection.h"

namespace talven::test {
namespace {

bool WaitUntil(const std::function<bool()>& done, int limitMs = 30000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class ConnectedPresenterTest : public PresenterTest {
  protected:
    static constexpr NotifyTarget kMainWindow = 77;

    void SetUp() override {
        SetSessionMainWindow(kMainWindow);
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        std::string error;
        sim_ = sim::SimInstrument::StartTcp(o, 0, error);
        ASSERT_TRUE(sim_) << error;
        roof_ = &Add<CSiteNode>(config_.Sites(), "Roof", Home().GetId());
        node_ = &Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Ozone", roof_->GetId());
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim_->port());
        node_->SetConnection(std::move(tcp));
        InstrumentSettings s = node_->GetSettings();
        s.receiveTimeoutMs = 1000;
        node_->SetSettings(s);
    }
    void TearDown() override {
        if (CInstrumentSession* session = CInstrumentSession::Find(*node_)) {
            session->PostDisconnect();
            WaitUntil([&] { return !session->HasWorker(); });
        }
        config_.New();  // the sessions end with their nodes, before the instrument goes
        sim_->stop();
        SetSessionMainWindow(0);
    }
    CInstrumentSession& ConnectOzone() {
        presenter_.Select(node_->GetId());
        EXPECT_TRUE(presenter_.Execute(MainCommand::kConnect));
        CInstrumentSession& session = CInstrumentSession::Of(*node_);
        EXPECT_TRUE(WaitUntil([&] { return session.IsConnected() && session.IsIdentified(); }));
        return session;
    }

    RecordingNotifier notifier_;
    ScopedNotifier notifierScope_{&notifier_};
    std::unique_ptr<sim::SimInstrument> sim_;
    CSiteNode* roof_ = nullptr;
    CInstrumentConnectedNode* node_ = nullptr;
};

TEST_F(ConnectedPresenterTest, aConnectedInstrumentLocksTheConfigurationButNotItsEditing) {
    CInstrumentSession& session = ConnectOzone();
    EXPECT_NE(presenter_.TreeItems()[2].text.find(" (Connected)"), std::string::npos);
    for (MainCommand c : {MainCommand::kNew, MainCommand::kOpen, MainCommand::kExit,
                          MainCommand::kRestoreDefaults, MainCommand::kConnect})
        EXPECT_FALSE(presenter_.IsEnabled(c)) << static_cast<int>(c);
    for (MainCommand c : {MainCommand::kSave, MainCommand::kSaveAs, MainCommand::kDuplicate,
                          MainCommand::kProperties, MainCommand::kNewSite})
        EXPECT_TRUE(presenter_.IsEnabled(c)) << static_cast<int>(c);
    // Connect on a connected instrument does nothing: no second hold of the link.
    EXPECT_FALSE(presenter_.Connect());
    EXPECT_EQ(session.GetConnectCount(), 1);
    EXPECT_FALSE(presenter_.New());
    EXPECT_FALSE(presenter_.RestoreDefaults());
    EXPECT_TRUE(prompt_.asked().empty());

    // Deleting the site above it, or the instrument itself, is refused with the message.
    for (CTreeNode* target : {static_cast<CTreeNode*>(roof_), static_cast<CTreeNode*>(node_)}) {
        presenter_.Select(target->GetId());
        EXPECT_FALSE(presenter_.Execute(MainCommand::kDelete));
        ASSERT_FALSE(prompt_.asked().empty());
        EXPECT_EQ(prompt_.asked().back().text,
                  "Unable to delete node as a child instrument is currently connected.");
        EXPECT_EQ(prompt_.asked().back().caption, "Error");
        EXPECT_EQ(prompt_.asked().back().flags, mb::kOk | mb::kIconInformation);
    }
    EXPECT_EQ(prompt_.asked().size(), 2u);
    EXPECT_EQ(config_.ConnectedInstruments().size(), 1u);
    EXPECT_EQ(config_.Sites().size(), 2u);

    // Once the link is closed the same delete goes through.
    session.PostDisconnect();
    ASSERT_TRUE(WaitUntil([&] { return !session.IsConnected() && !session.HasWorker(); }));
    EXPECT_TRUE(presenter_.IsEnabled(MainCommand::kNew));
    presenter_.Select(roof_->GetId());
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(presenter_.Execute(MainCommand::kDelete));
    EXPECT_TRUE(config_.ConnectedInstruments().empty());
    node_ = &Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Spare", Home().GetId());
}

TEST_F(ConnectedPresenterTest, connectOnAnInstrumentWithItsPanelOpenBringsThePanelForwardWithoutAnotherHold) {
    CInstrumentSession& session = ConnectOzone();
    EXPECT_FALSE(presenter_.IsEnabled(MainCommand::kConnect));  // connected, no panel: nothing to do
    session.SetFrontPanel(7);
    EXPECT_TRUE(presenter_.IsEnabled(MainCommand::kConnect));
    EXPECT_TRUE(presenter_.Connect());
    EXPECT_EQ(view_.connected, (std::vector<std::string>{"Ozone", "Ozone"}));
    EXPECT_EQ(session.GetConnectCount(), 1);
    session.SetFrontPanel(0);
}

TEST_F(ConnectedPresenterTest, exitWhileConnectedWarnsAndEndsOnlyOnYes) {
    ConnectOzone();
    EXPECT_TRUE(config_.IsModified());  // a connect marks the configuration modified
    prompt_.QueueAnswer(mb::kIdNo);     // do not save
    prompt_.QueueAnswer(mb::kIdNo);     // do not force the exit
    EXPECT_FALSE(presenter_.QueryExit());
    ASSERT_EQ(prompt_.asked().size(), 2u);
    EXPECT_EQ(prompt_.asked()[1].text, std::string(MessageText(msg::kExitWhileConnected)));
    EXPECT_EQ(prompt_.asked()[1].caption, "Warning");
    EXPECT_EQ(prompt_.asked()[1].flags, mb::kYesNo | mb::kIconWarning | mb::kDefaultButton2);
    prompt_.QueueAnswer(mb::kIdNo);
    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(presenter_.QueryExit());
}

TEST_F(ConnectedPresenterTest, theTimersReachOpenSessionsAndTheMainWindowHearsOfConnections) {
    CInstrumentSession& session = ConnectOzone();
    // The connect exchange has ended (it holds polling off while it runs) and its first display
    // request has been answered.
    ASSERT_TRUE(WaitUntil([&] {
        return session.GetDisplayPollingCount() == 1 && !session.IsDisplayRequestPending();
    }));
    SetOption(&Options::periodicFrontPanelUpdate, false);
    const int before = session.GetPollCountdown();
    presenter_.DisplayTick();
    EXPECT_EQ(session.GetPollCountdown(), before);
    SetOption(&Options::periodicFrontPanelUpdate, true);
    presenter_.DisplayTick();
    presenter_.DisplayTick();
    EXPECT_NE(session.GetPollCountdown(), before);

    // The idle check closes nothing while automatic disconnection is off.
    presenter_.IdleCheck(DateTime::FromSeconds(DateTime::Now().seconds() + 3600));
    EXPECT_TRUE(session.IsConnected());

    EXPECT_TRUE(WaitUntil([&] {
        for (const auto& e : notifier_.entries())
            if (e.target == kMainWindow && e.code == wm::kConnectionChanged &&
                static_cast<std::uint32_t>(e.lParam) == node_->GetId())
                return true;
        return false;
    }));
}

TEST_F(ConnectedPresenterTest, aNewNetworkDuringAStalledConnectEndsTheSessionInsteadOfHanging) {
    // The instrument hears everything and answers nothing: the connect waits on it.
    sim_->stop();
    sim::InstrumentOptions o;
    o.link.faults.dropReply = 1.0;
    std::string error;
    sim_ = sim::SimInstrument::StartTcp(o, 0, error);
    ASSERT_TRUE(sim_) << error;
    static_cast<CTCPConnection*>(node_->GetConnection())->SetPort(sim_->port());
    presenter_.Select(node_->GetId());
    ASSERT_TRUE(presenter_.Connect());
    CInstrumentSession& session = CInstrumentSession::Of(*node_);
    ASSERT_TRUE(WaitUntil([&] { return session.IsConnected(); }));
    // Exit forced past the warning: the nodes go while the worker still reads.
    auto replaced = std::async(std::launch::async, [&] { config_.New(); });
    EXPECT_EQ(replaced.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    node_ = &Add<CInstrumentConnectedNode>(config_.ConnectedInstruments(), "Spare", Home().GetId());
}

}  // namespace
}  // namespace talven::test
