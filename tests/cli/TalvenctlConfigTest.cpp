#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "CliTestSupport.h"
#include "app/CoreStartup.h"
#include "calibrator/Sequence.h"
#include "cli/CommandLineArgs.h"
#include "cli/Talvenctl.h"
#include "dlog/DASChannel.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "network/TreeNode.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TCPConnection.h"

namespace talven::cli {
namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun Talvenctl(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunTalvenctl(args, out, err);
    return {status, out.str(), err.str()};
}

class TalvenctlConfig : public ::testing::Test {
  protected:
    test::TempDir temp_;
    const std::string dir_ = temp_.path();

    // Home > North (site) with a multiplexor of two instruments, and a serial and a modem
    // instrument at Home.
    void BuildNetwork(CNetworkConfiguration& c) {
        ScopedNetworkConfiguration current(&c);
        c.New();
        auto* home = c.Sites().at(0);
        auto north = std::make_unique<CSiteNode>();
        north->SetName("North");
        north->SetParentId(home->GetId());
        const std::uint32_t northId = north->GetId();
        c.Sites().Append(std::move(north));

        auto modem = std::make_unique<CModemSettings>();
        modem->SetName("Desk modem");
        const std::uint32_t modemId = modem->GetId();
        c.Modems().Append(std::move(modem));

        auto mux = std::make_unique<CMultiplexorNode>();
        mux->SetName("Rack");
        mux->SetParentId(northId);
        mux->SetAddress("10.0.0.9");
        const std::uint32_t muxId = mux->GetId();
        c.Multiplexors().Append(std::move(mux));
        for (std::uint32_t port : {7001u, 7002u}) {
            auto inst = std::make_unique<CInstrumentMultiplexorNode>();
            inst->SetName("Ozone " + std::to_string(port));
            inst->SetParentId(muxId);
            auto tcp = std::make_unique<CTCPConnection>();
            tcp->SetHost("10.0.0.9");
            tcp->SetPort(port);
            inst->SetConnection(std::move(tcp));
            c.MultiplexorInstruments().Append(std::move(inst));
        }
        auto serial = std::make_unique<CInstrumentConnectedNode>();
        serial->SetName("NOx");
        serial->SetParentId(home->GetId());
        auto port = std::make_unique<CCommPortConnection>();
        port->SetPortName("/dev/ttyUSB0");
        port->SetBaudRate(9600);
        port->SetParity(2);
        port->SetStopBits(2);
        serial->SetConnection(std::move(port));
        c.ConnectedInstruments().Append(std::move(serial));

        auto dialled = std::make_unique<CInstrumentConnectedNode>();
        dialled->SetName("Remote SO2");
        dialled->SetParentId(home->GetId());
        auto link = std::make_unique<CModemConnection>();
        link->SetModemId(modemId);
        link->SetTelephoneNumber("555 0100");
        dialled->SetConnection(std::move(link));
        c.ConnectedInstruments().Append(std::move(dialled));
    }

