// Sessions with the simulated instruments, over TCP and over a pseudo-terminal: connecting,
// identification, the front panel exchanges, transfers, disconnecting, and link faults.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>

#include "SessionTestSupport.h"
#include "foundation/DateTime.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"
#include "session/SessionEnvironment.h"
#include "session/ThreadMessages.h"
#include "sim/SimServer.h"
#include "transport/CommPortConnection.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

using test::RecordingLog;
using test::WaitFor;

constexpr NotifyTarget kMainWindow = 11;
constexpr NotifyTarget kPanel = 77;
constexpr NotifyTarget kTransferWindow = 99;
constexpr std::uint32_t kNodeId = 5151;

enum class Over { kTcp, kPty };

/// A DLOG configuration download in script form, built on the session's transfer frame as the
/// requests of the higher layers are.
class ScriptDownload : public CTransferRequest {
  public:
    explicit ScriptDownload(CInstrumentConnectedNode* node)
        : CTransferRequest(node, kTransferWindow, wm::kDownloadDone, wm::kDownloadFailed, true) {}
    const char* GetRuntimeClass() const override { return "ScriptDownload"; }

  protected:
    bool Transfer(SessionExchange& s) override {
        s.PostToWindow(GetWindow(), wm::kTransferStart, 4);
        CommInstrumentTokenStream& t = *s.GetStream();
        inUse = s.Session().IsInUse() && s.Session().GetDisplayPollingCount() == 0 && t.GetMultiLine();
        if (!s.SendCommand("d", "print script &") || t.NextToken() != tok::DASBEGIN)
            return false;
        for (int kind = t.NextToken(); kind != tok::DASEND; kind = t.NextToken()) {
            if (kind == kTokenEnd)
                return false;
            if (kind == tok::CHANNELEND)
                s.PostToWindow(GetWindow(), wm::kTransferStep);
        }
        return true;
    }

  public:
    static inline std::atomic<bool> inUse{false};
};

/// Sends a DLOG configuration script back to the instrument: the one it printed, or a broken one.
class ScriptSend : public CTransferRequest {
  public:
    ScriptSend(CInstrumentConnectedNode* node, bool broken)
        : CTransferRequest(node, kTransferWindow, wm::kSendDone, wm::kSendFailed, false), broken_(broken) {}
    const char* GetRuntimeClass() const override { return "ScriptSend"; }

  protected:
    bool Transfer(SessionExchange& s) override {
        if (!s.SendCommand("d", "print script &"))
            return false;
        std::string script;
        for (std::string line; (line = s.ReadRawLine(300, 1000)).size() > 0;) {
            script += line;
            if (line.rfind("DASEND", 0) == 0)
                break;
        }
        if (broken_)
            script = "dasbegin\r\nCHANNELBEGIN\r\ndasend\r\n";
        return s.SendScript(script, tok::kDasConfigStored, GetWindow());
    }

  private:
    bool broken_;
};

/// Runs a piece of exchange code on the worker.
class Exchange : public CSessionRequest {
  public:
    Exchange(CInstrumentConnectedNode* node, std::function<void(SessionExchange&)> body)
        : CSessionRequest(node), body_(std::move(body)) {}
    const char* GetRuntimeClass() const override { return "Exchange"; }

  protected:
    void Run(SessionExchange& s) override { body_(s); }

  private:
    std::function<void(SessionExchange&)> body_;
};

/// A transfer that holds the worker until the test lets it finish.
class HeldTransfer : public CTransferRequest {
  public:
    HeldTransfer(CInstrumentConnectedNode* node, std::shared_future<void> release)
        : CTransferRequest(node, kTransferWindow, wm::kDownloadDone, wm::kDownloadFailed, true),
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

class SimSessionTest : public ::testing::TestWithParam<Over> {
  protected:
    void SetUp() override { SetSessionMainWindow(kMainWindow); }
    void TearDown() override {
        if (session != nullptr && session->IsSessionOpen())
            Disconnect();
        // The disconnect exchange reports an unbalanced use bracket this way.
        EXPECT_FALSE(log.Contains(kLogError, "Assertion failed"));
        node.reset();
        if (sim)
            sim->stop();
        SetSessionMainWindow(0);
    }

