// The options sheet, the site, multiplexor and modem dialogs and the port settings dialog on the
// offscreen platform: their bindings to the presenters, page checks, and the manual's screenshots.

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "app/SettingsStore.h"
#include "app/TalvenApp.h"
#include "foundation/UserPrompt.h"
#include "gui/ConnectionDialogs.h"
#include "gui/Dialogs.h"
#include "gui/ModemsDialog.h"
#include "gui/NodePropertiesDialogs.h"
#include "gui/OptionsDialog.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "tests/gui/DialogTestSupport.h"
#include "tests/gui/GuiTestSupport.h"
#include "transport/ModemSettings.h"
#include "transport/TCPConnection.h"

namespace talven::gui {
namespace {

using test::Child;
using test::ShowLaidOut;
using test::Tick;
using test::Type;
using test::WhenModal;

class DialogsTest : public ::testing::Test {
  protected:
    DialogsTest() { config.New(); }
    CNetworkConfiguration config;
    ScopedNetworkConfiguration scope{&config};
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped{&prompt};
};

TEST_F(DialogsTest, optionsPagesRefuseToBeLeftWithABadIntervalAndOkStoresEveryPage) {
    OptionsDialog dialog(nullptr, Options(), false);
    ShowLaidOut(dialog);
    QTabWidget* tabs = dialog.Tabs();
    const char* shots[] = {"options-general", "options-date-format", "options-front-panel",
                           "options-logging"};
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        EXPECT_EQ(tabs->currentIndex(), page);
        test::SaveScreenshot(dialog, shots[page]);
    }

    tabs->setCurrentIndex(kOptFrontPanelPage);
    Type(dialog, "interval", "61");
    tabs->setCurrentIndex(kOptGeneralPage);
    EXPECT_EQ(tabs->currentIndex(), kOptFrontPanelPage);  // the page stays
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Please enter an integer between 1 and 60.");
    EXPECT_EQ(dialog.focusWidget(), Child<QLineEdit>(dialog, "interval"));
    Type(dialog, "interval", "9");

