#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "CliTestSupport.h"
#include "SimCsv.h"
#include "app/CoreStartup.h"
#include "cli/SessionCommand.h"
#include "cli/Talvenctl.h"
#include "cli/TransferWait.h"
#include "dlog/DASChannel.h"
#include "dlog/DlogRequests.h"
#include "dlog/InstrumentNodeDlog.h"
#include "foundation/DateTime.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven::cli {
namespace {

using test::ReadAll;
using test::ReadCsv;
using test::Result;

Result Talvenctl(const std::vector<std::string>& args) {
    return test::Run(args);
}

/// The channels the tests select for automatic download: a timer channel and an event channel.
const char* const kCollected[] = {"CONC1", "CALDAT"};

std::unique_ptr<CInstrumentConnectedNode> TcpNode(const std::string& name, std::uint16_t port) {
    auto node = std::make_unique<CInstrumentConnectedNode>();
    node->SetName(name);
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("127.0.0.1");
    tcp->SetPort(port);
    node->SetConnection(std::move(tcp));
    InstrumentSettings settings = node->GetSettings();
    settings.receiveTimeoutMs = 400;  // some replies end only when the instrument falls silent
    node->SetSettings(settings);
    return node;
}

CDASChannel* ChannelOf(CNetworkConfiguration& configuration, const std::string& instrument,
                       const std::string& channel) {
    auto* node = dynamic_cast<CInstrumentNode*>(configuration.ConnectedInstruments().FindByName(instrument));
    return node ? dynamic_cast<CDASChannel*>(node->GetList(kDlogChannels).FindByName(channel)) : nullptr;
}

class TalvenctlCollect : public ::testing::Test {
  protected:
    // The instruments' clocks stand at the PC's time: when a channel is due follows the newest
    // record's time stamp.
    const std::uint32_t now = DateTime::Now().seconds() / 60 * 60;
    std::vector<std::unique_ptr<sim::SimInstrument>> sims;
    test::TempDir temp;
    std::string dir = temp.path();
    std::string network = dir + "/net.cfg";

    void SetUp() override { InitializeCore(); }
    void TearDown() override {
        for (auto& sim : sims)
            sim->stop();
    }

    std::unique_ptr<sim::SimInstrument> StartSim(const std::string& cutAtCommand = "") {
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        o.clockStart = now;
        o.clockFrozen = true;
        o.link.faults.cutAtCommand = cutAtCommand;
        std::string error;
        auto sim = sim::SimInstrument::StartTcp(o, 0, error);
        EXPECT_TRUE(sim) << error;
        return sim;
    }

    static std::string InstrumentName(std::size_t i) { return "Site" + std::to_string(i); }
    std::string DataFile(std::size_t i, const std::string& channel) const {
        return dir + "/" + InstrumentName(i) + "-" + channel + ".csv";
    }

    /// A network file with one instrument per simulator, each with the DLOG configuration its
    /// window would have downloaded, and the collected channels selected for automatic download
    /// since their last download, appended to a file each.
    void WriteNetwork() {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        auto probe = TcpNode("probe", sims.front()->port());
        {
            InstrumentNodeDlog dlog(*probe);
            CommandNotifier notes;
            Connected connected(*probe);
            ASSERT_TRUE(connected.open());
            ASSERT_TRUE(RunTransfer(
                connected.session(), notes,
                std::make_unique<CThreadMessageRequestDASConfig>(probe.get(), &dlog, kCommandWindow),
                wm::kDownloadDone, wm::kDownloadFailed));
        }
        for (std::size_t i = 0; i < sims.size(); ++i) {
            auto node = TcpNode(InstrumentName(i), sims[i]->port());
            for (InstrumentList list : {kDlogEvents, kDlogDataPoints, kDlogChannels})
                node->GetList(list).CopyFrom(probe->GetList(list));
            for (const char* name : kCollected) {
                auto* channel = dynamic_cast<CDASChannel*>(node->GetList(kDlogChannels).FindByName(name));
                ASSERT_NE(channel, nullptr) << name;
                channel->SetSelected(true);
                channel->SetDownloadFile(DataFile(i, name));
                CSelectionSet selection;
                selection.mode = CSelectionSet::kSinceLast;
                selection.useInstrumentSelection = false;
                channel->SetDownloadSelection(selection);
            }
            configuration.ConnectedInstruments().Append(std::move(node));
        }
        ASSERT_TRUE(SaveNetworkConfiguration(configuration, network));
    }

    /// Every collected channel's file of instrument i holds all of its stored records as generated.
    void ExpectComplete(std::size_t i) {
        const auto data = sims[i]->instrument().dasData();
        for (const char* name : kCollected) {
            SCOPED_TRACE(InstrumentName(i) + " " + name);
            const auto channel = std::find_if(data.channels.begin(), data.channels.end(),
                                              [&](const sim::DasChannel& c) { return c.name == name; });
            ASSERT_NE(channel, data.channels.end());
            const test::CsvFile file = ReadCsv(DataFile(i, name));
            EXPECT_EQ(file.headings, 1);
            EXPECT_EQ(static_cast<std::int64_t>(file.times.size()),
                      sim::StoredRecords(data, *channel, now).count);
            test::ExpectRowsAsGenerated(data, *channel, now, file, 0);
        }
    }

    /// Points the instrument's link in the network file at another port.
    void Repoint(const std::string& instrument, std::uint16_t port) {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        ASSERT_TRUE(LoadNetworkConfiguration(configuration, network));
        auto* node = dynamic_cast<CInstrumentConnectedNode*>(
            configuration.ConnectedInstruments().FindByName(instrument));
        ASSERT_NE(node, nullptr);
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(port);
        node->SetConnection(std::move(tcp));
        ASSERT_TRUE(SaveNetworkConfiguration(configuration, network));
    }

    std::map<std::string, std::string> FilesNow() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".csv")
                files[entry.path().filename().string()] = ReadAll(entry.path().string());
        return files;
    }
};

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