    void Start(const std::string& profile, std::optional<int> password = std::nullopt,
               sim::FaultSettings faults = {}, int timeoutMs = 300) {
        sim::InstrumentOptions o;
        o.profile = profile;
        o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
        o.clockFrozen = true;
        o.password = password;
        o.link.faults = faults;
        std::string error;
        sim = GetParam() == Over::kTcp ? sim::SimInstrument::StartTcp(o, 0, error)
                                       : sim::SimInstrument::StartPty(o, "", error);
        ASSERT_TRUE(sim) << error;
        node = std::make_unique<CInstrumentConnectedNode>("Roof", kNodeId);
        if (GetParam() == Over::kTcp) {
            auto tcp = std::make_unique<CTCPConnection>();
            tcp->SetHost("127.0.0.1");
            tcp->SetPort(sim->port());
            node->SetConnection(std::move(tcp));
        } else {
            auto serial = std::make_unique<CCommPortConnection>();
            serial->SetPortName(sim->devicePath());
            node->SetConnection(std::move(serial));
        }
        InstrumentSettings s = node->GetSettings();
        s.receiveTimeoutMs = static_cast<std::uint32_t>(timeoutMs);
        node->SetSettings(s);
        session = &CInstrumentSession::Of(*node);
        session->SetFrontPanel(kPanel);
    }
    void SetPassword(int password) {
        InstrumentSettings s = node->GetSettings();
        s.password = static_cast<std::uint32_t>(password);
        s.passwordEnabled = true;
        node->SetSettings(s);
    }
    /// Waits until every request posted so far has finished.
    void Settle() { ASSERT_TRUE(test::Settle(*session)); }
    void Connect() {
        session->PostConnect();
        Settle();
        Settle();  // the display request that the connect exchange posts at its end
    }
    void Disconnect() {
        session->PostDisconnect();
        ASSERT_TRUE(WaitFor([&] { return !session->HasWorker(); }, 30000));
        session->JoinEndedWorkers();
    }
    /// The instrument's own view, through a connection of the test's.
    std::string Variable(const std::string& name) { return sim->instrument().variable(name); }
    void SetVariable(const std::string& assignment, int password = 0) {
        sim::InstrumentSession direct;
        if (password != 0)
            sim->instrument().handleLine(direct, "\x03logon " + std::to_string(password));
        sim->instrument().handleLine(direct, "\x03v " + assignment);
    }
    std::vector<RecordingNotifier::Entry> To(NotifyTarget target) const {
        std::vector<RecordingNotifier::Entry> out;
        for (const auto& e : notices.entries())
            if (e.target == target)
                out.push_back(e);
        return out;
    }
    std::vector<int> CodesTo(NotifyTarget target) const {
        std::vector<int> out;
        for (const auto& e : To(target))
            out.push_back(e.code);
        return out;
    }
    std::vector<std::uintptr_t> PanelKinds() const {
        std::vector<std::uintptr_t> out;
        for (const auto& e : To(kPanel))
            if (e.code == wm::kPanelKind || e.code == wm::kPanelKindFirst)
                out.push_back(e.wParam);
        return out;
    }
    std::string Caps() const { return node->GetIdentity().capabilities; }
    void OnWorker(std::function<void(SessionExchange&)> body) {
        ASSERT_TRUE(session->PostRequest(std::make_unique<Exchange>(node.get(), std::move(body))));
        Settle();
    }

