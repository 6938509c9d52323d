// Command framing, reply headers, identity, log-on and the front panel, over loopback TCP.

#include <gtest/gtest.h>

#include "SimFixture.h"
#include "sim/Encoding.h"
#include "sim/Instrument.h"
#include "sim/Profiles.h"

namespace talven::sim::test {
namespace {

class AnalyzerProtocol : public SimClientTest {
  protected:
    void SetUp() override { start("analyzer"); }
};

TEST_F(AnalyzerProtocol, capabilitiesCarryTheSumOfTheirLetters) {
    const std::string caps = "dwihfrteonvAkxCp";
    EXPECT_EQ(client->ask("instcaps "), caps + "," + std::to_string(TextSum(caps)) + "\r\n");
}

TEST_F(AnalyzerProtocol, identityChecksumCoversTheBracketedText) {
    const std::string body = "[\"N410\",\"11410-0100\",\"1042\",\"G.3\",\"5.4\"]";
    EXPECT_EQ(client->ask("instid "), body + "," + std::to_string(TextSum(body)) + "\r\n");
}

TEST_F(AnalyzerProtocol, variableReplyHeaderHoldsDayHourMinuteAndId) {
    EXPECT_EQ(client->ask("v curr_date"), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    EXPECT_EQ(client->ask("v das_hold_off"), "V 060:12:00 0000 DAS_HOLD_OFF=15.0\r\n");
}

TEST_F(AnalyzerProtocol, variableWriteTakesHexadecimalAndAnswersTheNewValue) {
    EXPECT_EQ(client->ask("v RS232_MODE=0x1003"), "V 060:12:00 0000 RS232_MODE=4099\r\n");
    EXPECT_EQ(client->ask("v rs232_mode"), "V 060:12:00 0000 RS232_MODE=4099\r\n");
    EXPECT_EQ(client->ask("v RS232_MODE=010"), "V 060:12:00 0000 RS232_MODE=10\r\n");
    EXPECT_EQ(client->ask("v RS232_MODE=fast"), "V 060:12:00 0000 ERROR: INVALID VALUE FOR RS232_MODE\r\n");
    EXPECT_EQ(client->ask("v NO_SUCH"), "V 060:12:00 0000 ERROR: UNKNOWN VARIABLE NO_SUCH\r\n");
}

TEST_F(AnalyzerProtocol, settingTheDateMovesTheClock) {
    EXPECT_EQ(client->ask("v curr_date=12/31/2026"), "V 365:12:00 0000 CURR_DATE=12/31/2026\r\n");
    EXPECT_EQ(client->ask("v curr_date=13/01/2026"),
              "V 365:12:00 0000 ERROR: INVALID VALUE FOR CURR_DATE\r\n");
}

TEST_F(AnalyzerProtocol, configurationListingNamesIdentityLines) {
    client->command("v config");
    const std::vector<std::string> lines = client->readLines(6);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "V 060:12:00 0000 CONFIG[0]=N410 NOx Analyzer\r\n");
    EXPECT_EQ(lines[1], "V 060:12:00 0000 CONFIG[1]=Part Number 11410-0100\r\n");
    EXPECT_EQ(lines[3], "V 060:12:00 0000 CONFIG[3]=Software Revision G.3\r\n");
    EXPECT_EQ(lines[4], "V 060:12:00 0000 CONFIG[4]=Library Revision 5.4\r\n");
    EXPECT_EQ(lines[5], "V 060:12:00 0000 CONFIG[5]=Orvane Protocol Rev. 2.1\r\n");
}

TEST_F(AnalyzerProtocol, attributeDisplayGivesFortyCharactersAndFortyAttributesALine) {
    client->command("/ k disp exp for");
    const std::vector<std::string> lines = client->readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    const std::string head = "K 060:12:00 0000 ";
    for (const auto& line : lines) {
        ASSERT_EQ(line.rfind(head, 0), 0u) << line;
        EXPECT_EQ(line.size(), head.size() + 2 + 80 + 2) << line;
    }
    EXPECT_EQ(lines[0].substr(head.size(), 14), "1:SAMPLE      ");
    EXPECT_EQ(lines[1].substr(head.size() + 2, 40), "<TST TST> CAL                      SETUP");
    EXPECT_EQ(lines[1].substr(head.size() + 42, 40), std::string(40, '7'));
}

TEST_F(AnalyzerProtocol, plainDisplayHasNoAttributes) {
    client->command("k disp");
    const std::vector<std::string> lines = client->readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "K 060:12:00 0000 2:<TST TST> CAL                      SETUP\r\n");
}

TEST_F(AnalyzerProtocol, keyPressesChangeTheDisplayInBothForms) {
    client->command("/ k 2,-3 exp for");
    std::vector<std::string> lines = client->readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("1:ZERO CAL M"), std::string::npos) << lines[0];
    client->command("k k 7");  // EXIT
    lines = client->readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("1:SAMPLE"), std::string::npos) << lines[0];
    EXPECT_EQ(client->ask("k k 12"), "K 060:12:00 0000 ERROR: INVALID KEY 12\r\n");
}

