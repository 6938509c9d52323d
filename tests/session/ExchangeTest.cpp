// The connect exchange and the panel exchanges against a scripted instrument, the test thread
// acting as the worker.

#include <gtest/gtest.h>

#include <map>

#include "SessionTestSupport.h"
#include "foundation/AssertionException.h"
#include "foundation/Notifier.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"

namespace talven {
namespace {

using test::RecordingLog;
using test::ScriptedLink;

std::string Header(char letter) {
    return std::string(1, letter) + " 060:12:00 0000 ";
}

std::string Sum(std::string_view text) {
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return std::to_string(sum & 0xFF);
}

/// A display line: its number, a colon and 40 characters.
std::string DisplayLine(int number, const std::string& text) {
    std::string padded = text;
    padded.resize(40, ' ');
    return Header('K') + std::to_string(number) + ":" + padded + "\r\n";
}

class ExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto owned = std::make_unique<ScriptedLink>();
        link = owned.get();
        link->SetMaxFailures(0);
        link->SetResponder([this](const std::string& written) {
            const std::size_t etx = written.rfind('\x03');
            if (etx == std::string::npos)
                return std::string();
            std::string command = written.substr(etx + 1);
            while (!command.empty() &&
                   (command.back() == '\n' || command.back() == '\r' || command.back() == ' '))
                command.pop_back();
            ++sent[command];
            const auto it = replies.find(command);
            return it == replies.end() ? std::string() : it->second;
        });
        node.SetConnection(std::move(owned));
        InstrumentSettings s = node.GetSettings();
        s.receiveTimeoutMs = 10;
        node.SetSettings(s);
        session = &CInstrumentSession::Of(node);
        exchange = std::make_unique<SessionExchange>(*session);
        session->SetFrontPanel(5);
    }
    void TearDown() override {
        if (session->IsSessionOpen())
            exchange->DisconnectExchange();
        EXPECT_FALSE(log.Contains(kLogError, "Assertion failed"));
    }
    std::string Caps() const { return node.GetIdentity().capabilities; }
    bool HasAll(std::string_view chars) const {
        for (char c : chars)
            if (Caps().find(c) == std::string::npos)
                return false;
        return true;
    }
    void AnalyzerDisplay(const std::string& command) {
        replies[command] = DisplayLine(1, "SAMPLE      RANGE=500.0 PPB") + DisplayLine(2, "<TST TST> CAL");
    }

    RecordingNotifier notices;
    ScopedNotifier scopedNotifier{&notices};
    RecordingLog log;
    std::map<std::string, std::string> replies;
    std::map<std::string, int> sent;
    CInstrumentConnectedNode node{"Bench", 9};
    ScriptedLink* link = nullptr;
    CInstrumentSession* session = nullptr;
    // The exchanges run here on the test's thread, as the worker would run them.
    std::unique_ptr<SessionExchange> exchange;
};

TEST_F(ExchangeTest, capabilitiesWithAWrongChecksumAreIgnoredAndInferredFromTheListing) {
    replies["instcaps"] = "dk,1\r\n";
    replies["v config"] = Header('V') + "CONFIG[0]=Q860E Dynamic Dilution Calibrator\r\n" + Header('V') +
                          "CONFIG[1]=Software Revision F.2\r\n" + Header('V') +
                          "CONFIG[2]=Orvane Protocol Rev. 1.0\r\n";
    AnalyzerDisplay("k disp");
    exchange->ConnectExchange();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(sent["instcaps"], 3);
    EXPECT_EQ(session->GetModelName(), "Q860E");
    EXPECT_EQ(session->GetModelFamily(), 4);
    EXPECT_TRUE(HasAll("csu*lj!@%#$"));
    EXPECT_EQ(Caps().find('m'), std::string::npos);
    EXPECT_EQ(Caps().find('d'), std::string::npos);
    // Probing tried the slash form three times, then settled on the older one.
    EXPECT_EQ(sent["/ k disp"], 3);
    EXPECT_EQ(Caps().find('k'), std::string::npos);
    EXPECT_EQ(session->GetDisplayTexts()[0].substr(0, 6), "SAMPLE");
    EXPECT_EQ(node.GetIdentity().firmwareRevision, "F.2");
}

