// The link between PC and instrument: faults, the code-activated switch and the Hayes modem
// (driven on a LinkSession with explicit times), and the servers on TCP and pseudo-terminals.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "SimFixture.h"
#include "foundation/StreamConverter.h"
#include "sim/Encoding.h"
#include "sim/LinkSession.h"
#include "sim/Profiles.h"

namespace talven::sim::test {
namespace {

using Clock = LinkSession::Clock;
using std::chrono::milliseconds;

class LinkBench : public ::testing::Test {
  protected:
    void make(LinkOptions options, const std::string& profile = "analyzer") {
        auto clock = std::make_shared<SimClock>(FixedNow(), true);
        instrument = std::make_unique<Instrument>(*MakeProfile(profile, FixedNow(), 1), 0, clock);
        link = std::make_unique<LinkSession>(*instrument, std::move(options));
    }
    void in(std::string_view bytes) { link->received(bytes, t); }
    /// Everything due at time t, written at once.
    std::string out() {
        std::string all;
        link->tick(t);
        for (std::string_view b; !(b = link->writable(t)).empty();) {
            all += b;
            link->wrote(b.size(), t);
        }
        return all;
    }
    std::unique_ptr<Instrument> instrument;
    std::unique_ptr<LinkSession> link;
    Clock::time_point t = Clock::time_point() + std::chrono::hours(100);
};

TEST_F(LinkBench, lineSplitAcrossChunksIsAnsweredOnce) {
    make({});
    in("\x03v cu");
    EXPECT_EQ(out(), "");
    in("rr_date\r");
    EXPECT_EQ(out(), "");
    in("\n");
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, overlongLineIsDroppedWholeAndTheNextOneServed) {
    make({});
    in("\x03v curr_date" + std::string(kMaxInputLine + 10, ' ') + "\r\n");
    EXPECT_EQ(out(), "");
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, dropLosesTheWholeReply) {
    LinkOptions o;
    o.faults.dropReply = 1.0;
    make(o);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "");
    EXPECT_EQ(link->nextDeadline(), Clock::time_point::max());
}

TEST_F(LinkBench, dropAtCommandSilencesOnlyThatCommand) {
    LinkOptions o;
    o.faults.dropAtCommand = "instcaps";
    make(o);
    in(Framed("INSTCAPS ") + Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, delayHoldsTheReplyUntilItsTime) {
    LinkOptions o;
    o.faults.delayMs = 500;
    make(o);
    in(Framed("v curr_date"));
    EXPECT_EQ(link->nextDeadline(), t + milliseconds(500));
    t += milliseconds(499);
    EXPECT_EQ(out(), "");
    t += milliseconds(1);
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, trickleSendsOneByteAtATime) {
    LinkOptions o;
    o.faults.trickleMs = 20;
    make(o);
    in(Framed("v curr_date"));
    std::string got;
    for (int i = 0; i < 100 && link->nextDeadline() != Clock::time_point::max(); ++i) {
        const std::string step = out();
        EXPECT_LE(step.size(), 1u);
        got += step;
        t += milliseconds(20);
    }
    EXPECT_EQ(got, "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, garbageLineComesBeforeTheReply) {
    LinkOptions o;
    o.faults.garbage = 1.0;
    make(o);
    in(Framed("v curr_date"));
    const std::string all = out();
    const std::size_t first = all.find("\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_GE(first, 4u);
    EXPECT_EQ(all.substr(first + 2), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, crcFaultSpoilsRecordLinesOnly) {
    LinkOptions o;
    o.faults.corruptRecord = 1.0;
    make(o);
    in(Framed("d report \"CONC1\" records=5 base64"));
    const std::string all = out();
    int lines = 0;
    for (std::size_t start = 0, lf; (lf = all.find('\n', start)) != std::string::npos; start = lf + 1) {
        const std::string line = all.substr(start, lf - 1 - start);
        std::uint8_t buffer[64];
        StreamToBuffer sink(buffer, sizeof buffer);
        Base64Decoder decoder(&sink);
        PutBytes(&decoder, line.data(), static_cast<std::int64_t>(line.size()));
        ASSERT_EQ(sink.count(), 22);
        const std::uint16_t crc = Crc16(buffer, 20).value();
        EXPECT_NE(crc, buffer[20] | (buffer[21] << 8)) << line;
        ++lines;
    }
    EXPECT_EQ(lines, 5);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, cutAfterBytesStopsExactlyThere) {
    LinkOptions o;
    o.faults.cutAfterBytes = 10;
    make(o);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:0");
    EXPECT_TRUE(link->closeRequested());
}

TEST_F(LinkBench, cutAtCommandSendsHalfTheReplyThenCloses) {
    LinkOptions o;
    o.faults.cutAtCommand = "config";
    make(o);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    EXPECT_FALSE(link->closeRequested());
    in(Framed("v config"));
    const std::string half = out();
    EXPECT_TRUE(link->closeRequested());
    EXPECT_EQ(half.rfind("V 060:12:00 0000 CONFIG[0]=N410 NOx Analyzer\r\n", 0), 0u);
    EXPECT_EQ(half.find("CONFIG[8]"), std::string::npos);
}

TEST_F(LinkBench, faultsStrikeOnlyInsideTheirWindowAndAreCounted) {
    LinkOptions o;
    o.faults.dropReply = 1.0;
    o.faults.startS = 10;
    o.faults.endS = 20;
    o.started = t;
    make(o);
    const std::string answer = "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n";
    t += std::chrono::seconds(9);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), answer) << "before the window";
    EXPECT_EQ(link->takeFaultsInjected(), 0);
    t += std::chrono::seconds(1);
    in(Framed("v curr_date") + Framed("v curr_date"));
    EXPECT_EQ(out(), "") << "inside the window";
    EXPECT_EQ(link->takeFaultsInjected(), 2);
    EXPECT_EQ(link->takeFaultsInjected(), 0) << "taken once";
    t += std::chrono::seconds(10);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), answer) << "after the window";
    EXPECT_EQ(link->takeFaultsInjected(), 0);
}

TEST_F(LinkBench, aWindowWithoutAStartCountsFromTheFirstBytesHeard) {
    LinkOptions o;
    o.faults.cutAfterBytes = 10;
    o.faults.endS = 5;
    make(o);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:0");
    EXPECT_TRUE(link->closeRequested());
    EXPECT_EQ(link->takeFaultsInjected(), 1);

    make(o);
    in(Framed("instcaps"));
    t += std::chrono::seconds(5);
    in(Framed("v curr_date"));
    EXPECT_NE(out().find("CURR_DATE=03/01/2026\r\n"), std::string::npos) << "the cut ended with the window";
    EXPECT_FALSE(link->closeRequested());
}

TEST_F(LinkBench, eachConnectionDrawsItsFaultsAfresh) {
    // Which of forty record lines a 50 % fault spoils, on the first connection and a later one.
    auto spoiled = [this](int connection) {
        LinkOptions o;
        o.faults.corruptRecord = 0.5;
        o.faults.seed = 3;
        o.connection = connection;
        make(o);
        in(Framed("d report \"CONC1\" records=40 base64"));
        const std::string all = out();
        std::vector<bool> marks;
        for (std::size_t start = 0, lf; (lf = all.find('\n', start)) != std::string::npos; start = lf + 1) {
            std::uint8_t buffer[64];
            StreamToBuffer sink(buffer, sizeof buffer);
            Base64Decoder decoder(&sink);
            PutBytes(&decoder, all.data() + start, static_cast<std::int64_t>(lf - 1 - start));
            marks.push_back(Crc16(buffer, 20).value() != (buffer[20] | (buffer[21] << 8)));
        }
        EXPECT_EQ(marks.size(), 40u);
        return marks;
    };
    const std::vector<bool> first = spoiled(0);
    EXPECT_EQ(spoiled(0), first) << "the same seed and connection spoil the same lines";
    EXPECT_NE(spoiled(1), first);
    EXPECT_NE(std::count(first.begin(), first.end(), true), 0);
}

TEST_F(LinkBench, cancelDropsWhatIsLeftOfAReport) {
    make({});
    in(Framed("d report \"CONC1\" compact"));
    const std::string_view first = link->writable(t);
    ASSERT_FALSE(first.empty());
    link->wrote(first.size(), t);
    in(Framed("d cancel"));
    const std::string rest = out();
    // At most the line already begun may follow; 800 records were asked for.
    EXPECT_LE(std::count(rest.begin(), rest.end(), '\n'), 1);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
}

TEST_F(LinkBench, longReportIsProducedAsItDrains) {
    make({});
    in(Framed("d report \"CONC1\" compact"));
    EXPECT_LT(link->queuedBytes(), 64u * 1024);
    const std::string all = out();
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 800);
}

