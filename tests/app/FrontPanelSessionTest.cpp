// The front panel presenter on a live session with the simulated analyzer: keys reach the
// instrument unless a transfer holds it, and closing asks or refuses as the session's state says.

#include <gtest/gtest.h>

#include <future>
#include <mutex>

#include "../session/SessionTestSupport.h"
#include "FrontPanelTestSupport.h"
#include "app/FrontPanelPresenter.h"
#include "foundation/Notifier.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/ThreadMessages.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

constexpr NotifyTarget kPanel = 77;

/// A transfer that holds the worker, marking the interface in use, until the test lets it end.
class HeldTransfer : public CTransferRequest {
  public:
    HeldTransfer(CInstrumentConnectedNode* node, std::shared_future<void> release)
        : CTransferRequest(node, 0, wm::kDownloadDone, wm::kDownloadFailed, true),
          release_(std::move(release)) {}
    const char* GetRuntimeClass() const override { return "HeldTransfer"; }

  protected:
    bool Transfer(SessionExchange&) override {
        release_.wait();
        return true;
    }

  private:
    std::shared_future<void> release_;
};

class FrontPanelSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
        o.clockFrozen = true;
        o.link.trace = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(mutex_);
            heard_.push_back(line);
        };
        std::string error;
        sim_ = sim::SimInstrument::StartTcp(o, 0, error);
        ASSERT_TRUE(sim_) << error;
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim_->port());
        node_.SetConnection(std::move(tcp));
        InstrumentSettings s = node_.GetSettings();
        s.receiveTimeoutMs = 300;
        node_.SetSettings(s);
        session_.SetFrontPanel(kPanel);
    }
    void TearDown() override {
        if (session_.HasWorker()) {
            session_.PostDisconnect();
            EXPECT_TRUE(test::WaitFor([&] { return !session_.HasWorker(); }, 30000));
        }
        session_.JoinEndedWorkers();
        if (sim_)
            sim_->stop();
    }
    void Connect() {
        session_.PostConnect();
        ASSERT_TRUE(test::Settle(session_));
        ASSERT_TRUE(test::Settle(session_));  // the display request the connect posts at its end
        ASSERT_TRUE(session_.IsSessionOpen());
    }
    /// Lines the instrument heard that pressed a key.
    int KeysHeard() {
        std::lock_guard<std::mutex> lock(mutex_);
        int keys = 0;
        for (const std::string& line : heard_)
            if (line.find(" k ") != std::string::npos && line.find("disp") == std::string::npos &&
                line.find("led") == std::string::npos)
                ++keys;
        return keys;
    }

    RecordingNotifier notices_;
    ScopedNotifier scopedNotifier_{&notices_};
    ScriptedPrompt prompt_;
    ScopedUserPrompt scopedPrompt_{&prompt_};
    test::RecordingPanelView view_;
    std::unique_ptr<sim::SimInstrument> sim_;
    CInstrumentConnectedNode node_{"Roof", 6160};
    CInstrumentSession& session_ = CInstrumentSession::Of(node_);
    FrontPanelPresenter presenter_{"Roof", [this] { return &session_; }, view_};
    std::mutex mutex_;
    std::vector<std::string> heard_;
};

TEST_F(FrontPanelSessionTest, aKeyPressPostsNothingWhileATransferMarksTheInterfaceInUse) {
    Connect();
    std::promise<void> release;
    ASSERT_TRUE(session_.PostRequest(std::make_unique<HeldTransfer>(&node_, release.get_future().share())));
    ASSERT_TRUE(test::WaitFor([&] { return session_.IsInUse(); }));
    EXPECT_FALSE(presenter_.PressKey(2));
    EXPECT_FALSE(presenter_.PressKey(1));
    release.set_value();
    ASSERT_TRUE(test::Settle(session_));
    EXPECT_EQ(KeysHeard(), 0);

    EXPECT_TRUE(presenter_.PressKey(2));
    ASSERT_TRUE(test::Settle(session_));
    EXPECT_EQ(KeysHeard(), 1);
    EXPECT_FALSE(presenter_.PressKey(0));
    EXPECT_FALSE(presenter_.PressKey(10));
}

TEST_F(FrontPanelSessionTest, closingIsRefusedWhileThePanelIsNotFreeAndAsksOtherwise) {
    Connect();
    session_.SetPanelFree(false);
    EXPECT_EQ(presenter_.RequestClose(), CloseDecision::kStay);
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(prompt_.asked()[0].text, "Cannot disconnect right now. Wait a few seconds and try again.");
    EXPECT_EQ(prompt_.asked()[0].caption, "Error");
    EXPECT_EQ(prompt_.asked()[0].flags, mb::kOk | mb::kIconWarning);

    session_.SetPanelFree(true);
    prompt_.QueueAnswer(mb::kIdNo);
    EXPECT_EQ(presenter_.RequestClose(), CloseDecision::kStay);
    ASSERT_EQ(prompt_.asked().size(), 2u);
    EXPECT_EQ(prompt_.asked()[1].text, "Are you sure you want to disconnect?");
    EXPECT_EQ(prompt_.asked()[1].caption, "Confirm");
    EXPECT_EQ(prompt_.asked()[1].flags, mb::kYesNo | mb::kIconQuestion | mb::kDefaultButton2);
    EXPECT_FALSE(session_.IsCancelRequested());
    EXPECT_TRUE(session_.IsSessionOpen());

    prompt_.QueueAnswer(mb::kIdYes);
    EXPECT_EQ(presenter_.RequestClose(), CloseDecision::kCloseDisconnecting);
    EXPECT_TRUE(session_.IsCancelRequested());
    presenter_.OnWindowDestroyed();
    EXPECT_EQ(session_.GetFrontPanel(), 0u);
    ASSERT_TRUE(test::WaitFor([&] { return !session_.HasWorker(); }, 30000));
    EXPECT_FALSE(session_.IsSessionOpen());
    EXPECT_FALSE(session_.IsConnected());
}

}  // namespace
}  // namespace talven
