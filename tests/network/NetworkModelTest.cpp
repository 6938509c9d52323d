#include <gtest/gtest.h>

#include "NetworkTestSupport.h"
#include "transport/CommPortConnection.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

using testing::NetworkTest;

class NetworkModelTest : public NetworkTest {};

std::vector<std::uint32_t> g_ids;
std::uint32_t ScriptedIds() {
    const std::uint32_t id = g_ids.front();
    g_ids.erase(g_ids.begin());
    return id;
}

TEST_F(NetworkModelTest, newNodeIdSkipsZeroAndEveryIdInUse) {
    CSiteNode& site = AddSite("A");
    site.SetId(500);
    CInstrumentMultiplexorNode& instrument = AddMultiplexorInstrument("I", 0);
    instrument.SetId(600);
    CNamedObjectList extra;
    extra.Append(std::make_unique<CSiteNode>("temp", 700));

    g_ids = {0, 500, 600, 700, 800};
    SetNodeIdSource(ScriptedIds);
    EXPECT_EQ(NewUniqueNodeId({&extra}), 800u);
    g_ids = {500, 0, 900};
    EXPECT_EQ(CSiteNode().GetId(), 900u);
    SetNodeIdSource(nullptr);
    EXPECT_TRUE(g_ids.empty());
}

TEST_F(NetworkModelTest, newConfigurationHoldsOneHomeSiteFoundInAnyCase) {
    AddSite("Old");
    AddInstrument("Old instrument", 0);
    config_.SetModified(true);
    config_.SetPath("/x.cfg");
    config_.New();
    ASSERT_EQ(config_.Sites().size(), 1u);
    EXPECT_EQ(config_.ConnectedInstruments().size(), 0u);
    EXPECT_NE(config_.Sites().FindByName("home"), nullptr);
    EXPECT_NE(config_.Sites().at(0)->GetId(), 0u);
    EXPECT_FALSE(config_.IsModified());
    EXPECT_EQ(config_.GetPath(), "");
    EXPECT_FALSE(config_.IsOlderFormat());
}

TEST_F(NetworkModelTest, copiesKeepSettingsAndParentButNotTheId) {
    CSiteNode& site = AddSite("Site");
    CInstrumentConnectedNode& original = AddInstrument("Analyzer", site.GetId());
    original.SetExpanded(true);
    InstrumentSettings settings;
    settings.password = 1234;
    settings.passwordEnabled = true;
    original.SetSettings(settings);
    InstrumentIdentity identity;
    identity.capabilities = "ABC";
    original.SetIdentity(identity);
    auto* serial = static_cast<CCommPortConnection*>(original.GetConnection());
    serial->SetPortName("COM7");
    serial->SetBaudRate(9600);
    original.GetList(kGases).Append(std::make_unique<CSiteNode>("gas stand-in", 3));

    auto copy = original.Clone();
    auto& node = static_cast<CInstrumentConnectedNode&>(*copy);
    EXPECT_NE(node.GetId(), original.GetId());
    EXPECT_EQ(node.GetParentId(), site.GetId());
    EXPECT_TRUE(node.IsExpanded());
    EXPECT_EQ(node.GetSettings(), settings);
    EXPECT_EQ(node.GetIdentity(), identity);
    EXPECT_EQ(node.GetList(kGases).size(), 1u);
    ASSERT_NE(node.GetConnection(), original.GetConnection());
    auto* copied = dynamic_cast<CCommPortConnection*>(node.GetConnection());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->GetPortName(), "COM7");
    EXPECT_EQ(copied->GetBaudRate(), 9600u);

    auto duplicate = CNetworkConfiguration::MakeDuplicate(original);
    EXPECT_EQ(duplicate->GetName(), "Copy of Analyzer");
    EXPECT_NE(duplicate->GetId(), original.GetId());
    EXPECT_EQ(static_cast<CInstrumentNode&>(*duplicate).GetSettings(), settings);

    // A multiplexor instrument keeps only a TCP link.
    CInstrumentMultiplexorNode& behind = AddMultiplexorInstrument("Behind", 0);
    static_cast<CTCPConnection*>(behind.GetConnection())->SetPort(7001);
    auto tcpCopy = behind.Clone();
    auto* tcp =
        dynamic_cast<CTCPConnection*>(static_cast<CInstrumentConnectedNode&>(*tcpCopy).GetConnection());
    ASSERT_NE(tcp, nullptr);
    EXPECT_EQ(tcp->GetPort(), 7001u);
    behind.SetConnection(std::make_unique<CCommPortConnection>());
    auto fixed = behind.Clone();
    EXPECT_NE(dynamic_cast<CTCPConnection*>(static_cast<CInstrumentConnectedNode&>(*fixed).GetConnection()),
              nullptr);
    behind.SetConnection(nullptr);
    EXPECT_NE(dynamic_cast<CTCPConnection*>(behind.GetConnection()), nullptr);
}