TEST_F(AnalyzerProtocol, lightsAnswerNameEqualsState) {
    EXPECT_EQ(client->ask("/ k led"), "K 060:12:00 0000 SAMPLE_LED=1 CAL_LED=0 FAULT_LED=0\r\n");
    client->command("/ k 2");
    client->readLines(2);
    EXPECT_EQ(client->ask("/ k led"), "K 060:12:00 0000 SAMPLE_LED=2 CAL_LED=1 FAULT_LED=0\r\n");
}

TEST_F(AnalyzerProtocol, wakeUpTextIsNotAnswered) {
    client->send("\x03\x03\r\n\r\n");
    EXPECT_EQ(client->ask("v curr_time"), "V 060:12:00 0000 CURR_TIME=12:00:00\r\n");
}

TEST_F(AnalyzerProtocol, commandForAnotherInstrumentIdIsIgnored) {
    client->command("v 7 curr_date");
    EXPECT_EQ(client->ask("v 0 curr_date"), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(AnalyzerProtocol, unknownCommandSaysSo) {
    EXPECT_EQ(client->ask("frobnicate now"), "UNKNOWN COMMAND: frobnicate now\r\n");
    EXPECT_EQ(client->ask("d 0 frobnicate"), "UNKNOWN COMMAND: d frobnicate\r\n");
}

TEST_F(AnalyzerProtocol, survivesJunkBytesAndOverlongLines) {
    std::string junk;
    for (int i = 0; i < 5000; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256);
    client->send(junk);
    client->send(std::string(20000, 'x'));
    client->send("\r\n");
    // Whatever the junk said, the next command is answered.
    client->command("v curr_time");
    const std::vector<std::string> lines = client->readUntil("V 060:12:00 0000 CURR_TIME=");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "V 060:12:00 0000 CURR_TIME=12:00:00\r\n");
}

class PasswordProtocol : public SimClientTest {
  protected:
    void SetUp() override { start("old-analyzer"); }
};

TEST_F(PasswordProtocol, commandsNeedLogOnFirst) {
    EXPECT_EQ(client->ask("v config"), "L 060:12:00 0000 MUST LOG ON\r\n");
    EXPECT_EQ(client->ask("logon 817"), "L 060:12:00 0000 LOG ON FAILED\r\n");
    EXPECT_EQ(client->ask("logon 818"), "L 060:12:00 0000 LOG ON SUCCESSFUL\r\n");
    EXPECT_EQ(client->ask("v rs232_mode"), "V 060:12:00 0000 RS232_MODE=4099\r\n");
}

TEST_F(PasswordProtocol, logOnWithInstrumentIdTakesTheSecondNumber) {
    EXPECT_EQ(client->ask("logon 0 818"), "L 060:12:00 0000 LOG ON SUCCESSFUL\r\n");
}

TEST_F(PasswordProtocol, logOffTwiceSaysMustLogOn) {
    client->ask("logon 818");
    EXPECT_EQ(client->ask("logoff "), "L 060:12:00 0000 LOG OFF SUCCESSFUL\r\n");
    EXPECT_EQ(client->ask("logoff "), "L 060:12:00 0000 MUST LOG ON\r\n");
}

TEST_F(PasswordProtocol, rewritingThePortModeEndsTheLogOn) {
    client->ask("logon 818");
    EXPECT_EQ(client->ask("v RS232_MODE=3"), "V 060:12:00 0000 RS232_MODE=3\r\n");
    EXPECT_EQ(client->ask("v rs232_mode"), "L 060:12:00 0000 MUST LOG ON\r\n");
    client->ask("logon 818");
    EXPECT_EQ(client->ask("v rs232_mode"), "V 060:12:00 0000 RS232_MODE=3\r\n");
}

TEST_F(PasswordProtocol, olderAnalyzerAnswersNeitherCapabilitiesNorIdentity) {
    client->ask("logon 818");
    EXPECT_EQ(client->ask("instcaps "), "UNKNOWN COMMAND: instcaps\r\n");
    EXPECT_EQ(client->ask("instid "), "UNKNOWN COMMAND: instid\r\n");
    EXPECT_EQ(client->ask("/ k disp"), "UNKNOWN COMMAND: / k disp\r\n");
    client->command("v config");
    const std::vector<std::string> lines = client->readLines(5);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "V 060:12:00 0000 CONFIG[0]=R410E NOx Analyzer\r\n");
    EXPECT_EQ(lines[4], "V 060:12:00 0000 CONFIG[4]=Library Revision 2.0\r\n");
}