TEST_F(LinkBench, clientThatNeverReadsIsToldToWait) {
    make({});
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += Framed("d print script &");
    in(many);
    EXPECT_FALSE(link->wantsInput());
    // Held back, not lost: every reply goes out once the client reads.
    const std::string all = out();
    int replies = 0;
    for (std::size_t at = 0; (at = all.find("DASEND\r\n", at)) != std::string::npos; at += 8)
        ++replies;
    EXPECT_EQ(replies, 100);
    EXPECT_TRUE(link->wantsInput());
}

TEST_F(LinkBench, traceShowsWhatWasHeardAndAnswered) {
    std::vector<std::string> seen;
    LinkOptions o;
    o.trace = [&seen](const std::string& line) { seen.push_back(line); };
    make(o);
    in(Framed("v curr_date") + Framed("d report \"CONC1\" records=1 base64"));
    EXPECT_EQ(seen,
              (std::vector<std::string>{"<- ^Cv curr_date", "-> V 060:12:00 0000 CURR_DATE=03/01/2026",
                                        "<- ^Cd report \"CONC1\" records=1 base64", "-> (records follow)"}));
}

TEST_F(LinkBench, switchAnswersOnlyBetweenSelectAndDeselectCodes) {
    LinkOptions o;
    o.selectCode = "#S07";
    o.deselectCode = "#D07";
    make(o);
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "");
    in("#S0");
    in("7" + Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    in(Framed("v curr_time") + "#D07");
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_TIME=12:00:00\r\n");
    EXPECT_FALSE(link->selected());
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "");
}

