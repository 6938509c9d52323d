#include <gtest/gtest.h>

#include <sstream>

#include "NetworkTestSupport.h"
#include "network/NetworkFiles.h"

namespace talven {
namespace {

using testing::NetworkTest;

class TextConfigFileTest : public NetworkTest {
  protected:
    std::string Text(const CNetworkConfiguration& config) {
        std::string out;
        EXPECT_TRUE(WriteTextConfiguration(config.Lists(), out));
        return out;
    }
    TextLoadResult Parse(const std::string& text, SavedLists& lists) {
        std::istringstream in(text);
        return ReadTextConfiguration(in, lists);
    }
    static CInstrumentConnectedNode& Instrument(const CNamedObjectList& list, const std::string& name) {
        return static_cast<CInstrumentConnectedNode&>(*list.FindByName(name));
    }
};

TEST_F(TextConfigFileTest, oneHomeSiteIsWrittenExactly) {
    config_.New();
    EXPECT_EQ(Text(config_), "\r\nSITE_NAME = \"Home\"\r\n  SITE_PARENT_SITE = \"\"\r\n");
}

TEST_F(TextConfigFileTest, everyFileWrittenLoadsBackIntoTheSameTree) {
    PopulateAll();
    const std::string path = PathOf("net.cfx");
    ASSERT_TRUE(SaveNetworkConfiguration(config_, path));
    const std::string written = ReadFile(path);
    EXPECT_EQ(written, Text(config_));
    // Control characters in the select code take the escape form; a double quote takes \x22.
    EXPECT_NE(written.find("  INST_SELECT = \"\\x1B\\x41\\r\"\r\n"), std::string::npos);
    EXPECT_NE(written.find("  INST_DESELECT = \"\\x22q\\x22\"\r\n"), std::string::npos);

    CNetworkConfiguration loaded;
    ASSERT_TRUE(LoadNetworkConfiguration(loaded, path)) << prompt_.asked().back().text;
    EXPECT_EQ(Text(loaded), written);
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_EQ(loaded.GetPath(), path);

    const auto& sites = loaded.Sites();
    ASSERT_EQ(sites.size(), 2u);
    auto& child = static_cast<CTreeNode&>(*sites.FindByName("Child"));
    EXPECT_EQ(child.GetParentId(), sites.FindByName("Home")->GetId());
    ASSERT_EQ(loaded.Multiplexors().size(), 1u);
    auto& mux = static_cast<CMultiplexorNode&>(*loaded.Multiplexors().at(0));
    EXPECT_EQ(mux.GetParentId(), child.GetId());
    EXPECT_EQ(mux.GetAddress(), "10.0.0.9");
    ASSERT_EQ(loaded.MultiplexorInstruments().size(), 1u);
    auto& behind = Instrument(loaded.MultiplexorInstruments(), "Behind");
    EXPECT_EQ(behind.GetParentId(), mux.GetId());
    EXPECT_EQ(static_cast<CTCPConnection*>(behind.GetConnection())->GetPort(), 7002u);
    ASSERT_EQ(loaded.ConnectedInstruments().size(), 4u);

    const auto& instruments = loaded.ConnectedInstruments();
    const InstrumentSettings expected = Instrument(config_.ConnectedInstruments(), "Serial").GetSettings();
    const InstrumentSettings s = Instrument(instruments, "Serial").GetSettings();
    EXPECT_EQ(s.selectCode, expected.selectCode);
    EXPECT_EQ(s.deselectCode, "\"q\"");
    EXPECT_EQ(s.instrumentId, 0xFFFFFFF0u);
    EXPECT_EQ(s.modeVariableName, "COM1_MODE");
    EXPECT_TRUE(s.passwordEnabled && s.idEnabled && s.autoDisconnectEnabled && s.selectEnabled &&
                s.deselectEnabled);
    auto* port = dynamic_cast<CCommPortConnection*>(Instrument(instruments, "Serial").GetConnection());
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->GetXonXoff());
    EXPECT_EQ(port->GetStopBits(), 2u);

