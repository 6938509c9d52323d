// Link behaviour that needs no operating-system device: the polling read, failure accounting and
// the lost-link notice, the telephony dialogue against a scripted provider, and the settings rules.

#include <gtest/gtest.h>

#include "TransportTestSupport.h"
#include "foundation/Messages.h"
#include "foundation/NamedObject.h"
#include "foundation/Notifier.h"
#include "transport/CommPortConnection.h"
#include "transport/MemorySerialDevice.h"
#include "transport/ModemConnection.h"
#include "transport/ScriptedTelephony.h"
#include "transport/SerialDevice.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"
#include "transport/TransportEnvironment.h"
#include "transport/TransportMessages.h"

namespace talven {
namespace {

using testing::RecordingOwner;

// The polling read ---------------------------------------------------------------------------------

class PolledReadTest : public ::testing::Test {
  protected:
    void SetUp() override { input.Allocate(); }
    int Read(char* out, int max, int terminator) {
        return PolledRead(device, input, out, max, 0, terminator);
    }

    std::shared_ptr<MemorySerialDevice::State> state = std::make_shared<MemorySerialDevice::State>();
    MemorySerialDevice device{state};
    PolledInput input;
};

TEST_F(PolledReadTest, lineKeepsItsTerminatorAndLeavesTheNextLineBuffered) {
    state->Feed("first\nsecond\n");
    char out[100];
    int n = Read(out, 100, '\n');
    EXPECT_EQ(std::string(out, n), "first\n");
    EXPECT_EQ(state->input, "");  // taken from the device in one read
    n = Read(out, 100, '\n');
    EXPECT_EQ(std::string(out, n), "second\n");
}

TEST_F(PolledReadTest, lineSplitAcrossArrivalsIsJoinedAndMaximumLengthStopsEarly) {
    state->Feed("par");
    char out[100];
    EXPECT_EQ(Read(out, 100, '\n'), 3);  // nothing more within the time-out: what came so far
    state->Feed("tial\nabcdef");
    int n = Read(out, 100, '\n');
    EXPECT_EQ(std::string(out, n), "tial\n");
    n = Read(out, 4, -1);
    EXPECT_EQ(std::string(out, n), "abcd");
    n = Read(out, 100, -1);
    EXPECT_EQ(std::string(out, n), "ef");
    EXPECT_EQ(Read(out, 0, -1), 0);
}

TEST_F(PolledReadTest, deviceErrorEndsTheRead) {
    state->failReads = true;
    char out[10];
    EXPECT_EQ(PolledRead(device, input, out, 10, 100000, -1), 0);
}

TEST(DrainOutput, waitsForTheQueueButNeverMoreThanTenSeconds) {
    struct Stuck : MemorySerialDevice {
        using MemorySerialDevice::MemorySerialDevice;
        int left = 3;
        bool forever = false;
        int OutputWaiting() override { return forever ? 1 : (left > 0 ? left-- : 0); }
    } device(std::make_shared<MemorySerialDevice::State>());
    int waited = 0;
    DrainOutput(device, [&](int ms) { waited += ms; });
    EXPECT_EQ(waited, 300 + 100);
    device.forever = true;
    waited = 0;
    DrainOutput(device, [&](int ms) { waited += ms; });
    EXPECT_EQ(waited, 10000 + 100);
}

// Telephony links over the scripted provider, also used for the shared failure accounting -------

class TelephonyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        provider.devices.push_back({"Internal data modem", 501, 2, 0x20000});
        BuildTelephonyDeviceList(provider, devices);
        SetTelephonyProvider(&provider);
        SetTelephonyDeviceList(&devices);
        link.SetDeviceId(501);
        link.SetTelephoneNumber("5550100");
        link.SetOwnerId(1234);
    }
    void TearDown() override {
        link.Close();
        SetTelephonyProvider(nullptr);
        SetTelephonyDeviceList(nullptr);
        SetDetectFailedConnections(true);
    }
    std::vector<std::string> WaitingTexts() const {
        std::vector<std::string> waits;
        for (const auto& t : owner.texts()) {
            if (t.rfind("Waiting to connect...", 0) == 0)
                waits.push_back(t);
        }
        return waits;
    }

    ScriptedTelephonyProvider provider;
    CNamedObjectList devices;
    RecordingOwner owner;
    CTAPIModemConnection link;
};

TEST_F(TelephonyTest, connectedCallOpensTheCallDeviceAndCloseDropsTheCall) {
    provider.callStates = {0x2 /* dialing */, callstate::kConnected};
    ASSERT_TRUE(link.Open(&owner));
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(link.IsHandleOpen());
    EXPECT_EQ(owner.texts().front(), "Dialing 5550100...");
    EXPECT_TRUE(link.Write("T\r"));
    EXPECT_EQ(provider.callDevice->Written(), "T\r");
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_EQ(provider.Calls(), (std::vector<std::string>{"OpenLine 2", "MakeCall 5550100", "GetCallDevice",
                                                          "Drop", "CloseLine"}));
}