TEST_F(ExchangeTest, calibratorText860WithoutModelNameIsFamily3AndE10IsBelowE4) {
    replies["v config"] = Header('V') + "CONFIG[0]=M100 Calibrator 860 unit\r\n" + Header('V') +
                          "CONFIG[1]=Revision E.10\r\n" + Header('V') +
                          "CONFIG[2]=Orvane Protocol Rev. 1.0\r\n";
    exchange->ConnectExchange();
    EXPECT_EQ(session->GetModelFamily(), 3);
    EXPECT_EQ(session->GetModelName(), "Unknown");
    EXPECT_TRUE(HasAll("c!@%*#$"));
    EXPECT_EQ(Caps().find('s'), std::string::npos);
    EXPECT_EQ(Caps().find('l'), std::string::npos);
}

TEST_F(ExchangeTest, identityR860UGivesFamily9AndTheStepKinds) {
    replies["instcaps"] = "A," + Sum("A") + "\r\n";
    const std::string body = "[\"R860U\",\"12860-0100\",\"2207\",\"E.12\",\"3.2\"]";
    replies["instid"] = body + "," + Sum(body) + "\r\n";
    exchange->ConnectExchange();
    EXPECT_EQ(session->GetModelName(), "R860U");
    EXPECT_EQ(session->GetModelFamily(), 9);
    EXPECT_TRUE(HasAll("A!@%*#$"));
    EXPECT_EQ(node.GetIdentity().libraryRevision, "3.2");
    EXPECT_EQ(sent["v config"], 0);
}

TEST_F(ExchangeTest, identityInLowerCaseGivesNoFamily) {
    replies["instcaps"] = "A," + Sum("A") + "\r\n";
    const std::string body = "[\"r860u\",\"1\"]";
    replies["instid"] = body + "," + Sum(body) + "\r\n";
    exchange->ConnectExchange();
    EXPECT_EQ(session->GetModelName(), "r860u");
    EXPECT_EQ(session->GetModelFamily(), 0);
    EXPECT_EQ(Caps(), "A");
}

TEST_F(ExchangeTest, identityWithAWrongChecksumFallsBackToTheListing) {
    replies["instcaps"] = "A," + Sum("A") + "\r\n";
    replies["instid"] = "[\"R860U\"],0\r\n";
    replies["v config"] = Header('V') + "CONFIG[0]=R514 Analyzer\r\n";
    exchange->ConnectExchange();
    EXPECT_EQ(sent["v config"], 1);
    EXPECT_EQ(session->GetModelName(), "R514");
    EXPECT_EQ(session->GetModelFamily(), 0);  // the listing names only calibrator families
}

TEST_F(ExchangeTest, headerFieldsOutOfRangeAreClampedAndTheDateFollowsTheHeader) {
    exchange->ConnectExchange();
    replies["v curr_date"] = "V 060:12:30 0000 CURR_DATE=03/01/2026\r\n";
    EXPECT_EQ(exchange->ReadInstrumentDate(), DateTime::FromElements(2026, 3, 1, 12, 30, 0));
    replies["v curr_date"] = "V 400:25:61 0000 CURR_DATE=03/01/2026\r\n";
    EXPECT_EQ(exchange->ReadInstrumentDate(), DateTime::FromElements(2026, 1, 1, 0, 0, 0));
    replies.erase("v curr_date");
    EXPECT_EQ(exchange->ReadInstrumentDate().seconds(), 0u);
}

TEST_F(ExchangeTest, displayLineOf41CharactersIsIgnoredAndAnOddAttributeLengthLosesItsMiddle) {
    replies["instcaps"] = "C," + Sum("C") + "\r\n";
    exchange->ConnectExchange();
    const std::string chars(20, 'a');
    const std::string attrs(20, '7');
    replies["k disp"] = Header('K') + "1:" + std::string(39, 'z') + "\r\n" + Header('K') + "1:" + chars +
                        "X" + attrs + "\r\n" + Header('D') + "2:" + std::string(60, 'q') + "\r\n" +
                        Header('K') + "2:" + chars + "Y" + attrs + "\r\n";
    notices.clear();
    ASSERT_TRUE(exchange->DisplayExchange(false));
    const auto texts = session->GetDisplayTexts();
    EXPECT_EQ(texts[0], chars + chars);
    EXPECT_EQ(texts[1], attrs + attrs);
    EXPECT_EQ(texts[2], attrs + attrs);
    EXPECT_EQ(notices.codes(), std::vector<int>{wm::kDisplayChanged});
}

TEST_F(ExchangeTest, failedDisplayReadKeepsThePreviousTexts) {
    AnalyzerDisplay("k disp");
    exchange->ConnectExchange();
    const auto before = session->GetDisplayTexts();
    replies.erase("k disp");
    EXPECT_FALSE(exchange->DisplayExchange(false));
    EXPECT_EQ(session->GetDisplayTexts(), before);
    EXPECT_FALSE(session->IsDisplayRequestPending());
}

