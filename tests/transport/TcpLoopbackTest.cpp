// The TCP link against a local listener on an ephemeral port.

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "TransportTestSupport.h"
#include "foundation/Notifier.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

using testing::RecordingOwner;

class Listener {
  public:
    explicit Listener(int backlog = 8) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd_, backlog);
        socklen_t length = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
    }
    ~Listener() {
        StopListening();
        if (peer_ >= 0)
            close(peer_);
    }
    std::uint16_t port() const { return port_; }
    bool Accept() {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            return false;
        if (peer_ >= 0)
            close(peer_);
        peer_ = accept(fd_, nullptr, nullptr);
        return peer_ >= 0;
    }
    void StopListening() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }
    void Send(const std::string& text) const { send(peer_, text.data(), text.size(), MSG_NOSIGNAL); }
    std::string Receive(std::size_t want) const {
        std::string got;
        char buffer[65536];
        while (got.size() < want) {
            pollfd p{peer_, POLLIN, 0};
            if (poll(&p, 1, 5000) <= 0)
                break;
            ssize_t n = recv(peer_, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    /// Closes the accepted connection; abort sends a reset instead of an orderly close.
    void ClosePeer(bool abort) {
        if (abort) {
            linger l{1, 0};
            setsockopt(peer_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        }
        close(peer_);
        peer_ = -1;
    }

  private:
    int fd_ = -1;
    int peer_ = -1;
    std::uint16_t port_ = 0;
};

/// The TCP link without its reconnect pauses.
class QuickTcpConnection : public CTCPConnection {
  protected:
    void Pause(int) override {}
};

int OpenDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d))
            ++n;
        closedir(d);
    }
    return n;
}

class TcpLoopbackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        link.SetHost("127.0.0.1");
        link.SetPort(listener.port());
        link.SetOwnerId(4321);
    }
    void TearDown() override { link.Close(); }

    Listener listener;
    RecordingOwner owner;
    QuickTcpConnection link;
};