    /// The network above saved to path, NOx with a DLOG channel (and a sequence) when asked.
    void SaveNetwork(const std::string& path, bool withChannel = false, bool withSequence = false) {
        CNetworkConfiguration c;
        BuildNetwork(c);
        auto* nox = static_cast<CInstrumentNode*>(c.ConnectedInstruments().FindByName("NOx"));
        ASSERT_NE(nox, nullptr);
        if (withChannel) {
            auto channel = std::make_unique<CDASChannel>();
            channel->SetName("CONC1");
            nox->GetList(kDlogChannels).Append(std::move(channel));
        }
        if (withSequence) {
            auto sequence = std::make_unique<CSequence>();
            sequence->SetName("ZERO_SPAN");
            nox->GetList(kSequences).Append(std::move(sequence));
        }
        ScopedNetworkConfiguration current(&c);
        ASSERT_TRUE(SaveNetworkConfiguration(c, path));
    }
};

const char* kExpectedTree =
    "site Home\n"
    "  site North\n"
    "    multiplexor Rack 10.0.0.9\n"
    "      instrument Ozone 7001 tcp 10.0.0.9:7001\n"
    "      instrument Ozone 7002 tcp 10.0.0.9:7002\n"
    "  instrument NOx serial /dev/ttyUSB0 9600 E 8 2\n"
    "  instrument Remote SO2 modem \"Desk modem\" dialling \"555 0100\" on COM1\n";

TEST_F(TalvenctlConfig, showPrintsTheTreeAndConvertKeepsItInBothDirections) {
    CNetworkConfiguration c;
    BuildNetwork(c);
    const std::string text = dir_ + "/net.cfx";
    {
        ScopedNetworkConfiguration current(&c);
        ASSERT_TRUE(SaveNetworkConfiguration(c, text));
    }
    CliRun shown = Talvenctl({"config", "show", text});
    ASSERT_EQ(shown.status, kExitOk) << shown.err;
    EXPECT_EQ(shown.out, kExpectedTree);

    const std::string binary = dir_ + "/net.CFG";
    CliRun converted = Talvenctl({"config", "convert", text, binary});
    ASSERT_EQ(converted.status, kExitOk) << converted.err;
    EXPECT_EQ(Talvenctl({"config", "show", binary}).out, kExpectedTree);

    const std::string back = dir_ + "/back.cfx";
    ASSERT_EQ(Talvenctl({"config", "convert", binary, back}).status, kExitOk);
    EXPECT_EQ(Talvenctl({"config", "show", back}).out, kExpectedTree);
}

TEST_F(TalvenctlConfig, failuresExitOneWithTheMessageAndUsageErrorsExitTwo) {
    CliRun missing = Talvenctl({"config", "show", dir_ + "/absent.cfg"});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_NE(missing.err.find("Unable to load network configuration file " + dir_ +
                               "/absent.cfg: No such file or directory."),
              std::string::npos)
        << missing.err;

    const std::string broken = dir_ + "/broken.cfx";
    ASSERT_TRUE(ReplaceFileContents(broken, "SITE_NAME = \"A\"\r\n= = =\r\n"));
    CliRun syntax = Talvenctl({"config", "show", broken});
    EXPECT_EQ(syntax.status, kExitFailed);
    EXPECT_NE(syntax.err.find("Syntax error encountered at"), std::string::npos) << syntax.err;

    EXPECT_EQ(Talvenctl({}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"bogus"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"config", "show"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"config", "show", "a.cfg", "--frobnicate"}).status, kExitUsage);
    EXPECT_EQ(Talvenctl({"config", "convert", "only-one.cfg"}).status, kExitUsage);
    CliRun help = Talvenctl({"config", "--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("config convert IN OUT"), std::string::npos);
}

TEST_F(TalvenctlConfig, instrumentDataInABinaryFileLoadsAndSurvivesConversion) {
    InitializeCore();
    const std::string first = dir_ + "/data.cfg";
    SaveNetwork(first, true, true);
    const CliRun shown = Talvenctl({"config", "show", first});
    ASSERT_EQ(shown.status, kExitOk) << shown.err;
    EXPECT_EQ(shown.out, kExpectedTree);

    const std::string second = dir_ + "/copy.cfg";
    ASSERT_EQ(Talvenctl({"config", "convert", first, second}).status, kExitOk);
    CNetworkConfiguration back;
    ScopedNetworkConfiguration current(&back);
    ASSERT_TRUE(LoadNetworkConfiguration(back, second));
    auto* loaded = static_cast<CInstrumentNode*>(back.ConnectedInstruments().FindByName("NOx"));
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->GetList(kDlogChannels).size(), 1u);
    EXPECT_EQ(loaded->GetList(kDlogChannels).at(0)->GetName(), "CONC1");
    ASSERT_EQ(loaded->GetList(kSequences).size(), 1u);
    EXPECT_EQ(loaded->GetList(kSequences).at(0)->GetName(), "ZERO_SPAN");
}

TEST_F(TalvenctlConfig, loadAndSaveFailuresNameTheSystemsReason) {
    const CliRun missing = Talvenctl({"config", "show", dir_ + "/nonexist.cfx"});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_NE(missing.err.find("Unable to load network configuration file " + dir_ +
                               "/nonexist.cfx: No such file or directory."),
              std::string::npos)
        << missing.err;

    const std::string source = dir_ + "/net.cfx";
    SaveNetwork(source);
    // A device is written in place, and its failure is one.
    const CliRun full = Talvenctl({"config", "convert", source, "/dev/full"});
    EXPECT_EQ(full.status, kExitFailed);
    EXPECT_NE(full.err.find("Unable to save network configuration file /dev/full: No space left on device."),
              std::string::npos)
        << full.err;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST_F(TalvenctlConfig, savesThroughASymbolicLinkWriteItsTargetAndKeepTheLink) {
    const std::string source = dir_ + "/net.cfx";
    SaveNetwork(source);
    std::filesystem::create_directory(dir_ + "/real");
    test::WriteAll(dir_ + "/real/target.cfx", "old");
    std::filesystem::create_symlink("real/target.cfx", dir_ + "/link.cfx");
    const CliRun r = Talvenctl({"config", "convert", source, dir_ + "/link.cfx"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ + "/link.cfx"));
    EXPECT_EQ(test::ReadAll(dir_ + "/real/target.cfx"), test::ReadAll(source));
}

TEST_F(TalvenctlConfig, textTreesThatWouldHideNodesAreRefusedNamingTheNode) {
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"SITE_NAME = \"Loop\"\r\n  SITE_PARENT_SITE = \"Loop\"\r\n", "site \"Loop\" is its own parent"},
        {"SITE_NAME = \"A\"\r\n  SITE_PARENT_SITE = \"B\"\r\nSITE_NAME = \"B\"\r\n  SITE_PARENT_SITE = "
         "\"A\"\r\n"
         "INST_NAME = \"Hidden\"\r\n  INST_PORT = 0\r\n  INST_SITE = \"B\"\r\n",
         "the parents of site \"A\" lead back to it"},
        {"INST_NAME = \"Far\"\r\n  INST_PORT = 0\r\n  INST_SITE = \"\"\r\n  SITE_TCPIP_ADDRESS = \"h\"\r\n"
         "  SITE_TCPIP_PORT = 70000\r\n",
         "line 5 gives TCP port 70000 to \"Far\""},
        {"INST_NAME = \"Neg\"\r\n  INST_PORT = 0\r\n  INST_SITE = \"\"\r\n  SITE_TCPIP_ADDRESS = \"h\"\r\n"
         "  SITE_TCPIP_PORT = -1\r\n",
         "line 5 gives TCP port -1 to \"Neg\""},
        {"SITE_NAME = \"A\"\r\n  SITE_PARENT_SITE = \"Nowhere\"\r\n",
         "line 2 names \"Nowhere\" as the parent of \"A\", but the file has no site or multiplexor"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const std::string path = dir_ + "/bad.cfx";
        test::WriteAll(path, c.text);
        const CliRun r = Talvenctl({"config", "show", path});
        EXPECT_EQ(r.status, kExitFailed);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Unable to load network configuration file " + path + ": " + c.reason),
                  std::string::npos)
            << r.err;
    }
    // The top end of the port range still loads.
    const std::string good = dir_ + "/good.cfx";
    test::WriteAll(good,
                   "INST_NAME = \"Ok\"\r\n  INST_PORT = 0\r\n  INST_SITE = \"\"\r\n"
                   "  SITE_TCPIP_ADDRESS = \"h\"\r\n  SITE_TCPIP_PORT = 65535\r\n");
    const CliRun ok = Talvenctl({"config", "show", good});
    EXPECT_EQ(ok.status, kExitOk) << ok.err;
    EXPECT_EQ(ok.out, "instrument Ok tcp h:65535\n");
}