TEST_F(NetworkModelTest, multiplexorAddressChangeReachesOnlyItsInstruments) {
    CSiteNode& site = AddSite("Site");
    CMultiplexorNode& mux = AddMultiplexor("Mux", site.GetId(), "host.example");
    CMultiplexorNode& other = AddMultiplexor("Other", site.GetId(), "other.example");
    CInstrumentMultiplexorNode& mine = AddMultiplexorInstrument("Mine", mux.GetId());
    CInstrumentMultiplexorNode& theirs = AddMultiplexorInstrument("Theirs", other.GetId());
    auto host = [](CInstrumentMultiplexorNode& n) {
        return static_cast<CTCPConnection*>(n.GetConnection())->GetHost();
    };
    static_cast<CTCPConnection*>(mine.GetConnection())->SetHost("kept");

    config_.SetMultiplexorAddress(mux, "host.example");
    EXPECT_EQ(host(mine), "kept");
    EXPECT_FALSE(config_.IsModified());

    config_.SetMultiplexorAddress(mux, "HOST.example");
    EXPECT_EQ(mux.GetAddress(), "HOST.example");
    EXPECT_EQ(host(mine), "HOST.example");
    EXPECT_EQ(host(theirs), "0.0.0.0");
    EXPECT_TRUE(config_.IsModified());
}

class ConnectedInstrument : public CInstrumentConnectedNode {
  public:
    ConnectedInstrument() : CInstrumentConnectedNode("Busy", 0) { SetId(NewUniqueNodeId()); }
    bool IsConnected() const override { return true; }
};

TEST_F(NetworkModelTest, deleteTakesTheSubtreeButNeverTheFirstSiteOrAConnectedOne) {
    CSiteNode& home = AddSite("Home");
    CSiteNode& region = AddSite("Region", home.GetId());
    CSiteNode& town = AddSite("Town", region.GetId());
    CMultiplexorNode& mux = AddMultiplexor("Mux", town.GetId(), "a");
    AddMultiplexorInstrument("Behind mux", mux.GetId());
    AddInstrument("In town", town.GetId());
    CInstrumentConnectedNode& atHome = AddInstrument("At home", home.GetId());
    CSiteNode& busySite = AddSite("Busy site", home.GetId());
    auto busy = std::make_unique<ConnectedInstrument>();
    busy->SetParentId(busySite.GetId());
    config_.ConnectedInstruments().Append(std::move(busy));

    EXPECT_EQ(config_.ParentName(town.GetId()), "Town");
    EXPECT_EQ(config_.ParentName(mux.GetId()), "Mux");
    EXPECT_EQ(config_.ParentName(12345), "");

    EXPECT_EQ(static_cast<CTreeNode&>(*config_.ConnectedInstruments().at(2)).GetDisplayName(),
              "Busy (Connected)");
    EXPECT_EQ(atHome.GetDisplayName(), "At home");

    EXPECT_FALSE(config_.DeleteSubtree(&home));
    EXPECT_FALSE(config_.DeleteSubtree(&busySite));
    EXPECT_EQ(config_.CollectSubtree(&region).size(), 5u);
    ASSERT_TRUE(config_.DeleteSubtree(&region));
    EXPECT_EQ(config_.Sites().size(), 2u);
    EXPECT_TRUE(config_.Multiplexors().empty());
    EXPECT_TRUE(config_.MultiplexorInstruments().empty());
    ASSERT_EQ(config_.ConnectedInstruments().size(), 2u);
    EXPECT_EQ(config_.ConnectedInstruments().at(0), &atHome);
    EXPECT_TRUE(config_.IsModified());
}

}  // namespace
}  // namespace talven
