// The identification rules: model families, revision comparison, panel kinds, information lines.

#include <gtest/gtest.h>

#include "foundation/UserPrompt.h"
#include "network/InstrumentNode.h"
#include "session/InstrumentSession.h"

namespace talven {
namespace {

TEST(ModelFamily, exactNamesGiveTheirFamilyAndOtherCaseGivesNone) {
    EXPECT_EQ(ModelFamilyOfName("R860U"), 9);
    EXPECT_EQ(ModelFamilyOfName("r860u"), 0);
    EXPECT_EQ(ModelFamilyOfName("Q860EU"), 4);
    EXPECT_EQ(ModelFamilyOfName("RVX-5000"), 6);
    EXPECT_EQ(ModelFamilyOfName("R863"), 10);
    EXPECT_EQ(ModelFamilyOfName("R514"), 8);
    EXPECT_EQ(ModelFamilyOfName("N410"), 0);
}

TEST(RevisionCompare, isByteWiseSoE10IsBelowE4) {
    EXPECT_FALSE(RevisionAtLeast("E.10", "E.4"));
    EXPECT_TRUE(RevisionAtLeast("E.4", "E.4"));
    EXPECT_TRUE(RevisionAtLeast("F.0", "E.8"));
    EXPECT_FALSE(RevisionAtLeast("", "A.8"));
}

TEST(PanelKind, followsFamilyAndCapabilities) {
    EXPECT_EQ(PanelKindOf(6, "d"), 3);
    EXPECT_EQ(PanelKindOf(1, "sj"), 0);
    EXPECT_EQ(PanelKindOf(9, "csj"), 0x102);
    EXPECT_EQ(PanelKindOf(4, "cj"), 0x100);
    EXPECT_EQ(PanelKindOf(3, "c"), 0);
    EXPECT_EQ(PanelKindOf(0, "dw"), 1);
    EXPECT_EQ(PanelKindOf(0, "m"), 0);
}

TEST(InformationLines, listTypeIdentityThenCapabilityTextsInTableOrder) {
    CInstrumentConnectedNode node("Lab", 7);
    InstrumentIdentity s = node.GetIdentity();
    s.capabilities = "Cdcx!";
    s.partNumber = "12860-0100";
    node.SetIdentity(s);
    const std::vector<std::string> lines = CInstrumentSession::Of(node).GetInformationLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "Instrument type: Calibrator");
    EXPECT_EQ(lines[1], "Model name: Unknown");
    EXPECT_EQ(lines[2], "Part number: 12860-0100");
    EXPECT_EQ(lines[6], "Has DLOG");
    EXPECT_EQ(lines[7], "Has XON/XOFF flow control");
    EXPECT_EQ(lines[8], "Has format display info commands");
}

TEST(CommInterface, onlyConnectedNodesHaveOneAndItIsCreatedOnce) {
    CInstrumentConnectedNode node("Lab", 7);
    ICommInterface* first = CInstrumentSession::GetCommInterface(node);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CInstrumentSession::GetCommInterface(node), first);
    EXPECT_EQ(CInstrumentSession::Find(node), first);
    CInstrumentMultiplexorNode multiplexed("Mux", 8);
    EXPECT_EQ(CInstrumentSession::Find(multiplexed), nullptr);
    EXPECT_NE(CInstrumentSession::GetCommInterface(multiplexed), nullptr);
}

/// An instrument of a kind that cannot be connected.
class UnconnectableNode : public CInstrumentNode {
  public:
    UnconnectableNode() : CInstrumentNode("Attic", 3) {}
    const char* GetRuntimeClass() const override { return "UnconnectableNode"; }
    std::unique_ptr<CNamedObject> Clone() const override { return std::make_unique<UnconnectableNode>(); }
};

TEST(OpenFrontPanel, nodeThatCannotConnectIsRefusedWithAWarning) {
    ScriptedPrompt prompt;
    ScopedUserPrompt scoped(&prompt);
    UnconnectableNode node;
    EXPECT_FALSE(OpenFrontPanel(node));
    ASSERT_EQ(prompt.asked().size(), 1u);
    EXPECT_EQ(prompt.asked()[0].text, "Unable to connect to Attic because the site is invalid.");
    EXPECT_EQ(prompt.asked()[0].caption, "Error");
    EXPECT_EQ(prompt.asked()[0].flags, mb::kOk | mb::kIconWarning);
    EXPECT_EQ(CInstrumentSession::GetCommInterface(node), nullptr);
}

}  // namespace
}  // namespace talven
