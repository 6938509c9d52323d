#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CliTestSupport.h"
#include "SimFixture.h"
#include "cli/Confirmation.h"
#include "cli/Talvenctl.h"
#include "foundation/DateTime.h"
#include "sim/SimServer.h"

namespace talven::cli {
namespace {

using test::ReadAll;
using test::Result;
using test::WriteAll;

Result Talvenctl(std::vector<std::string> args) {
    return test::RunAgainstSimulator(std::move(args));
}

class TalvenctlCalibrator : public test::SimulatedInstrumentTest {
  protected:
    TalvenctlCalibrator() : SimulatedInstrumentTest("calibrator") {}
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from << " not in\n" << text;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

TEST_F(TalvenctlCalibrator, seqGetWritesEverySequenceAndSendStoresAnEditedScript) {
    const std::string first = dir + "/sequences.txt";
    const Result got = Talvenctl({"seq", "get", "--tcp", Tcp(), "-o", first});
    ASSERT_EQ(got.status, kExitOk) << got.err;
    const std::string script = ReadAll(first);
    EXPECT_EQ(script.rfind("SEQLISTBEGIN", 0), 0u) << script;
    EXPECT_NE(script.find("SEQLISTEND"), std::string::npos) << script;
    const auto sequences = sim->instrument().calibratorData().sequences;
    ASSERT_GE(sequences.size(), 2u);
    std::size_t at = 0;
    for (const auto& sequence : sequences) {
        at = script.find("NAME \"" + sequence.name + "\"", at);
        EXPECT_NE(at, std::string::npos) << sequence.name << " missing or out of order in\n" << script;
    }

    const std::string lastName = "NAME \"" + sequences.back().name + "\"";
    const std::string edited = Replaced(script, lastName, "NAME \"RENAMED\"");
    const std::string second = dir + "/edited.txt";
    WriteAll(second, edited);
    const Result sent = Talvenctl({"seq", "send", second, "--tcp", Tcp(), "--yes"});
    ASSERT_EQ(sent.status, kExitOk) << sent.err;
    const auto stored = sim->instrument().calibratorData().sequences;
    ASSERT_EQ(stored.size(), sequences.size());
    EXPECT_EQ(stored.back().name, "RENAMED");
    EXPECT_EQ(stored.front().name, sequences.front().name);

    const std::string third = dir + "/again.txt";
    ASSERT_EQ(Talvenctl({"seq", "get", "-o", third, "--tcp", Tcp()}).status, kExitOk);
    EXPECT_EQ(ReadAll(third), edited);
}

TEST_F(TalvenctlCalibrator, levelsGetWritesTheTableAndSendStoresAnEditedOne) {
    const std::string first = dir + "/levels.txt";
    const Result got = Talvenctl({"levels", "get", "--tcp", Tcp(), "-o", first});
    ASSERT_EQ(got.status, kExitOk) << got.err;
    const std::string table = ReadAll(first);
    const auto levels = sim->instrument().calibratorData().levels;
    ASSERT_FALSE(levels.empty());
    std::string expected = "leveltablebegin\r\n";
    for (const auto& level : levels)
        expected += level + "\r\n";
    expected += "leveltableend\r\n";
    EXPECT_EQ(table, expected);

    const std::string edited = Replaced(table, levels[0], "11" + levels[0].substr(levels[0].find(' ')));
    const std::string second = dir + "/edited.txt";
    WriteAll(second, edited);
    const Result sent = Talvenctl({"levels", "send", "--yes", second, "--tcp", Tcp()});
    ASSERT_EQ(sent.status, kExitOk) << sent.err;
    const auto stored = sim->instrument().calibratorData().levels;
    ASSERT_EQ(stored.size(), levels.size());
    EXPECT_EQ(stored[0].rfind("11 ", 0), 0u) << stored[0];
    EXPECT_EQ(stored[1], levels[1]);

    const std::string third = dir + "/again.txt";
    ASSERT_EQ(Talvenctl({"levels", "get", "-o", third, "--tcp", Tcp()}).status, kExitOk);
    EXPECT_EQ(ReadAll(third), edited);
}

TEST_F(TalvenctlCalibrator, refusedOrInvalidSendsLeaveTheCalibratorAsItWas) {
    const std::string path = dir + "/levels.txt";
    ASSERT_EQ(Talvenctl({"levels", "get", "--tcp", Tcp(), "-o", path}).status, kExitOk);
    const auto levels = sim->instrument().calibratorData().levels;
    ASSERT_GE(levels.size(), 2u);
    const std::string renumbered = ReadAll(path);
    const std::string firstNumber = levels[0].substr(0, levels[0].find(' '));
    const std::string secondNumber = levels[1].substr(0, levels[1].find(' '));
    WriteAll(path, Replaced(renumbered, levels[1], firstNumber + levels[1].substr(secondNumber.size())));
    const Result duplicate = Talvenctl({"levels", "send", path, "--tcp", Tcp(), "--yes"});
    EXPECT_EQ(duplicate.status, kExitFailed);
    EXPECT_NE(duplicate.err.find("Duplicate level numbers found."), std::string::npos) << duplicate.err;

    const std::string sequencePath = dir + "/sequences.txt";
    ASSERT_EQ(Talvenctl({"seq", "get", "--tcp", Tcp(), "-o", sequencePath}).status, kExitOk);
    const auto sequences = sim->instrument().calibratorData().sequences;
    WriteAll(sequencePath,
             Replaced(ReadAll(sequencePath), "NAME \"" + sequences[0].name + "\"", "NAME \"RENAMED\""));
    {
        ScopedConfirmationInput noTerminal(nullptr);
        const Result r = Talvenctl({"seq", "send", "--tcp", Tcp(), sequencePath});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find("pass --yes"), std::string::npos) << r.err;
    }
    {
        std::istringstream answer("no\n");
        ScopedConfirmationInput terminal(&answer);
        const Result r = Talvenctl({"seq", "send", "--tcp", Tcp(), sequencePath});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_NE(r.err.find("Sending the sequence configuration to the instrument will completely replace"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("Not sent."), std::string::npos) << r.err;
    }
    const std::string damaged = dir + "/damaged.txt";
    WriteAll(damaged, "SEQLISTBEGIN\n  SEQBEGIN\n    NAME\n");
    const Result syntax = Talvenctl({"seq", "send", "--tcp", Tcp(), damaged, "--yes"});
    EXPECT_EQ(syntax.status, kExitFailed);
    EXPECT_NE(syntax.err.find("Syntax error encountered at"), std::string::npos) << syntax.err;

    EXPECT_EQ(sim->instrument().calibratorData().levels, levels);
    const auto after = sim->instrument().calibratorData().sequences;
    ASSERT_EQ(after.size(), sequences.size());
    EXPECT_EQ(after[0].name, sequences[0].name);
}

TEST(TalvenctlCalibratorUsage, badArgumentsExitTwoAndHelpListsEveryOption) {
    EXPECT_EQ(Talvenctl({"seq"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"levels", "fetch"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"seq", "get", "--tcp", "127.0.0.1:1"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"levels", "send", "--tcp", "127.0.0.1:1"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"levels", "send", "--tcp", "127.0.0.1:1", "a", "b"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"seq", "send", "a", "--tcp", "127.0.0.1:1", "--force"}).status, kExitUsage);
    for (const char* command : {"seq", "levels"}) {
        const Result help = Talvenctl({command, "get", "--help"});
        EXPECT_EQ(help.status, kExitOk);
        for (const char* option :
             {"-o FILE", "--yes", "--tcp", "--serial", "--network", "--password", "--log"})
            EXPECT_NE(help.out.find(option), std::string::npos) << command << " " << option;
    }
}

}  // namespace
}  // namespace talven::cli