TEST_F(LinkBench, modemDialsConnectsEscapesAndHangsUp) {
    LinkOptions o;
    o.modem = true;
    o.modemGuardMs = 1000;
    o.modemConnectMs = 300;
    make(o);
    in("ATZ\r");
    EXPECT_EQ(out(), "ATZ\r\r\nOK\r\n");
    in("AT &F E0 M0 Q0 V1\r");
    EXPECT_EQ(out(), "AT &F E0 M0 Q0 V1\r\r\nOK\r\n");
    in(Framed("v curr_date"));  // still in command mode: the instrument hears nothing
    EXPECT_EQ(out(), "");
    in("ATDT5551234\r");
    EXPECT_EQ(out(), "");
    t += milliseconds(300);
    EXPECT_EQ(out(), "\r\nCONNECT 9600\r\n");
    in(Framed("v curr_date"));
    EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    t += milliseconds(1500);
    in("+++");
    EXPECT_EQ(out(), "");
    t += milliseconds(1000);
    EXPECT_EQ(out(), "\r\nOK\r\n");
    in("ATH0\r");
    EXPECT_EQ(out(), "\r\nOK\r\n");
    EXPECT_FALSE(link->modemOnline());
}

TEST_F(LinkBench, plusSignsInsideDataAreData) {
    LinkOptions o;
    o.modem = true;
    o.modemConnectMs = 0;
    make(o);
    in("ATDT1\r");
    EXPECT_EQ(out(), "ATDT1\r\r\nCONNECT 9600\r\n");
    in("\x03"
       "frob +++\r\n");  // no guard time before the plus signs
    t += milliseconds(2000);
    EXPECT_EQ(out(), "UNKNOWN COMMAND: frob +++\r\n");
    EXPECT_TRUE(link->modemOnline());
}

// --- servers ---

class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/talven-sim-test-XXXXXX";
        path = ::mkdtemp(pattern) ? pattern : "";
    }
    ~TempDir() {
        if (!path.empty())
            std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string path;
};

TEST(PtyServer, serialClientGetsRepliesThroughTheLinkPath) {
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string link = dir.path + "/hex";
    std::string error;
    auto sim = SimInstrument::StartPty(Options("hex-analyzer"), link, error);
    ASSERT_TRUE(sim) << error;
    EXPECT_EQ(sim->where(), "pty " + sim->devicePath() + " (" + link + ")");
    {
        RawClient client = RawClient::Serial(link);
        ASSERT_TRUE(client.ok());
        const std::string caps = "dhtferonk";
        EXPECT_EQ(client.ask("instcaps "), caps + "," + std::to_string(TextSum(caps)) + "\r\n");
        EXPECT_EQ(client.ask("v curr_date"), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    }
    sim->stop();
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0);
}

