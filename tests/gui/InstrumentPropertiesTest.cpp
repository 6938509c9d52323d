// The instrument property sheet on the offscreen platform: every field changed through the
// widgets, for each link type, then the network configuration saved in both file forms, read back
// and every field found again. Also the manual's screenshots of each page and link type.

#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "foundation/UserPrompt.h"
#include "gui/InstrumentPropertiesDialog.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/NetworkFiles.h"
#include "network/TreeNode.h"
#include "tests/gui/DialogTestSupport.h"
#include "tests/gui/GuiTestSupport.h"
#include "transport/CommPortConnection.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"
#include "transport/Telephony.h"

namespace talven::gui {
namespace {

using test::Child;
using test::Choose;
using test::ShowLaidOut;
using test::Tick;
using test::Type;
using test::WhenModal;

constexpr std::uint32_t kDeviceId = 4242;
const char* kTypeNames[] = {"serial", "modem", "telephony", "tcp"};

class InstrumentPropertiesTest : public ::testing::TestWithParam<int> {
  protected:
    InstrumentPropertiesTest() {
        config.New();
        std::string pattern = (std::filesystem::temp_directory_path() / "talven-gui-XXXXXX").string();
        dir = ::mkdtemp(pattern.data()) ? pattern : std::string();
        auto modem = std::make_unique<CModemSettings>();
        modem->SetName("Dial-out");
        config.Modems().Append(std::make_unique<CModemSettings>());
        config.Modems().Append(std::move(modem));
        config.TelephonyDevices().Append(
            std::make_unique<CTAPIModemDevice>("Test line", kDeviceId, 0, 0x20000));
        auto node = std::make_unique<CInstrumentConnectedNode>();
        node->SetParentId(config.Sites().at(0)->GetId());
        node->SetName("Shelter analyzer");
        instrument = node.get();
        config.ConnectedInstruments().Append(std::move(node));
    }
    ~InstrumentPropertiesTest() override { std::filesystem::remove_all(dir); }

    /// Fills the Connection page for the link type under test.
    void FillConnection(InstrumentPropertiesDialog& d, int type) {
        Choose(d, "linkType", type);
        switch (type) {
            case 0:
            case 1: {
                const char* prefix = type == 0 ? "serial" : "modem";
                auto* port = Child<QComboBox>(d, (std::string(prefix) + "Port").c_str());
                port->setCurrentText("/dev/ttyUSB7");
                WhenModal([](QDialog& settings) {
                    Choose(settings, "baudRate", 10);  // 57600
                    Choose(settings, "dataBits", 2);   // 7
                    Choose(settings, "parity", 1);
                    Choose(settings, "stopBits", 1);
                    Choose(settings, "flowControl", 1);
                    settings.accept();
                });
                Child<QPushButton>(d, (std::string(prefix) + "Configure").c_str())->click();
                if (type == 1) {
                    Choose(d, "modem", 1);
                    Type(d, "modemNumber", "555 0199");
                    Type(d, "modemTimeout", "90");
                }
                break;
            }
            case 2:
                Choose(d, "device", 0);
                Type(d, "telephonyNumber", "+49 30 5550123");
                Type(d, "telephonyTimeout", "45");
                break;
            default:
                Type(d, "host", "analyzer.example.net");
                Type(d, "tcpPort", "4001");
                break;
        }
    }

    void FillOtherPages(InstrumentPropertiesDialog& d) {
        QTabWidget* tabs = d.Tabs();
        tabs->setCurrentIndex(kInstGeneralPage);
        Type(d, "name", "Roof NOx");
        Tick(d, "idEnabled", true);
        Type(d, "instrumentId", "700");
        Child<QRadioButton>(d, "port2")->click();
        EXPECT_EQ(Child<QLineEdit>(d, "modeVariable")->text(), "COM1_MODE");
        Type(d, "modeVariable", "COM2_MODE");
        tabs->setCurrentIndex(kInstSecurityPage);
        Tick(d, "passwordEnabled", true);
        Type(d, "password", "818");
        Tick(d, "selectEnabled", true);
        Type(d, "selectCode", "\\x1B[5q\\x0D");
        Tick(d, "deselectEnabled", true);
        Type(d, "deselectCode", "\\x1B[0q");
        tabs->setCurrentIndex(kInstTimingPage);
        Child<QPushButton>(d, "timingDefaults")->click();
        EXPECT_EQ(Child<QLineEdit>(d, "receiveTimeout")->text(), "2000");
        Type(d, "transmitDelay", "120");
        Tick(d, "autoDisconnectEnabled", true);
        Type(d, "autoDisconnect", "30");
    }