    RecordingNotifier notices;
    ScopedNotifier scopedNotifier{&notices};
    RecordingLog log;
    std::unique_ptr<sim::SimInstrument> sim;
    std::unique_ptr<CInstrumentConnectedNode> node;
    CInstrumentSession* session = nullptr;
};

TEST_P(SimSessionTest, aPropertySheetWritingBackItsCopyKeepsWhatAConnectLearnedMeanwhile) {
    Start("analyzer");
    InstrumentSettings edited = node->GetSettings();  // the sheet opens on a copy
    Connect();
    ASSERT_EQ(Caps(), "dwihfrteonvAkxCp");
    edited.transmitDelayMs = 50;  // the user changes a setting and presses OK
    node->SetSettings(edited);
    EXPECT_EQ(node->GetSettings().transmitDelayMs, 50u);
    EXPECT_EQ(Caps(), "dwihfrteonvAkxCp");
    EXPECT_EQ(node->GetIdentity().serialNumber, "1042");
    // What the window draws comes in one piece.
    const SessionSnapshot shown = session->Snapshot();
    EXPECT_TRUE(shown.connected && shown.sessionOpen && !shown.inUse);
    EXPECT_EQ(shown.identity, node->GetIdentity());
    EXPECT_EQ(shown.modelName, "N410");
    EXPECT_EQ(shown.displayTexts, session->GetDisplayTexts());
    EXPECT_EQ(shown.lightStates, session->GetLightStates());
    Disconnect();
    EXPECT_FALSE(session->Snapshot().connected);
}

TEST_P(SimSessionTest, analyzerGivesItsIdentityCapabilitiesPanelKindDisplayAndLights) {
    Start("analyzer");
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(Caps(), "dwihfrteonvAkxCp");
    EXPECT_EQ(session->GetModelName(), "N410");
    const InstrumentIdentity s = node->GetIdentity();
    EXPECT_EQ(s.partNumber, "11410-0100");
    EXPECT_EQ(s.serialNumber, "1042");
    EXPECT_EQ(s.firmwareRevision, "G.3");
    EXPECT_EQ(s.libraryRevision, "5.4");
    EXPECT_EQ(s.modelFamily, 0u);
    EXPECT_EQ(PanelKinds(), (std::vector<std::uintptr_t>{1, 1}));
    std::vector<int> order;
    for (int c : CodesTo(kPanel))
        if (c == wm::kPanelKind || c == wm::kPanelKindFirst)
            order.push_back(c);
    EXPECT_EQ(order, (std::vector<int>{wm::kPanelKindFirst, wm::kPanelKind}));
    const auto texts = session->GetDisplayTexts();
    ASSERT_EQ(texts[0].size(), 80u);
    EXPECT_EQ(texts[0].substr(0, 12), "SAMPLE      ");
    EXPECT_EQ(texts[1].size(), 80u);
    EXPECT_EQ(texts[1], texts[2]);
    EXPECT_EQ(texts[1].substr(0, 12), "000000000000");
    EXPECT_EQ(session->GetLightNames(), (std::array<std::string, 3>{"SAMPLE", "CAL", "FAULT"}));
    EXPECT_FALSE(session->IsModeChanged());
    EXPECT_EQ(GetOpenSessionCount(), 1);
    EXPECT_TRUE(node->IsConnected());

    Disconnect();
    EXPECT_FALSE(session->IsSessionOpen());
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(GetOpenSessionCount(), 0);
    EXPECT_EQ(session->GetUseCount(), 0);
    EXPECT_EQ(session->GetDisplayPollingCount(), 1);
    const std::vector<int> main = CodesTo(kMainWindow);
    EXPECT_EQ(std::count(main.begin(), main.end(), wm::kSessionOpenChanged), 2);
    EXPECT_GE(std::count(main.begin(), main.end(), wm::kConnectionChanged), 2);
}

TEST_P(SimSessionTest, calibratorIsIdentifiedWithItsStepKindsLevelButtonAndTargetFlow) {
    Start("calibrator");
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(session->GetModelName(), "R860U");
    EXPECT_EQ(session->GetModelFamily(), 9);
    for (char c : std::string("csuqlbgjpAB!@%*#$"))
        EXPECT_NE(Caps().find(c), std::string::npos) << c;
    EXPECT_EQ(PanelKinds(), (std::vector<std::uintptr_t>{0x102, 0x102}));
    EXPECT_DOUBLE_EQ(session->GetTargetFlow(), 5.0);
    EXPECT_EQ(session->GetDisplayTexts()[0].substr(0, 7), "STANDBY");
    EXPECT_EQ(session->GetInformationLines()[0], "Instrument type: Calibrator");
}

TEST_P(SimSessionTest, olderCalibratorIsKnownByItsConfigurationListing) {
    Start("old-calibrator");
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(session->GetModelName(), "Q860E");
    EXPECT_EQ(session->GetModelFamily(), 4);
    const InstrumentIdentity s = node->GetIdentity();
    EXPECT_EQ(s.partNumber, "12861-0000");
    EXPECT_EQ(s.firmwareRevision, "F.2");
    EXPECT_EQ(s.protocolRevision, "1.0");
    // Inferred: calibrator of family 4 with protocol 1.0, and the step kinds of its family; no
    // DLOG since the instrument has no das_hold_off; display by the older "k" form after probing.
    for (char c : std::string("csu*lj!@%#$"))
        EXPECT_NE(Caps().find(c), std::string::npos) << c;
    EXPECT_EQ(Caps().find('d'), std::string::npos);
    EXPECT_EQ(Caps().find('k'), std::string::npos);
    EXPECT_EQ(session->GetDisplayTexts()[0].substr(0, 7), "STANDBY");
    EXPECT_EQ(PanelKinds(), (std::vector<std::uintptr_t>{0x102, 0x102}));
}

TEST_P(SimSessionTest, passwordLogOnWorksAndAWrongOneClosesTheSession) {
    Start("old-analyzer");
    SetPassword(818);
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(session->GetModelName(), "R410E");
    EXPECT_EQ(node->GetIdentity().serialNumber, "187");
    EXPECT_NE(Caps().find('d'), std::string::npos);
    EXPECT_NE(Caps().find('m'), std::string::npos);
    EXPECT_EQ(PanelKinds(), (std::vector<std::uintptr_t>{1, 1}));
    Disconnect();
    EXPECT_TRUE(log.Contains(kLogCommand, "logoff") || session->IsModeChanged());

    notices.clear();
    SetPassword(123);
    Connect();
    EXPECT_FALSE(session->IsSessionOpen());
    EXPECT_FALSE(session->IsConnected());
    EXPECT_FALSE(session->HasWorker());
    EXPECT_EQ(session->GetDisplayTexts()[0], ":Unable to log on to instrument.");
    EXPECT_TRUE(PanelKinds().empty());
}

TEST_P(SimSessionTest, requestsAfterTheSessionEndedAreDeleted) {
    Start("analyzer");
    Connect();
    Disconnect();
    auto sentinel = std::make_unique<test::Sentinel>();
    const auto deleted = sentinel->Done();
    EXPECT_FALSE(session->PostRequest(std::move(sentinel)));
    EXPECT_TRUE(deleted->load());
    EXPECT_FALSE(session->PostDisplayRequest());
    EXPECT_FALSE(session->IsDisplayRequestPending());
}

TEST_P(SimSessionTest, keyPressMovesTheInstrumentAndTheDisplayFollows) {
    Start("analyzer");
    Connect();
    notices.clear();
    ASSERT_TRUE(session->PostKeyPress(3));
    Settle();
    EXPECT_EQ(session->GetDisplayTexts()[0].substr(0, 10), "ZERO CAL M");
    EXPECT_EQ(CodesTo(kPanel), std::vector<int>{wm::kDisplayChanged});
    ASSERT_TRUE(session->PostLightRequest());
    Settle();
    // The sample light blinks while the instrument calibrates.
    EXPECT_EQ(session->GetLightStates(), (std::array<std::int32_t, 3>{2, 1, 0}));
    EXPECT_FALSE(session->IsLightRequestPending());
    ASSERT_TRUE(session->PostKeyPress(8));
    Settle();
    EXPECT_EQ(session->GetDisplayTexts()[0].substr(0, 6), "SAMPLE");
}

TEST_P(SimSessionTest, transferMarksInUseAndHoldsPollingOff) {
    Start("analyzer");
    Connect();
    ScriptDownload::inUse = false;
    ASSERT_TRUE(session->PostRequest(std::make_unique<ScriptDownload>(node.get())));
    Settle();
    EXPECT_EQ(CodesTo(kTransferWindow),
              (std::vector<int>{wm::kTransferStart, wm::kTransferStep, wm::kTransferStep, wm::kTransferStep,
                                wm::kTransferStep, wm::kDownloadDone}));
    EXPECT_TRUE(ScriptDownload::inUse.load());
    EXPECT_FALSE(session->IsInUse());
    EXPECT_EQ(session->GetDisplayPollingCount(), 1);
    bool joined = true;
    OnWorker([&](SessionExchange& s) { joined = s.GetStream()->GetMultiLine(); });
    EXPECT_FALSE(joined);
}

TEST_P(SimSessionTest, displayTickPostsNothingWhileATransferRunsAndPollsAfterIt) {
    SetSessionOptions(SessionOptions{5});
    Start("analyzer");
    Connect();
    std::promise<void> release;
    ASSERT_TRUE(
        session->PostRequest(std::make_unique<HeldTransfer>(node.get(), release.get_future().share())));
    ASSERT_TRUE(WaitFor([&] { return session->IsInUse(); }));
    const int countdown = session->GetPollCountdown();
    for (int tick = 0; tick < 200; ++tick)
        session->DisplayTick();
    EXPECT_EQ(session->GetPollCountdown(), countdown);
    EXPECT_FALSE(session->IsDisplayRequestPending());
    EXPECT_FALSE(session->IsLightRequestPending());
    EXPECT_FALSE(session->PostKeyPress(1));
    release.set_value();
    Settle();
    notices.clear();
    for (int tick = 0; tick <= countdown; ++tick)
        session->DisplayTick();
    EXPECT_EQ(session->GetPollCountdown(), 50);
    Settle();
    const std::vector<int> codes = CodesTo(kPanel);
    EXPECT_NE(std::find(codes.begin(), codes.end(), wm::kDisplayChanged), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), wm::kLightStatesChanged), codes.end());
}

