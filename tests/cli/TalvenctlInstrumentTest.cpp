#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CliTestSupport.h"
#include "cli/Talvenctl.h"
#include "foundation/DateTime.h"
#include "sim/SimServer.h"

namespace talven::cli {
namespace {

using test::Result;

Result Talvenctl(const std::vector<std::string>& args) {
    return test::Run(args);
}

std::unique_ptr<sim::SimInstrument> StartSim(const std::string& profile, bool pty) {
    sim::InstrumentOptions o;
    o.profile = profile;
    o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
    o.clockFrozen = true;
    std::string error;
    auto sim = pty ? sim::SimInstrument::StartPty(o, "", error) : sim::SimInstrument::StartTcp(o, 0, error);
    EXPECT_TRUE(sim) << error;
    return sim;
}

std::string Tcp(const sim::SimInstrument& sim) {
    return "127.0.0.1:" + std::to_string(sim.port());
}

TEST(TalvenctlInstrument, infoPrintsTheInformationLinesInOrderOverTcpAndAPty) {
    auto tcp = StartSim("analyzer", false);
    ASSERT_TRUE(tcp);
    const Result viaTcp = Talvenctl({"info", "--tcp", Tcp(*tcp)});
    ASSERT_EQ(viaTcp.status, kExitOk) << viaTcp.err;
    EXPECT_EQ(viaTcp.out.rfind(
                  "Instrument type: Monitor\nModel name: N410\nPart number: 11410-0100\nSerial number: 1042\n"
                  "Firmware revision: G.3\nLibrary revision: 5.4\nHas DLOG\n",
                  0),
              0u)
        << viaTcp.out;

    auto pty = StartSim("calibrator", true);
    ASSERT_TRUE(pty);
    const Result viaPty = Talvenctl({"info", "--serial", pty->devicePath() + ",19200,N,8,1"});
    ASSERT_EQ(viaPty.status, kExitOk) << viaPty.err;
    EXPECT_EQ(viaPty.out.rfind("Instrument type: Calibrator\nModel name: R860U\n", 0), 0u) << viaPty.out;
}

TEST(TalvenctlInstrument, infoLogsOnWithThePasswordAndWritesTheEventLog) {
    auto sim = StartSim("old-analyzer", false);
    ASSERT_TRUE(sim);
    const test::TempDir temp;
    const std::string logPath = temp / "events.txt";
    const Result r =
        Talvenctl({"info", "--password", "818", "--tcp", Tcp(*sim), "--timeout", "1000", "--log", logPath});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Model name: R410E\n"), std::string::npos) << r.out;
    std::ifstream in(logPath);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Command     ,  \\x03logon 818"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("LOG ON SUCCESSFUL"), std::string::npos);
    EXPECT_NE(text.str().find("Log file closed."), std::string::npos);
}

TEST(TalvenctlInstrument, panelPrintsTwoDisplayLinesTheLightStatesAndTheDisplayAfterEachKey) {
    auto sim = StartSim("analyzer", false);
    ASSERT_TRUE(sim);
    const Result r = Talvenctl({"panel", "--tcp", Tcp(*sim), "--key", "8"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::istringstream lines(r.out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);)
        got.push_back(line);
    ASSERT_GE(got.size(), 8u) << r.out;
    EXPECT_EQ(got[0].rfind("SAMPLE", 0), 0u);
    EXPECT_LE(got[0].size(), 40u);
    EXPECT_NE(got[1].find("SETUP"), std::string::npos);
    EXPECT_EQ(got[2], "SAMPLE: on");
    EXPECT_EQ(got[3], "CAL: off");
    EXPECT_EQ(got[4], "FAULT: off");
    EXPECT_EQ(got[5], "key 8:");
    EXPECT_EQ(got[6].rfind("SETUP", 0), 0u) << got[6];
}

TEST(TalvenctlInstrument, anUnreachableInstrumentExitsOneWithTheMessageAndBadOptionsExitTwo) {
    // A port nothing listens on: take one from a simulator and stop it.
    std::string port;
    {
        auto sim = StartSim("analyzer", false);
        ASSERT_TRUE(sim);
        port = Tcp(*sim);
    }
    const Result down = Talvenctl({"info", "--tcp", port, "--timeout", "300"});
    EXPECT_EQ(down.status, kExitFailed);
    EXPECT_NE(down.err.find("Unable to connect to site " + port + ": Connection refused."), std::string::npos)
        << down.err;

    EXPECT_EQ(Talvenctl({"info"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"info", "--tcp", "a:1", "--serial", "/dev/null"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"info", "--tcp", "host-without-port"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"info", "--serial", "/dev/x,9600,Q"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"info", "--network", "a.cfg"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"panel", "--tcp", "a:1", "--key", "0"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"info", "--tcp", "a:1", "--timeout", "-5"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"info", "--help"}).status, kExitOk);
}

}  // namespace
}  // namespace talven::cli