TEST(PtyServer, modemOnATerminalAnswersHayesCommands) {
    InstrumentOptions o = Options("calibrator");
    o.link.modem = true;
    o.link.modemGuardMs = 50;
    o.link.modemConnectMs = 0;
    std::string error;
    auto sim = SimInstrument::StartPty(o, "", error);
    ASSERT_TRUE(sim) << error;
    RawClient client = RawClient::Serial(sim->devicePath());
    client.send("ATZ\r");
    EXPECT_EQ(client.readUntil("OK").back(), "OK\r\n");
    client.send("AT E0\r");
    EXPECT_EQ(client.readUntil("OK").back(), "OK\r\n");
    client.send("ATDT0123\r");
    EXPECT_EQ(client.readUntil("CONNECT").back(), "CONNECT 9600\r\n");
    EXPECT_EQ(client.ask("c leveltable print"), "C 0000 LEVELTABLEBEGIN\r\n");
}

TEST(PtyServer, codeSwitchAndLogOnOnASerialLine) {
    InstrumentOptions o = Options("old-analyzer");
    o.link.selectCode = "#S1";
    o.link.deselectCode = "#D1";
    std::string error;
    auto sim = SimInstrument::StartPty(o, "", error);
    ASSERT_TRUE(sim) << error;
    RawClient client = RawClient::Serial(sim->devicePath());
    client.send("#S1");
    EXPECT_EQ(client.ask("logon 818"), "L 060:12:00 0000 LOG ON SUCCESSFUL\r\n");
    EXPECT_EQ(client.ask("v RS232_MODE"), "V 060:12:00 0000 RS232_MODE=4099\r\n");
    client.send("#D1");
    client.command("v curr_date");  // deselected: not heard
    client.send("#S1");
    EXPECT_EQ(client.ask("v curr_time"), "V 060:12:00 0000 CURR_TIME=12:00:00\r\n");
}