TEST_P(SimSessionTest, scriptSentIsConfirmedByItsPhraseLineByLine) {
    Start("analyzer");
    Connect();
    ASSERT_TRUE(session->PostRequest(std::make_unique<ScriptSend>(node.get(), false)));
    Settle();
    std::vector<RecordingNotifier::Entry> sent = To(kTransferWindow);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent.front().code, wm::kTransferStart);
    const std::uintptr_t lines = sent.front().wParam;
    EXPECT_GT(lines, 10u);
    EXPECT_EQ(sent.size(), lines + 2);
    EXPECT_EQ(sent.back().code, wm::kSendDone);

    notices.clear();
    ASSERT_TRUE(session->PostRequest(std::make_unique<ScriptSend>(node.get(), true)));
    Settle();
    EXPECT_EQ(CodesTo(kTransferWindow),
              (std::vector<int>{wm::kTransferStart, wm::kTransferStep, wm::kTransferStep, wm::kTransferStep,
                                wm::kSendFailed}));
}

TEST_P(SimSessionTest, channelCountAndInstrumentDateAreRead) {
    Start("analyzer");
    Connect();
    int byQuery = -1, byRecords = -1;
    DateTime date;
    OnWorker([&](SessionExchange& s) {
        byQuery = s.ReadChannelCount();
        test::DropCapability(*node, 'o');
        byRecords = s.ReadChannelCount();
        test::DropCapability(*node, 'r');
        date = s.ReadInstrumentDate();
    });
    EXPECT_EQ(byQuery, 4);
    EXPECT_EQ(byRecords, 4);
    EXPECT_EQ(date, DateTime::FromElements(2026, 3, 1, 12, 0, 0));
    int none = -1;
    OnWorker([&](SessionExchange& s) { none = s.ReadChannelCount(); });
    EXPECT_EQ(none, 0);
}

