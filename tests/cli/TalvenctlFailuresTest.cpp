// What talvenctl says and returns when things go wrong around an instrument: what answered is no
// instrument, a link that does not open, a file that cannot be written, an argument that makes no
// sense, an instrument that refuses a send, a collect asked to stop mid-download.

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "CollectFixture.h"
#include "SimFixture.h"
#include "cli/Confirmation.h"

namespace talven::cli {
namespace {

using test::Result;
using test::RunAgainstSimulator;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

/// A TCP port that answers every connection with a web server's page, then closes it.
class WebServer {
  public:
    WebServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 4);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            for (int peer; (peer = ::accept(fd_, nullptr, nullptr)) >= 0;) {
                const char page[] =
                    "HTTP/1.0 400 Bad Request\r\nContent-Type: text/html\r\n\r\n<html>no</html>\r\n";
                ::send(peer, page, sizeof page - 1, MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                ::close(peer);
            }
        });
    }
    ~WebServer() {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
    }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

class AnalyzerFailures : public test::SimulatedInstrumentTest {
  protected:
    AnalyzerFailures() : SimulatedInstrumentTest("analyzer") {}
};

TEST(TalvenctlIdentity, infoFailsWhenWhatAnsweredIsNoInstrumentOrWantsALogOn) {
    WebServer web;
    const Result page = RunAgainstSimulator({"info", "--tcp", web.Address(), "--timeout", "200"});
    EXPECT_EQ(page.status, kExitFailed) << page.out;
    EXPECT_TRUE(Contains(page.err, "Nothing at " + web.Address() + " could be identified as an instrument"))
        << page.err;

    sim::InstrumentOptions o;
    o.profile = "old-analyzer";
    std::string error;
    auto old = sim::SimInstrument::StartTcp(o, 0, error);
    ASSERT_TRUE(old) << error;
    const std::string address = "127.0.0.1:" + std::to_string(old->port());
    const Result noPassword = RunAgainstSimulator({"info", "--tcp", address});
    EXPECT_EQ(noPassword.status, kExitFailed) << noPassword.out;
    EXPECT_TRUE(Contains(noPassword.err,
                         "Unable to log on to instrument: the instrument asks for a log-on "
                         "password: use --password."))
        << noPassword.err;
    const Result withPassword = RunAgainstSimulator({"info", "--tcp", address, "--password", "818"});
    EXPECT_EQ(withPassword.status, kExitOk) << withPassword.err;
}

TEST(TalvenctlConnectCauses, aLinkThatDoesNotOpenSaysWhy) {
    const test::TempDir temp;
    const std::string plain = temp / "plain-file";
    test::WriteAll(plain, "not a port");
    struct Case {
        std::string device;
        std::string cause;
    };
    const Case cases[] = {
        {"/dev/null", "not a serial port"},
        {plain, "not a serial port"},
        {temp / "ttyMissing", "No such file or directory"},
    };
    for (const Case& c : cases) {
        const Result r = test::Run({"info", "--serial", c.device});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_TRUE(Contains(r.err, "Unable to connect to site " + c.device + ": " + c.cause + "."))
            << c.device << ": " << r.err;
    }
}

TEST_F(AnalyzerFailures, csvWritesSayWhyCreateTheirDirectoryAndFollowLinks) {
    const std::string missing = dir + "/nodir/x.csv";
    const Result r =
        RunAgainstSimulator({"dlog", "get-data", "--tcp", Tcp(), "--channel", "CONC1", "-o", missing});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_TRUE(Contains(r.err, "Error writing file " + missing + ": No such file or directory.")) << r.err;

    const std::string fresh = dir + "/new/deeper";
    const Result made =
        RunAgainstSimulator({"dlog", "get-data", "--tcp", Tcp(), "--channel", "CONC1", "-d", fresh});
    EXPECT_EQ(made.status, kExitOk) << made.err;
    EXPECT_FALSE(std::filesystem::is_empty(fresh));

    test::WriteAll(dir + "/blocker", "");
    const Result blocked =
        RunAgainstSimulator({"dlog", "get-data", "--tcp", Tcp(), "-d", dir + "/blocker/sub"});
    EXPECT_EQ(blocked.status, kExitFailed);
    EXPECT_TRUE(Contains(blocked.err, "Unable to create directory " + dir + "/blocker/sub: ")) << blocked.err;
    EXPECT_FALSE(Contains(blocked.err, "Downloading")) << blocked.err;

    test::WriteAll(dir + "/target.csv", "old");
    std::filesystem::create_symlink("target.csv", dir + "/link.csv");
    const Result linked = RunAgainstSimulator(
        {"dlog", "get-data", "--tcp", Tcp(), "--channel", "CONC1", "-o", dir + "/link.csv"});
    EXPECT_EQ(linked.status, kExitOk) << linked.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.csv"));
    const std::string written = test::ReadAll(dir + "/target.csv");
    EXPECT_NE(written, "old");
    EXPECT_TRUE(Contains(written, "\r\n")) << written;
}

