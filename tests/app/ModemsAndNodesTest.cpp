// The modems dialog and modem properties, the site and multiplexor properties, and the
// instrument information of a node that may go away while its window is open.

#include <gtest/gtest.h>

#include "app/ui/InstrumentInformation.h"
#include "app/ui/ModemsDialog.h"
#include "app/ui/NodeProperties.h"
#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/TreeNode.h"
#include "transport/ModemSettings.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

class DialogsTest : public ::testing::Test {
  protected:
    DialogsTest() { config.New(); }
    CModemSettings& AddModem(const std::string& name) {
        auto modem = std::make_unique<CModemSettings>();
        modem->SetName(name);
        CModemSettings& ref = *modem;
        config.Modems().Append(std::move(modem));
        return ref;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (const auto& m : config.Modems())
            out.push_back(m->GetName());
        return out;
    }

    CNetworkConfiguration config;
    ScopedNetworkConfiguration scope{&config};
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped{&prompt};
};

TEST_F(DialogsTest, modemPropertiesNeedEveryStringAndStoreAllEight) {
    CModemSettings modem;
    CModemPropertiesDialog dialog(modem);
    EXPECT_EQ(dialog.texts[0], "Standard");
    EXPECT_EQ(dialog.texts[4], "AT &F E0 M0 Q0 V1");
    dialog.texts[6] = "";
    EXPECT_FALSE(dialog.Apply());
    EXPECT_EQ(dialog.FailedField(), 6);
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Please supply a string for every command and response.");
    EXPECT_EQ(prompt.asked()[0].caption, "Error");
    EXPECT_EQ(prompt.asked()[0].flags, mb::kOk | mb::kIconWarning);
    EXPECT_EQ(modem.GetOkResponse(), "OK");  // nothing stored

    dialog.texts = {"Field modem", "ATDP", "###", "ATH", "AT&F", "ATZ0", "READY", "CARRIER"};
    ASSERT_TRUE(dialog.Apply());
    EXPECT_TRUE(dialog.Changed());
    EXPECT_EQ(CModemPropertiesDialog(modem).texts, dialog.texts);
}

TEST_F(DialogsTest, modemsListShowsInUseAndDeleteRefusesThemAndAsksForTheOthers) {
    AddModem("Office");
    CModemSettings& busy = AddModem("Roof");
    AddModem("Spare");
    busy.AddInUse();
    CModemsDialog dialog(config, nullptr);
    EXPECT_EQ(dialog.Entries(), (std::vector<std::string>{"Office", "Roof (In use)", "Spare"}));
    EXPECT_EQ(dialog.GetSelected(), 0);

    dialog.Select(1);
    EXPECT_FALSE(dialog.CanDelete());
    EXPECT_FALSE(dialog.Delete());
    EXPECT_TRUE(prompt.asked().empty());

    dialog.Select(2);
    prompt.QueueAnswer(mb::kIdNo);
    EXPECT_FALSE(dialog.Delete());
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Delete \"Spare\"?");
    EXPECT_EQ(prompt.asked()[0].caption, "Confirm");
    EXPECT_EQ(prompt.asked()[0].flags & 0xF0Fu, mb::kYesNo | mb::kDefaultButton2);
    EXPECT_FALSE(config.IsModified());

    prompt.QueueAnswer(mb::kIdYes);
    EXPECT_TRUE(dialog.Delete());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Office", "Roof"}));
    EXPECT_EQ(dialog.GetSelected(), 1);  // the new last entry
    EXPECT_TRUE(config.IsModified());

    dialog.SetConfirmDeletes(false);
    dialog.Select(0);
    EXPECT_TRUE(dialog.Delete());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Roof"}));
    EXPECT_EQ(dialog.GetSelected(), 0);  // the entry now at the same place
    EXPECT_EQ(prompt.asked().size(), 2u);
}

TEST_F(DialogsTest, newEditAndDuplicateGoThroughThePropertiesDialog) {
    bool answer = false;
    int edits = 0;
    CModemsDialog dialog(config, [&](CModemSettings& modem) {
        ++edits;
        CModemPropertiesDialog properties(modem);
        properties.texts[0] = "Dial-out " + std::to_string(edits);
        return answer && properties.Apply();
    });
    EXPECT_EQ(dialog.GetSelected(), -1);
    EXPECT_FALSE(dialog.New());  // cancelled: nothing added
    EXPECT_TRUE(config.Modems().empty());
    EXPECT_FALSE(config.IsModified());

    answer = true;
    EXPECT_TRUE(dialog.New());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Dial-out 2"}));
    EXPECT_EQ(dialog.GetSelected(), 0);
    EXPECT_TRUE(config.IsModified());

    EXPECT_TRUE(dialog.Edit());
    EXPECT_TRUE(dialog.Duplicate());
    EXPECT_EQ(Names(), (std::vector<std::string>{"Dial-out 3", "Copy of Dial-out 3"}));
    EXPECT_EQ(dialog.GetSelected(), 1);
    EXPECT_NE(config.Modems().at(0)->GetId(), config.Modems().at(1)->GetId());
    EXPECT_NE(config.Modems().at(1)->GetId(), 0u);
}

TEST_F(DialogsTest, multiplexorAddressChangeReachesItsInstrumentsLinksEvenForLetterCaseOnly) {
    auto mux = std::make_unique<CMultiplexorNode>();
    mux->SetAddress("mux.example");
    CMultiplexorNode& m = *mux;
    config.Multiplexors().Append(std::move(mux));
    auto inst = std::make_unique<CInstrumentMultiplexorNode>();
    inst->SetParentId(m.GetId());
    auto* tcp = static_cast<CTCPConnection*>(inst->GetConnection());
    tcp->SetHost("mux.example");
    config.MultiplexorInstruments().Append(std::move(inst));

    CMultiplexorPropertiesDialog rename(m);
    rename.name = "Station mux";
    tcp->SetHost("stale");  // an unchanged address leaves the links alone
    EXPECT_TRUE(rename.Apply());
    EXPECT_EQ(tcp->GetHost(), "stale");

    CMultiplexorPropertiesDialog readdress(m);
    EXPECT_EQ(readdress.address, "mux.example");
    readdress.address = "MUX.example";
    EXPECT_TRUE(readdress.Apply());
    EXPECT_EQ(m.GetAddress(), "MUX.example");
    EXPECT_EQ(tcp->GetHost(), "MUX.example");
    EXPECT_FALSE(CMultiplexorPropertiesDialog(m).Apply());
}

TEST_F(DialogsTest, informationOfANodeThatWasDeletedEndsInsteadOfReadingIt) {
    auto node = std::make_unique<CInstrumentConnectedNode>();
    node->SetName("Shelter");
    InstrumentIdentity id;
    id.capabilities = "cs";
    id.serialNumber = "77";
    node->SetIdentity(id);
    CInstrumentConnectedNode& ref = *node;
    config.ConnectedInstruments().Append(std::move(node));

    CInstrumentInformation info(ref);
    ASSERT_TRUE(info.IsValid());
    EXPECT_EQ(info.Title(), "Instrument Information - Shelter");
    ASSERT_GE(info.Lines().size(), 7u);
    EXPECT_EQ(info.Lines()[0], "Instrument type: Calibrator");
    EXPECT_EQ(info.Lines()[3], "Serial number: 77");
    EXPECT_EQ(info.Lines().back(), "Has calibrator SCRIPT command");

    config.DeleteSubtree(&ref);
    EXPECT_FALSE(info.Refresh());
    EXPECT_FALSE(info.IsValid());
}

}  // namespace
}  // namespace talven