TEST_P(SimSessionTest, codeActivatedSwitchSelectsTheInstrumentAroundEachExchange) {
    Start("analyzer");
    sim->stop();
    sim::InstrumentOptions o;
    o.profile = "analyzer";
    o.link.selectCode =
        "\x02"
        "SEL";
    o.link.deselectCode =
        "\x02"
        "DES";
    std::string error;
    sim = GetParam() == Over::kTcp ? sim::SimInstrument::StartTcp(o, 0, error)
                                   : sim::SimInstrument::StartPty(o, "", error);
    ASSERT_TRUE(sim) << error;
    if (GetParam() == Over::kTcp) {
        static_cast<CTCPConnection*>(node->GetConnection())->SetPort(sim->port());
    } else {
        static_cast<CCommPortConnection*>(node->GetConnection())->SetPortName(sim->devicePath());
    }
    InstrumentSettings s = node->GetSettings();
    s.selectCode =
        "\x02"
        "SEL";
    s.deselectCode =
        "\x02"
        "DES";
    s.selectEnabled = s.deselectEnabled = true;
    node->SetSettings(s);
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(Caps(), "dwihfrteonvAkxCp");
    EXPECT_EQ(session->GetUseCount(), 0);
    const std::vector<std::string> sent = log.Lines(kLogCommand);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent.front(),
              "\x02"
              "SEL");
    EXPECT_EQ(sent.back(),
              "\x02"
              "DES");
}

