// collect against instruments that misbehave: replies that never come, come late or carry bad
// lines; clocks that differ from the PC's; a program killed in the middle of a pass; a network
// file it may not save. Whatever happens, once the fault ends every record is in its file once.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "CollectFixture.h"
#include "dlog/AppendJournal.h"

namespace talven::cli {
namespace {

using test::ChannelOf;
using test::kCollected;
using test::ReadAll;
using test::ReadCsv;
using test::Result;
using test::Talvenctl;

class CollectFaults : public test::TalvenctlCollect {
  protected:
    /// Runs passes with the fault on, then brings each instrument back without it (same clock and
    /// records, another port) and runs once more: that pass succeeds and completes every file.
    void ThenTheFaultEnds() {
        for (std::size_t i = 0; i < sims.size(); ++i) {
            const std::uint32_t at = sims[i]->instrument().clock().now();
            sims[i]->stop();
            sims[i] = StartSim(sim::FaultSettings(), static_cast<std::int64_t>(at) - now);
            Repoint(InstrumentName(i), sims[i]->port());
        }
        const Result last = Talvenctl({"collect", network, "--once"});
        EXPECT_EQ(last.status, kExitOk) << last.err;
    }

    CDASChannel* Saved(CNetworkConfiguration& configuration, std::size_t i, const char* channel) {
        EXPECT_TRUE(LoadNetworkConfiguration(configuration, network));
        return ChannelOf(configuration, InstrumentName(i), channel);
    }
};

TEST_F(CollectFaults, aReplyThatNeverComesFailsTheChannelAndKeepsItDue) {
    sim::FaultSettings faults;
    faults.dropAtCommand = "report";
    sims.push_back(StartSim(faults));
    WriteNetwork();
    for (int pass = 0; pass < 2; ++pass) {
        const Result r = Talvenctl({"collect", network, "--once"});
        EXPECT_EQ(r.status, kExitFailed) << r.err;
        EXPECT_NE(r.err.find("Channel CONC1 holds 800 records, but no record came"), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("0 of 2 due channels"), std::string::npos) << r.err;
        EXPECT_TRUE(FilesNow().empty());
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        EXPECT_FALSE(Saved(configuration, 0, "CONC1")->GetDownloadedBefore());
    }
    ThenTheFaultEnds();
    ExpectComplete(0);
}

TEST_F(CollectFaults, repliesDroppedAtRandomOrLateBeyondTheTimeoutAreNeverTakenForOthers) {
    sim::FaultSettings dropping;
    dropping.dropReply = 0.3;
    dropping.seed = 7;
    sim::FaultSettings late;
    late.delayMs = 700;  // the receive time-out is 400 ms
    sims.push_back(StartSim(dropping));
    sims.push_back(StartSim(late));
    WriteNetwork();
    bool failed = false;
    for (int pass = 0; pass < 3; ++pass) {
        const Result r = Talvenctl({"collect", network, "--once"});
        failed = failed || r.status == kExitFailed;
        // Whatever was written so far is the instrument's records of that channel, each once.
        for (std::size_t i = 0; i < sims.size(); ++i)
            for (const char* name : kCollected)
                if (std::filesystem::exists(DataFile(i, name)))
                    ExpectEachRecordOnce(i, name);
    }
    EXPECT_TRUE(failed);
    ThenTheFaultEnds();
    ExpectComplete(0);
    ExpectComplete(1);
}

TEST_F(CollectFaults, badLinesAreLoggedAndWhatFollowsTheFirstIsFetchedAgain) {
    sim::FaultSettings noisy;
    noisy.corruptRecord = 0.05;
    noisy.seed = 3;
    sims.push_back(StartSim(noisy));
    WriteNetwork(60);
    const std::string log = dir + "/collect.log";
    std::size_t before = 0;
    bool dropsSeen = false;
    for (int pass = 0; pass < 5; ++pass) {
        const Result r = Talvenctl({"collect", network, "--once", "--log", log});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        dropsSeen = dropsSeen || r.err.find("downloaded again at the next pass") != std::string::npos;
        // Each pass writes the records before its first bad line: the file grows from the start of
        // the channel's records, without a gap or a repeat.
        const auto file = ReadCsv(DataFile(0, "CONC1"));
        EXPECT_GE(file.times.size(), before);
        before = file.times.size();
        for (std::size_t row = 1; row < file.times.size(); ++row)
            ASSERT_EQ(file.times[row] - file.times[row - 1], 300u);
    }
    EXPECT_TRUE(dropsSeen);
    EXPECT_LT(before, 800u);
    EXPECT_NE(ReadAll(log).find("A record line of channel CONC1 was dropped"), std::string::npos);
    ThenTheFaultEnds();
    ExpectComplete(0);
}

TEST_F(CollectFaults, sinceLastFollowsTheInstrumentsClockAheadOrBehindThePc) {
    sims.push_back(StartSim(sim::FaultSettings(), -1800));
    sims.push_back(StartSim(sim::FaultSettings(), +600));  // its newest record is ahead of the PC too
    WriteNetwork(60);
    for (int step = 0; step < 4; ++step) {
        const Result r = Talvenctl({"collect", network, "--once"});
        ASSERT_EQ(r.status, kExitOk) << r.err;
        EXPECT_NE(r.err.find("4 of 4 due channels"), std::string::npos) << r.err;
        for (auto& sim : sims)
            sim->instrument().clock().advance(step == 1 ? 0 : 620);
    }
    ASSERT_EQ(Talvenctl({"collect", network, "--once"}).status, kExitOk);
    ExpectEachRecordOnce(0);
    ExpectEachRecordOnce(1);
    // 800 stored, then six or seven more in 31 minutes, as the five-minute grid falls.
    const std::size_t rows = ReadCsv(DataFile(0, "CONC1")).times.size();
    EXPECT_TRUE(rows == 806u || rows == 807u) << rows;
}

TEST_F(CollectFaults, aNetworkFileThatCannotBeSavedStopsCollectBeforeItDownloads) {
    sims.push_back(StartSim());
    WriteNetwork();
    ASSERT_EQ(::chmod(network.c_str(), 0444), 0);
    const Result r = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("cannot be saved (Permission denied)"), std::string::npos) << r.err;
    EXPECT_TRUE(FilesNow().empty());
    EXPECT_EQ(Talvenctl({"collect", network}).status, kExitFailed);  // not even a loop is started
    ASSERT_EQ(::chmod(network.c_str(), 0644), 0);
    ASSERT_EQ(Talvenctl({"collect", network, "--once"}).status, kExitOk);
    ExpectComplete(0);
}

TEST_F(CollectFaults, getDataSaysWhatWasDroppedAndFailsWhenTheRecordsNeverCame) {
    sim::FaultSettings noisy;
    noisy.corruptRecord = 0.05;
    noisy.seed = 5;
    sim::FaultSettings silent;
    silent.dropAtCommand = "report";
    sims.push_back(StartSim(noisy));
    sims.push_back(StartSim(silent));
    auto getData = [&](std::size_t i, const std::string& file) {
        return test::RunAgainstSimulator({"dlog", "get-data", "--tcp",
                                          "127.0.0.1:" + std::to_string(sims[i]->port()), "--channel",
                                          "CONC1", "--all", "-o", file});
    };
    const Result noisyResult = getData(0, dir + "/noisy.csv");
    EXPECT_EQ(noisyResult.status, kExitOk) << noisyResult.err;
    const std::size_t rows = ReadCsv(dir + "/noisy.csv").times.size();
    EXPECT_NE(
        noisyResult.err.find("Channel CONC1: " + std::to_string(800 - rows) + " record line(s) dropped"),
        std::string::npos)
        << noisyResult.err;
    EXPECT_LT(rows, 800u);

    const Result silentResult = getData(1, dir + "/silent.csv");
    EXPECT_EQ(silentResult.status, kExitFailed);
    EXPECT_NE(silentResult.err.find("Channel CONC1 holds 800 records, but no record came"), std::string::npos)
        << silentResult.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/silent.csv"));
}

// The state a kill leaves between writing a file and saving its time, made on purpose.
TEST_F(CollectFaults, anAppendWhoseTimeWasNotSavedIsUndoneAndOneThatWasIsKept) {
    sims.push_back(StartSim());
    WriteNetwork();
    const std::string before = ReadAll(network);
    ASSERT_EQ(Talvenctl({"collect", network, "--once"}).status, kExitOk);
    const auto complete = FilesNow();
    PendingAppend pending;
    {
        CNetworkConfiguration configuration;
        ScopedNetworkConfiguration current(&configuration);
        const CDASChannel* conc = Saved(configuration, 0, "CONC1");
        ASSERT_NE(conc, nullptr);
        pending.dataFile = DataFile(0, "CONC1");
        pending.instrumentId = configuration.ConnectedInstruments().FindByName(InstrumentName(0))->GetId();
        pending.instrumentName = InstrumentName(0);
        pending.channelName = "CONC1";
        pending.lastDownload = conc->GetLastDownload().seconds();
    }
    const std::string note = network + ".pending";

    // Saved, then killed before the note was removed: the file stays as it is.
    ASSERT_TRUE(SavePendingAppend(note, pending));
    Result r = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_FALSE(std::filesystem::exists(note));
    EXPECT_EQ(FilesNow(), complete);

    // Killed before the time was saved: the file CONC1 created goes, and comes back whole.
    test::WriteAll(network, before);
    ASSERT_TRUE(SavePendingAppend(note, pending));
    r = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.err.find("were taken out again"), std::string::npos) << r.err;
    EXPECT_EQ(FilesNow()[InstrumentName(0) + "-CONC1.csv"], complete.at(InstrumentName(0) + "-CONC1.csv"));

