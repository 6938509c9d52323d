// Calibrator exchanges: gas and unit tables, sequences and level tables in both directions.

#include <gtest/gtest.h>

#include "SimFixture.h"
#include "sim/Calibrator.h"

namespace talven::sim::test {
namespace {

std::string Join(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines)
        all += l;
    return all;
}

class CalibratorExchange : public SimClientTest {};

TEST_F(CalibratorExchange, gasAndUnitTablesAreFramed) {
    start("calibrator");
    client->command("getgasnames ");
    const std::vector<std::string> gases = client->readUntil("GASNAMEEND");
    ASSERT_GE(gases.size(), 3u);
    EXPECT_EQ(gases.front(), "GASNAMEBEGIN\r\n");
    EXPECT_EQ(gases[1], "GASNAME \"ZERO\" 100 28.890188 1.0000 ENABLE\r\n");
    EXPECT_EQ(gases.back(), "GASNAMEEND\r\n");
    client->command("getunitnames ");
    const std::vector<std::string> units = client->readUntil("GASUNITEND");
    ASSERT_GE(units.size(), 3u);
    EXPECT_EQ(units[3], "GASUNIT \"PPB\" 200 0\r\n");
}

TEST_F(CalibratorExchange, sequencesPrintAsAScript) {
    start("calibrator");
    client->command("c print script");
    const std::vector<std::string> lines = client->readUntil("SEQLISTEND");
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(lines[0], "SEQLISTBEGIN\r\n");
    EXPECT_EQ(lines[1], "  SEQBEGIN\r\n");
    EXPECT_EQ(lines[2], "    NAME \"ZERO_SPAN\"\r\n");
    EXPECT_EQ(lines[9], "    STEPBEGIN\r\n");
    EXPECT_EQ(lines[10], "      GENERATE ZERO 5.000\r\n");
    EXPECT_EQ(lines.back(), "SEQLISTEND\r\n");
}

const char* const kSequences =
    "SEQLISTBEGIN\r\n"
    "  SEQBEGIN\r\n"
    "    NAME \"NIGHT\"\r\n"
    "    REPEATCOUNT 2\r\n"
    "    CCINPUT \"100000000000\"\r\n"
    "    CCOUTPUT DISABLED\r\n"
    "    TIMER ENABLED\r\n"
    "    TIMERSTART 03/01/2026 23:00\r\n"
    "    TIMERDELTA 001:00:00\r\n"
    "    STEPBEGIN\r\n"
    "      GENERATE 80 PPB SO2\r\n"
    "      DURATION 10.0\r\n"
    "      LEVEL 12\r\n"
    "    STEPEND\r\n"
    "  SEQEND\r\n"
    "SEQLISTEND\r\n";

TEST_F(CalibratorExchange, sentSequencesAreConfirmedAndPrintedBack) {
    start("calibrator");
    client->send(kSequences);
    EXPECT_EQ(client->readLine().value_or(""), "New sequence configuration stored.\r\n");
    client->command("c print script");
    EXPECT_EQ(Join(client->readUntil("SEQLISTEND")),
              "SEQLISTBEGIN\r\n  SEQBEGIN\r\n    NAME \"NIGHT\"\r\n    REPEATCOUNT 2\r\n"
              "    CCINPUT \"100000000000\"\r\n    CCOUTPUT DISABLED\r\n    TIMER ENABLED\r\n"
              "    TIMERSTART 03/01/2026 23:00\r\n    TIMERDELTA 001:00:00\r\n    STEPBEGIN\r\n"
              "      GENERATE 80 PPB SO2\r\n      DURATION 10.0\r\n      LEVEL 12\r\n    STEPEND\r\n"
              "  SEQEND\r\nSEQLISTEND\r\n");
}

TEST_F(CalibratorExchange, calibratorWithoutDurationRefusesItButTakesDelay) {
    start("flow-calibrator");
    client->send(kSequences);
    EXPECT_EQ(client->readLine().value_or(""), "ERROR: UNKNOWN STEP DURATION 10.0\r\n");
    std::string withDelay = kSequences;
    withDelay.replace(withDelay.find("DURATION"), 8, "DELAY");
    client->send(withDelay);
    EXPECT_EQ(client->readLine().value_or(""), "New sequence configuration stored.\r\n");
}

TEST_F(CalibratorExchange, badSequenceKeepsTheOldOnes) {
    start("calibrator");
    std::string bad = kSequences;
    bad.replace(bad.find("REPEATCOUNT 2"), 13, "REPEATCOUNT 101");
    client->send(bad);
    EXPECT_EQ(client->readLine().value_or(""), "ERROR: BAD SEQUENCE LINE REPEATCOUNT 101\r\n");
    client->command("c print script");
    const std::vector<std::string> lines = client->readLines(3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "    NAME \"ZERO_SPAN\"\r\n");
}

TEST_F(CalibratorExchange, levelTableWithActionsTravelsBothWays) {
    start("calibrator");
    client->command("c leveltable print");
    std::vector<std::string> lines = client->readUntil("LEVELTABLEEND");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "C 0000 LEVELTABLEBEGIN\r\n");
    EXPECT_EQ(lines[1], "10 GENERATE ZERO 5.000 \"00000001\" \"00000000\"\r\n");
    client->command("c leveltablebegin");
    client->send("15 GPTZ 400 PPB 350 PPB 4.500 \"00000011\" DISABLED\r\nleveltableend\r\n");
    EXPECT_EQ(client->readLine().value_or(""), "New level table stored.\r\n");
    client->command("c leveltable print");
    lines = client->readUntil("LEVELTABLEEND");
    EXPECT_EQ(
        Join(lines),
        "C 0000 LEVELTABLEBEGIN\r\n15 GPTZ 400 PPB 350 PPB 4.500 \"00000011\" DISABLED\r\nLEVELTABLEEND\r\n");
}

