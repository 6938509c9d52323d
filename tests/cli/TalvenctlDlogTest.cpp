#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliTestSupport.h"
#include "SimCsv.h"
#include "SimFixture.h"
#include "cli/Confirmation.h"
#include "cli/Talvenctl.h"
#include "dlog/DASChannel.h"
#include "foundation/DateTime.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "sim/Dlog.h"
#include "sim/SimServer.h"
#include "transport/TCPConnection.h"

namespace talven::cli {
namespace {

using test::CsvFile;
using test::ExpectRowsAsGenerated;
using test::ReadAll;
using test::ReadCsv;
using test::Result;
using test::WriteAll;

Result Talvenctl(std::vector<std::string> args) {
    return test::RunAgainstSimulator(std::move(args));
}

class TalvenctlDlog : public test::SimulatedInstrumentTest {
  protected:
    TalvenctlDlog() : SimulatedInstrumentTest("analyzer") {}
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

TEST_F(TalvenctlDlog, getDataWritesOneChannelsRecordsAsGeneratedAndAppendsTheNextDownload) {
    const auto data = sim->instrument().dasData();
    const sim::DasChannel& channel = data.channels.front();
    const std::string path = dir + "/" + channel.name + ".csv";
    const Result all = Talvenctl({"dlog", "get-data", "--tcp", Tcp(), "--channel", channel.name, "-o", path});
    ASSERT_EQ(all.status, kExitOk) << all.err;
    CsvFile file = ReadCsv(path);
    EXPECT_EQ(file.headings, 1);
    EXPECT_EQ(static_cast<std::int64_t>(file.times.size()), sim::StoredRecords(data, channel, now).count);
    for (const auto& param : channel.params)
        EXPECT_NE(file.heading.find(" " + param.name + "-"), std::string::npos) << file.heading;
    ExpectRowsAsGenerated(data, channel, now, file, 0);

    const Result more = Talvenctl({"dlog", "get-data", "--tcp", Tcp(), "--channel", channel.name, "-o", path,
                                   "--append", "--records", "2"});
    ASSERT_EQ(more.status, kExitOk) << more.err;
    const CsvFile appended = ReadCsv(path);
    EXPECT_EQ(appended.headings, 1);
    ASSERT_EQ(appended.times.size(), file.times.size() + 2);
    ExpectRowsAsGenerated(data, channel, now, appended, file.times.size());

    const Result replaced = Talvenctl(
        {"dlog", "get-data", "--tcp", Tcp(), "--channel", channel.name, "-o", path, "--records", "1"});
    ASSERT_EQ(replaced.status, kExitOk) << replaced.err;
    EXPECT_EQ(ReadCsv(path).times.size(), 1u);
}

TEST_F(TalvenctlDlog, onATerminalTheDownloadShowsAProgressLineThatIsClearedAtTheEnd) {
    const auto data = sim->instrument().dasData();
    const sim::DasChannel& channel = data.channels.front();
    const std::string path = dir + "/" + channel.name + ".csv";
    const std::int64_t records = sim::StoredRecords(data, channel, now).count;
    std::ostringstream out, err;
    ErrorStream terminal;
    terminal.terminal = true;
    const int status = RunTalvenctl(
        {"dlog", "get-data", "--tcp", Tcp(), "--timeout", "400", "--channel", channel.name, "-o", path}, out,
        err, terminal);
    ASSERT_EQ(status, kExitOk) << err.str();
    const std::string shown = err.str();
    const std::string last = "\rDownloading data for " + channel.name + "... " + std::to_string(records) +
                             "/" + std::to_string(records);
    EXPECT_NE(shown.find("\rDownloading DLOG configuration..."), std::string::npos) << shown;
    EXPECT_NE(shown.find(last), std::string::npos) << shown;
    // Whatever follows the last carriage return is blank: the line was erased.
    const std::string tail = shown.substr(shown.rfind('\r', shown.size() - 2));
    EXPECT_EQ(tail.find_first_not_of(" \r"), std::string::npos) << tail;

    std::ostringstream pipeOut, pipeErr;
    ASSERT_EQ(RunTalvenctl({"dlog", "get-data", "--tcp", Tcp(), "--timeout", "400", "--channel", channel.name,
                            "-o", path},
                           pipeOut, pipeErr),
              kExitOk);
    EXPECT_EQ(pipeErr.str(), "");
}

TEST_F(TalvenctlDlog, getDataIntoADirectoryWritesEveryChannelUnderItsProposedNameWithSampleCounts) {
    const auto data = sim->instrument().dasData();
    const std::string out = dir + "/out";
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    const Result r =
        Talvenctl({"dlog", "get-data", "-d", out, "--records", "3", "--samples", "--tcp", Tcp()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out))
        names.push_back(entry.path().filename().string());
    ASSERT_EQ(names.size(), data.channels.size());
    for (const auto& channel : data.channels) {
        const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
            return name.find("-" + channel.name + "-" + channel.params.front().name + "-") !=
                   std::string::npos;
        });
        ASSERT_NE(found, names.end()) << channel.name;
        EXPECT_EQ(found->substr(found->size() - 4), ".csv");
        const CsvFile file = ReadCsv(out + "/" + *found);
        ASSERT_EQ(file.times.size(), 3u) << *found;
        std::size_t storing = 0, shown = 0;
        for (const auto& param : channel.params)
            storing += param.storeSamples;
        for (std::size_t at = file.heading.find("Samples"); at != std::string::npos;
             at = file.heading.find("Samples", at + 1))
            ++shown;
        EXPECT_EQ(shown, storing) << file.heading;
    }
}

TEST_F(TalvenctlDlog, getDataWithANetworkFileSavesTheLastDownloadAndSinceLastFindsNothingNew) {
    const std::string network = dir + "/net.cfg";
    {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetName("Roof");
        auto tcp = std::make_unique<CTCPConnection>();
        tcp->SetHost("127.0.0.1");
        tcp->SetPort(sim->port());
        node->SetConnection(std::move(tcp));
        configuration.ConnectedInstruments().Append(std::move(node));
        ASSERT_TRUE(SaveNetworkConfiguration(configuration, network));
    }
    const std::string channelName = sim->instrument().dasData().channels.front().name;
    const std::string first = dir + "/first.csv";
    const Result r = Talvenctl({"dlog", "get-data", "--network", network, "--instrument", "Roof", "--channel",
                                channelName, "-o", first});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_FALSE(ReadCsv(first).times.empty());
    {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        ASSERT_TRUE(LoadNetworkConfiguration(configuration, network));
        auto* node = dynamic_cast<CInstrumentNode*>(configuration.ConnectedInstruments().FindByName("Roof"));
        ASSERT_NE(node, nullptr);
        auto* channel = dynamic_cast<CDASChannel*>(node->GetList(kDlogChannels).FindByName(channelName));
        ASSERT_NE(channel, nullptr);
        EXPECT_TRUE(channel->GetDownloadedBefore());
    }
    const std::string second = dir + "/second.csv";
    const Result again =
        Talvenctl({"dlog", "get-data", "--network", network, "--instrument", "Roof", "--channel", channelName,
                   "--since-last", "--no-instrument-dates", "-o", second});
    ASSERT_EQ(again.status, kExitOk) << again.err;
    EXPECT_NE(again.err.find("Channel " + channelName + " has no records"), std::string::npos) << again.err;
    EXPECT_FALSE(std::filesystem::exists(second));
}

TEST_F(TalvenctlDlog, getDataRefusesBadSelectionsAndOutputsWithUsageAndUnknownChannelsWithFailure) {
    const std::string f = dir + "/x.csv";
    const std::vector<std::vector<std::string>> usage = {
        {"--tcp", Tcp()},
        {"--tcp", Tcp(), "-o", f, "-d", dir},
        {"--tcp", Tcp(), "-o", f, "--records", "0"},
        {"--tcp", Tcp(), "-o", f, "--hours", "x"},
        {"--tcp", Tcp(), "-o", f, "--all", "--days", "2"},
        {"--tcp", Tcp(), "-o", f, "--between", "03/01/2026 10:00:00"},
        {"--tcp", Tcp(), "-o", f, "--between", "13/01/2026 10:00:00", "03/01/2026 12:00:00"},
        {"--tcp", Tcp(), "-o", f, "--channel", "A", "--channel", "B"},
        {"--tcp", Tcp(), "-o", f},
        {"--tcp", Tcp(), "-o", f, "--bogus"},
    };
    for (auto args : usage) {
        args.insert(args.begin(), {"dlog", "get-data"});
        const Result r = Talvenctl(args);
        EXPECT_EQ(r.status, kExitUsage) << ::testing::PrintToString(args) << r.err;
        EXPECT_NE(r.err.find("Usage: talvenctl dlog get-data"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(f));
    const Result unknown = Talvenctl({"dlog", "get-data", "--tcp", Tcp(), "--channel", "NOSUCH", "-d", dir});
    EXPECT_EQ(unknown.status, kExitFailed);
    EXPECT_NE(unknown.err.find("The instrument has no DLOG channel NOSUCH."), std::string::npos)
        << unknown.err;

    const std::string between = dir + "/between.csv";
    const std::string name = sim->instrument().dasData().channels.front().name;
    const Result window = Talvenctl({"dlog", "get-data", "--tcp", Tcp(), "--channel", name, "-o", between,
                                     "--between", "03/01/2026 11:00:00", "03/01/2026 12:00:00"});
    ASSERT_EQ(window.status, kExitOk) << window.err;
    const CsvFile file = ReadCsv(between);
    ASSERT_FALSE(file.times.empty());
    for (std::uint32_t t : file.times) {
        EXPECT_GE(t, DateTime::FromElements(2026, 3, 1, 11, 0, 0).seconds());
        EXPECT_LE(t, now);
    }

    const Result help = Talvenctl({"dlog", "get-data", "--help"});
    EXPECT_EQ(help.status, kExitOk);
    for (const char* option :
         {"--channel", "--all", "--since-last", "--records", "--hours", "--days", "--weeks", "--months",
          "--between", "--no-instrument-dates", "-o FILE", "-d DIR", "--append", "--samples", "--network"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace talven::cli