TEST(CalibratorProtocol, punctuationCapabilitiesAreQuotedWithTheSumOfTheLetters) {
    auto sim = StartOrFail(Options("calibrator"));
    ASSERT_TRUE(sim);
    RawClient client = RawClient::Tcp(sim->port());
    const std::string caps = "csuqlbgjpAB!@%*#$";
    EXPECT_EQ(client.ask("instcaps "), "\"" + caps + "\"," + std::to_string(TextSum(caps)) + "\r\n");
    const std::string body = "[\"R860U\",\"12860-0100\",\"2207\",\"E.12\",\"3.2\"]";
    EXPECT_EQ(client.ask("instid "), body + "," + std::to_string(TextSum(body)) + "\r\n");
}

TEST(CalibratorProtocol, capabilitiesSpellingAReservedWordAreQuoted) {
    Profile p = *MakeProfile("hex-analyzer", FixedNow(), 1);
    p.features = "d";
    Instrument instrument(p, 0, std::make_shared<SimClock>(FixedNow(), true));
    InstrumentSession session;
    const Reply reply = instrument.handleLine(session, "\x03instcaps ");
    ASSERT_EQ(reply.lines.size(), 1u);
    EXPECT_EQ(reply.lines[0], "\"d\",100\r\n");
}

TEST(CalibratorProtocol, olderCalibratorIsKnownByItsListing) {
    auto sim = StartOrFail(Options("old-calibrator"));
    ASSERT_TRUE(sim);
    RawClient client = RawClient::Tcp(sim->port());
    EXPECT_EQ(client.ask("instcaps "), "UNKNOWN COMMAND: instcaps\r\n");
    EXPECT_EQ(client.ask("v config"), "V 060:12:00 0000 CONFIG[0]=Q860E Dynamic Dilution Calibrator\r\n");
}

TEST(InstrumentId, headersCarryTheConfiguredId) {
    InstrumentOptions o = Options("hexcrc-analyzer");
    o.id = 12;
    auto sim = StartOrFail(o);
    ASSERT_TRUE(sim);
    RawClient client = RawClient::Tcp(sim->port());
    EXPECT_EQ(client.ask("v 12 curr_date"), "V 060:12:00 0012 CURR_DATE=03/01/2026\r\n");
    client.command("v 0 curr_date");
    EXPECT_EQ(client.ask("v curr_date"), "V 060:12:00 0012 CURR_DATE=03/01/2026\r\n");
}

}  // namespace
}  // namespace talven::sim::test

namespace talven::sim::test {
namespace {

// Every profile, from a fresh raw client: wake it, log on where needed, learn what it is, read its
// display, and ask it the question its kind is for.
class EveryProfile : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryProfile, answersTheConnectSequenceWithDocumentedReplies) {
    const std::optional<Profile> profile = MakeProfile(GetParam(), FixedNow(), 1);
    ASSERT_TRUE(profile);
    auto sim = StartOrFail(Options(GetParam()));
    ASSERT_TRUE(sim);
    RawClient client = RawClient::Tcp(sim->port());
    client.send("\x03\x03\r\n\r\n");
    if (profile->password != 0) {
        EXPECT_EQ(client.ask("logon " + std::to_string(profile->password)),
                  "L 060:12:00 0000 LOG ON SUCCESSFUL\r\n");
    }
    const std::string caps = client.ask("instcaps ");
    if (profile->answersInstcaps) {
        const std::string word = caps.substr(0, caps.rfind(','));
        EXPECT_NE(word.find(profile->features.substr(0, 1)), std::string::npos) << caps;
        EXPECT_EQ(caps.substr(caps.rfind(',') + 1), std::to_string(TextSum(profile->features)) + "\r\n");
    } else {
        EXPECT_EQ(caps, "UNKNOWN COMMAND: instcaps\r\n");
    }
    EXPECT_EQ(client.ask("v config"), "V 060:12:00 0000 CONFIG[0]=" + profile->config[0] + "\r\n");
    client.readLines(profile->config.size() - 1);
    client.command(profile->has('k') ? "/ k disp" : "k disp");
    const std::vector<std::string> display = client.readLines(2);
    ASSERT_EQ(display.size(), 2u);
    EXPECT_EQ(display[0].size(), std::string("K 060:12:00 0000 1:").size() + 40 + 2) << display[0];
    if (profile->calibrator) {
        client.command("c print script");
        EXPECT_EQ(client.readUntil("SEQLISTEND").back(), "SEQLISTEND\r\n");
    } else {
        const std::string channel = profile->das.channels.front().name;
        client.command("d report \"" + channel + "\" compact");
        EXPECT_EQ(client.readLine().value_or("").rfind("D ", 0), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, EveryProfile, ::testing::ValuesIn(ProfileNames()), [](const auto& param) {
    std::string name;
    for (char c : param.param)
        name += c == '-' ? '_' : c;
    return name;
});

}  // namespace
}  // namespace talven::sim::test