    auto* hayes = dynamic_cast<CModemConnection*>(Instrument(instruments, "Hayes").GetConnection());
    ASSERT_NE(hayes, nullptr);
    EXPECT_EQ(hayes->GetModemId(), loaded.Modems().at(0)->GetId());
    EXPECT_EQ(hayes->GetPortName(), "COM4");
    auto* tapi = dynamic_cast<CTAPIModemConnection*>(Instrument(instruments, "Telephony").GetConnection());
    ASSERT_NE(tapi, nullptr);
    EXPECT_EQ(tapi->GetDeviceId(), 77u);
    auto* tcp = dynamic_cast<CTCPConnection*>(Instrument(instruments, "Network").GetConnection());
    ASSERT_NE(tcp, nullptr);
    EXPECT_EQ(tcp->GetHost(), "analyzer.local");
}

TEST_F(TextConfigFileTest, conversionBetweenBinaryAndTextKeepsWhatTheTextHolds) {
    PopulateAll();
    const std::string text = Text(config_);
    ASSERT_TRUE(SaveNetworkConfiguration(config_, PathOf("a.cfg")));
    CNetworkConfiguration fromBinary;
    ASSERT_TRUE(LoadNetworkConfiguration(fromBinary, PathOf("a.cfg")));
    ASSERT_TRUE(SaveNetworkConfiguration(fromBinary, PathOf("b.cfx")));
    CNetworkConfiguration fromText;
    ASSERT_TRUE(LoadNetworkConfiguration(fromText, PathOf("b.cfx")));
    ASSERT_TRUE(SaveNetworkConfiguration(fromText, PathOf("c.Cfg")));
    CNetworkConfiguration again;
    ASSERT_TRUE(LoadNetworkConfiguration(again, PathOf("c.Cfg")));
    EXPECT_EQ(Text(again), text);
    // Identity, capabilities and the Samples box are not part of the text form.
    EXPECT_EQ(Instrument(again.ConnectedInstruments(), "Serial").GetIdentity().capabilities, "");
}

TEST_F(TextConfigFileTest, aNameSharedBySiteAndMultiplexorKeepsEachInstrumentInItsList) {
    CSiteNode& site = AddSite("Lab");
    CMultiplexorNode& mux = AddMultiplexor("Lab", site.GetId(), "10.1.1.1");
    // A multiplexor instrument's link goes to its multiplexor's address.
    static_cast<CTCPConnection*>(AddMultiplexorInstrument("Channel", mux.GetId()).GetConnection())
        ->SetHost("10.1.1.1");
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("direct");
    AddInstrument("Direct TCP", site.GetId()).SetConnection(std::move(tcp));
    AddInstrument("Serial", site.GetId());
    const std::string text = Text(config_);

    SavedLists lists;
    ASSERT_TRUE(Parse(text, lists).ok);
    ASSERT_EQ(lists.multiplexorInstruments.size(), 1u);
    EXPECT_EQ(lists.multiplexorInstruments.at(0)->GetName(), "Channel");
    EXPECT_EQ(static_cast<CTreeNode&>(*lists.multiplexorInstruments.at(0)).GetParentId(),
              lists.multiplexors.at(0)->GetId());
    ASSERT_EQ(lists.connectedInstruments.size(), 2u);
    EXPECT_EQ(static_cast<CTreeNode&>(*lists.connectedInstruments.at(0)).GetParentId(),
              lists.sites.at(0)->GetId());
}

TEST_F(TextConfigFileTest, readerAcceptsWhatPeopleWrite) {
    SavedLists lists;
    EXPECT_TRUE(Parse("", lists).ok);
    EXPECT_TRUE(lists.sites.empty() && lists.modems.empty() && lists.connectedInstruments.empty());

    const std::string text =
        "modem_name = \"M\"\r\n  modem_timeout = 5\r\n  MODEM_PULSE_DIAL = \"ATDP\"\r\n  modem_ok = "
        "\"YES\"\r\n"
        "multiplexor_name = \"Mux\" MULTIPLEXOR_TCPIP_ADDRESS = \"1.2.3.4\"\n"
        "site_name = \"Top\"\n"
        "inst_name = \"A\" inst_site = \"top\" inst_select = \"\\r\\x41\\\\\" site_comm_port = 0 "
        "site_parity_mode = 79\n"
        "inst_name = \"B\" inst_site = \"Mux\" site_tcpip_port = 7001\n"
        "inst_name = \"C\" inst_site = \"Top\" site_telephone = \"123\" site_baud_rate = 1200\n";
    const TextLoadResult result = Parse(text, lists);
    ASSERT_TRUE(result.ok) << result.errorText << " line " << result.errorLine;
    ASSERT_EQ(lists.modems.size(), 1u);
    EXPECT_EQ(static_cast<CModemSettings&>(*lists.modems.at(0)).GetOkResponse(), "YES");
    EXPECT_EQ(static_cast<CModemSettings&>(*lists.modems.at(0)).GetDialPrefix(), "ATDT");
    ASSERT_EQ(lists.multiplexors.size(), 1u);
    EXPECT_EQ(static_cast<CTreeNode&>(*lists.multiplexors.at(0)).GetParentId(), 0u);
    ASSERT_EQ(lists.connectedInstruments.size(), 2u);
    auto& a = Instrument(lists.connectedInstruments, "A");
    EXPECT_EQ(a.GetParentId(), lists.sites.at(0)->GetId());
    EXPECT_EQ(a.GetSettings().selectCode, "\rA\\");
    EXPECT_TRUE(a.GetSettings().selectEnabled);
    auto* serial = dynamic_cast<CCommPortConnection*>(a.GetConnection());
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->GetPortName(), "COM1");
    EXPECT_EQ(serial->GetParity(), 1u);
    // The telephone number with serial keywords is a Hayes modem link.
    auto* hayes =
        dynamic_cast<CModemConnection*>(Instrument(lists.connectedInstruments, "C").GetConnection());
    ASSERT_NE(hayes, nullptr);
    EXPECT_EQ(hayes->GetBaudRate(), 1200u);
    ASSERT_EQ(lists.multiplexorInstruments.size(), 1u);
    EXPECT_EQ(Instrument(lists.multiplexorInstruments, "B").GetParentId(), lists.multiplexors.at(0)->GetId());
}

