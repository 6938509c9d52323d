// The calibrator's transfers through a real session with the simulated calibrators over TCP:
// sequence and level table downloads and sends in each level table form and both duration words.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "../session/SessionTestSupport.h"
#include "calibrator/CalibratorClasses.h"
#include "calibrator/CalibratorRequests.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceScript.h"
#include "foundation/DateTime.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

constexpr NotifyTarget kWindow = 99;

class CalibratorSession : public ::testing::Test {
  protected:
    void TearDown() override {
        view_.reset();
        if (session_ != nullptr && session_->IsSessionOpen()) {
            session_->PostDisconnect();
            WaitFor([&] { return !session_->HasWorker(); });
            session_->JoinEndedWorkers();
        }
        node_.reset();
        if (sim_)
            sim_->stop();
    }

    static bool WaitFor(const std::function<bool()>& done) { return test::WaitFor(done, 30000); }

    void Start(const std::string& profile) {
        sim::InstrumentOptions options;
        options.profile = profile;
        options.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
        options.clockFrozen = true;
        std::string error;
        sim_ = sim::SimInstrument::StartTcp(options, 0, error);
        ASSERT_TRUE(sim_) << error;
        node_ = std::make_unique<CInstrumentConnectedNode>("Cal", 4242);
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim_->port());
        node_->SetConnection(std::move(tcp));
        InstrumentSettings settings = node_->GetSettings();
        settings.receiveTimeoutMs = 300;
        node_->SetSettings(settings);
        session_ = &CInstrumentSession::Of(*node_);
        session_->PostConnect();
        Settle();
        ASSERT_TRUE(session_->IsSessionOpen());
        view_ = std::make_unique<CInstrumentCalibratorView>(*node_);
    }

    void Settle() { ASSERT_TRUE(test::Settle(*session_)); }

    /// Runs the request and returns the completion code it posted to the window.
    int Run(std::unique_ptr<CThreadMessage> request) {
        const std::size_t before = notices_.entries().size();
        EXPECT_TRUE(session_->PostRequest(std::move(request)));
        Settle();
        int code = 0;
        const auto entries = notices_.entries();
        for (std::size_t i = before; i < entries.size(); ++i) {
            if (entries[i].target == kWindow && entries[i].code >= wm::kDownloadDone &&
                entries[i].code <= wm::kSendFailed)
                code = entries[i].code;
        }
        return code;
    }

    int DownloadSequences() {
        return Run(std::make_unique<CThreadMessageRequestSequenceConfig>(node_.get(), view_.get(), kWindow));
    }
    int SendSequences() {
        return Run(std::make_unique<CThreadMessageSendSequenceConfig>(node_.get(), view_.get(), kWindow));
    }
    int DownloadLevels() {
        return Run(std::make_unique<CThreadMessageRequestLevelTable>(node_.get(), view_.get(), kWindow));
    }
    int SendLevels() {
        return Run(std::make_unique<CThreadMessageSendLevelTable>(node_.get(), view_.get(), kWindow));
    }

    RecordingNotifier notices_;
    ScopedNotifier scopedNotifier_{&notices_};
    std::unique_ptr<sim::SimInstrument> sim_;
    std::unique_ptr<CInstrumentConnectedNode> node_;
    CInstrumentSession* session_ = nullptr;
    std::unique_ptr<CInstrumentCalibratorView> view_;
};

TEST_F(CalibratorSession, sequencesAndLevelsWithActionsTravelBothWays) {
    Start("calibrator");
    ASSERT_EQ(DownloadSequences(), wm::kDownloadDone);
    EXPECT_EQ(view_->SequenceList().size(), 4u);
    EXPECT_FALSE(view_->GasList().empty());
    EXPECT_FALSE(view_->UnitList().empty());

    auto added = std::make_unique<CSequence>(view_.get());
    added->SetName("ADDED");
    auto delay = std::make_unique<CStepDelay>();
    delay->SetMinutes(2.5f);
    added->AppendStep(std::move(delay));
    view_->SequenceList().Append(std::move(added));
    view_->SetSequenceConfigModified(true);
    ASSERT_EQ(SendSequences(), wm::kSendDone);
    EXPECT_FALSE(view_->IsSequenceConfigModified());
    const auto stored = sim_->instrument().calibratorData().sequences;
    ASSERT_EQ(stored.size(), 5u);
    EXPECT_EQ(stored.back().name, "ADDED");
    const auto& lines = stored.back().lines;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DURATION 2.5"), lines.end());

    ASSERT_EQ(DownloadLevels(), wm::kDownloadDone);
    ASSERT_EQ(view_->LevelList().size(), 4u);
    const std::vector<std::string> levelLines = MakeLevelSendForm(*view_).lines;
    view_->SetLevelTableModified(true);
    ASSERT_EQ(SendLevels(), wm::kSendDone);
    EXPECT_FALSE(view_->IsLevelTableModified());
    EXPECT_EQ(sim_->instrument().calibratorData().levels, levelLines);
}

TEST_F(CalibratorSession, flowTableStartsEmptyAndDelayStepsGoOutAsDelay) {
    Start("flow-calibrator");
    ASSERT_EQ(DownloadSequences(), wm::kDownloadDone);
    ASSERT_FALSE(view_->SequenceList().empty());
    ASSERT_EQ(SendSequences(), wm::kSendDone);

    auto old = std::make_unique<CLevel>(view_.get());
    view_->LevelList().Append(std::move(old));
    ASSERT_EQ(DownloadLevels(), wm::kDownloadDone);  // "NO LEVELS DEFINED"
    EXPECT_TRUE(view_->LevelList().empty());

    auto level = std::make_unique<CLevel>(view_.get());
    level->SetNumber(25);
    auto generate = std::make_unique<CStepGenerate>();
    generate->Set({80.0f, 200, 102, 2.5f});
    level->SetAction(std::move(generate));
    view_->LevelList().Append(std::move(level));
    ASSERT_EQ(SendLevels(), wm::kSendDone);
    EXPECT_EQ(sim_->instrument().calibratorData().levels,
              std::vector<std::string>{"25 80 PPB SO2 2.500 \"00000000\" \"00000000\""});
    ASSERT_EQ(DownloadLevels(), wm::kDownloadDone);
    ASSERT_EQ(view_->LevelList().size(), 1u);
}

TEST_F(CalibratorSession, refusedSendAndClosedSessionReportFailure) {
    Start("calibrator");
    for (int i = 0; i < 2; ++i) {
        auto level = std::make_unique<CLevel>(view_.get());
        level->SetNumber(12);
        level->SetAction(std::make_unique<CStepGenerate>());
        view_->LevelList().Append(std::move(level));
    }
    view_->SetLevelTableModified(true);
    EXPECT_EQ(SendLevels(), wm::kSendFailed);  // the calibrator refuses duplicate numbers
    EXPECT_TRUE(view_->IsLevelTableModified());

    session_->PostDisconnect();
    ASSERT_TRUE(WaitFor([&] { return !session_->HasWorker(); }));
    session_->JoinEndedWorkers();
    auto request = std::make_unique<CThreadMessageRequestSequenceConfig>(node_.get(), view_.get(), kWindow);
    request->Execute();
    EXPECT_EQ(notices_.entries().back().code, wm::kDownloadFailed);
}

}  // namespace
}  // namespace talven
