// The talven-sim program itself: it prints where each instrument listens, serves it, and stops
// cleanly on SIGTERM and SIGINT, removing its links.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "RawClient.h"

namespace talven::sim::test {
namespace {

class Program {
  public:
    explicit Program(std::vector<std::string> args) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::close(out[0]);
            std::vector<char*> argv;
            static std::string path = TALVEN_SIM_PATH;
            argv.push_back(path.data());
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(path.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        fd_ = out[0];
    }
    ~Program() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            ::close(fd_);
    }
    /// Output lines up to and including the one starting with last.
    std::vector<std::string> readUntil(const std::string& last) {
        std::vector<std::string> lines;
        while (true) {
            const std::size_t lf = buffer_.find('\n');
            if (lf != std::string::npos) {
                lines.push_back(buffer_.substr(0, lf));
                buffer_.erase(0, lf + 1);
                if (lines.back().rfind(last, 0) == 0)
                    return lines;
                continue;
            }
            pollfd p{fd_, POLLIN, 0};
            char chunk[1024];
            if (::poll(&p, 1, 5000) <= 0)
                return lines;
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return lines;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }
    void signal(int number) { ::kill(pid_, number); }
    int stop(int signal) {
        ::kill(pid_, signal);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    int exitCode() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int fd_ = -1;
    bool waited_ = false;
    std::string buffer_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

std::uint16_t PortOf(const std::string& line) {
    return static_cast<std::uint16_t>(std::atoi(line.substr(line.rfind(':') + 1).c_str()));
}

TEST(SimProgram, servesWhatItPrintsAndStopsOnSigterm) {
    char dir[] = "/tmp/talven-sim-exe-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/cal";
    Program program({"--tcp", "0=analyzer,id=4", "--pty", link + "=calibrator", "--date", "2026-03-01 12:00",
                     "--frozen"});
    const std::vector<std::string> lines = program.readUntil("talven-sim ready");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("analyzer         id 4    tcp 127.0.0.1:", 0), 0u) << lines[0];
    EXPECT_NE(lines[1].find("(" + link + ")"), std::string::npos) << lines[1];
    RawClient tcp = RawClient::Tcp(PortOf(lines[0]));
    EXPECT_EQ(tcp.ask("v curr_date"), "V 060:12:00 0004 CURR_DATE=03/01/2026\r\n");
    RawClient serial = RawClient::Serial(link);
    EXPECT_EQ(serial.ask("c leveltable print"), "C 0000 LEVELTABLEBEGIN\r\n");
    EXPECT_EQ(program.stop(SIGTERM), 0);
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0);
    ::rmdir(dir);
}

TEST(SimProgram, listsItsRecordsOnSigusr2AndAtTheStopWithTheClockStoppedBySigusr1) {
    char dir[] = "/tmp/talven-sim-exe-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string listing = std::string(dir) + "/records.txt";
    Program program({"--tcp", "0=analyzer,id=4,cut=5,faultend=1000", "--tcp", "0=calibrator", "--rate",
                     "3600", "--list-records", listing});
    const std::vector<std::string> lines = program.readUntil("talven-sim ready");
    ASSERT_EQ(lines.size(), 3u);
    RawClient tcp = RawClient::Tcp(PortOf(lines[0]));
    tcp.command("v curr_date");
    std::string cut;
    EXPECT_TRUE(tcp.readToClose(cut));
    EXPECT_EQ(cut.size(), 5u) << "the link was cut after five bytes";

    program.signal(SIGUSR1);
    const std::vector<std::string> stopped = program.readUntil("clock stopped at ");
    ASSERT_FALSE(stopped.empty());
    const std::string at = stopped.back().substr(std::string("clock stopped at ").size());
    program.signal(SIGUSR2);
    ASSERT_FALSE(program.readUntil("records listed in " + listing).empty());
    const std::string first = ReadFile(listing);
    EXPECT_EQ(first.rfind("talven-sim records at ", 0), 0u) << first.substr(0, 80);
    EXPECT_NE(first.find("(" + at + ")\n"), std::string::npos) << "listed at the stopped clock's time";
    EXPECT_NE(first.find("\nINSTRUMENT analyzer id 4 tcp 127.0.0.1:" + std::to_string(PortOf(lines[0])) +
                         " faults 1\nCHANNEL CONC1 period 300 records 800\n"),
              std::string::npos);
    EXPECT_NE(first.find("\nINSTRUMENT calibrator id 0 tcp "), std::string::npos);

    ::unlink(listing.c_str());
    EXPECT_EQ(program.stop(SIGTERM), 0);
    EXPECT_EQ(ReadFile(listing), first) << "the clock stood still";
    ::unlink(listing.c_str());
    ::rmdir(dir);
}

TEST(SimProgram, stopsOnSigintToo) {
    Program program({"--tcp", "0=old-calibrator"});
    ASSERT_EQ(program.readUntil("talven-sim ready").size(), 2u);
    EXPECT_EQ(program.stop(SIGINT), 0);
}

TEST(SimProgram, badArgumentsExitWithTwo) {
    Program program({"--tcp", "0=nothing"});
    EXPECT_EQ(program.exitCode(), 2);
}

TEST(SimProgram, helpAndProfileListExitWithZero) {
    Program help({"--help"});
    EXPECT_FALSE(help.readUntil("Stops cleanly").empty());
    EXPECT_EQ(help.exitCode(), 0);
    Program list({"--list-profiles"});
    EXPECT_EQ(list.readUntil("flow-calibrator").size(), 7u);
    EXPECT_EQ(list.exitCode(), 0);
}

}  // namespace
}  // namespace talven::sim::test