    void ExpectEveryField(CNetworkConfiguration& in, const CInstrumentConnectedNode& node, int type) {
        const InstrumentSettings s = node.GetSettings();
        EXPECT_TRUE(s.idEnabled);
        EXPECT_EQ(s.instrumentId, 700u);
        EXPECT_EQ(s.instrumentPort, 2u);
        EXPECT_EQ(s.modeVariableName, "COM2_MODE");
        EXPECT_TRUE(s.passwordEnabled);
        EXPECT_EQ(s.password, 818u);
        EXPECT_TRUE(s.selectEnabled);
        EXPECT_EQ(s.selectCode, "\x1b[5q\r");
        EXPECT_TRUE(s.deselectEnabled);
        EXPECT_EQ(s.deselectCode, "\x1b[0q");
        EXPECT_EQ(s.receiveTimeoutMs, 2000u);
        EXPECT_EQ(s.transmitDelayMs, 120u);
        EXPECT_TRUE(s.autoDisconnectEnabled);
        EXPECT_EQ(s.autoDisconnectMinutes, 30u);
        const CConnection* link = node.GetConnection();
        ASSERT_NE(link, nullptr);
        if (type == 0 || type == 1) {
            auto* serial = dynamic_cast<const CCommPortConnection*>(link);
            ASSERT_NE(serial, nullptr);
            EXPECT_EQ(serial->GetPortName(), "/dev/ttyUSB7");
            EXPECT_EQ(serial->GetBaudRate(), 57600u);
            EXPECT_EQ(serial->GetDataBits(), 7u);
            EXPECT_EQ(serial->GetParity(), 1u);
            EXPECT_EQ(serial->GetStopBits(), 2u);
            EXPECT_TRUE(serial->GetXonXoff());
        }
        if (type == 0) {
            EXPECT_EQ(link->GetTypeKeyword(), linkkw::kDirectCable);
        }
        if (type == 1) {
            auto* modem = dynamic_cast<const CModemConnection*>(link);
            ASSERT_NE(modem, nullptr);
            // The text form names the modem; a load gives it a new id.
            const CNamedObject* chosen = in.Modems().FindById(modem->GetModemId());
            ASSERT_NE(chosen, nullptr);
            EXPECT_EQ(chosen->GetName(), "Dial-out");
            EXPECT_EQ(modem->GetTelephoneNumber(), "555 0199");
            EXPECT_EQ(modem->GetConnectTimeout(), 90);
        }
        if (type == 2) {
            auto* tapi = dynamic_cast<const CTAPIModemConnection*>(link);
            ASSERT_NE(tapi, nullptr);
            EXPECT_EQ(tapi->GetDeviceId(), kDeviceId);
            EXPECT_EQ(tapi->GetTelephoneNumber(), "+49 30 5550123");
            EXPECT_EQ(tapi->GetConnectTimeout(), 45);
        }
        if (type == 3) {
            auto* tcp = dynamic_cast<const CTCPConnection*>(link);
            ASSERT_NE(tcp, nullptr);
            EXPECT_EQ(tcp->GetHost(), "analyzer.example.net");
            EXPECT_EQ(tcp->GetPort(), 4001u);
        }
    }

