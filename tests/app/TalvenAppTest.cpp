#include "app/TalvenApp.h"

#include <gtest/gtest.h>

#include "foundation/Log.h"
#include "transport/Connection.h"

namespace talven {
namespace {

TEST(CommandLine, lastNonSwitchArgumentWinsAndSwitchesAreIgnored) {
    EXPECT_FALSE(ParseCommandLine({}).fileGiven);
    EXPECT_FALSE(ParseCommandLine({"-x", "--verbose"}).fileGiven);
    const CommandLine two = ParseCommandLine({"first.cfg", "-q", "/data/second.cfx"});
    EXPECT_TRUE(two.fileGiven);
    EXPECT_EQ(two.path, "/data/second.cfx");
}

TEST(TalvenApp, firstStartUsesDefaultsAndTheApplicationNamedConfiguration) {
    MemorySettingsStore store;
    CTALVENApp app(store);
    app.Startup({});
    EXPECT_EQ(app.GetOptions(), Options());
    EXPECT_FALSE(app.fileGivenOnCommandLine());
    EXPECT_EQ(app.StartupConfigPath("TALVEN"), "TALVEN.cfg");
    EXPECT_EQ(app.GetOptions().networkConfigPath, "TALVEN.cfg");
}

TEST(TalvenApp, optionsSurviveExitAndStartAndTheCommandLineOverridesThePath) {
    MemorySettingsStore store;
    {
        CTALVENApp app(store);
        Options o;
        o.networkConfigPath = "remembered.cfg";
        o.frontPanelInterval = 17;
        app.SetOptions(o);
        app.Exit();
    }
    CTALVENApp app(store);
    app.Startup({"given.cfx"});
    EXPECT_EQ(app.GetOptions().frontPanelInterval, 17u);
    EXPECT_TRUE(app.fileGivenOnCommandLine());
    EXPECT_EQ(app.StartupConfigPath("TALVEN"), "given.cfx");
}

TEST(TalvenApp, garbledSettingsLeaveDefaultsAndStartNormally) {
    MemorySettingsStore store;
    store.Write(kSettingsSection, kSettingsKey, {0x0D, 0x00, 0x03, 0x00, 0x40, 'x'});
    CTALVENApp app(store);
    EXPECT_FALSE(app.LoadOptions());
    EXPECT_EQ(app.GetOptions(), Options());
    app.Exit();  // writes a sound value again
    CTALVENApp again(store);
    EXPECT_TRUE(again.LoadOptions());
}

TEST(TalvenApp, restoreDefaultsIsRefusedWhileBusy) {
    MemorySettingsStore store;
    CTALVENApp app(store);
    Options o;
    o.logErrors = true;
    o.confirmDeletes = false;
    app.SetOptions(o);
    EXPECT_FALSE(app.RestoreDefaults(true));
    EXPECT_TRUE(app.GetOptions().logErrors);
    EXPECT_TRUE(app.RestoreDefaults(false));
    EXPECT_FALSE(app.GetOptions().logErrors);
    EXPECT_TRUE(app.GetOptions().confirmDeletes);
}

TEST(TalvenApp, theFailedConnectionOptionReachesTheLinks) {
    MemorySettingsStore store;
    CTALVENApp app(store);
    Options o;
    o.detectFailedConnections = false;
    app.SetOptions(o);
    EXPECT_FALSE(GetDetectFailedConnections());
    EXPECT_TRUE(app.RestoreDefaults(false));
    EXPECT_TRUE(GetDetectFailedConnections());
}

TEST(TalvenApp, dateFormatSlotsComeFromTheOptions) {
    MemorySettingsStore store;
    CTALVENApp app(store);
    Options o;
    o.SetDateFormat(4, "%Y-%m");
    app.SetOptions(o);
    EXPECT_EQ(app.GetDateFormat(4), "%Y-%m");
    EXPECT_EQ(app.GetDateFormat(9), o.DateFormat(0));
}

}  // namespace
}  // namespace talven