TEST_F(ExchangeTest, lightsWithTwoGroupsLeaveTheThirdLightAtZero) {
    replies["instcaps"] = "C," + Sum("C") + "\r\n";
    replies["/ k led"] = Header('K') + "SAMPLE_LED=1 CAL_LED=2\r\n";
    exchange->ConnectExchange();
    EXPECT_EQ(session->GetLightNames(), (std::array<std::string, 3>{"SAMPLE", "CAL", ""}));
    ASSERT_TRUE(exchange->LightExchange(false));
    EXPECT_EQ(session->GetLightStates(), (std::array<std::int32_t, 3>{1, 2, 0}));
    replies["/ k led"] = Header('V') + "SAMPLE_LED=1\r\n";
    EXPECT_FALSE(exchange->LightExchange(false));
    EXPECT_EQ(sent["/ k led"], 5);  // one at connect, one, then three tries
}

TEST_F(ExchangeTest, keyPressUsesTheFormTheCapabilitiesChoose) {
    replies["instcaps"] = "kC," + Sum("kC") + "\r\n";
    AnalyzerDisplay("/ k 2,-3 exp for");
    exchange->ConnectExchange();
    ASSERT_TRUE(exchange->KeyExchange(3));
    EXPECT_EQ(sent["/ k 2,-3 exp for"], 1);
    test::DropCapability(node, 'C');
    AnalyzerDisplay("/ k 8");
    EXPECT_TRUE(exchange->KeyExchange(9));
    test::DropCapability(node, 'k');
    AnalyzerDisplay("k k 0");
    EXPECT_TRUE(exchange->KeyExchange(1));
    EXPECT_THROW(exchange->KeyExchange(0), AssertionException);
}

TEST_F(ExchangeTest, withoutAPasswordNoLogOnLogOffOrDrainHappens) {
    exchange->ConnectExchange();
    exchange->DisconnectExchange();
    EXPECT_EQ(sent.count("logon 0"), 0u);
    EXPECT_EQ(sent.count("logoff"), 0u);
    EXPECT_EQ(link->Closes(), 1);
}

TEST_F(ExchangeTest, logOnAndLogOffWithTheInstrumentIdAndMustLogOnCountsAsLoggedOff) {
    InstrumentSettings s = node.GetSettings();
    s.passwordEnabled = true;
    s.password = 4711;
    s.idEnabled = true;
    s.instrumentId = 12;
    node.SetSettings(s);
    replies["logon 12 4711"] = Header('L') + "LOG ON SUCCESSFUL\r\n";
    replies["logoff 12"] = Header('L') + "MUST LOG ON\r\n";
    exchange->ConnectExchange();
    ASSERT_TRUE(session->IsSessionOpen());
    EXPECT_EQ(sent["logon 12 4711"], 1);
    EXPECT_TRUE(exchange->LogOff());
    EXPECT_EQ(link->Written()[0], "\x03\x03\r\n\r\n");
    EXPECT_EQ(link->Written()[1], "\x03logon 12 4711\r\n");
}

TEST_F(ExchangeTest, modeIsRewrittenThenRestoredWithTheInstrumentsOtherBits) {
    replies["v RS232_MODE"] = Header('V') + "RS232_MODE=4099\r\n";
    replies["v RS232_MODE=3"] = Header('V') + "RS232_MODE=3\r\n";
    exchange->ConnectExchange();
    EXPECT_TRUE(session->IsModeChanged());
    EXPECT_EQ(session->GetSavedMode(), 0x1003);
    EXPECT_EQ(sent["v RS232_MODE=3"], 1);
    replies["v RS232_MODE"] = Header('V') + "RS232_MODE=1027\r\n";
    exchange->DisconnectExchange();
    EXPECT_EQ(sent["v RS232_MODE=5123"], 3);  // no reply to the write: three tries
}

TEST_F(ExchangeTest, unreadableModeOnDisconnectWritesTheSavedModeBack) {
    replies["v RS232_MODE"] = Header('V') + "RS232_MODE=4099\r\n";
    exchange->ConnectExchange();
    replies.erase("v RS232_MODE");
    exchange->DisconnectExchange();
    EXPECT_GE(sent["v RS232_MODE=4099"], 1);
}

}  // namespace
}  // namespace talven
