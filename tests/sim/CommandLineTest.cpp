// The talven-sim command line.

#include <gtest/gtest.h>

#include "foundation/DateTime.h"
#include "sim/CommandLine.h"

namespace talven::sim {
namespace {

std::uint32_t FixedNowForClock() {
    return DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds();
}

// Spelled out: two bare string literals in braces would pick the iterator-pair constructor.
std::vector<std::string> Args(std::initializer_list<const char*> list) {
    return {list.begin(), list.end()};
}

TEST(SimCommandLine, instrumentsTakeTheirOwnSettingsAndTheCommonFaults) {
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(
        Args({"--tcp", "7001=analyzer,id=3,crc=0.5", "--pty", "/tmp/x=calibrator,modem,guard=200", "--fault",
              "drop=0.05", "--date", "2026-03-01 12:00", "--frozen"}),
        cl, error))
        << error;
    ASSERT_EQ(cl.instruments.size(), 2u);
    const InstrumentSpec& a = cl.instruments[0];
    EXPECT_FALSE(a.pty);
    EXPECT_EQ(a.port, 7001);
    EXPECT_EQ(a.options.id, 3);
    EXPECT_DOUBLE_EQ(a.options.link.faults.corruptRecord, 0.5);
    EXPECT_DOUBLE_EQ(a.options.link.faults.dropReply, 0.05);
    const InstrumentSpec& b = cl.instruments[1];
    EXPECT_TRUE(b.pty);
    EXPECT_EQ(b.path, "/tmp/x");
    EXPECT_TRUE(b.options.link.modem);
    EXPECT_EQ(b.options.link.modemGuardMs, 200);
    EXPECT_DOUBLE_EQ(b.options.link.faults.dropReply, 0.05);
    ASSERT_TRUE(a.options.clock);
    EXPECT_EQ(a.options.clock, b.options.clock);
    EXPECT_TRUE(a.options.clock->frozen());
    EXPECT_EQ(a.options.clock->now(), DateTime::FromElements(2026, 3, 1, 12, 0, 0).seconds());
}

TEST(SimCommandLine, instrumentFaultOverridesTheCommonOne) {
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(Args({"--fault", "delay=100", "--tcp", "0=analyzer,delay=5"}), cl, error))
        << error;
    EXPECT_EQ(cl.instruments[0].options.link.faults.delayMs, 5);
}

TEST(SimCommandLine, commonSeedLeavesAnInstrumentsOwnSeed) {
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(Args({"--seed", "9", "--tcp", "0=analyzer,seed=1", "--tcp", "0=analyzer"}),
                                 cl, error))
        << error;
    EXPECT_EQ(cl.instruments[0].options.seed, 1u);
    EXPECT_EQ(cl.instruments[1].options.seed, 9u);
}

TEST(SimCommandLine, rateWindowAndListingAreTaken) {
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(Args({"--rate", "60", "--list-records", "/tmp/r.txt", "--tcp",
                                       "0=analyzer,faultstart=20,faultend=90,drop=0.5"}),
                                 cl, error))
        << error;
    ASSERT_TRUE(cl.clock);
    EXPECT_EQ(cl.clock->rate(), 60u);
    EXPECT_EQ(cl.instruments[0].options.clock, cl.clock);
    EXPECT_EQ(cl.listPath, "/tmp/r.txt");
    const FaultSettings& f = cl.instruments[0].options.link.faults;
    EXPECT_EQ(f.startS, 20);
    EXPECT_EQ(f.endS, 90);
    EXPECT_FALSE(f.activeAt(19.9));
    EXPECT_TRUE(f.activeAt(20));
    EXPECT_FALSE(f.activeAt(90));
    EXPECT_TRUE(FaultSettings().activeAt(1e9)) << "no window: for ever";

    for (const char* bad : {"0", "86401", "fast", ""}) {
        EXPECT_FALSE(ParseCommandLine(Args({"--rate", bad}), cl, error)) << bad;
        EXPECT_NE(error.find("bad rate"), std::string::npos) << error;
    }
    EXPECT_FALSE(ParseCommandLine(Args({"--list-records", ""}), cl, error));
    EXPECT_FALSE(ParseCommandLine(Args({"--tcp", "0=analyzer,faultend=-1"}), cl, error));
    EXPECT_EQ(error, "bad value in fault 'faultend=-1'");
}

