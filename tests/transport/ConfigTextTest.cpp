// The connection lines and modem blocks of the configuration text: exact writing, reading back,
// and the syntax errors readers record.

#include <gtest/gtest.h>

#include "TransportTestSupport.h"
#include "foundation/NamedObject.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

using testing::ConfigText;

CNamedObjectList OneModem(const std::string& name, std::uint32_t id) {
    CNamedObjectList modems;
    auto modem = std::make_unique<CModemSettings>();
    modem->SetName(name);
    modem->SetId(id);
    modems.Append(std::move(modem));
    return modems;
}

TEST(ConnectionConfigWrite, eachTransportWritesItsExactLines) {
    CNamedObjectList none;
    std::string out;
    CCommPortConnection serial;
    serial.SetParity('E');
    serial.WriteConfig(out, none);
    EXPECT_EQ(out,
              "  SITE_COMM_PORT = \"COM1\"\r\n  SITE_BAUD_RATE = 19200\r\n  SITE_PARITY_MODE = 2\r\n"
              "  SITE_DATA_BITS = 8\r\n  SITE_STOP_BITS = 0\r\n  SITE_XON_XOFF = 0\r\n");

    out.clear();
    CTAPIModemConnection tapi;
    tapi.SetDeviceId(0xFFFFFFFF);
    tapi.SetTelephoneNumber("555");
    tapi.WriteConfig(out, none);
    EXPECT_EQ(out, "  SITE_MODEM = -1\r\n  SITE_TELEPHONE = \"555\"\r\n  SITE_CONNECT_TIMEOUT = 120\r\n");

    out.clear();
    CTCPConnection tcp;
    tcp.SetHost("10.0.0.5");
    tcp.SetPort(7001);
    tcp.WriteConfig(out, none);
    EXPECT_EQ(out, "  SITE_TCPIP_ADDRESS = \"10.0.0.5\"\r\n  SITE_TCPIP_PORT = 7001\r\n");
}

TEST(ConnectionConfigWrite, modemLinkNamesItsModemOnlyWhenTheModemExists) {
    CNamedObjectList modems = OneModem("Office modem", 9);
    CModemConnection link;
    link.SetModemId(9);
    link.SetTelephoneNumber("0123");
    link.SetXonXoff(true);
    std::string out;
    link.WriteConfig(out, modems);
    EXPECT_EQ(
        out,
        "  SITE_MODEM = \"Office modem\"\r\n  SITE_TELEPHONE = \"0123\"\r\n  SITE_CONNECT_TIMEOUT = 120\r\n"
        "  SITE_COMM_PORT = \"COM1\"\r\n  SITE_BAUD_RATE = 19200\r\n  SITE_PARITY_MODE = 0\r\n"
        "  SITE_DATA_BITS = 8\r\n  SITE_STOP_BITS = 0\r\n  SITE_XON_XOFF = 1\r\n");
    link.SetModemId(10);
    out.clear();
    link.WriteConfig(out, modems);
    EXPECT_EQ(out.find("SITE_MODEM"), std::string::npos);
}

TEST(ConnectionConfigWrite, textsTheFileCannotHoldAreNamed) {
    CTCPConnection tcp;
    EXPECT_EQ(tcp.GetUnwritableConfigField(), "");
    tcp.SetHost("bad\"host");
    EXPECT_EQ(tcp.GetUnwritableConfigField(), "SITE_TCPIP_ADDRESS");
    CModemConnection modem;
    modem.SetTelephoneNumber("555\r\n");
    EXPECT_EQ(modem.GetUnwritableConfigField(), "SITE_TELEPHONE");
    modem.SetTelephoneNumber("555");
    modem.SetPortName("CO\nM1");
    EXPECT_EQ(modem.GetUnwritableConfigField(), "SITE_COMM_PORT");
    CModemSettings settings;
    settings.SetOkResponse("\"OK\"");
    EXPECT_EQ(settings.GetUnwritableConfigField(), "MODEM_OK");
}

TEST(ConnectionConfigRead, serialKeywordsInAnyOrderAndCase) {
    ConfigText text(
        "site_baud_rate = 9600\r\n  SITE_COMM_PORT = 0\r\n SITE_PARITY_MODE = 79\r\n SITE_DATA_BITS = 7\r\n"
        " SITE_STOP_BITS = 1\r\n SITE_XON_XOFF = 5\r\nINST_NAME = \"next\"\r\n");
    CCommPortConnection c;
    CNamedObjectList none;
    EXPECT_TRUE(c.ReadConfig(text.stream(), none));
    EXPECT_EQ(text.stream().GetErrorCount(), 0);
    EXPECT_EQ(text.stream().GetTokenKind(), INST_NAME);  // left for the caller
    EXPECT_EQ(c.GetPortName(), "COM1");
    EXPECT_EQ(c.GetBaudRate(), 9600u);
    EXPECT_EQ(c.GetParity(), 1u);
    EXPECT_EQ(c.GetDataBits(), 7u);
    EXPECT_EQ(c.GetStopBits(), 0u);
    EXPECT_TRUE(c.GetXonXoff());
}