TEST_F(TalvenctlConfig, convertingToTextSaysWhichInstrumentsDataWasLeftOut) {
    InitializeCore();
    const std::string binary = dir_ + "/data.cfg";
    SaveNetwork(binary, true);
    const CliRun text = Talvenctl({"config", "convert", binary, dir_ + "/data.cfx"});
    EXPECT_EQ(text.status, kExitOk) << text.err;
    EXPECT_NE(text.err.find("of instrument NOx were left out"), std::string::npos) << text.err;
    EXPECT_EQ(text.err.find("Remote SO2"), std::string::npos) << text.err;
    const CliRun copy = Talvenctl({"config", "convert", binary, dir_ + "/copy.cfg"});
    EXPECT_EQ(copy.status, kExitOk);
    EXPECT_EQ(copy.err, "");
}

TEST(CommandLineArgs, optionsStandAnywhereWithValuesInlineOrSeparate) {
    ParsedArgs parsed;
    std::string error;
    ASSERT_TRUE(ParseArgs({"--tcp", "h:1", "file", "--key=3", "--key", "4", "--yes", "--", "--literal"},
                          {{"--tcp", true}, {"--key", true, true}, {"--yes"}}, parsed, error))
        << error;
    EXPECT_EQ(parsed.operands, (std::vector<std::string>{"file", "--literal"}));
    EXPECT_EQ(parsed.Value("--tcp"), "h:1");
    EXPECT_EQ(parsed.values["--key"], (std::vector<std::string>{"3", "4"}));
    EXPECT_TRUE(parsed.Has("--yes"));

    ParsedArgs p2;
    EXPECT_FALSE(ParseArgs({"--tcp"}, {{"--tcp", true}}, p2, error));
    EXPECT_NE(error.find("needs a value"), std::string::npos);
    ParsedArgs p3;
    EXPECT_FALSE(ParseArgs({"--tcp", "a", "--tcp", "b"}, {{"--tcp", true}}, p3, error));
    ParsedArgs p4;
    EXPECT_FALSE(ParseArgs({"--yes=1"}, {{"--yes"}}, p4, error));
}

}  // namespace
}  // namespace talven::cli
