// Archive layouts of the connection classes and of the modem settings, old schemas included.

#include <gtest/gtest.h>

#include <cstring>

#include "TransportTestSupport.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

using testing::BytesArchive;
using testing::Store;
using Bytes = std::vector<std::uint8_t>;

void Append32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void AppendText(Bytes& b, const std::string& text) {
    b.push_back(static_cast<std::uint8_t>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
}

Bytes SerialBytes(const std::string& port, std::uint32_t baud, std::uint32_t parity, std::uint32_t bits,
                  std::uint32_t stop) {
    Bytes b;
    AppendText(b, port);
    for (std::uint32_t v : {baud, parity, bits, stop})
        Append32(b, v);
    return b;
}

TEST(ConnectionArchive, serialDefaultsStoreAsSchemaOneLayout) {
    CCommPortConnection c;
    Bytes expected = SerialBytes("COM1", 19200, 0, 8, 0);
    Append32(expected, 0);
    EXPECT_EQ(Store(c), expected);
    EXPECT_STREQ(c.GetRuntimeClass(), "CCommPortConnection");
    EXPECT_EQ(CCommPortConnection::kSchema, 1u);
}

TEST(ConnectionArchive, serialSchemaZeroHasNoFlowControlFlagAndOtherSchemasFail) {
    CCommPortConnection c;
    c.SetXonXoff(true);
    BytesArchive old(SerialBytes("/dev/ttyUSB0", 9600, 2, 7, 2), 0);
    c.Serialize(old);
    EXPECT_FALSE(old.failed());
    EXPECT_EQ(c.GetPortName(), "/dev/ttyUSB0");
    EXPECT_EQ(c.GetBaudRate(), 9600u);
    EXPECT_EQ(c.GetParity(), 2u);
    EXPECT_EQ(c.GetDataBits(), 7u);
    EXPECT_EQ(c.GetStopBits(), 2u);
    EXPECT_FALSE(c.GetXonXoff());

    Bytes current = SerialBytes("COM4", 9600, 0, 8, 0);
    Append32(current, 1);
    BytesArchive bad(current, 2);
    CCommPortConnection untouched;
    untouched.Serialize(bad);
    EXPECT_TRUE(bad.failed());
    EXPECT_EQ(untouched.GetPortName(), "COM1");
}

TEST(ConnectionArchive, truncatedSerialDataFailsAndKeepsSettings) {
    Bytes b = SerialBytes("COM7", 1200, 1, 7, 2);
    b.pop_back();
    b.pop_back();
    BytesArchive ar(b, 1);
    CCommPortConnection c;
    c.Serialize(ar);
    EXPECT_TRUE(ar.failed());
    EXPECT_EQ(c.GetPortName(), "COM1");
    EXPECT_EQ(c.GetBaudRate(), 19200u);
}

TEST(ConnectionArchive, modemLinkAppendsModemIdNumberAndTimeoutToSerialData) {
    CModemConnection c;
    c.SetPortName("COM2");
    c.SetModemId(0xA1B2C3D4);
    c.SetTelephoneNumber("5551234");
    c.SetConnectTimeout(60);
    Bytes expected = SerialBytes("COM2", 19200, 0, 8, 0);
    Append32(expected, 0);
    Append32(expected, 0xA1B2C3D4);
    AppendText(expected, "5551234");
    Append32(expected, 60);
    EXPECT_EQ(Store(c), expected);

    // Whatever schema the record carries, the modem link reads the one layout.
    BytesArchive ar(expected, 0);
    CModemConnection back;
    back.Serialize(ar);
    EXPECT_FALSE(ar.failed());
    EXPECT_EQ(back.GetModemId(), 0xA1B2C3D4u);
    EXPECT_EQ(back.GetTelephoneNumber(), "5551234");
    EXPECT_EQ(back.GetConnectTimeout(), 60);
    EXPECT_EQ(back.GetPortName(), "COM2");
}

TEST(ConnectionArchive, telephonyAndTcpLayoutsRoundTrip) {
    CTAPIModemConnection t;
    t.SetDeviceId(77);
    t.SetTelephoneNumber("9,555");
    Bytes expectedT;
    Append32(expectedT, 77);
    AppendText(expectedT, "9,555");
    Append32(expectedT, 120);
    EXPECT_EQ(Store(t), expectedT);
    BytesArchive arT(expectedT, 0);
    CTAPIModemConnection backT;
    backT.Serialize(arT);
    EXPECT_EQ(backT.GetDeviceId(), 77u);
    EXPECT_EQ(backT.GetTelephoneNumber(), "9,555");

    CTCPConnection tcp;
    Bytes expected;
    AppendText(expected, "0.0.0.0");
    Append32(expected, 0);
    EXPECT_EQ(Store(tcp), expected);
    tcp.SetHost("analyzer.example");
    tcp.SetPort(3000);
    BytesArchive ar(Store(tcp), 0);
    CTCPConnection back;
    back.Serialize(ar);
    EXPECT_EQ(back.GetHost(), "analyzer.example");
    EXPECT_EQ(back.GetPort(), 3000u);
}

// Modem settings -------------------------------------------------------------------------------

Bytes OldRecord(const char* name, const char* prefix, const char* init, const char* dial, const char* hangUp,
                const char* reset) {
    Bytes r(CModemSettings::kOldRecordSize, 0);
    auto put = [&](std::size_t at, const char* text) { std::memcpy(r.data() + at, text, std::strlen(text)); };
    put(0, name);
    put(40, prefix);
    put(48, init);
    put(298, dial);
    put(338, hangUp);
    put(358, reset);
    return r;
}

void ExpectOldCommands(const CModemSettings& m) {
    EXPECT_EQ(m.GetDialPrefix(), "ATDT");
    EXPECT_EQ(m.GetInitialization(), "AT&F E1");
    EXPECT_EQ(m.GetHangUp(), "ATH");
    EXPECT_EQ(m.GetReset(), "ATZ");
    EXPECT_EQ(m.GetEscape(), "+++");
    EXPECT_EQ(m.GetOkResponse(), "OK");
    EXPECT_EQ(m.GetConnectResponse(), "CONNECT");
}

TEST(ModemSettingsArchive, currentSchemaStoresNameIdAndSevenTexts) {
    CModemSettings m;
    m.SetId(0x01020304);
    Bytes expected;
    AppendText(expected, "Standard");
    Append32(expected, 0x01020304);
    for (const char* t : {"ATDT", "+++", "ATH0", "AT &F E0 M0 Q0 V1", "ATZ", "OK", "CONNECT"})
        AppendText(expected, t);
    EXPECT_EQ(Store(m), expected);
    EXPECT_EQ(CModemSettings::kSchema, 7u);

    m.SetName("Office");
    m.SetConnectResponse("CARRIER");
    BytesArchive ar(Store(m), 7);
    CModemSettings back;
    back.Serialize(ar);
    EXPECT_FALSE(ar.failed());
    EXPECT_EQ(back.GetName(), "Office");
    EXPECT_EQ(back.GetId(), 0x01020304u);
    EXPECT_EQ(back.GetConnectResponse(), "CARRIER");
}

TEST(ModemSettingsArchive, schemaSixDropsOneTextBeforeTheCommands) {
    Bytes b;
    AppendText(b, "Fax");
    Append32(b, 42);
    AppendText(b, "dropped");
    for (const char* t : {"ATDP", "~~~", "ATH1", "ATI", "ATZ0", "YES", "CARRIER"})
        AppendText(b, t);
    BytesArchive ar(b, 6);
    CModemSettings m;
    m.Serialize(ar);
    EXPECT_FALSE(ar.failed());
    EXPECT_TRUE(ar.Reader().atEnd());
    EXPECT_EQ(m.GetName(), "Fax");
    EXPECT_EQ(m.GetId(), 42u);
    EXPECT_EQ(m.GetDialPrefix(), "ATDP");
    EXPECT_EQ(m.GetConnectResponse(), "CARRIER");
}

TEST(ModemSettingsArchive, oldRecordSchemasBuildCommandsFromPrefixAndSuffixes) {
    const Bytes record = OldRecord("Hayes 2400", "AT", "AT&F E1", "DT", "ATH", "Z");

    Bytes four;
    AppendText(four, "Named outside");
    Append32(four, 5);
    Append32(four, 999);
    four.insert(four.end(), record.begin(), record.end());
    BytesArchive ar4(four, 4);
    CModemSettings m4;
    m4.Serialize(ar4);
    EXPECT_FALSE(ar4.failed());
    EXPECT_EQ(m4.GetName(), "Named outside");
    EXPECT_EQ(m4.GetId(), 5u);
    ExpectOldCommands(m4);

    Bytes three;
    Append32(three, 6);
    Append32(three, 999);
    three.insert(three.end(), record.begin(), record.end());
    BytesArchive ar3(three, 3);
    CModemSettings m3;
    m3.Serialize(ar3);
    EXPECT_FALSE(ar3.failed());
    EXPECT_EQ(m3.GetName(), "Hayes 2400");
    EXPECT_EQ(m3.GetId(), 6u);
    ExpectOldCommands(m3);

    Bytes two;
    Append32(two, 7);
    two.insert(two.end(), record.begin(), record.end());
    BytesArchive ar2(two, 2);
    CModemSettings m2;
    m2.Serialize(ar2);
    EXPECT_FALSE(ar2.failed());
    EXPECT_TRUE(ar2.Reader().atEnd());
    EXPECT_EQ(m2.GetName(), "Hayes 2400");
    EXPECT_EQ(m2.GetId(), 7u);
    ExpectOldCommands(m2);
}

TEST(ModemSettingsArchive, unterminatedRecordTextStopsAtTheNextField) {
    Bytes record = OldRecord("", "", "INIT", "DT", "ATH", "Z");
    std::memset(record.data() + 40, 'A', 8);  // the command prefix fills its field without a zero
    std::memset(record.data() + 358, 'R', CModemSettings::kOldRecordSize - 358);
    Bytes b;
    Append32(b, 1);
    b.insert(b.end(), record.begin(), record.end());
    BytesArchive ar(b, 2);
    CModemSettings m;
    m.Serialize(ar);
    EXPECT_EQ(m.GetDialPrefix(), "AAAAAAAADT");
    EXPECT_EQ(m.GetInitialization(), "INIT");
    EXPECT_EQ(m.GetReset(), "AAAAAAAA" + std::string(CModemSettings::kOldRecordSize - 358, 'R'));
}

TEST(ModemSettingsArchive, unknownSchemaAndShortRecordFail) {
    for (std::uint32_t schema : {0u, 1u, 5u, 8u}) {
        BytesArchive ar(Bytes(600, 0), schema);
        CModemSettings m;
        m.Serialize(ar);
        EXPECT_TRUE(ar.failed()) << schema;
    }
    Bytes shortRecord;
    Append32(shortRecord, 3);
    shortRecord.resize(4 + 559, 0);
    BytesArchive ar(shortRecord, 2);
    CModemSettings m;
    m.Serialize(ar);
    EXPECT_TRUE(ar.failed());
    EXPECT_EQ(m.GetDialPrefix(), "ATDT");
}

TEST(ModemSettings, defaultsCloneAndInUseCount) {
    CModemSettings m;
    EXPECT_EQ(m.GetName(), "Standard");
    EXPECT_NE(m.GetId(), 0u);
    EXPECT_TRUE(m.HasAllStrings());
    m.AddInUse();
    auto copy = m.Clone();
    auto* c = dynamic_cast<CModemSettings*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetId(), m.GetId());
    EXPECT_EQ(c->GetInUseCount(), 0);
    m.ReleaseInUse();
    m.ReleaseInUse();
    EXPECT_EQ(m.GetInUseCount(), 0);
    m.SetOkResponse("");
    EXPECT_FALSE(m.HasAllStrings());
}

}  // namespace
}  // namespace talven