TEST_F(TcpLoopbackTest, hostNameResolvesAndLinesFlowBothWays) {
    link.SetHost("localhost");
    ASSERT_TRUE(link.Open(&owner));
    ASSERT_TRUE(listener.Accept());
    listener.Send("T 12:00 NO ERROR\r\nNEXT\r\n");
    std::string line;
    link.ReadLine(line, 2000, '\n');
    EXPECT_EQ(line, "T 12:00 NO ERROR\r\n");
    link.ReadLine(line, 0, '\n');
    EXPECT_EQ(line, "NEXT\r\n");
    EXPECT_TRUE(link.Write("T LIST\r"));
    EXPECT_EQ(listener.Receive(7), "T LIST\r");
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(TcpLoopbackTest, unknownNameOrRefusedPortFailsWithoutLeavingASocket) {
    const int before = OpenDescriptors();
    link.SetHost("no-such-host.invalid");
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_EQ(link.GetLastErrorText(), "Unable to find the network address of no-such-host.invalid.");
    listener.StopListening();
    link.SetHost("127.0.0.1");
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_EQ(OpenDescriptors(), before - 1);  // only the listener's own socket is gone
}

TEST(TcpConnect, hostThatDoesNotAnswerGivesUpWhenTheUserCancels) {
    // A listener whose queue is full drops new connection requests, as a silent host does.
    Listener full(0);
    int first = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(full.port());
    ASSERT_EQ(connect(first, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const int before = OpenDescriptors();
    RecordingOwner owner;
    owner.cancelAfterQueries = 3;
    QuickTcpConnection link;
    link.SetHost("127.0.0.1");
    link.SetPort(full.port());
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_GT(owner.cancelQueries.load(), 3);
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_EQ(OpenDescriptors(), before);
    close(first);
}

TEST_F(TcpLoopbackTest, unconfiguredAddressAndOutOfRangePortNeverConnect) {
    link.SetHost("0.0.0.0");  // would reach this host's own listener on Linux
    EXPECT_FALSE(link.Open(&owner));
    link.SetHost("127.0.0.1");
    link.SetPort(listener.port() + 0x10000u);  // would wrap to the listener's port
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_EQ(link.GetLastErrorText(),
              "Unable to connect to 127.0.0.1 port " + std::to_string(listener.port() + 0x10000u) + ".");
}

TEST_F(TcpLoopbackTest, peerClosingDuringAReadReconnects) {
    ASSERT_TRUE(link.Open(&owner));
    ASSERT_TRUE(listener.Accept());
    const std::uint32_t opensBefore = link.GetOpenCount();
    listener.ClosePeer(false);
    std::string line;
    link.ReadLine(line, 2000, '\n');
    EXPECT_EQ(line, "");
    // A reader in the middle of a reply can tell that the stream it was reading was cut.
    EXPECT_EQ(link.GetOpenCount(), opensBefore + 1);
    const auto texts = owner.texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts.front(), "Attempting to reconnect");
    EXPECT_EQ(texts.back(), "Connection restored");
    EXPECT_TRUE(link.IsOpen());
    ASSERT_TRUE(listener.Accept());
    listener.Send("back\n");
    link.ReadLine(line, 2000, '\n');
    EXPECT_EQ(line, "back\n");
}

TEST_F(TcpLoopbackTest, withThePeerDownWriteFailsAfterFiveAttemptsAndTheLinkIsLost) {
    RecordingNotifier notices;
    ScopedNotifier scope(&notices);
    ASSERT_TRUE(link.Open(&owner));
    ASSERT_TRUE(listener.Accept());
    listener.StopListening();
    listener.ClosePeer(true);
    EXPECT_FALSE(link.Write("T NAME\r"));
    const std::vector<std::string> expected = {"Attempting to reconnect",     "Attempting to reconnect.",
                                               "Attempting to reconnect.",    "Attempting to reconnect..",
                                               "Attempting to reconnect..",   "Attempting to reconnect...",
                                               "Attempting to reconnect...",  "Attempting to reconnect....",
                                               "Attempting to reconnect....", "Connection lost"};
    EXPECT_EQ(owner.texts(), expected);
    ASSERT_EQ(notices.codes(), std::vector<int>{wm::kConnectionLost});
    EXPECT_EQ(notices.entries()[0].lParam, 4321);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_FALSE(link.Write("again\r"));
    EXPECT_EQ(owner.texts().size(), expected.size());
}

TEST_F(TcpLoopbackTest, readTimeOutShowsAndCountsOnlyWhenCounting) {
    ASSERT_TRUE(link.Open(&owner));
    ASSERT_TRUE(listener.Accept());
    char buffer[16];
    EXPECT_EQ(link.Read(buffer, 16, 20, '\n', false), 0);
    EXPECT_TRUE(owner.texts().empty());
    EXPECT_EQ(link.GetFailureCount(), 0);
    EXPECT_EQ(link.Read(buffer, 16, 20, '\n', true), 0);
    EXPECT_EQ(owner.texts(), std::vector<std::string>{"Connection timeout"});
    EXPECT_EQ(link.GetFailureCount(), 1);
}

TEST_F(TcpLoopbackTest, largeWriteArrivesOnceInOrderThoughSentInPieces) {
    ASSERT_TRUE(link.Open(&owner));
    ASSERT_TRUE(listener.Accept());
    std::string block(8 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>('A' + (i * 7 + i / 4096) % 26);
    std::string received;
    std::thread peer([&] { received = listener.Receive(block.size() + 1); });
    EXPECT_TRUE(link.Write(block));
    link.Close();
    peer.join();
    EXPECT_EQ(received.size(), block.size());
    EXPECT_TRUE(received == block);
}

TEST_F(TcpLoopbackTest, purgeDiscardsWhatIsWaiting) {
    ASSERT_TRUE(link.Open(&owner));
    ASSERT_TRUE(listener.Accept());
    listener.Send("old reply\n");
    std::string line;
    link.ReadLine(line, 2000, 'o');
    EXPECT_EQ(line, "o");
    EXPECT_TRUE(link.Purge());
    link.ReadLine(line, 0, '\n');
    EXPECT_EQ(line, "");
}

}  // namespace
}  // namespace talven