    tabs->setCurrentIndex(kOptDateFormatPage);
    Child<QListWidget>(dialog, "dateUses")->setCurrentRow(2);
    Type(dialog, "dateFormat", "%H%M");
    tabs->setCurrentIndex(kOptLoggingPage);
    Tick(dialog, "logErrors", true);
    Type(dialog, "logName", "/tmp/talven-test-events.txt");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const Options& o = dialog.Presenter().Result();
    EXPECT_EQ(o.frontPanelInterval, 9u);
    EXPECT_EQ(o.DateFormat(3), "%H%M");
    EXPECT_TRUE(o.logErrors);
    EXPECT_EQ(o.logFileName, "/tmp/talven-test-events.txt");
}

TEST_F(DialogsTest, restoreDefaultsButtonIsOffWhileBusyAndRefillsThePagesOnYes) {
    Options changed;
    changed.frontPanelInterval = 44;
    changed.confirmDeletes = false;
    OptionsDialog busy(nullptr, changed, true);
    EXPECT_FALSE(Child<QPushButton>(busy, "restoreDefaults")->isEnabled());

    OptionsDialog dialog(nullptr, changed, false);
    prompt.QueueAnswer(mb::kIdYes);
    Child<QPushButton>(dialog, "restoreDefaults")->click();
    EXPECT_EQ(Child<QLineEdit>(dialog, "interval")->text(), "5");
    EXPECT_TRUE(Child<QCheckBox>(dialog, "confirmDeletes")->isChecked());
}

TEST_F(DialogsTest, showOptionsDialogStoresInTheApplicationOnOkOnly) {
    MemorySettingsStore store;
    CTALVENApp app(store);
    WhenModal([](QDialog& d) {
        Tick(d, "saveOnExit", true);
        d.reject();
    });
    EXPECT_FALSE(ShowOptionsDialog(nullptr, app, false));
    EXPECT_FALSE(app.GetOptions().saveOnExit);
    WhenModal([](QDialog& d) {
        Tick(d, "saveOnExit", true);
        d.accept();
    });
    EXPECT_TRUE(ShowOptionsDialog(nullptr, app, false));
    EXPECT_TRUE(app.GetOptions().saveOnExit);
}

TEST_F(DialogsTest, siteAndMultiplexorPropertiesStoreNameAndCarryTheAddress) {
    CSiteNode& home = *static_cast<CSiteNode*>(config.Sites().at(0));
    auto mux = std::make_unique<CMultiplexorNode>();
    mux->SetParentId(home.GetId());
    CMultiplexorNode& m = *mux;
    config.Multiplexors().Append(std::move(mux));
    auto inst = std::make_unique<CInstrumentMultiplexorNode>();
    inst->SetParentId(m.GetId());
    auto* tcp = static_cast<CTCPConnection*>(inst->GetConnection());
    config.MultiplexorInstruments().Append(std::move(inst));

    WhenModal([](QDialog& d) {
        ShowLaidOut(d);
        test::SaveScreenshot(d, "site-properties");
        Type(d, "name", "Harbour station");
        d.accept();
    });
    EXPECT_TRUE(ShowNodeProperties(nullptr, home));
    EXPECT_EQ(home.GetName(), "Harbour station");
    WhenModal([](QDialog& d) { d.accept(); });
    EXPECT_FALSE(ShowNodeProperties(nullptr, home));  // nothing changed

    WhenModal([](QDialog& d) {
        Type(d, "name", "Harbour mux");
        Type(d, "address", "10.20.30.40");
        ShowLaidOut(d);
        test::SaveScreenshot(d, "multiplexor-properties");
        d.accept();
    });
    EXPECT_TRUE(ShowNodeProperties(nullptr, m));
    EXPECT_EQ(m.GetName(), "Harbour mux");
    EXPECT_EQ(tcp->GetHost(), "10.20.30.40");

    // A node being created counts as changed on OK, and Escape cancels.
    CSiteNode fresh;
    WhenModal([](QDialog& d) { d.accept(); });
    EXPECT_TRUE(ShowNodeProperties(nullptr, fresh));
    WhenModal([](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_FALSE(ShowNodeProperties(nullptr, fresh));
}

TEST_F(DialogsTest, modemsDialogListsInUseAndEditsThroughModemProperties) {
    auto office = std::make_unique<CModemSettings>();
    office->SetName("Office modem");
    auto roof = std::make_unique<CModemSettings>();
    roof->SetName("Roof modem");
    roof->AddInUse();
    config.Modems().Append(std::move(office));
    config.Modems().Append(std::move(roof));

    ModemsDialog dialog(nullptr, config, true);
    ShowLaidOut(dialog);
    QListWidget* list = Child<QListWidget>(dialog, "modems");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "Roof modem (In use)");
    list->setCurrentRow(1);
    EXPECT_FALSE(Child<QPushButton>(dialog, "deleteModem")->isEnabled());
    test::SaveScreenshot(dialog, "modems");

    list->setCurrentRow(0);
    WhenModal([](QDialog& d) {
        ShowLaidOut(d);
        test::SaveScreenshot(d, "modem-properties");
        Type(d, "okResponse", "");
        d.accept();  // refused: every string is needed
        EXPECT_TRUE(d.isVisible());
        Type(d, "okResponse", "READY");
        Type(d, "name", "Office 56k");
        d.accept();
    });
    Child<QPushButton>(dialog, "editModem")->click();
    EXPECT_EQ(prompt.asked().at(0).text, "Please supply a string for every command and response.");
    EXPECT_EQ(list->item(0)->text(), "Office 56k");
    EXPECT_EQ(static_cast<CModemSettings*>(config.Modems().at(0))->GetOkResponse(), "READY");
    Child<QPushButton>(dialog, "duplicateModem")->click();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_TRUE(Child<QPushButton>(dialog, "deleteModem")->isEnabled());
}

TEST_F(DialogsTest, portSettingsDialogShowsAndReturnsTheLineSettings) {
    PortSettingsValues start{9600, 7, 2, 2, true};
    PortSettingsDialog dialog(nullptr, "/dev/ttyUSB0", start);
    ShowLaidOut(dialog);
    EXPECT_EQ(dialog.Values(), start);
    test::SaveScreenshot(dialog, "port-settings");
    test::Choose(dialog, "parity", 3);
    EXPECT_EQ(dialog.Values().parity, 3u);
    Child<QPushButton>(dialog, "restorePortDefaults")->click();
    EXPECT_EQ(dialog.Values(), PortSettingsValues{});
    // A rate outside the usual list is offered as it is.
    PortSettingsDialog odd(nullptr, "COM3", PortSettingsValues{250000, 8, 0, 0, false});
    EXPECT_EQ(odd.Values().baudRate, 250000u);
    EXPECT_EQ(DescribePortSettings(start), "9600 baud, 7 data bits, even parity, 2 stop bits, Xon / Xoff");
}

}  // namespace
}  // namespace talven::gui
