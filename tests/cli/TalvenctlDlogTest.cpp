#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/Confirmation.h"
#include "cli/Talvenctl.h"
#include "foundation/DateTime.h"
#include "sim/SimServer.h"

namespace talven::cli {
namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result Talvenctl(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunTalvenctl(args, out, err);
    return {status, out.str(), err.str()};
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class TalvenctlDlog : public ::testing::Test {
  protected:
    std::unique_ptr<sim::SimInstrument> sim;
    std::string dir;

    void SetUp() override {
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        o.clockStart = DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
        o.clockFrozen = true;
        std::string error;
        sim = sim::SimInstrument::StartTcp(o, 0, error);
        ASSERT_TRUE(sim) << error;
        char pattern[] = "/tmp/talvenctl-dlog-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (sim)
            sim->stop();
        if (!dir.empty())
            std::system(("rm -rf '" + dir + "'").c_str());
    }
    std::string Tcp() const { return "127.0.0.1:" + std::to_string(sim->port()); }
};

TEST_F(TalvenctlDlog, getConfigWritesEveryChannelAndSendConfigStoresAnEditedScript) {
    const std::string first = dir + "/first.txt";
    const Result got = Talvenctl({"dlog", "get-config", "--tcp", Tcp(), "-o", first});
    ASSERT_EQ(got.status, kExitOk) << got.err;
    const std::string script = ReadAll(first);
    ASSERT_EQ(script.rfind("dasbegin\r\n", 0), 0u) << script;
    EXPECT_NE(script.find("dasend"), std::string::npos) << script;
    const auto channels = sim->instrument().dasData().channels;
    ASSERT_FALSE(channels.empty());
    std::size_t at = 0;
    for (const auto& channel : channels) {
        at = script.find("name \"" + channel.name + "\"", at);
        EXPECT_NE(at, std::string::npos) << channel.name << " missing or out of order in\n" << script;
    }

    // Rename the first channel in the file, send it and read it back from the instrument.
    const std::string oldName = "\"" + channels[0].name + "\"";
    std::string edited = script;
    edited.replace(edited.find(oldName), oldName.size(), "\"RENAMED\"");
    const std::string second = dir + "/edited.txt";
    WriteAll(second, edited);
    const Result sent = Talvenctl({"dlog", "send-config", second, "--tcp", Tcp(), "--yes"});
    ASSERT_EQ(sent.status, kExitOk) << sent.err;
    const auto stored = sim->instrument().dasData();
    ASSERT_EQ(stored.channels.size(), channels.size());
    EXPECT_EQ(stored.channels[0].name, "RENAMED");
    EXPECT_EQ(stored.channels[1].name, channels[1].name);

    const std::string third = dir + "/again.txt";
    ASSERT_EQ(Talvenctl({"dlog", "get-config", "-o", third, "--tcp", Tcp()}).status, kExitOk);
    EXPECT_EQ(ReadAll(third), edited);
}

TEST_F(TalvenctlDlog, sendConfigAsksOnTheTerminalAndSendsNothingUnlessConfirmed) {
    const std::string path = dir + "/config.txt";
    ASSERT_EQ(Talvenctl({"dlog", "get-config", "--tcp", Tcp(), "-o", path}).status, kExitOk);
    const std::string oldName = "\"" + sim->instrument().dasData().channels[0].name + "\"";
    std::string edited = ReadAll(path);
    edited.replace(edited.find(oldName), oldName.size(), "\"RENAMED\"");
    WriteAll(path, edited);
    {
        ScopedConfirmationInput noTerminal(nullptr);
        const Result r = Talvenctl({"dlog", "send-config", "--tcp", Tcp(), path});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find("pass --yes"), std::string::npos) << r.err;
    }
    {
        std::istringstream answer("n\n");
        ScopedConfirmationInput terminal(&answer);
        const Result r = Talvenctl({"dlog", "send-config", "--tcp", Tcp(), path});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find("Are you sure you want to do this?"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Not sent."), std::string::npos) << r.err;
    }
    EXPECT_EQ(sim->instrument().dasData().channels[0].name + "", oldName.substr(1, oldName.size() - 2));
    {
        std::istringstream answer("yes\n");
        ScopedConfirmationInput terminal(&answer);
        const Result r = Talvenctl({"dlog", "send-config", "--tcp", Tcp(), path});
        EXPECT_EQ(r.status, kExitOk) << r.err;
    }
    EXPECT_EQ(sim->instrument().dasData().channels[0].name, "RENAMED");
}

TEST_F(TalvenctlDlog, aDamagedScriptOrAnUnwritableFileExitsOneAndBadArgumentsExitTwo) {
    const std::string bad = dir + "/bad.txt";
    WriteAll(bad, "DASBEGIN\nCHANNEL\n");
    const Result damaged = Talvenctl({"dlog", "send-config", bad, "--tcp", Tcp(), "--yes"});
    EXPECT_EQ(damaged.status, kExitFailed);
    EXPECT_NE(damaged.err.find("Syntax error encountered at"), std::string::npos) << damaged.err;
    EXPECT_FALSE(sim->instrument().dasData().channels.empty());

    const Result unwritable =
        Talvenctl({"dlog", "get-config", "--tcp", Tcp(), "-o", dir + "/no/such/dir.txt"});
    EXPECT_EQ(unwritable.status, kExitFailed);
    EXPECT_NE(unwritable.err.find("Unable to save DLOG configuration file"), std::string::npos)
        << unwritable.err;

    EXPECT_EQ(Talvenctl({"dlog"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"dlog", "frobnicate"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"dlog", "get-config", "--tcp", Tcp()}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"dlog", "send-config", "--tcp", Tcp()}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"dlog", "send-config", "--tcp", Tcp(), "a", "b"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"dlog", "get-config", "--tcp", Tcp(), "-o", "x", "--bogus"}).status, kExitUsage);
    const Result help = Talvenctl({"dlog", "send-config", "--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("--yes"), std::string::npos);
    EXPECT_NE(help.out.find("--tcp"), std::string::npos);
}

}  // namespace
}  // namespace talven::cli