TEST_F(CalibratorExchange, duplicateOrOutOfRangeLevelsAreRefused) {
    start("calibrator");
    client->command("c leveltablebegin");
    client->send("15 GENERATE ZERO \"0\" \"0\"\r\n15 GENERATE ZERO \"0\" \"0\"\r\nleveltableend\r\n");
    EXPECT_EQ(client->readLine().value_or(""), "ERROR: DUPLICATE LEVEL 15\r\n");
    client->command("c leveltablebegin");
    client->send("100 GENERATE ZERO \"0\" \"0\"\r\nleveltableend\r\n");
    EXPECT_EQ(client->readLine().value_or(""),
              "ERROR: BAD LEVEL NUMBER IN 100 GENERATE ZERO \"0\" \"0\"\r\n");
}

TEST_F(CalibratorExchange, emptyFlowTableSaysNoLevelsUntilOneIsSent) {
    start("flow-calibrator");
    EXPECT_EQ(client->ask("c leveltable print script"), "NO LEVELS DEFINED\r\n");
    client->command("c leveltable 2");
    client->send("12 400 PPB NO 5.000 \"00000001\" \"00000000\"\r\n");
    client->send("13 ZERO -1.000 \"00000000\" DISABLED\r\n");
    EXPECT_EQ(client->readLine().value_or(""), "New level table stored.\r\n");
    client->command("c leveltable print script");
    EXPECT_EQ(Join(client->readLines(3)),
              "C 0000 LEVELTABLE 2\r\n12 400 PPB NO 5.000 \"00000001\" \"00000000\"\r\n"
              "13 ZERO -1.000 \"00000000\" DISABLED\r\n");
    EXPECT_EQ(client->ask("c leveltable 101"), "ERROR: BAD LEVEL COUNT\r\n");
    client->command("c leveltable 0");
    EXPECT_EQ(client->readLine().value_or(""), "New level table stored.\r\n");
    EXPECT_EQ(client->ask("c leveltable print script"), "NO LEVELS DEFINED\r\n");
}

TEST_F(CalibratorExchange, calibratorDisplayAndKeys) {
    start("calibrator");
    client->command("k disp");
    std::vector<std::string> lines = client->readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "K 060:12:00 0000 1:STANDBY     TARGET FLOW=5.000  ACT=OFF  \r\n");
    client->command("k k 2");
    lines = client->readLines(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "K 060:12:00 0000 1:SEQUENCE    RUN ZERO_SPAN      ACT=ZERO \r\n");
}

TEST(CalibratorPieces, levelLinesNeedNumberActionAndTwoBlocks) {
    std::string error;
    EXPECT_TRUE(CheckLevelLine("10 GENERATE ZERO \"1\" DISABLED", LevelForm::kActions, error)) << error;
    EXPECT_FALSE(CheckLevelLine("10 PURGE \"1\" DISABLED", LevelForm::kActions, error));
    EXPECT_FALSE(CheckLevelLine("9 400 PPB NO \"1\" \"0\"", LevelForm::kPlain, error));
    EXPECT_FALSE(CheckLevelLine("10 400 PPB NO \"102\" \"0\"", LevelForm::kPlain, error));
    EXPECT_FALSE(CheckLevelLine("10 400 PPB NO \"000000001\" \"0\"", LevelForm::kPlain, error));
    EXPECT_TRUE(CheckLevelLine("10 400 PPB NO \"00000001\" \"0\"", LevelForm::kPlain, error)) << error;
}

TEST(CalibratorPieces, secondStepBlockReplacesTheFirst) {
    std::vector<SequenceEntry> out;
    std::string error;
    ASSERT_TRUE(
        ParseSequenceScript("SEQLISTBEGIN\nSEQBEGIN\nNAME \"A\"\nSTEPBEGIN\nPURGE\nSTEPEND\n"
                            "STEPBEGIN\nSTANDBY\nSTEPEND\nSEQEND\nSEQLISTEND\n",
                            true, out, error))
        << error;
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].lines, (std::vector<std::string>{"NAME \"A\"", "STEPBEGIN", "STANDBY", "STEPEND"}));
    EXPECT_FALSE(
        ParseSequenceScript("SEQLISTBEGIN\nSEQBEGIN\nNAME \"A\"\nSEQEND\nSEQBEGIN\nNAME \"a\"\nSEQEND\n"
                            "SEQLISTEND\n",
                            true, out, error));
    EXPECT_EQ(error, "DUPLICATE SEQUENCE a");
    EXPECT_FALSE(ParseSequenceScript("SEQLISTBEGIN\nSEQBEGIN\nNAME \"A\"\nSEQLISTEND\n", true, out, error));
}

}  // namespace
}  // namespace talven::sim::test
