#include "app/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talven {
namespace {

// Builds settings values by hand, independently of the writer.
struct Bytes {
    std::vector<std::uint8_t> v;
    Bytes& u32(std::uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
        return *this;
    }
    Bytes& text(const std::string& s) {
        v.push_back(static_cast<std::uint8_t>(s.size()));  // short texts only
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& placement(std::uint32_t valid, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b,
                     std::uint32_t show) {
        return u32(valid)
            .u32(static_cast<std::uint32_t>(l))
            .u32(static_cast<std::uint32_t>(t))
            .u32(static_cast<std::uint32_t>(r))
            .u32(static_cast<std::uint32_t>(b))
            .u32(show);
    }
    Bytes& emptyPlacements(int n) {
        for (int i = 0; i < n; ++i)
            placement(0, 0, 0, 0, 0, 0);
        return *this;
    }
};

const char* kDefaults[] = {
    "%m/%d/%Y %H:%M:%S", "%m/%d/%Y %H:%M:%S", "%j:%H:%M", "%m/%d/%Y %H:%M:%S", "%Y%m%d", "%d-%b-%y %H:%M:%S"};

TEST(Options, defaultsAreThoseOfAFirstStart) {
    const Options o;
    for (int slot = 0; slot < 6; ++slot)
        EXPECT_EQ(o.DateFormat(slot), kDefaults[slot]) << slot;
    EXPECT_EQ(o.logFileName, "Log.txt");
    EXPECT_EQ(o.networkConfigPath, "");
    EXPECT_EQ(o.frontPanelInterval, 5u);
    EXPECT_TRUE(o.periodicFrontPanelUpdate && o.loadPreviousOnStartup && o.confirmDeletes &&
                o.checkBoxesInTrees && o.detectFailedConnections);
    EXPECT_FALSE(o.saveOnExit || o.logCommands || o.logResponses || o.logErrors);
}

TEST(Options, dateFormatSlotAboveFiveReadsSlotZero) {
    Options o;
    o.SetDateFormat(0, "slot zero");
    o.SetDateFormat(3, "slot three");
    EXPECT_EQ(o.DateFormat(3), "slot three");
    EXPECT_EQ(o.DateFormat(6), "slot zero");
    EXPECT_EQ(o.DateFormat(99), "slot zero");
    EXPECT_EQ(o.DateFormat(-1), "slot zero");
}

TEST(Options, restoreDefaultsKeepsPathAndPlacements) {
    Options o;
    o.networkConfigPath = "/data/net.cfg";
    o.placements[kPlaceGraph] = {true, 1, 2, 3, 4, 1};
    o.logErrors = true;
    o.frontPanelInterval = 30;
    o.SetDateFormat(1, "%Y");
    o.RestoreDefaults();
    Options expected;
    expected.networkConfigPath = "/data/net.cfg";
    expected.placements[kPlaceGraph] = {true, 1, 2, 3, 4, 1};
    EXPECT_EQ(o, expected);
}

Bytes CurrentDefaultsValue() {
    Bytes b;
    b.u32(0x3000D);
    for (const char* f : kDefaults)
        b.text(f);
    b.text("Log.txt").text("").u32(5);
    for (std::uint32_t flag : {1, 1, 0, 1, 1, 1, 0, 0, 0})
        b.u32(flag);
    b.emptyPlacements(8);
    return b;
}

TEST(SettingsValue, defaultsAreWrittenByteForByte) {
    EXPECT_EQ(WriteSettingsValue(Options()), CurrentDefaultsValue().v);
}

TEST(SettingsValue, everyFieldRoundTrips) {
    Options o;
    o.SetDateFormat(0, "%Y");
    o.SetDateFormat(5, "%a %b");
    o.logFileName = "events.txt";
    o.networkConfigPath = std::string(300, 'p');  // the long length prefix
    o.frontPanelInterval = 60;
    o.periodicFrontPanelUpdate = false;
    o.saveOnExit = true;
    o.detectFailedConnections = false;
    o.logResponses = true;
    o.placements[kPlaceMainWindow] = {true, -10, 20, 800, 600, 3};
    o.placements[kPlaceLevelTable] = {true, 5, 6, 7, 8, 1};
    Options back;
    std::string problem;
    ASSERT_TRUE(ReadSettingsValue(WriteSettingsValue(o), back, &problem)) << problem;
    EXPECT_EQ(back, o);
}

TEST(SettingsValue, version3000CHasEightFlagsAndKeepsDetectAtItsDefault) {
    Bytes b;
    b.u32(0x3000C);
    for (int i = 0; i < 6; ++i)
        b.text("F" + std::to_string(i));
    b.text("old.txt").text("net.cfg").u32(9);
    for (std::uint32_t flag : {0, 0, 1, 0, 1, 1, 1, 1})
        b.u32(flag);  // no detect-failed flag
    b.emptyPlacements(6).placement(1, 1, 2, 3, 4, 5).emptyPlacements(1);
    Options o;
    o.detectFailedConnections = true;
    std::string problem;
    ASSERT_TRUE(ReadSettingsValue(b.v, o, &problem)) << problem;
    EXPECT_EQ(o.DateFormat(4), "F4");
    EXPECT_EQ(o.logFileName, "old.txt");
    EXPECT_EQ(o.frontPanelInterval, 9u);
    EXPECT_FALSE(o.periodicFrontPanelUpdate);
    EXPECT_TRUE(o.saveOnExit);
    EXPECT_TRUE(o.checkBoxesInTrees);
    EXPECT_TRUE(o.detectFailedConnections);
    EXPECT_TRUE(o.logCommands && o.logResponses && o.logErrors);
    EXPECT_EQ(o.placements[kPlaceModemList], (WindowPlacement{true, 1, 2, 3, 4, 5}));
}

TEST(SettingsValue, version3000BHasNoDateFormatsAndNoOldRectangles) {
    Bytes b;
    b.u32(0x3000B).text("x.txt").text("").u32(7);
    for (std::uint32_t flag : {1, 1, 0, 1, 1, 0, 0, 1})
        b.u32(flag);
    b.emptyPlacements(8);
    Options o;
    o.SetDateFormat(2, "kept");
    std::string problem;
    ASSERT_TRUE(ReadSettingsValue(b.v, o, &problem)) << problem;
    EXPECT_EQ(o.DateFormat(2), "kept");
    EXPECT_EQ(o.logFileName, "x.txt");
    EXPECT_EQ(o.frontPanelInterval, 7u);
    EXPECT_TRUE(o.logErrors);
}

TEST(SettingsValue, version30007CarriesAnObsoleteDateAndTwoOldRectangles) {
    Bytes b;
    b.u32(0x30007).text("y.txt").text("a.cfg").u32(0x12345678).u32(12);
    for (std::uint32_t flag : {1, 0, 1, 1, 1, 1, 0, 0})
        b.u32(flag);
    b.emptyPlacements(6);
    for (int i = 0; i < 8; ++i)
        b.u32(0xAAAAAAAA);  // two rectangles, discarded
    b.u32(1);               // a flag, discarded
    b.placement(1, 9, 9, 99, 99, 1).placement(1, 8, 8, 88, 88, 2);
    Options o;
    std::string problem;
    ASSERT_TRUE(ReadSettingsValue(b.v, o, &problem)) << problem;
    EXPECT_EQ(o.networkConfigPath, "a.cfg");
    EXPECT_EQ(o.frontPanelInterval, 12u);
    EXPECT_FALSE(o.loadPreviousOnStartup);
    EXPECT_EQ(o.placements[kPlaceModemList], (WindowPlacement{true, 9, 9, 99, 99, 1}));
    EXPECT_EQ(o.placements[kPlaceLevelTable], (WindowPlacement{true, 8, 8, 88, 88, 2}));
}

TEST(SettingsValue, versionsBeforeTheOldestReadableCarryNothing) {
    Bytes b;
    b.u32(0x30006).text("ignored.txt");
    Options o;
    std::string problem;
    EXPECT_TRUE(ReadSettingsValue(b.v, o, &problem));
    EXPECT_EQ(o, Options());
}

TEST(SettingsValue, truncatedGarbledOrNewerValuesLeaveTheOptionsUntouched) {
    const std::vector<std::uint8_t> full = CurrentDefaultsValue().v;
    Options marked;
    marked.logFileName = "marker.txt";
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        std::vector<std::uint8_t> shortValue(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        Options o = marked;
        std::string problem;
        ASSERT_FALSE(ReadSettingsValue(shortValue, o, &problem)) << cut;
        EXPECT_FALSE(problem.empty());
        ASSERT_EQ(o, marked) << cut;
    }
    Bytes newer;
    newer.u32(0x3000E);
    Options o = marked;
    std::string problem;
    EXPECT_FALSE(ReadSettingsValue(newer.v, o, &problem));
    EXPECT_NE(problem.find("0x3000E"), std::string::npos);
    EXPECT_EQ(o, marked);
}

TEST(SettingsValue, anOutOfRangeIntervalFallsBackToFive) {
    Options zero;
    zero.frontPanelInterval = 0;
    Options o;
    std::string problem;
    ASSERT_TRUE(ReadSettingsValue(WriteSettingsValue(zero), o, &problem));
    EXPECT_EQ(o.frontPanelInterval, 5u);
}

}  // namespace
}  // namespace talven