TEST(TalvenctlArguments, senselessArgumentsAreUsageErrorsSaidOnce) {
    // Nothing listens on port 1: a command that connected would fail with "Unable to connect".
    const Result reversed = test::Run({"dlog", "get-data", "--tcp", "127.0.0.1:1", "-d", "/tmp", "--between",
                                       "03/01/2026 12:00:00", "02/01/2026 12:00:00"});
    EXPECT_EQ(reversed.status, kExitUsage);
    EXPECT_TRUE(Contains(reversed.err, "--between wants FROM before TO")) << reversed.err;

    const std::vector<std::string> autoBase = {"dlog", "auto", "--network", "n.cfg", "--instrument", "I"};
    auto autoWith = [&](std::vector<std::string> more) {
        std::vector<std::string> args = autoBase;
        args.insert(args.end(), more.begin(), more.end());
        return test::Run(args);
    };
    const Result records = autoWith({"--records", "-5"});
    EXPECT_EQ(records.status, kExitUsage);
    EXPECT_EQ(records.err.rfind("talvenctl: --records wants a whole number above zero, not '-5'\n", 0), 0u)
        << records.err;
    const Result period = autoWith({"--period", "1:25:00"});
    EXPECT_EQ(period.status, kExitUsage);
    EXPECT_TRUE(Contains(period.err, "--period wants D:HH:MM")) << period.err;
    EXPECT_FALSE(Contains(period.err, "greater than zero")) << period.err;
    EXPECT_TRUE(Contains(autoWith({"--period", "0:00:00"}).err, "greater than zero"));
    const Result file = autoWith({"--channel", "CONC1", "--file", ""});
    EXPECT_EQ(file.status, kExitUsage);
    EXPECT_TRUE(Contains(file.err, "--file wants the path of a file")) << file.err;

    // Without --yes and without a terminal, a send is refused before it connects.
    ScopedConfirmationInput noTerminal(nullptr);
    const test::TempDir temp;
    test::WriteAll(temp / "seq.txt", "");
    const Result send = test::Run({"seq", "send", temp / "seq.txt", "--tcp", "127.0.0.1:1"});
    EXPECT_EQ(send.status, kExitFailed);
    EXPECT_TRUE(Contains(send.err, "pass --yes")) << send.err;
    EXPECT_FALSE(Contains(send.err, "Unable to connect")) << send.err;
}

TEST(TalvenctlSendRefused, theInstrumentsRefusalIsShown) {
    sim::InstrumentOptions o;
    o.profile = "calibrator";
    std::string error;
    auto calibrator = sim::SimInstrument::StartTcp(o, 0, error);
    ASSERT_TRUE(calibrator) << error;
    o.profile = "flow-calibrator";
    auto flow = sim::SimInstrument::StartTcp(o, 0, error);
    ASSERT_TRUE(flow) << error;
    const test::TempDir temp;
    const std::string file = temp / "levels.txt";
    ASSERT_EQ(RunAgainstSimulator(
                  {"levels", "get", "--tcp", "127.0.0.1:" + std::to_string(calibrator->port()), "-o", file})
                  .status,
              kExitOk);
    // This calibrator's levels have a flow column where the other's have their status blocks.
    const Result sent = RunAgainstSimulator(
        {"levels", "send", file, "--yes", "--tcp", "127.0.0.1:" + std::to_string(flow->port())});
    EXPECT_EQ(sent.status, kExitFailed);
    EXPECT_TRUE(Contains(sent.err, "Error occurred while sending level table to instrument.")) << sent.err;
    EXPECT_TRUE(Contains(sent.err, "\nThe instrument answered: ERROR: BAD STATUS BLOCKS IN ")) << sent.err;
}

class CollectStop : public test::TalvenctlCollect {};

TEST_F(CollectStop, theEventLogNamesTheInstrumentOfEachLine) {
    sims.push_back(StartSim());
    sims.push_back(StartSim());
    WriteNetwork();
    const std::string log = dir + "/events.txt";
    const Result r = test::Run({"collect", network, "--once", "--log", log});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const std::string text = test::ReadAll(log);
    for (std::size_t i = 0; i < sims.size(); ++i) {
        EXPECT_TRUE(Contains(text, "Command     ,  " + InstrumentName(i) + ": \\x03instcaps")) << text;
        EXPECT_TRUE(Contains(text, "Response    ,  " + InstrumentName(i) + ": ")) << text;
    }
    EXPECT_FALSE(Contains(text, "Command     ,  \\x03")) << text;
}

#ifdef TALVENCTL_PATH
TEST_F(CollectStop, sigtermCancelsTheDownloadUnderWayAndWritesNothingOfIt) {
    sims.push_back(StartSim(sim::FaultSettings(), -86400));
    WriteNetwork(60);
    const std::string before = test::ReadAll(network);
    // The same instrument again on its port, now slow: a day's records take minutes to send.
    const std::uint16_t port = sims[0]->port();
    sims[0]->stop();
    std::atomic<bool> reportAsked{false}, cancelHeard{false};
    sim::InstrumentOptions o;
    o.profile = "analyzer";
    o.clockStart = static_cast<std::uint32_t>(now - 86400);
    o.clockFrozen = true;
    o.link.faults.trickleMs = 3;
    o.link.trace = [&](const std::string& line) {
        if (line.rfind("<-", 0) != 0)
            return;
        reportAsked = reportAsked || Contains(line, "report");
        cancelHeard = cancelHeard || Contains(line, "cancel");
    };
    std::string error;
    sims[0] = sim::SimInstrument::StartTcp(o, port, error);
    ASSERT_TRUE(sims[0]) << error;

    const pid_t pid = test::StartCollectProcess(network);
    // A guard against a hang, not a speed goal.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!reportAsked && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGTERM);
    int status = 0;
    bool ended = false;
    while (!(ended = ::waitpid(pid, &status, WNOHANG) == pid) && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "collect did not end after SIGTERM";
    }
    EXPECT_TRUE(reportAsked);
    EXPECT_TRUE(cancelHeard);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitFailed);
    EXPECT_FALSE(std::filesystem::exists(DataFile(0, "CONC1")));
    EXPECT_EQ(test::ReadAll(network), before);
    EXPECT_FALSE(std::filesystem::exists(network + ".pending"));
}
#endif

}  // namespace
}  // namespace talven::cli