TEST(PtyServer, exclusiveOpenDoesNotLockTheNextOpenOut) {
    std::string error;
    auto sim = SimInstrument::StartPty(Options("analyzer"), "", error);
    ASSERT_TRUE(sim) << error;
    {
        RawClient first = RawClient::Serial(sim->devicePath());
        ASSERT_TRUE(first.ok());
        ASSERT_EQ(first.exclusive(), 0);
        EXPECT_EQ(first.ask("v curr_date"), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    }
    // The next command's answer proves the server has run since the close.
    RawClient probe = RawClient::Serial(sim->devicePath());
    EXPECT_EQ(probe.ask("v curr_time"), "V 060:12:00 0000 CURR_TIME=12:00:00\r\n");
    EXPECT_EQ(probe.exclusiveMark(), 0);
}

TEST(PtyServer, refusesToReplaceARegularFile) {
    TempDir dir;
    const std::string file = dir.path + "/keep";
    std::ofstream(file) << "mine";
    std::string error;
    EXPECT_FALSE(SimInstrument::StartPty(Options("analyzer"), file, error));
    EXPECT_EQ(error, file + " exists and is not a symbolic link");
    std::ifstream back(file);
    std::string text;
    back >> text;
    EXPECT_EQ(text, "mine");
}

TEST(TcpServer, cutClosesTheConnectionAndTheNextOneStartsAfresh) {
    InstrumentOptions o = Options("analyzer");
    o.link.faults.cutAfterBytes = 25;
    auto sim = StartOrFail(o);
    ASSERT_TRUE(sim);
    for (int round = 0; round < 2; ++round) {
        RawClient client = RawClient::Tcp(sim->port());
        client.command("v config");
        std::string got;
        EXPECT_TRUE(client.readToClose(got));
        EXPECT_EQ(got, "V 060:12:00 0000 CONFIG[0");
    }
    EXPECT_EQ(sim->connections(), 2);
}

TEST(TcpServer, newCallerTakesTheLineOver) {
    auto sim = StartOrFail(Options("old-analyzer"));
    ASSERT_TRUE(sim);
    RawClient first = RawClient::Tcp(sim->port());
    EXPECT_EQ(first.ask("logon 818"), "L 060:12:00 0000 LOG ON SUCCESSFUL\r\n");
    RawClient second = RawClient::Tcp(sim->port());
    std::string got;
    EXPECT_TRUE(first.readToClose(got));
    EXPECT_EQ(got, "");
    EXPECT_EQ(second.ask("v curr_date"), "L 060:12:00 0000 MUST LOG ON\r\n");
    EXPECT_EQ(sim->connections(), 2);
}

TEST(TcpServer, stopWithAClientConnectedClosesIt) {
    auto sim = StartOrFail(Options("analyzer"));
    ASSERT_TRUE(sim);
    RawClient client = RawClient::Tcp(sim->port());
    EXPECT_EQ(client.ask("v curr_date"), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    sim->stop();
    sim->stop();
    std::string got;
    EXPECT_TRUE(client.readToClose(got));
}

TEST(TcpServer, portInUseIsReported) {
    auto first = StartOrFail(Options("analyzer"));
    ASSERT_TRUE(first);
    std::string error;
    EXPECT_FALSE(SimInstrument::StartTcp(Options("analyzer"), first->port(), error));
    EXPECT_EQ(error.rfind("cannot listen on port " + std::to_string(first->port()) + ": ", 0), 0u) << error;
}

TEST(TcpServer, unknownProfileIsRefused) {
    std::string error;
    EXPECT_FALSE(SimInstrument::StartTcp(Options("spectrometer"), 0, error));
    EXPECT_EQ(error, "unknown profile 'spectrometer'");
}

TEST(TcpServer, sessionStateIsPerConnection) {
    auto sim = StartOrFail(Options("old-analyzer"));
    ASSERT_TRUE(sim);
    {
        RawClient client = RawClient::Tcp(sim->port());
        EXPECT_EQ(client.ask("logon 818"), "L 060:12:00 0000 LOG ON SUCCESSFUL\r\n");
    }
    // Wait for the server to see the first client go before calling again.
    for (int i = 0; i < 2000 && sim->clientConnected(); ++i)
        ::usleep(1000);
    RawClient client = RawClient::Tcp(sim->port());
    EXPECT_EQ(client.ask("v curr_date"), "L 060:12:00 0000 MUST LOG ON\r\n");
}

}  // namespace
}  // namespace talven::sim::test

namespace talven::sim::test {
namespace {

// Bytes of every value, with the words that open commands and scripts mixed in, in pieces of
// random size: the link must stay bounded and still answer afterwards.
TEST_F(LinkBench, anyBytesLeaveTheInstrumentAnswering) {
    const char* const kWords[] = {"\x03",
                                  "\r\n",
                                  "dasbegin\r\n",
                                  "SEQLISTBEGIN\r\n",
                                  "\x03"
                                  "c leveltablebegin\r\n",
                                  "\x03"
                                  "d report \"CONC1\" compact\r\n",
                                  "\x03"
                                  "c leveltable 7\r\n",
                                  "+++",
                                  "channelbegin",
                                  "\x03/ k 3,-4 exp for\r\n"};
    for (const std::string profile : {"analyzer", "calibrator"}) {
        LinkOptions o;
        o.faults.garbage = 0.2;
        o.faults.dropReply = 0.1;
        make(o, profile);
        std::mt19937 random(7);
        for (int round = 0; round < 3000; ++round) {
            std::string chunk;
            const int n = static_cast<int>(random() % 64);
            for (int i = 0; i < n; ++i)
                chunk += static_cast<char>(random() % 256);
            if (random() % 3 == 0)
                chunk += kWords[random() % std::size(kWords)];
            in(chunk);
            out();
            ASSERT_LT(link->queuedBytes(), 256u * 1024);
        }
        in("\r\n\x03"
           "d cancel\r\n" +
           Framed("v curr_date"));
        LinkOptions plain;
        link = std::make_unique<LinkSession>(*instrument, plain);
        in(Framed("v curr_date"));
        EXPECT_EQ(out(), "V 060:12:00 0000 CURR_DATE=03/01/2026\r\n");
    }
}

}  // namespace
}  // namespace talven::sim::test
