// The instrument property sheet: every page's limits and messages, the select and deselect codes
// in their \xhh form, the port's mode variable, the link pages for each type, and what OK writes
// back (and what it must leave alone).

#include "app/ui/InstrumentPropertySheet.h"

#include <gtest/gtest.h>

#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "transport/CommPortConnection.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

class InstrumentSheetTest : public ::testing::Test {
  protected:
    InstrumentSheetTest() {
        config.New();
        site = static_cast<CSiteNode*>(config.Sites().at(0));
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetParentId(site->GetId());
        instrument = node.get();
        config.ConnectedInstruments().Append(std::move(node));
    }

    /// Sets one field, checks its page, and returns the message shown (empty when accepted).
    template <class Set>
    std::string Refusal(int page, Set set) {
        CInstrumentPropertySheet sheet(*instrument, false);
        set(sheet.Values());
        const std::size_t before = prompt.asked().size();
        const bool ok = sheet.CheckPage(page);
        if (ok)
            return prompt.asked().size() == before ? "" : "accepted with a message";
        return prompt.asked().size() == before + 1 ? prompt.asked().back().text : "refused without a message";
    }

    CNetworkConfiguration config;
    ScopedNetworkConfiguration scope{&config};
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped{&prompt};
    CSiteNode* site = nullptr;
    CInstrumentConnectedNode* instrument = nullptr;
};

TEST_F(InstrumentSheetTest, timingLimitsAreReceiveTimeout500To10000DelayTo500AndDisconnectTo60) {
    auto timeout = [](const char* t) { return [t](InstrumentPageValues& v) { v.receiveTimeoutText = t; }; };
    EXPECT_EQ(Refusal(kInstTimingPage, timeout("499")), "Please enter an integer between 500 and 10000.");
    EXPECT_EQ(Refusal(kInstTimingPage, timeout("10001")), "Please enter an integer between 500 and 10000.");
    EXPECT_EQ(Refusal(kInstTimingPage, timeout("500")), "");
    EXPECT_EQ(Refusal(kInstTimingPage, timeout("10000")), "");
    EXPECT_EQ(Refusal(kInstTimingPage, timeout("")), "Please enter an integer.");
    EXPECT_EQ(Refusal(kInstTimingPage, [](auto& v) { v.transmitDelayText = "501"; }),
              "Please enter an integer between 0 and 500.");
    EXPECT_EQ(Refusal(kInstTimingPage, [](auto& v) { v.transmitDelayText = "500"; }), "");
    EXPECT_EQ(Refusal(kInstTimingPage,
                      [](auto& v) {
                          v.autoDisconnectEnabled = true;
                          v.autoDisconnectText = "61";
                      }),
              "Please enter an integer between 0 and 60.");
    // A disabled field is not checked.
    EXPECT_EQ(Refusal(kInstTimingPage, [](auto& v) { v.autoDisconnectText = "61"; }), "");
    EXPECT_EQ(prompt.asked().back().caption, "Error");
}

TEST_F(InstrumentSheetTest, securityAndGeneralLimitsHoldOnlyWhileTheirBoxIsChecked) {
    auto password = [](bool on, const char* t) {
        return [on, t](InstrumentPageValues& v) {
            v.passwordEnabled = on;
            v.passwordText = t;
        };
    };
    EXPECT_EQ(Refusal(kInstSecurityPage, password(true, "1000000")),
              "Please enter an integer between 0 and 999999.");
    EXPECT_EQ(Refusal(kInstSecurityPage, password(true, "999999")), "");
    EXPECT_EQ(Refusal(kInstSecurityPage, password(false, "1000000")), "");
    EXPECT_EQ(Refusal(kInstGeneralPage,
                      [](auto& v) {
                          v.idEnabled = true;
                          v.idText = "-1";
                      }),
              "Please enter an integer between 0 and 4294967295.");
    const std::string badName =
        "Please enter the name of the instrument variable that holds the port's mode. The name may contain "
        "only "
        "letters, digits and the '_' character.";
    for (const char* name : {"", "COM1 MODE", "MODE=3", "\"X\""}) {
        EXPECT_EQ(Refusal(kInstGeneralPage,
                          [name](auto& v) {
                              v.port = 2;
                              v.modeVariableName = name;
                          }),
                  badName)
            << name;
    }
    // The name only counts for the other variable.
    EXPECT_EQ(Refusal(kInstGeneralPage,
                      [](auto& v) {
                          v.port = 1;
                          v.modeVariableName = "not used";
                      }),
              "");
}

