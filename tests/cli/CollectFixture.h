#pragma once
// Tests of collect: simulated analyzers on TCP, a network file with one instrument per analyzer
// whose timer channel CONC1 and event channel CALDAT are collected since their last download into
// a file each, and checks of those files against the records the analyzers generate.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "SimCsv.h"
#include "app/CoreStartup.h"
#include "cli/SessionCommand.h"
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

namespace talven::cli::test {

#ifdef TALVENCTL_PATH
/// Starts "talvenctl collect NETWORK --once" as a process of its own, its standard error
/// discarded; the caller waits for it.
inline pid_t StartCollectProcess(const std::string& network) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 2);
        ::execl(TALVENCTL_PATH, "talvenctl", "collect", network.c_str(), "--once",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}
#endif

inline Result Talvenctl(const std::vector<std::string>& args) {
    return Run(args);
}

/// The channels the tests select for automatic download: a timer channel and an event channel.
inline const char* const kCollected[] = {"CONC1", "CALDAT"};

inline std::unique_ptr<CInstrumentConnectedNode> TcpNode(const std::string& name, std::uint16_t port) {
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

inline CDASChannel* ChannelOf(CNetworkConfiguration& configuration, const std::string& instrument,
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
    TempDir temp;
    std::string dir = temp.path();
    std::string network = dir + "/net.cfg";

    void SetUp() override { InitializeCore(); }
    void TearDown() override {
        for (auto& sim : sims)
            sim->stop();
    }

    std::unique_ptr<sim::SimInstrument> StartSim(const std::string& cutAtCommand = "") {
        sim::FaultSettings faults;
        faults.cutAtCommand = cutAtCommand;
        return StartSim(faults);
    }
    /// An analyzer with these faults, its clock frozen clockOffset seconds from now.
    std::unique_ptr<sim::SimInstrument> StartSim(const sim::FaultSettings& faults,
                                                 std::int64_t clockOffset = 0) {
        sim::InstrumentOptions o;
        o.profile = "analyzer";
        o.clockStart = static_cast<std::uint32_t>(now + clockOffset);
        o.clockFrozen = true;
        o.link.faults = faults;
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
    void WriteNetwork(std::uint32_t downloadPeriod = 86400) {
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
                channel->SetDownloadPeriod(downloadPeriod);
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
            const sim::DasChannel* channel = data.findChannel(name);
            ASSERT_NE(channel, nullptr);
            const CsvFile file = ReadCsv(DataFile(i, name));
            const std::uint32_t at = sims[i]->instrument().clock().now();
            EXPECT_EQ(file.headings, 1);
            EXPECT_EQ(static_cast<std::int64_t>(file.times.size()),
                      sim::StoredRecords(data, *channel, at).count);
            ExpectRowsAsGenerated(data, *channel, at, file, 0);
        }
    }

    /// The channel's file of instrument i holds each record once, in order, up to the newest the
    /// instrument stores now, the last ones as generated; a timer channel's without a gap. For
    /// instruments whose clocks moved on while records were collected.
    void ExpectEachRecordOnce(std::size_t i, const std::string& name) {
        SCOPED_TRACE(InstrumentName(i) + " " + name);
        const auto data = sims[i]->instrument().dasData();
        const std::uint32_t at = sims[i]->instrument().clock().now();
        const sim::DasChannel* channel = data.findChannel(name);
        ASSERT_NE(channel, nullptr);
        const CsvFile file = ReadCsv(DataFile(i, name));
        EXPECT_EQ(file.headings, 1);
        ASSERT_FALSE(file.times.empty());
        const bool timer = name == "CONC1";
        for (std::size_t row = 1; row < file.times.size(); ++row) {
            ASSERT_LT(file.times[row - 1], file.times[row]) << "row " << row;
            if (timer) {
                ASSERT_EQ(file.times[row] - file.times[row - 1], channel->reportPeriod) << "row " << row;
            }
        }
        const sim::RecordRange range = sim::StoredRecords(data, *channel, at);
        EXPECT_EQ(file.times.back(), range.timeOf(range.firstK + range.count - 1));
        const std::size_t rows = std::min<std::size_t>(file.times.size(), range.count);
        ExpectRowsAsGenerated(data, *channel, at, file, file.times.size() - rows);
    }
    void ExpectEachRecordOnce(std::size_t i) {
        for (const char* name : kCollected)
            ExpectEachRecordOnce(i, name);
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

}  // namespace talven::cli::test