TEST(ConnectionConfigRead, wrongValueKindOrMissingEqualsIsASyntaxError) {
    CNamedObjectList none;
    {
        ConfigText text("SITE_BAUD_RATE = \"fast\"\r\n");
        CCommPortConnection c;
        c.ReadConfig(text.stream(), none);
        EXPECT_EQ(text.stream().GetErrorCount(), 1);
        EXPECT_EQ(c.GetBaudRate(), 19200u);
    }
    {
        ConfigText text("SITE_TCPIP_PORT 7000\r\n");
        CTCPConnection c;
        EXPECT_FALSE(c.ReadConfig(text.stream(), none));
        EXPECT_EQ(text.stream().GetErrorCount(), 1);
    }
    {
        ConfigText text("SITE_COMM_PORT = 3\r\nSITE_TELEPHONE = \"1\"\r\n");
        CCommPortConnection c;
        EXPECT_TRUE(c.ReadConfig(text.stream(), none));  // a keyword of another transport ends it
        EXPECT_EQ(c.GetPortName(), "COM4");
        EXPECT_EQ(text.stream().GetTokenKind(), SITE_TELEPHONE);
        EXPECT_EQ(text.stream().GetErrorCount(), 0);
    }
}

TEST(ConnectionConfigRead, modemLinkLooksUpItsModemByNameAndHandsSerialLinesOn) {
    CNamedObjectList modems = OneModem("Office Modem", 31);
    ConfigText text(
        "SITE_MODEM = \"office modem\"\r\nSITE_COMM_PORT = \"/dev/ttyUSB1\"\r\nSITE_TELEPHONE = \"777\"\r\n"
        "SITE_BAUD_RATE = 2400\r\nSITE_CONNECT_TIMEOUT = 45\r\n");
    CModemConnection c;
    EXPECT_TRUE(c.ReadConfig(text.stream(), modems));
    EXPECT_EQ(text.stream().GetErrorCount(), 0);
    EXPECT_EQ(text.stream().GetTokenKind(), kTokenEnd);
    EXPECT_EQ(c.GetModemId(), 31u);
    EXPECT_EQ(c.GetPortName(), "/dev/ttyUSB1");
    EXPECT_EQ(c.GetTelephoneNumber(), "777");
    EXPECT_EQ(c.GetBaudRate(), 2400u);
    EXPECT_EQ(c.GetConnectTimeout(), 45);

    ConfigText unknown("SITE_MODEM = \"Nowhere\"\r\n");
    CModemConnection d;
    d.SetModemId(5);
    EXPECT_TRUE(d.ReadConfig(unknown.stream(), modems));
    EXPECT_EQ(d.GetModemId(), 5u);
}

TEST(ConnectionConfigRead, writtenLinesReadBackIntoEqualSettings) {
    CNamedObjectList modems = OneModem("M", 4);
    CModemConnection link;
    link.SetModemId(4);
    link.SetPortName("/dev/serial/by-id/usb-FTDI-if00");
    link.SetBaudRate(115200);
    link.SetParity(3);
    link.SetStopBits(2);
    link.SetTelephoneNumber("+44 20 7946 0000");
    std::string out;
    link.WriteConfig(out, modems);
    ConfigText text(out);
    CModemConnection back;
    back.ReadConfig(text.stream(), modems);
    EXPECT_EQ(text.stream().GetErrorCount(), 0);
    std::string again;
    back.WriteConfig(again, modems);
    EXPECT_EQ(again, out);

    CTAPIModemConnection tapi;
    tapi.SetDeviceId(0x80000001);
    tapi.SetConnectTimeout(30);
    out.clear();
    tapi.WriteConfig(out, modems);
    ConfigText tapiText(out);
    CTAPIModemConnection tapiBack;
    tapiBack.ReadConfig(tapiText.stream(), modems);
    EXPECT_EQ(tapiBack.GetDeviceId(), 0x80000001u);
    EXPECT_EQ(tapiBack.GetConnectTimeout(), 30);
}

TEST(ModemConfig, blockReadsKnownKeywordsIgnoresTheOthersAndStopsAtTheNextBlock) {
    ConfigText text(
        "modem_name = \"Fast\"\r\n  MODEM_TONE_DIAL = \"ATDP\"\r\n  MODEM_TIMEOUT = 30\r\n"
        "  MODEM_ECHO_OFF = \"ATE0\"\r\n  MODEM_CONNECT = \"CARRIER\"\r\nSITE_NAME = \"Home\"\r\n");
    CModemSettings m;
    EXPECT_TRUE(m.ReadConfig(text.stream()));
    EXPECT_EQ(text.stream().GetErrorCount(), 0);
    EXPECT_EQ(text.stream().GetTokenKind(), SITE_NAME);
    EXPECT_EQ(m.GetName(), "Fast");
    EXPECT_EQ(m.GetDialPrefix(), "ATDP");
    EXPECT_EQ(m.GetConnectResponse(), "CARRIER");
    EXPECT_EQ(m.GetOkResponse(), "OK");
}

TEST(ModemConfig, blockFollowedByMultiplexorIsASyntaxErrorAtThatKeyword) {
    ConfigText text("MODEM_NAME = \"A\"\r\nMULTIPLEXOR_NAME = \"B\"\r\n");
    CModemSettings m;
    EXPECT_FALSE(m.ReadConfig(text.stream()));
    EXPECT_EQ(text.stream().GetErrorCount(), 1);
    EXPECT_EQ(text.stream().GetErrorLine(), 2);
}

TEST(ModemConfig, writtenBlockReadsBackIdentically) {
    CModemSettings m;
    m.SetName("Lab modem");
    m.SetInitialization("AT&F&C1&D2");
    std::string out;
    m.WriteConfig(out);
    EXPECT_EQ(out.substr(0, 33), "\r\nMODEM_NAME = \"Lab modem\"\r\n  MOD");
    ConfigText text(out);
    CModemSettings back;
    EXPECT_TRUE(back.ReadConfig(text.stream()));
    std::string again;
    back.WriteConfig(again);
    EXPECT_EQ(again, out);
}

}  // namespace
}  // namespace talven