TEST_P(SimSessionTest, garbageBeforeEveryReplyIsSkipped) {
    sim::FaultSettings faults;
    faults.garbage = 1.0;
    Start("analyzer", std::nullopt, faults);
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(Caps(), "dwihfrteonvAkxCp");
    EXPECT_EQ(node->GetIdentity().partNumber, "11410-0100");
    EXPECT_EQ(session->GetDisplayTexts()[0].substr(0, 6), "SAMPLE");
}

TEST_P(SimSessionTest, everyOtherProfileIsIdentifiedAsItDescribesItself) {
    struct Row {
        const char* profile;
        const char* model;
        int family;
        std::uintptr_t panelKind;
        const char* capabilities;
    };
    const Row rows[] = {
        {"hex-analyzer", "Unknown", 0, 1, "dhtferonk"},
        {"hexcrc-analyzer", "C430", 0, 1, "dwhtferonvAkx"},
        {"flow-calibrator", "Q863E", 5, 2, "csqlbgpA!@%*#$"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.profile);
        if (session != nullptr && session->IsSessionOpen())
            Disconnect();
        node.reset();
        notices.clear();
        Start(row.profile);
        Connect();
        ASSERT_TRUE(session->IsSessionOpen());
        EXPECT_EQ(session->GetModelName(), row.model);
        EXPECT_EQ(session->GetModelFamily(), row.family);
        EXPECT_EQ(Caps(), row.capabilities);
        EXPECT_EQ(PanelKinds(), (std::vector<std::uintptr_t>{row.panelKind, row.panelKind}));
        EXPECT_EQ(session->GetDisplayTexts()[0].size(), 80u);
    }
}

INSTANTIATE_TEST_SUITE_P(Links, SimSessionTest, ::testing::Values(Over::kTcp, Over::kPty),
                         [](const ::testing::TestParamInfo<Over>& p) {
                             return std::string(p.param == Over::kTcp ? "tcp" : "pty");
                         });