    std::string dir;
    CNetworkConfiguration config;
    ScopedNetworkConfiguration scope{&config};
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped{&prompt};
    CInstrumentConnectedNode* instrument = nullptr;
};

TEST_P(InstrumentPropertiesTest, everyFieldChangedInTheSheetSurvivesSavingAndLoadingBothFileForms) {
    const int type = GetParam();
    {
        InstrumentPropertiesDialog dialog(nullptr, *instrument, false);
        ShowLaidOut(dialog);
        FillOtherPages(dialog);
        dialog.Tabs()->setCurrentIndex(kInstConnectionPage);
        FillConnection(dialog, type);
        ASSERT_EQ(dialog.Tabs()->currentIndex(), kInstConnectionPage);
        ShowLaidOut(dialog);
        test::SaveScreenshot(dialog, QString("instrument-properties-") + kTypeNames[type]);
        if (type == 0) {
            const char* pages[] = {"general", "connection", "security", "timing"};
            for (int page : {kInstGeneralPage, kInstSecurityPage, kInstTimingPage}) {
                dialog.Tabs()->setCurrentIndex(page);
                test::SaveScreenshot(dialog, QString("instrument-properties-page-") + pages[page]);
            }
        }
        dialog.accept();
        ASSERT_EQ(dialog.result(), QDialog::Accepted)
            << (prompt.asked().empty() ? "" : prompt.asked().back().text);
        EXPECT_TRUE(dialog.Presenter().Changed());
    }
    EXPECT_EQ(instrument->GetName(), "Roof NOx");
    ExpectEveryField(config, *instrument, type);

    for (const char* file : {"net.cfg", "net.cfx"}) {
        SCOPED_TRACE(file);
        const std::string path = dir + "/" + file;
        ASSERT_TRUE(SaveNetworkConfiguration(config, path));
        CNetworkConfiguration loaded;
        ASSERT_TRUE(LoadNetworkConfiguration(loaded, path));
        auto* node =
            dynamic_cast<CInstrumentConnectedNode*>(loaded.ConnectedInstruments().FindByName("Roof NOx"));
        ASSERT_NE(node, nullptr);
        ExpectEveryField(loaded, *node, type);
    }
}

INSTANTIATE_TEST_SUITE_P(EachLinkType, InstrumentPropertiesTest, ::testing::Range(0, 4),
                         [](const ::testing::TestParamInfo<int>& param) {
                             return std::string(kTypeNames[param.param]);
                         });

TEST(InstrumentPropertiesPages, okShowsTheFirstRefusedPageAndWritesNothingUntilAllPass) {
    CNetworkConfiguration config;
    config.New();
    ScopedNetworkConfiguration scope(&config);
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped(&prompt);
    CInstrumentConnectedNode node;
    InstrumentPropertiesDialog dialog(nullptr, node, true);
    ShowLaidOut(dialog);
    dialog.Tabs()->setCurrentIndex(kInstTimingPage);
    Type(dialog, "receiveTimeout", "3000");
    dialog.Tabs()->setCurrentIndex(kInstSecurityPage);
    Tick(dialog, "selectEnabled", true);
    Type(dialog, "selectCode", "\\x");
    Type(dialog, "password", "5");                     // disabled: not looked at
    dialog.Tabs()->setCurrentIndex(kInstGeneralPage);  // refused
    ASSERT_EQ(dialog.Tabs()->currentIndex(), kInstSecurityPage);
    Type(dialog, "selectCode", "\\\\");
    dialog.Tabs()->setCurrentIndex(kInstGeneralPage);
    Child<QRadioButton>(dialog, "port2")->click();
    Type(dialog, "modeVariable", "");
    dialog.Tabs()->setCurrentIndex(kInstSecurityPage);  // refused
    Type(dialog, "modeVariable", "AUX MODE");
    dialog.accept();
    EXPECT_EQ(dialog.Tabs()->currentIndex(), kInstGeneralPage);
    EXPECT_EQ(dialog.focusWidget(), Child<QLineEdit>(dialog, "modeVariable"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(prompt.asked().size(), 3u);
    EXPECT_EQ(node.GetSettings().receiveTimeoutMs, 5000u);
    Type(dialog, "modeVariable", "AUX_MODE");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(node.GetSettings().receiveTimeoutMs, 3000u);
    EXPECT_EQ(node.GetSettings().selectCode, "\\");
    EXPECT_EQ(node.GetSettings().password, 0u);
}

}  // namespace
}  // namespace talven::gui
