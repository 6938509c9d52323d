#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "CollectFixture.h"

namespace talven::cli {
namespace {

using test::ChannelOf;
using test::kCollected;
using test::ReadAll;
using test::ReadCsv;
using test::Result;
using test::Talvenctl;
using test::TalvenctlCollect;
using test::TcpNode;

TEST_F(TalvenctlCollect, tenInstrumentsWithOneDroppingItsLinkAndTheRetryThatFollows) {
    for (std::size_t i = 0; i < 10; ++i)
        sims.push_back(StartSim(i == 9 ? "report" : ""));
    WriteNetwork();

    const Result first = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(first.status, kExitFailed) << first.err;
    EXPECT_NE(first.err.find("The records could not be downloaded from instrument Site9."), std::string::npos)
        << first.err;
    EXPECT_NE(first.err.find("18 of 20 due channels downloaded and written."), std::string::npos)
        << first.err;
    for (std::size_t i = 0; i < 9; ++i)
        ExpectComplete(i);
    for (const char* name : kCollected)
        EXPECT_FALSE(std::filesystem::exists(DataFile(9, name))) << name;
    EXPECT_FALSE(std::filesystem::exists(DataFile(0, "PNUMTC")));
    {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        ASSERT_TRUE(LoadNetworkConfiguration(configuration, network));
        for (std::size_t i = 0; i < 10; ++i) {
            for (const char* name : kCollected) {
                const CDASChannel* channel = ChannelOf(configuration, InstrumentName(i), name);
                ASSERT_NE(channel, nullptr);
                // The failed instrument's channels keep their former marks and stay due.
                EXPECT_EQ(channel->GetDownloadedBefore(), i != 9) << InstrumentName(i) << " " << name;
                EXPECT_EQ(channel->IsAutoDownloadDue(DateTime::Now()), i == 9)
                    << InstrumentName(i) << " " << name;
            }
        }
    }

    const auto written = FilesNow();
    const Result second = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(second.status, kExitFailed);
    EXPECT_EQ(second.err.find("instrument Site0"), std::string::npos) << second.err;
    EXPECT_NE(second.err.find("0 of 2 due channels"), std::string::npos) << second.err;
    EXPECT_EQ(FilesNow(), written);

    // The instrument is back without its fault on another port, as the file now says.
    sims[9]->stop();
    sims[9] = StartSim();
    Repoint("Site9", sims[9]->port());
    const Result third = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(third.status, kExitOk) << third.err;
    ExpectComplete(9);
    auto expected = written;
    for (const char* name : kCollected)
        expected[InstrumentName(9) + "-" + name + ".csv"] = ReadAll(DataFile(9, name));
    EXPECT_EQ(FilesNow(), expected);

    const Result fourth = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(fourth.status, kExitOk) << fourth.err;
    EXPECT_NE(fourth.err.find("No channel is due for automatic download."), std::string::npos) << fourth.err;
    EXPECT_EQ(FilesNow(), expected);
}

TEST_F(TalvenctlCollect, aChannelThatCannotBeWrittenStaysDueWhileTheOthersAreSaved) {
    sims.push_back(StartSim());
    WriteNetwork();
    {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        ASSERT_TRUE(LoadNetworkConfiguration(configuration, network));
        ChannelOf(configuration, "Site0", "CALDAT")->SetDownloadFile(dir + "/missing/CALDAT.csv");
        CDASChannel* noFile = ChannelOf(configuration, "Site0", "PNUMTC");
        noFile->SetSelected(true);
        ASSERT_TRUE(SaveNetworkConfiguration(configuration, network));
    }
    const Result r = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("Channel PNUMTC of instrument Site0 is selected for automatic download but has no "
                         "download file"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("missing/CALDAT.csv"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 of 3 due channels"), std::string::npos) << r.err;
    EXPECT_FALSE(ReadCsv(DataFile(0, "CONC1")).times.empty());

    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    ASSERT_TRUE(LoadNetworkConfiguration(configuration, network));
    EXPECT_TRUE(ChannelOf(configuration, "Site0", "CONC1")->GetDownloadedBefore());
    EXPECT_FALSE(ChannelOf(configuration, "Site0", "CALDAT")->GetDownloadedBefore());
    EXPECT_FALSE(ChannelOf(configuration, "Site0", "PNUMTC")->GetDownloadedBefore());
}

TEST_F(TalvenctlCollect, withoutOnceItRunsUntilSigtermAndThenEndsWithItsWorkSaved) {
    sims.push_back(StartSim());
    WriteNetwork();
    Result result{-1, {}, {}};
    std::thread collect([&] { result = Talvenctl({"collect", network}); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool saved = false;
    while (!saved && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        saved = LoadNetworkConfiguration(configuration, network) &&
                ChannelOf(configuration, "Site0", "CALDAT")->GetDownloadedBefore();
    }
    EXPECT_TRUE(saved);
    ::raise(SIGTERM);
    collect.join();
    EXPECT_EQ(result.status, kExitOk) << result.err;
    EXPECT_NE(result.err.find("Stopping"), std::string::npos) << result.err;
    ExpectComplete(0);
    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
}

TEST_F(TalvenctlCollect, intervalSetsThePaceOfThePasses) {
    sims.push_back(StartSim());
    WriteNetwork(0);
    Result result{-1, {}, {}};
    std::thread collect([&] { result = Talvenctl({"collect", network, "--interval", "1"}); });
    const auto rowsOf = [&] { return ReadCsv(DataFile(0, "CONC1")).times.size(); };
    const auto waitFor = [](const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return done();
    };
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(DataFile(0, "CONC1")) && rowsOf() == 800; }));
    // A new record; the next pass, a second later and not a minute, appends it.
    sims[0]->instrument().clock().advance(300);
    EXPECT_TRUE(waitFor([&] { return rowsOf() == 801; }));
    ::raise(SIGTERM);
    collect.join();
    EXPECT_EQ(result.status, kExitOk) << result.err;
    ExpectEachRecordOnce(0);

    for (const char* bad : {"0", "86401", "1.5", "x", ""}) {
        const Result r = Talvenctl({"collect", network, "--interval", bad});
        EXPECT_EQ(r.status, kExitUsage) << bad;
        EXPECT_NE(r.err.find("--interval wants a whole number above zero, not '" + std::string(bad) + "'"),
                  std::string::npos)
            << r.err;
    }
}

TEST_F(TalvenctlCollect, dlogAutoDownloadsTheConfigurationOnceAndSetsWhatCollectThenUses) {
    sims.push_back(StartSim());
    {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        configuration.ConnectedInstruments().Append(TcpNode("Site0", sims[0]->port()));
        ASSERT_TRUE(SaveNetworkConfiguration(configuration, network));
    }
    const std::vector<std::string> target = {"dlog", "auto", "--network", network, "--instrument", "Site0"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), target.begin(), target.end());
        return Talvenctl(more);
    };
    const Result listed = with({});
    ASSERT_EQ(listed.status, kExitOk) << listed.err;
    const auto channels = sims[0]->instrument().dasData().channels;
    for (const auto& channel : channels)
        EXPECT_NE(listed.out.find(channel.name + " off every 1:00:00 append all file none last never\n"),
                  std::string::npos)
            << listed.out;