// The port mode exists only on serial links: over TCP the session leaves it alone.
class SimSerialSessionTest : public SimSessionTest {};

TEST_P(SimSerialSessionTest, modeVariableIsRewrittenAndRestoredKeepingTheInstrumentsOtherBits) {
    Start("old-analyzer");
    SetPassword(818);
    ASSERT_EQ(Variable("RS232_MODE"), "4099");
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_TRUE(session->IsModeChanged());
    EXPECT_EQ(session->GetSavedMode(), 0x1003);
    EXPECT_EQ(Variable("RS232_MODE"), "3");
    SetVariable("RS232_MODE=1027", 818);  // 0x0403: the instrument has set a bit of its own
    Disconnect();
    EXPECT_EQ(Variable("RS232_MODE"), std::to_string(0x1403));
}

TEST_P(SimSerialSessionTest, modeWithTheWantedBitsIsLeftAlone) {
    Start("analyzer");
    SetVariable("RS232_MODE=7");
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_FALSE(session->IsModeChanged());
    Disconnect();
    EXPECT_EQ(Variable("RS232_MODE"), "7");
}

INSTANTIATE_TEST_SUITE_P(Serial, SimSerialSessionTest, ::testing::Values(Over::kPty),
                         [](const auto&) { return std::string("pty"); });

// Faults that cut the conversation.
class SimFaultTest : public SimSessionTest {};

TEST_P(SimFaultTest, linkCutInATransferFailsItAndTheNextConnectWorks) {
    sim::FaultSettings faults;
    faults.cutAtCommand = "print script";
    Start("analyzer", std::nullopt, faults);
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    ASSERT_TRUE(session->PostRequest(std::make_unique<ScriptDownload>(node.get())));
    Settle();
    const std::vector<int> codes = CodesTo(kTransferWindow);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), wm::kDownloadFailed);
    EXPECT_FALSE(session->IsInUse());
    Disconnect();
    EXPECT_FALSE(session->IsConnected());

    Connect();
    EXPECT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(Caps(), "dwihfrteonvAkxCp");
}

TEST_P(SimFaultTest, droppedRepliesAreAskedForAgain) {
    sim::FaultSettings faults;
    faults.dropReply = 0.3;
    faults.seed = 7;
    Start("analyzer", std::nullopt, faults, 150);
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(Caps(), "dwihfrteonvAkxCp");
    EXPECT_EQ(session->GetModelName(), "N410");
    EXPECT_EQ(session->GetDisplayTexts()[0].substr(0, 6), "SAMPLE");
    EXPECT_TRUE(log.Contains(kLogError, "Timed out waiting for response from instrument."));
}

TEST_P(SimFaultTest, twentySilentReadsDeclareTheLinkLost) {
    sim::FaultSettings faults;
    faults.dropReply = 1.0;
    Start("analyzer", std::nullopt, faults, 60);
    SetConnectionLostTarget(kMainWindow);
    Connect();
    ASSERT_TRUE(session->IsSessionOpen());
    auto lost = [&] {
        for (const auto& e : To(kMainWindow))
            if (e.code == wm::kConnectionLost)
                return true;
        return false;
    };
    for (int i = 0; i < 10 && !lost(); ++i) {
        session->PostDisplayRequest();
        Settle();
    }
    ASSERT_TRUE(lost());
    for (const auto& e : To(kMainWindow))
        if (e.code == wm::kConnectionLost) {
            EXPECT_EQ(e.lParam, static_cast<std::intptr_t>(kNodeId));
        }
    EXPECT_FALSE(session->IsLinkOpen());
    EXPECT_EQ(Caps(), "m");
    SetConnectionLostTarget(0);
}

INSTANTIATE_TEST_SUITE_P(Faults, SimFaultTest, ::testing::Values(Over::kTcp),
                         [](const auto&) { return std::string("tcp"); });

}  // namespace
}  // namespace talven