TEST_F(TelephonyTest, zeroConnectTimeoutFailsRightAfterTheCallRequest) {
    link.SetConnectTimeout(0);
    provider.callStates = {callstate::kConnected};
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_FALSE(link.IsHandleOpen());
    EXPECT_TRUE(WaitingTexts().empty());
    EXPECT_EQ(provider.Calls(),
              (std::vector<std::string>{"OpenLine 2", "MakeCall 5550100", "Drop", "CloseLine"}));
}

TEST_F(TelephonyTest, disconnectedBeforeConnectedFailsWithoutCountingDown) {
    provider.callStates = {callstate::kDisconnected, callstate::kConnected};
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_TRUE(WaitingTexts().empty());
    provider.callStates = {callstate::kSpecialInfo};
    EXPECT_FALSE(link.Open(&owner));
}

TEST_F(TelephonyTest, messagesLeftFromAnEarlierCallDoNotAffectANewOne) {
    provider.QueueStaleMessage(callstate::kDisconnected);
    provider.callStates = {callstate::kConnected};
    EXPECT_TRUE(link.Open(&owner));
}

TEST_F(TelephonyTest, silentCallCountsDownEverySecondThenFails) {
    link.SetConnectTimeout(3);
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_EQ(WaitingTexts(), (std::vector<std::string>{"Waiting to connect...3", "Waiting to connect...2",
                                                        "Waiting to connect...1"}));
}

TEST_F(TelephonyTest, cancelStopsTheWaitAndUnknownDeviceFailsAtOnce) {
    link.SetConnectTimeout(5);
    owner.onProgress = [&](const std::string& t) {
        if (t == "Waiting to connect...4")
            owner.cancel = true;
    };
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_EQ(WaitingTexts().size(), 2u);
    EXPECT_EQ(provider.Calls().back(), "CloseLine");

    CTAPIModemConnection other;
    other.SetDeviceId(999);
    EXPECT_FALSE(other.Open(&owner));
    EXPECT_FALSE(other.GetLastErrorText().empty());
    EXPECT_EQ(provider.Calls().size(), 4u);  // no line opened for it
}

TEST_F(TelephonyTest, readLineKeepsTheLineFeedAndCountsFailuresUntilTheLinkIsLost) {
    RecordingNotifier notices;
    ScopedNotifier scope(&notices);
    provider.callStates = {callstate::kConnected};
    ASSERT_TRUE(link.Open(&owner));
    provider.callDevice->Feed("READY\r\nNEXT");
    std::string line;
    link.ReadLine(line, 0, '\n');
    EXPECT_EQ(line, "READY\r\n");
    link.ReadLine(line, 0, '\n');
    EXPECT_EQ(line, "NEXT");

    for (int i = 0; i < 19; ++i)
        link.ReadLine(line, 0, '\n');
    EXPECT_EQ(link.GetFailureCount(), 19);
    provider.callDevice->Feed("x");
    link.ReadLine(line, 0, '\n');
    EXPECT_EQ(link.GetFailureCount(), 0);  // one success starts the count again
    for (int i = 0; i < 19; ++i)
        link.ReadLine(line, 0, '\n');
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(notices.entries().empty());
    link.ReadLine(line, 0, '\n');
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(link.IsHandleOpen());  // declared lost, not closed
    ASSERT_EQ(notices.entries().size(), 1u);
    EXPECT_EQ(notices.entries()[0].code, wm::kConnectionLost);
    EXPECT_EQ(notices.entries()[0].lParam, 1234);

    provider.callDevice->Feed("late\n");
    char buffer[10];
    EXPECT_EQ(link.Read(buffer, 10, 0, -1, true), 0);
    EXPECT_FALSE(link.Write("x"));
    EXPECT_EQ(notices.entries().size(), 1u);
}

TEST_F(TelephonyTest, lostLinkIsNotDeclaredWhenDetectionIsOffOrCountingDisabled) {
    RecordingNotifier notices;
    ScopedNotifier scope(&notices);
    provider.callStates = {callstate::kConnected};
    ASSERT_TRUE(link.Open(&owner));
    SetDetectFailedConnections(false);
    std::string line;
    for (int i = 0; i < 25; ++i)
        link.ReadLine(line, 0, '\n');
    EXPECT_TRUE(link.IsOpen());
    SetDetectFailedConnections(true);
    link.SetMaxFailures(0);
    for (int i = 0; i < 25; ++i)
        link.ReadLine(line, 0, '\n');
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(notices.entries().empty());
}