TEST(SimClockControl, aStoppedClockStandsAndRunsOnFromWhereItStood) {
    SimClock clock(FixedNowForClock(), false, 3600);
    clock.setFrozen(true);
    const std::uint32_t stopped = clock.now();
    EXPECT_TRUE(clock.frozen());
    EXPECT_GE(stopped, FixedNowForClock());
    EXPECT_LT(stopped, FixedNowForClock() + 3600) << "far less than a second ran";
    clock.advance(600);
    EXPECT_EQ(clock.now(), stopped + 600);
    clock.setFrozen(true);
    EXPECT_EQ(clock.now(), stopped + 600) << "stopping twice changes nothing";
    clock.setFrozen(false);
    EXPECT_FALSE(clock.frozen());
    EXPECT_GE(clock.now(), stopped + 600) << "no jump back";
    EXPECT_LT(clock.now(), stopped + 600 + 3600) << "no jump ahead by the time it stood";
}

TEST(SimCommandLine, badArgumentsSayWhatIsWrong) {
    CommandLine cl;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(Args({"--tcp", "7001=photometer"}), cl, error));
    EXPECT_EQ(error, "unknown profile 'photometer' (see --list-profiles)");
    EXPECT_FALSE(ParseCommandLine(Args({"--tcp", "70000=analyzer"}), cl, error));
    EXPECT_EQ(error, "bad TCP port '70000'");
    EXPECT_FALSE(ParseCommandLine(Args({"--tcp"}), cl, error));
    EXPECT_EQ(error, "--tcp needs a value");
    EXPECT_FALSE(ParseCommandLine(Args({"--fault", "drop=2"}), cl, error));
    EXPECT_EQ(error, "bad value in fault 'drop=2'");
    EXPECT_FALSE(ParseCommandLine(Args({"--tcp", "1=analyzer,wobble=1"}), cl, error));
    EXPECT_EQ(error, "unknown fault 'wobble=1'");
    EXPECT_FALSE(ParseCommandLine(Args({"--tcp", "1=analyzer,modem"}), cl, error));
    EXPECT_FALSE(ParseCommandLine(Args({"--date", "yesterday"}), cl, error));
    EXPECT_FALSE(ParseCommandLine(Args({"--loud"}), cl, error));
    EXPECT_EQ(error, "unknown argument '--loud' (see --help)");
}

TEST(SimCommandLine, demoStartsEveryProfileOnConsecutivePorts) {
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(Args({"--demo=7100"}), cl, error)) << error;
    const std::vector<std::string> names = ProfileNames();
    ASSERT_EQ(cl.instruments.size(), names.size() + 2);
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(cl.instruments[i].port, 7100 + i);
        EXPECT_EQ(cl.instruments[i].options.profile, names[i]);
        EXPECT_EQ(cl.instruments[i].options.id, static_cast<int>(i + 1));
    }
    EXPECT_TRUE(cl.instruments.back().options.link.modem);
}

TEST(SimCommandLine, helpNamesEveryOptionAndFault) {
    const std::string help = UsageText();
    for (const char* word :
         {"--tcp",     "--pty",           "--fault", "--date",   "--frozen",   "--seed",      "--listen-any",
          "--demo",    "--list-profiles", "--help",  "id=",      "password=",  "seed=",       "select=",
          "deselect=", "modem",           "guard=",  "drop=",    "delay=",     "trickle=",    "crc=",
          "cut=",      "cutat=",          "dropat=", "garbage=", "faultseed=", "faultstart=", "faultend=",
          "--rate",    "--list-records"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
    for (const auto& name : ProfileNames())
        EXPECT_NE(ProfileListText().find(name), std::string::npos);
}

}  // namespace
}  // namespace talven::sim