    // The configuration is in the file now: with the simulator gone, the edits still work.
    sims[0]->stop();
    const Result on =
        with({"--channel", "CONC1", "--on", "--period", "0:06:00", "--since-last", "--no-instrument-dates"});
    ASSERT_EQ(on.status, kExitOk) << on.err;
    EXPECT_EQ(on.err, "");
    EXPECT_EQ(on.out.rfind("CONC1 on every 0:06:00 append since-last no-instrument-dates file \"/", 0), 0u)
        << on.out;
    EXPECT_NE(on.out.find("-CONC1-Auto.csv\" last never"), std::string::npos) << on.out;
    const Result everyRecord = with({"--channel", "CALDAT", "--on", "--all"});
    ASSERT_EQ(everyRecord.status, kExitOk) << everyRecord.err;
    EXPECT_NE(everyRecord.err.find("Warning: channel CALDAT appends all of its records"), std::string::npos)
        << everyRecord.err;
    ASSERT_EQ(with({"--channel", "CALDAT", "--off"}).status, kExitOk);
    const std::string file = dir + "/conc.csv";
    const Result moved = with({"--channel", "CONC1", "--file", file, "--replace"});
    ASSERT_EQ(moved.status, kExitOk) << moved.err;
    EXPECT_EQ(moved.out, "CONC1 on every 0:06:00 replace since-last no-instrument-dates file \"" + file +
                             "\" last never\n");

    sims[0] = StartSim();
    Repoint("Site0", sims[0]->port());
    const Result collected = Talvenctl({"collect", network, "--once"});
    ASSERT_EQ(collected.status, kExitOk) << collected.err;
    EXPECT_NE(collected.err.find("1 of 1 due channels"), std::string::npos) << collected.err;
    EXPECT_FALSE(ReadCsv(file).times.empty());
    EXPECT_NE(with({"--channel", "CONC1"}).out.find(" last \""), std::string::npos);

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"--on", "--off"},
             {"--append", "--replace"},
             {"--period", "0:00:00"},
             {"--period", "1:24:00"},
             {"--file", file},
             {"--channel", "CONC1", "--channel", "CALDAT", "--file", file},
             {"--records", "0"},
         }) {
        const Result r = with(bad);
        EXPECT_EQ(r.status, kExitUsage) << bad.front() << " " << r.err;
    }
    EXPECT_NE(with({"--period", "0:00:00"}).err.find("The download period must be greater than zero."),
              std::string::npos);
    EXPECT_EQ(Talvenctl({"dlog", "auto", "--tcp", "127.0.0.1:1", "--on"}).status, kExitUsage);
    EXPECT_EQ(with({"--channel", "NOSUCH", "--on"}).status, kExitFailed);
}

TEST_F(TalvenctlCollect, badArgumentsExitTwoAndAnUnreadableNetworkExitsOne) {
    EXPECT_EQ(Talvenctl({"collect"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"collect", network, "--bogus"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"collect", network, network}).status, kExitUsage);
    const Result help = Talvenctl({"collect", "--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("--once"), std::string::npos);
    const Result missing = Talvenctl({"collect", dir + "/none.cfg", "--once"});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_FALSE(missing.err.empty());
    // Without --once, too, a file that cannot be read ends the command instead of retrying.
    EXPECT_EQ(Talvenctl({"collect", dir + "/none.cfg"}).status, kExitFailed);
}

}  // namespace
}  // namespace talven::cli
