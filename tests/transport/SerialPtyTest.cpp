// The serial link on real pseudo-terminal pairs.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <thread>

#include "PtySupport.h"
#include "foundation/Notifier.h"
#include "transport/CommPortConnection.h"

namespace talven {
namespace {

using testing::PtyPair;

class SerialPtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        link.SetPortName(pty.path());
        link.SetOwnerId(55);
    }
    void TearDown() override { link.Close(); }

    PtyPair pty;
    CCommPortConnection link;
};

TEST_F(SerialPtyTest, lineReadKeepsItsLineFeedAndLeavesTheNextLineBuffered) {
    ASSERT_TRUE(link.Open(nullptr));
    pty.Send("ONE\nTWO\n");
    std::string line;
    link.ReadLine(line, 2000, '\n');
    EXPECT_EQ(line, "ONE\n");
    link.ReadLine(line, 0, '\n');
    EXPECT_EQ(line, "TWO\n");
}

TEST_F(SerialPtyTest, bytesPassUnchangedInBothDirections) {
    // A Linux terminal would otherwise echo, translate CR to LF and hold input back until a line end.
    ASSERT_TRUE(link.Open(nullptr));
    ASSERT_TRUE(link.Write("K 1\r"));
    EXPECT_EQ(pty.Receive(4), "K 1\r");
    pty.Send(std::string("A\r\x03\x11", 4));
    char buffer[8];
    int n = link.Read(buffer, 4, 2000, -1, true);
    EXPECT_EQ(std::string(buffer, n), std::string("A\r\x03\x11", 4));
}

TEST_F(SerialPtyTest, purgeDiscardsWaitingInput) {
    ASSERT_TRUE(link.Open(nullptr));
    pty.Send("stale reply\n");
    std::string line;
    link.ReadLine(line, 2000, 'y');  // the line feed stays buffered
    EXPECT_EQ(line, "stale reply");
    EXPECT_TRUE(link.Purge());
    link.ReadLine(line, 0, '\n');
    EXPECT_EQ(line, "");
}

TEST_F(SerialPtyTest, twentyEmptyReadsDeclareTheLinkLostAndASuccessRestartsTheCount) {
    RecordingNotifier notices;
    ScopedNotifier scope(&notices);
    ASSERT_TRUE(link.Open(nullptr));
    std::string line;
    for (int i = 0; i < 15; ++i)
        link.ReadLine(line, 0, '\n');
    pty.Send("x\n");
    link.ReadLine(line, 2000, '\n');
    EXPECT_EQ(link.GetFailureCount(), 0);
    for (int i = 0; i < 19; ++i)
        link.ReadLine(line, 0, '\n');
    EXPECT_TRUE(link.IsOpen());
    link.ReadLine(line, 0, '\n');
    EXPECT_FALSE(link.IsOpen());
    ASSERT_EQ(notices.codes(), std::vector<int>{wm::kConnectionLost});
    EXPECT_EQ(notices.entries()[0].lParam, 55);
}

TEST_F(SerialPtyTest, secondOpenFailsAndLeavesTheLinkOpen) {
    ASSERT_TRUE(link.Open(nullptr));
    EXPECT_FALSE(link.Open(nullptr));
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(link.Write("still\r"));
    EXPECT_EQ(pty.Receive(6), "still\r");
}

TEST_F(SerialPtyTest, anotherConnectionOnTheSameDeviceCannotOpenUntilTheFirstCloses) {
    ASSERT_TRUE(link.Open(nullptr));
    CCommPortConnection other;
    other.SetPortName(pty.path());
    EXPECT_FALSE(other.Open(nullptr));
    EXPECT_EQ(other.GetLastErrorText(),
              "Serial port " + pty.path() + " is in use by another program or connection.");
    EXPECT_TRUE(link.Close());
    EXPECT_TRUE(other.Open(nullptr));
    EXPECT_TRUE(other.Close());
}

TEST_F(SerialPtyTest, portTheUserMayNotOpenGetsAMessageSayingSo) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to try the port as another user";
    ASSERT_EQ(chmod(pty.path().c_str(), 0600), 0);
    const std::string expected = "Permission denied to open serial port " + pty.path() +
                                 ". Add your user to the 'dialout' group and log in again.";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool asOther = setgid(65534) == 0 && setuid(65534) == 0;
        CCommPortConnection other;
        other.SetPortName(pty.path());
        bool refused = !other.Open(nullptr) && other.GetLastErrorText() == expected;
        _exit(asOther && refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(SerialPtyTest, closeDeliversEverythingWrittenAndLeavesTheLinkClosed) {
    ASSERT_TRUE(link.Open(nullptr));
    std::string block(100000, 'D');
    for (std::size_t i = 0; i < block.size(); i += 97)
        block[i] = static_cast<char>('a' + i % 26);
    std::string received;
    std::thread peer([&] { received = pty.Receive(block.size()); });
    EXPECT_TRUE(link.Write(block));
    EXPECT_TRUE(link.Close());
    peer.join();
    EXPECT_EQ(received, block);
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(link.Close());
}

}  // namespace
}  // namespace talven
