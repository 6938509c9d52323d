// The Hayes dialogue against a scripted modem on the far end of a pseudo-terminal.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "PtySupport.h"
#include "TransportTestSupport.h"
#include "foundation/NamedObject.h"
#include "foundation/Notifier.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TransportEnvironment.h"

namespace talven {
namespace {

using testing::PtyPair;
using testing::RecordingOwner;

/// Answers every command ended by a carriage return with a blank line and OK, the escape sequence
/// with OK, and a dial command with dialReply when answerDial is set.
class FakeModem {
  public:
    explicit FakeModem(const PtyPair& pty) : pty_(pty), thread_([this] { Run(); }) {}
    ~FakeModem() {
        stop_ = true;
        thread_.join();
    }
    std::string Received() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    std::atomic<bool> answerDial{true};
    std::string dialReply = "\r\nCONNECT 9600\r\n";

  private:
    void Run() {
        std::string pending;
        char buffer[256];
        while (!stop_) {
            pollfd p{pty_.master(), POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            ssize_t n = read(pty_.master(), buffer, sizeof buffer);
            if (n <= 0)
                continue;
            pending.append(buffer, static_cast<std::size_t>(n));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                received_.append(buffer, static_cast<std::size_t>(n));
            }
            Answer(pending);
        }
    }
    void Answer(std::string& pending) {
        for (;;) {
            if (pending.rfind("+++", 0) == 0) {
                pending.erase(0, 3);
                pty_.Send("\r\nOK\r\n");
                continue;
            }
            std::size_t end = pending.find('\r');
            if (end == std::string::npos)
                return;
            std::string command = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (command.rfind("ATD", 0) == 0) {
                if (answerDial)
                    pty_.Send(dialReply);
            } else {
                pty_.Send("\r\nOK\r\n");
            }
        }
    }

    const PtyPair& pty_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string received_;
    std::thread thread_;
};

/// The modem link without its fixed waits (guard time, pause after dialling, drain pauses).
class QuickModemConnection : public CModemConnection {
  protected:
    void Pause(int) override {}
};

class ModemPtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        auto settings = std::make_unique<CModemSettings>();
        settings->SetId(77);
        modem = settings.get();
        modems.Append(std::move(settings));
        SetModemList(&modems);
        link.SetPortName(pty.path());
        link.SetModemId(77);
        link.SetTelephoneNumber("5551234");
    }
    void TearDown() override {
        link.Close();
        SetModemList(nullptr);
    }
    std::vector<std::string> Countdown() const {
        std::vector<std::string> waits;
        for (const auto& t : owner.texts()) {
            if (t.rfind("Waiting to connect...", 0) == 0)
                waits.push_back(t);
        }
        return waits;
    }

    PtyPair pty;
    FakeModem fake{pty};
    CNamedObjectList modems;
    CModemSettings* modem = nullptr;
    RecordingOwner owner;
    QuickModemConnection link;
};

TEST_F(ModemPtyTest, dialAndHangUpSendExactlyTheModemCommands) {
    ASSERT_TRUE(link.Open(&owner));
    EXPECT_EQ(fake.Received(), "ATZ\rAT &F E0 M0 Q0 V1\rATDT5551234\r");
    EXPECT_EQ(owner.texts().front(), "Dialing 5551234...");
    EXPECT_EQ(modem->GetInUseCount(), 1);
    EXPECT_TRUE(link.Close());
    EXPECT_EQ(fake.Received(), "ATZ\rAT &F E0 M0 Q0 V1\rATDT5551234\r+++ATH0\rATZ\r");
    EXPECT_EQ(modem->GetInUseCount(), 0);
    EXPECT_FALSE(link.IsHandleOpen());
}

TEST_F(ModemPtyTest, countdownRunsUntilALowerCaseConnectLineArrives) {
    fake.answerDial = false;
    link.SetConnectTimeout(3);
    owner.onProgress = [&](const std::string& text) {
        if (text == "Waiting to connect...2")
            pty.Send("connect 9600\r\n");
    };
    ASSERT_TRUE(link.Open(&owner));
    EXPECT_EQ(Countdown(), (std::vector<std::string>{"Waiting to connect...3", "Waiting to connect...2"}));
    EXPECT_TRUE(link.IsOpen());
}

TEST_F(ModemPtyTest, silentSecondsOfTheCountdownAreNotFailedReads) {
    RecordingNotifier notices;
    ScopedNotifier scope(&notices);
    fake.answerDial = false;
    link.SetMaxFailures(1);
    link.SetConnectTimeout(2);
    owner.onProgress = [&](const std::string& text) {
        if (text == "Waiting to connect...1")
            pty.Send("CONNECT\r\n");
    };
    ASSERT_TRUE(link.Open(&owner));
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(notices.entries().empty());
}

TEST_F(ModemPtyTest, cancelDuringTheCountdownHangsUpAndFails) {
    fake.answerDial = false;
    link.SetConnectTimeout(10);
    owner.onProgress = [&](const std::string& text) {
        if (text == "Waiting to connect...9")
            owner.cancel = true;
    };
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_EQ(Countdown().size(), 2u);
    EXPECT_EQ(fake.Received(), "ATZ\rAT &F E0 M0 Q0 V1\rATDT5551234\r+++ATH0\rATZ\r");
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_EQ(modem->GetInUseCount(), 0);
}

TEST_F(ModemPtyTest, cancelBeforeOpeningTouchesNothing) {
    owner.cancel = true;
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_EQ(fake.Received(), "");
}

TEST_F(ModemPtyTest, linkDeclaredLostStillHangsUpOnClose) {
    ASSERT_TRUE(link.Open(&owner));
    link.DeclareLost();
    ASSERT_FALSE(link.IsOpen());
    EXPECT_TRUE(link.Close());
    EXPECT_EQ(fake.Received(), "ATZ\rAT &F E0 M0 Q0 V1\rATDT5551234\r+++ATH0\rATZ\r");
}

TEST_F(ModemPtyTest, loadReplacingTheModemsListWhileOpenStillHangsUpWithTheDialledModem) {
    ASSERT_TRUE(link.Open(&owner));
    modems.DeleteAll();  // what a configuration load does to the list
    modem = nullptr;
    auto replacement = std::make_unique<CModemSettings>();
    replacement->SetId(77);
    replacement->SetHangUp("ATH9");
    CModemSettings* now = replacement.get();
    modems.Append(std::move(replacement));
    EXPECT_TRUE(link.Close());
    EXPECT_EQ(fake.Received(), "ATZ\rAT &F E0 M0 Q0 V1\rATDT5551234\r+++ATH0\rATZ\r");
    EXPECT_EQ(now->GetInUseCount(), 0);
}

TEST_F(ModemPtyTest, chattyModemCannotHoldAResponseWaitBeyondItsTimeOut) {
    ASSERT_TRUE(link.Open(&owner));
    std::atomic<bool> stop{false};
    std::thread chatter([&] {
        while (!stop) {
            pty.Send("RING\r\n");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    bool seen = link.WaitForResponse("NO CARRIER", 300);
    stop = true;
    chatter.join();
    EXPECT_FALSE(seen);
}

}  // namespace
}  // namespace talven
