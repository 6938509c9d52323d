#include <gtest/gtest.h>

#include "DlogTestSupport.h"
#include "dlog/DlogScript.h"
#include "dlog/InstrumentNodeDlog.h"
#include "network/InstrumentNode.h"
#include "network/NetworkConfiguration.h"
#include "network/ObjectArchiveFile.h"

namespace talven {
namespace {

TEST(InstrumentNodeDlog, dlogListsTravelWithTheNodeThroughTheArchive) {
    RegisterDlogArchiveClasses();
    CNetworkConfiguration configuration;
    ScopedNetworkConfiguration current(&configuration);
    CInstrumentConnectedNode node("Roof", 42);
    InstrumentIdentity settings = node.GetIdentity();
    settings.capabilities = "dtw";
    settings.serialNumber = "123";
    node.SetIdentity(settings);
    InstrumentNodeDlog dlog(node);
    dlog.DlogEvents().Append(std::make_unique<CDASEvent>("TIMER", 1, true, dlevel::kLow));
    dlog.DlogPoints().Append(std::make_unique<CDASPoint>("NO", 10, "ppb", dlevel::kMed));
    CDASChannel* channel = test::AddChannel(dlog, "OZONE");
    test::AddParameter(*channel, "NO", "AVG", 2, true);
    channel->SetExpanded(true);
    const std::string script = GetConfigurationText(dlog, dlogform::kScript);

    BinaryObjectArchive out;
    out.WriteObject(&node);
    ASSERT_FALSE(out.failed());
    const std::vector<std::uint8_t> bytes = out.Writer().bytes();
    BinaryObjectArchive in(bytes.data(), bytes.size());
    std::unique_ptr<SerialObject> object = in.ReadObject();
    ASSERT_FALSE(in.failed()) << in.GetFailureReason();
    auto* loaded = dynamic_cast<CInstrumentConnectedNode*>(object.get());
    ASSERT_NE(loaded, nullptr);

    InstrumentNodeDlog loadedDlog(*loaded);
    ASSERT_EQ(loadedDlog.DlogChannels().size(), 1u);
    auto* loadedChannel = static_cast<CDASChannel*>(loadedDlog.DlogChannels().at(0));
    EXPECT_EQ(loadedChannel->GetInstrument(), &loadedDlog);
    EXPECT_TRUE(loadedChannel->IsExpanded());
    EXPECT_EQ(GetConfigurationText(loadedDlog, dlogform::kScript), script);
    EXPECT_TRUE(script.find("startdate") != std::string::npos);  // the timer event came along
    EXPECT_EQ(loadedDlog.GetSerialNumber(), "123");

    EXPECT_EQ(loadedDlog.NextDlogSetNumber(), 1u);
    loadedDlog.SetDlogModified(true);
    loadedDlog.ResetSessionState();
    EXPECT_FALSE(loadedDlog.IsDlogModified());
    EXPECT_EQ(loadedDlog.NextDlogSetNumber(), 1u);
    configuration.SetModified(false);
    loadedDlog.MarkNetworkModified();
    EXPECT_TRUE(configuration.IsModified());
}

}  // namespace
}  // namespace talven