TEST_F(TelephonyTest, secondOpenFailsAndLeavesTheLinkOpen) {
    provider.callStates = {callstate::kConnected};
    ASSERT_TRUE(link.Open(&owner));
    EXPECT_FALSE(link.Open(&owner));
    EXPECT_TRUE(link.IsOpen());
    EXPECT_TRUE(link.IsHandleOpen());
}

TEST(Telephony, platformProviderListsNoDevicesSoEveryLinkFailsAtOnce) {
    auto provider = MakePlatformTelephonyProvider();
    CNamedObjectList devices;
    BuildTelephonyDeviceList(*provider, devices);
    EXPECT_TRUE(devices.empty());
    SetTelephonyProvider(provider.get());
    SetTelephonyDeviceList(&devices);
    CTAPIModemConnection link;
    EXPECT_FALSE(link.Open(nullptr));
    SetTelephonyProvider(nullptr);
    SetTelephonyDeviceList(nullptr);
}

// Settings rules -------------------------------------------------------------------------------------

TEST(SerialSettings, parityAndStopBitCodes) {
    CCommPortConnection c;
    const std::pair<std::uint32_t, std::uint32_t> parity[] = {
        {1, 1}, {'O', 1}, {2, 2}, {'E', 2}, {3, 3}, {'M', 3}, {4, 4}, {'S', 4}, {0, 0}, {'N', 0}, {5, 0}};
    for (auto [code, expected] : parity) {
        c.SetParity(code);
        EXPECT_EQ(c.GetParity(), expected) << code;
    }
    c.SetStopBits(1);
    EXPECT_EQ(c.GetStopBits(), 0u);
    c.SetStopBits(2);
    EXPECT_EQ(c.GetStopBits(), 2u);
}

TEST(SerialSettings, clonesCarryEverySettingAndStartClosed) {
    CModemConnection m;
    m.SetPortName("/dev/ttyACM0");
    m.SetBaudRate(2400);
    m.SetParity(2);
    m.SetDataBits(7);
    m.SetStopBits(2);
    m.SetXonXoff(true);
    m.SetModemId(8);
    m.SetTelephoneNumber("99");
    m.SetConnectTimeout(15);
    m.SetOwnerId(3);
    auto copy = m.Clone();
    auto* c = dynamic_cast<CModemConnection*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetPortName(), "/dev/ttyACM0");
    EXPECT_EQ(c->GetBaudRate(), 2400u);
    EXPECT_EQ(c->GetParity(), 2u);
    EXPECT_EQ(c->GetDataBits(), 7u);
    EXPECT_EQ(c->GetStopBits(), 2u);
    EXPECT_TRUE(c->GetXonXoff());
    EXPECT_EQ(c->GetModemId(), 8u);
    EXPECT_EQ(c->GetTelephoneNumber(), "99");
    EXPECT_EQ(c->GetConnectTimeout(), 15);
    EXPECT_FALSE(c->IsOpen());
    EXPECT_FALSE(c->IsHandleOpen());
    EXPECT_EQ(c->GetOwnerId(), -1);
    EXPECT_EQ(c->GetTypeKeyword(), 141);
    EXPECT_EQ(CTCPConnection().Clone()->GetTypeKeyword(), 143);
}

TEST(SerialPortNames, oldComNamesMapToLinuxSerialDevices) {
    EXPECT_EQ(ResolvePortName("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolvePortName("com12"), "/dev/ttyS11");
    EXPECT_EQ(ResolvePortName("COM0"), "COM0");
    EXPECT_EQ(ResolvePortName("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortName("COMX"), "COMX");
}

TEST(SerialPorts, missingPortFailsWithAMessageNamingIt) {
    CCommPortConnection c;
    c.SetPortName("/dev/talven-no-such-port");
    EXPECT_FALSE(c.Open(nullptr));
    EXPECT_FALSE(c.IsOpen());
    EXPECT_EQ(c.GetLastErrorText(), "Serial port /dev/talven-no-such-port does not exist.");
    EXPECT_FALSE(c.Close());
    char buffer[4];
    EXPECT_EQ(c.Read(buffer, 4, 0, -1, true), 0);
    EXPECT_FALSE(c.Write("x"));
    EXPECT_FALSE(c.Purge());
}

TEST(ModemLink, missingModemFailsOpenWithoutTouchingThePort) {
    CNamedObjectList modems;
    SetModemList(&modems);
    CModemConnection c;
    c.SetPortName("/dev/talven-no-such-port");
    c.SetModemId(12);
    EXPECT_FALSE(c.Open(nullptr));
    EXPECT_EQ(c.GetLastErrorText(), FormatMessage(msg::kModemNotFound));
    SetModemList(nullptr);
}

}  // namespace
}  // namespace talven