    // A note that cannot be read stops collect until someone looks.
    test::WriteAll(note, "garbage");
    r = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;
}

#ifdef TALVENCTL_PATH
/// talvenctl collect as a process of its own, killed with SIGKILL (unless it ended first) once
/// killNow says so; it is asked every millisecond.
int CollectKilledWhen(const std::string& network, const std::function<bool()>& killNow) {
    const pid_t pid = test::StartCollectProcess(network);
    int status = 0;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < limit) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return status;
        if (killNow())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return status;
}

TEST_F(CollectFaults, aCollectKilledAtRandomMomentsNeitherLosesNorRepeatsARecord) {
    // A day behind the PC, so that every channel is due at every run while the clocks move on.
    for (int i = 0; i < 3; ++i)
        sims.push_back(StartSim(sim::FaultSettings(), -86400));
    WriteNetwork(60);
    std::mt19937 random(20261209);
    auto dataBytes = [&] {
        std::uintmax_t bytes = 0;
        for (const auto& [name, text] : FilesNow())
            bytes += text.size();
        return bytes;
    };
    int killed = 0;
    for (int run = 0; run < 12; ++run) {
        // Half the kills at any moment of the pass, half just as a file has begun to grow, when
        // its new last-download time is not yet saved.
        const auto start = std::chrono::steady_clock::now();
        const auto delay = std::chrono::milliseconds(std::uniform_int_distribution<int>(20, 900)(random));
        const std::uintmax_t before = dataBytes();
        const bool atWrite = run % 2 == 1;
        const int status = CollectKilledWhen(network, [&] {
            return atWrite ? dataBytes() != before : std::chrono::steady_clock::now() - start >= delay;
        });
        killed += WIFSIGNALED(status) ? 1 : 0;
        for (auto& sim : sims)
            sim->instrument().clock().advance(300 * std::uniform_int_distribution<int>(0, 2)(random));
    }
    EXPECT_GE(killed, 4);
    const Result last = Talvenctl({"collect", network, "--once"});
    EXPECT_EQ(last.status, kExitOk) << last.err;
    for (std::size_t i = 0; i < sims.size(); ++i)
        ExpectEachRecordOnce(i);
}
#endif

}  // namespace
}  // namespace talven::cli