TEST_F(InstrumentSheetTest, codesAreEditedAsEscapesAndStoredAsBytes) {
    InstrumentSettings s = instrument->GetSettings();
    s.selectCode = std::string(
        "\x02"
        "A1\r",
        4);
    s.selectEnabled = true;
    s.deselectCode = "\\";
    instrument->SetSettings(s);

    CInstrumentPropertySheet sheet(*instrument, false);
    EXPECT_EQ(sheet.Values().selectText, "\\x02A1\\x0D");
    EXPECT_EQ(sheet.Values().deselectText, "\\\\");
    sheet.Values().selectText = "\\x1b[5q\\x0d\\x0a";
    sheet.Values().deselectEnabled = true;
    sheet.Values().deselectText = "\\x1b[0q";
    ASSERT_TRUE(sheet.Apply());
    EXPECT_EQ(instrument->GetSettings().selectCode, "\x1b[5q\r\n");
    EXPECT_EQ(instrument->GetSettings().deselectCode, "\x1b[0q");
    EXPECT_TRUE(instrument->GetSettings().deselectEnabled);

    CInstrumentPropertySheet bad(*instrument, false);
    bad.Values().deselectText = "\\x1b[0q\\g";
    EXPECT_FALSE(bad.Apply());
    EXPECT_EQ(bad.FailedPage(), kInstSecurityPage);
    EXPECT_EQ(bad.ProblemField(), CInstrumentPropertySheet::kDeselectField);
    EXPECT_EQ(prompt.asked().back().text,
              "Unable to read the deselect code at \"\\g\". Write a byte that is not printable as \\x "
              "followed by two "
              "hexadecimal digits (for example \\x03), and a backslash as \\\\.");
    EXPECT_EQ(instrument->GetSettings().deselectCode, "\x1b[0q");  // nothing was written

    // Switched off, an unreadable code is not refused and the stored one stays.
    bad.Values().deselectEnabled = false;
    ASSERT_TRUE(bad.Apply());
    EXPECT_EQ(instrument->GetSettings().deselectCode, "\x1b[0q");
    EXPECT_FALSE(instrument->GetSettings().deselectEnabled);
}

TEST_F(InstrumentSheetTest, okKeepsTheIdentityAndTheSamplesBoxChangedWhileTheSheetWasOpen) {
    CInstrumentPropertySheet sheet(*instrument, false);
    // Meanwhile a connect learns the identity and the DLOG window ticks its "Samples" box.
    InstrumentIdentity learned;
    learned.capabilities = "dwAk";
    learned.serialNumber = "1042";
    learned.modelFamily = 6;
    instrument->SetIdentity(learned);
    InstrumentSettings s = instrument->GetSettings();
    s.samplesBox = true;
    instrument->SetSettings(s);

    sheet.Values().transmitDelayText = "50";
    ASSERT_TRUE(sheet.Apply());
    EXPECT_EQ(instrument->GetSettings().transmitDelayMs, 50u);
    EXPECT_TRUE(instrument->GetSettings().samplesBox);
    EXPECT_EQ(instrument->GetIdentity(), learned);
}

TEST_F(InstrumentSheetTest, aStoredPortChoiceBeyondTwoSurvivesAnOkThatDidNotTouchIt) {
    InstrumentSettings s = instrument->GetSettings();
    s.instrumentPort = 7;
    s.modeVariableName = "AUX_MODE";
    instrument->SetSettings(s);
    CInstrumentPropertySheet sheet(*instrument, false);
    EXPECT_EQ(sheet.Values().port, 2);
    ASSERT_TRUE(sheet.Apply());
    EXPECT_EQ(instrument->GetSettings().instrumentPort, 7u);
}