TEST_F(TextConfigFileTest, syntaxErrorsNameTheTokenAndLineAndLoadNothing) {
    struct Case {
        const char* text;
        const char* token;
        int line;
    };
    const Case cases[] = {
        {"SITE_NAME = \"A\"\r\nSITE_NAME \"B\"\r\n", "B", 2},
        {"\r\nSITE_NAME = \"A\"\r\n  SITE_PARENT_SITE = \"Nowhere\"\r\n", "Nowhere", 3},
        {"INST_NAME = \"I\"\r\n  INST_SITE = \"Ghost\"\r\n", "Ghost", 2},
        {"INST_NAME = \"I\"\r\n  SITE_TCPIP_ADDRESS = \"h\"\r\n  SITE_COMM_PORT = \"COM2\"\r\n",
         "SITE_COMM_PORT", 3},
        {"INST_NAME = \"I\"\r\n  INST_PORT = \"two\"\r\n", "two", 2},
        {"MODEM_NAME = \"M\"\r\n  MODEM_OK = 5\r\n", "5", 2},
        {"SITE_NAME = \"A\"\r\n  INST_CONN_TYPE = 1\r\n", "INST_CONN_TYPE", 2},
        {"SITE_NAME = \"unterminated\r\n", "unterminated", 1},
        {"SITE_NAME = \"A\"\r\n12abc\r\n", "", 2},
    };
    for (const Case& c : cases) {
        SavedLists lists;
        const TextLoadResult result = Parse(c.text, lists);
        EXPECT_FALSE(result.ok) << c.text;
        EXPECT_EQ(result.errorText, c.token) << c.text;
        EXPECT_EQ(result.errorLine, c.line) << c.text;
    }

    config_.New();
    const std::string path = PathOf("bad.cfx");
    WriteFile(path, "\r\nSITE_NAME = \"A\"\r\n  SITE_PARENT_SITE = \"Nowhere\"\r\n");
    EXPECT_FALSE(LoadNetworkConfiguration(config_, path));
    ASSERT_EQ(config_.Sites().size(), 1u);
    EXPECT_EQ(config_.Sites().at(0)->GetName(), "Home");
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_EQ(
        prompt_.asked()[0].text,
        "Unable to load network configuration file " + path +
            ": line 3 names \"Nowhere\" as the parent of \"A\", but the file has no site or multiplexor of "
            "that name.");
    EXPECT_EQ(prompt_.asked()[0].caption, "Error");
}

TEST_F(TextConfigFileTest, valuesTheTextCannotHoldRefuseTheSave) {
    config_.New();
    CSiteNode& site = AddSite("Lab \"North\"");
    const std::string path = PathOf("refused.cfx");
    EXPECT_FALSE(SaveNetworkConfiguration(config_, path));
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_EQ(prompt_.asked().size(), 1u);
    EXPECT_NE(prompt_.asked()[0].text.find("the name of \"Lab \"North\"\""), std::string::npos);

    site.SetName("Lab North");
    auto tcp = std::make_unique<CTCPConnection>();
    tcp->SetHost("host\r\nSITE_NAME = \"Injected\"");
    AddInstrument("Net", site.GetId()).SetConnection(std::move(tcp));
    EXPECT_FALSE(SaveNetworkConfiguration(config_, path));
    EXPECT_NE(prompt_.asked().back().text.find("the address of \"Net\""), std::string::npos);

    // The binary form holds any text.
    EXPECT_TRUE(SaveNetworkConfiguration(config_, PathOf("fine.cfg")));
}

}  // namespace
}  // namespace talven