TEST_F(InstrumentSheetTest, linkPagesCheckTheirLimitsAndNothingIsWrittenUntilTheyPass) {
    CConnection* before = instrument->GetConnection();
    CInstrumentPropertySheet sheet(*instrument, false);
    CLinkSettings& link = sheet.Link();
    auto refused = [&](const char* expected, CLinkSettings::Field field) {
        EXPECT_FALSE(sheet.Apply());
        EXPECT_EQ(sheet.FailedPage(), kInstConnectionPage);
        EXPECT_EQ(sheet.ProblemField(), CInstrumentPropertySheet::kLinkField);
        EXPECT_EQ(link.ProblemField(), field);
        EXPECT_EQ(prompt.asked().back().text, expected);
        EXPECT_EQ(instrument->GetConnection(), before);
    };
    link.SetType(kTcpLink);
    link.Values().tcpPortText = "65536";
    refused("Please enter an integer between 0 and 65535.", CLinkSettings::kTcpPortField);
    link.SetType(kModemLink);
    link.Values().connectTimeoutText = "-1";
    refused("Please enter an integer between 0 and 2147483647.", CLinkSettings::kConnectTimeoutField);
    link.SetType(kTelephonyLink);
    link.Values().connectTimeoutText = "301";
    refused("Please enter an integer between 0 and 300.", CLinkSettings::kConnectTimeoutField);
    link.Values().connectTimeoutText = "300";
    link.Values().telephoneNumber = std::string(101, '5');
    refused("Please enter a telephone number of at most 100 characters.",
            CLinkSettings::kTelephoneNumberField);
    link.Values().telephoneNumber.pop_back();
    EXPECT_FALSE(link.ConfigureDevice());  // no telephony device on this system
    ASSERT_TRUE(sheet.Apply());
    EXPECT_TRUE(sheet.Changed());
    EXPECT_NE(dynamic_cast<CTAPIModemConnection*>(instrument->GetConnection()), nullptr);
    // Confirming again without a change changes nothing.
    CInstrumentPropertySheet again(*instrument, false);
    ASSERT_TRUE(again.Apply());
    EXPECT_FALSE(again.Changed());
}

TEST_F(InstrumentSheetTest, serialPortMustBeNamedAndTheLinksOwnPortIsOfferedEvenWhenNotListed) {
    static_cast<CCommPortConnection*>(instrument->GetConnection())->SetPortName("/dev/pts/77");
    CInstrumentPropertySheet sheet(*instrument, false);
    const auto ports = sheet.Link().PortChoices();
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports.front(), "/dev/pts/77");
    sheet.Link().Values().portName = " ";
    EXPECT_FALSE(sheet.Apply());
    EXPECT_EQ(prompt.asked().back().text, "Please choose or enter a serial port.");
    EXPECT_EQ(sheet.Link().ProblemField(), CLinkSettings::kPortNameField);
}

TEST_F(InstrumentSheetTest, multiplexorInstrumentKeepsTcpOnTheMultiplexorsAddressWithPort7000Proposed) {
    auto mux = std::make_unique<CMultiplexorNode>();
    mux->SetParentId(site->GetId());
    mux->SetAddress("192.168.7.20");
    const std::uint32_t muxId = mux->GetId();
    config.Multiplexors().Append(std::move(mux));
    CInstrumentMultiplexorNode fresh;
    fresh.SetParentId(muxId);

    CInstrumentPropertySheet sheet(fresh, !IsNodeInConfiguration(fresh));
    EXPECT_TRUE(sheet.IsMultiplexorInstrument());
    EXPECT_TRUE(sheet.Link().IsTypeFixed());
    EXPECT_EQ(sheet.MultiplexorAddress(), "192.168.7.20");
    EXPECT_EQ(sheet.Link().Values().tcpPortText, "7000");
    sheet.Link().SetType(kSerialLink);
    EXPECT_EQ(sheet.Link().GetType(), kTcpLink);
    ASSERT_TRUE(sheet.Apply());
    auto* tcp = dynamic_cast<CTCPConnection*>(fresh.GetConnection());
    ASSERT_NE(tcp, nullptr);
    EXPECT_EQ(tcp->GetHost(), "192.168.7.20");
    EXPECT_EQ(tcp->GetPort(), 7000u);

    // Only a new one gets the proposal: a stored port 0 is shown as it is.
    auto stored = std::make_unique<CInstrumentMultiplexorNode>();
    stored->SetParentId(muxId);
    CInstrumentMultiplexorNode& ref = *stored;
    config.MultiplexorInstruments().Append(std::move(stored));
    EXPECT_TRUE(IsNodeInConfiguration(ref));
    CInstrumentPropertySheet existing(ref, !IsNodeInConfiguration(ref));
    EXPECT_EQ(existing.Link().Values().tcpPortText, "0");
}

}  // namespace
}  // namespace talven
