// The soak's judge: it must see every record lost, written twice, invented or altered, and tell
// the failures collect reports of one instrument from those of another.

#include <gtest/gtest.h>

#include <sstream>

#include "SoakCheck.h"

namespace talven::soak {
namespace {

constexpr std::uint32_t kT0 = 1772366400;  // 03/01/2026 12:00:00

const char* const kListing =
    "talven-sim records at 03/01/2026 12:15:00 (1772367300)\n"
    "INSTRUMENT analyzer id 1 tcp 127.0.0.1:7001 faults 0\n"
    "CHANNEL CONC1 period 300 records 4\n"
    "1772366400 23.8 14.0\n"
    "1772366700 25.0 XXXX\n"
    "1772367000 -0.5 15.4\n"
    "1772367300 26.1 16.0\n"
    "CHANNEL \"EMPTY ONE\" period 86400 records 0\n"
    "INSTRUMENT calibrator id 2 pty /dev/pts/4 (/tmp/cal) faults 17\n";

Listing Parsed() {
    std::istringstream in(kListing);
    Listing listing;
    std::string error;
    EXPECT_TRUE(ParseListing(in, listing, error)) << error;
    return listing;
}

DataFile File(const std::string& text) {
    std::istringstream in(text);
    return ReadDataFile(in);
}

const std::string kHeading = "Time Stamp, NOX-AVG (PPB), NO-AVG (PPB)\r\n";
const std::string kRow0 = "03/01/2026 12:00:00,       23.8,       14.0\r\n";
const std::string kRow1 = "03/01/2026 12:05:00,       25.0,        0.0\r\n";
const std::string kRow2 = "03/01/2026 12:10:00,       -0.5,       15.4\r\n";
const std::string kRow3 = "03/01/2026 12:15:00,       26.1,       16.0\r\n";

TEST(SoakListing, readsInstrumentsChannelsAndRecordsWithTheirReportedValues) {
    const Listing listing = Parsed();
    EXPECT_EQ(listing.at, kT0 + 900);
    ASSERT_EQ(listing.instruments.size(), 2u);
    const ListedInstrument& analyzer = listing.instruments[0];
    EXPECT_EQ(analyzer.where, "tcp 127.0.0.1:7001");
    EXPECT_EQ(analyzer.id, 1);
    ASSERT_EQ(analyzer.channels.size(), 2u);
    const ListedChannel* conc = analyzer.channel("CONC1");
    ASSERT_NE(conc, nullptr);
    EXPECT_EQ(conc->period, 300);
    ASSERT_EQ(conc->times.size(), 4u);
    EXPECT_EQ(conc->times[1], kT0 + 300);
    EXPECT_EQ(conc->values[1], (std::vector<std::string>{"25.0", "XXXX"}));
    EXPECT_NE(analyzer.channel("EMPTY ONE"), nullptr);
    EXPECT_EQ(listing.instruments[1].where, "pty /dev/pts/4 (/tmp/cal)");
    EXPECT_EQ(listing.instruments[1].faults, 17);
}

TEST(SoakListing, refusesAnythingElseNamingTheLine) {
    const char* const bad[] = {
        "",
        "Time Stamp, NOX\n",
        "talven-sim records at x (1)\n1772366400 1.0\n",
        "talven-sim records at x (1)\nINSTRUMENT analyzer id 1 tcp 127.0.0.1:7001\n",
        "talven-sim records at x (1)\nINSTRUMENT a id 1 tcp h:1 faults 0\nCHANNEL C period 0 records 1\n",
        "talven-sim records at x (1)\nINSTRUMENT a id 1 tcp h:1 faults 0\n1772366400 1.0\n",
        "talven-sim records at x (1)\nINSTRUMENT a id 1 tcp h:1 faults 0\nCHANNEL C period 60 records "
        "1\nabc\n",
    };
    for (const char* text : bad) {
        std::istringstream in(text);
        Listing listing;
        std::string error;
        EXPECT_FALSE(ParseListing(in, listing, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    std::istringstream in(bad[6]);
    Listing listing;
    std::string error;
    ParseListing(in, listing, error);
    EXPECT_NE(error.find("line 4"), std::string::npos) << error;
}

TEST(SoakVerdict, aFileWithEveryRecordOnceIsSoundAndAMissingValueMayBeWrittenAsZero) {
    const DataFile file = File(kHeading + kRow0 + kRow1 + kRow2 + kRow3);
    EXPECT_EQ(file.headings, 1);
    const Listing listing = Parsed();
    const ChannelVerdict v = CheckChannel(*listing.instruments[0].channel("CONC1"), file);
    EXPECT_EQ(v.rows, 4u);
    EXPECT_TRUE(v.sound(file.headings)) << v.firstProblem;
}

TEST(SoakVerdict, recordsTheInstrumentNoLongerHoldsStillCountWhenTheyFollowOnWithoutAGap) {
    const std::string older =
        "03/01/2026 11:50:00,       20.0,       10.0\r\n"
        "03/01/2026 11:55:00,       21.0,       11.0\r\n";
    const Listing listing = Parsed();
    const ListedChannel& conc = *listing.instruments[0].channel("CONC1");
    const DataFile whole = File(kHeading + older + kRow0 + kRow1 + kRow2 + kRow3);
    EXPECT_TRUE(CheckChannel(conc, whole).sound(1));

    const std::string gap = "03/01/2026 11:45:00,       20.0,       10.0\r\n";
    const ChannelVerdict v = CheckChannel(conc, File(kHeading + gap + kRow0 + kRow1 + kRow2 + kRow3));
    EXPECT_EQ(v.lost, 2u);  // 11:50 and 11:55
    EXPECT_EQ(v.lostFromRing, 2u);
}

TEST(SoakVerdict, countsLostDuplicatedInventedAndAlteredRecords) {
    const Listing listing = Parsed();
    const ListedChannel& conc = *listing.instruments[0].channel("CONC1");
    {
        const ChannelVerdict v = CheckChannel(conc, File(kHeading + kRow0 + kRow2 + kRow3));
        EXPECT_EQ(v.lost, 1u);
        EXPECT_EQ(v.lostFromRing, 0u);
        EXPECT_NE(v.firstProblem.find("12:05:00 is missing"), std::string::npos) << v.firstProblem;
    }
    {
        const ChannelVerdict v = CheckChannel(conc, File(kHeading + kRow0 + kRow1 + kRow2));
        EXPECT_EQ(v.lost, 1u) << "the newest record must be there";
    }
    {
        const ChannelVerdict v = CheckChannel(conc, File(kHeading + kRow1 + kRow2 + kRow3));
        EXPECT_EQ(v.lost, 1u) << "the oldest the instrument holds must be there";
    }
    {
        const ChannelVerdict v =
            CheckChannel(conc, File(kHeading + kRow0 + kRow1 + kRow1 + kRow2 + kRow3 + kRow3));
        EXPECT_EQ(v.duplicated, 2u);
        EXPECT_EQ(v.lost, 0u);
    }
    {
        const std::string offPeriod = "03/01/2026 12:07:00,       25.0,       14.0\r\n";
        const std::string future = "03/01/2026 12:20:00,       25.0,       14.0\r\n";
        const ChannelVerdict v =
            CheckChannel(conc, File(kHeading + kRow0 + kRow1 + offPeriod + kRow2 + kRow3 + future));
        EXPECT_EQ(v.unexpected, 2u);
    }
    {
        const ChannelVerdict v = CheckChannel(conc, File(kHeading + kRow0 + kRow2 + kRow1 + kRow3));
        EXPECT_EQ(v.unexpected, 1u) << "out of order";
    }
    {
        const std::string altered = "03/01/2026 12:10:00,       -0.4,       15.4\r\n";
        const std::string short_ = "03/01/2026 12:15:00,       26.1\r\n";
        const ChannelVerdict v = CheckChannel(conc, File(kHeading + kRow0 + kRow1 + altered + short_));
        EXPECT_EQ(v.differing, 2u);
        EXPECT_FALSE(v.sound(1));
    }
    {
        const std::string x = "03/01/2026 12:05:00,       25.0,        0.1\r\n";
        EXPECT_EQ(CheckChannel(conc, File(kHeading + kRow0 + x + kRow2 + kRow3)).differing, 1u)
            << "a missing value is written as zero";
    }
}

TEST(SoakVerdict, aFileWrittenTwiceFromItsHeadingOrWithoutAnyIsNotSound) {
    const Listing listing = Parsed();
    const ListedChannel& conc = *listing.instruments[0].channel("CONC1");
    const DataFile twice = File(kHeading + kRow0 + kRow1 + kHeading + kRow2 + kRow3);
    EXPECT_FALSE(CheckChannel(conc, twice).sound(twice.headings));
    const DataFile none = File(kRow0 + kRow1 + kRow2 + kRow3);
    EXPECT_FALSE(CheckChannel(conc, none).sound(none.headings));
    const DataFile junk = File(kHeading + kRow0 + "garbage, 1.0\r\n" + kRow1 + kRow2 + kRow3);
    EXPECT_EQ(junk.badRows, 1u);
}

TEST(SoakVerdict, aChannelWithoutRecordsWantsNoRows) {
    const Listing listing = Parsed();
    const ListedChannel& empty = *listing.instruments[0].channel("EMPTY ONE");
    EXPECT_EQ(CheckChannel(empty, File("")).lost, 0u);
    EXPECT_EQ(CheckChannel(empty, File(kHeading + kRow0)).unexpected, 1u);
}

TEST(SoakFailures, aLineCountsForTheInstrumentItNamesOrWhoseAddressItGives) {
    const std::string name = "Soak01", address = "127.0.0.1:4012";
    EXPECT_TRUE(IsFailureOf("The records could not be downloaded from instrument Soak01.", name, address));
    EXPECT_TRUE(IsFailureOf("Unable to connect to site 127.0.0.1:4012: Connection refused.", name, address));
    EXPECT_TRUE(
        IsFailureOf("Channel CONC1 of instrument Soak01: 2 record line(s) dropped (bad check sum, CRC "
                    "or length).",
                    name, address));
    EXPECT_FALSE(IsFailureOf("The records could not be downloaded from instrument Soak010.", name, address));
    EXPECT_FALSE(
        IsFailureOf("Unable to connect to site 127.0.0.1:40123: Connection refused.", name, address));
    EXPECT_FALSE(IsFailureOf("Downloading 4 channel(s) of instrument Soak01.", name, address));
    EXPECT_FALSE(IsFailureOf("Channel CONC1 of instrument Soak01: 12 records written to /x/Soak01-CONC1.csv.",
                             name, address));
    EXPECT_FALSE(IsFailureOf("Channel CALDAT of instrument Soak01: no new records.", name, address));
    EXPECT_FALSE(IsFailureOf("Stopped before instrument Soak01 was downloaded; its channels are still due.",
                             name, address));
}

}  // namespace
}  // namespace talven::soak
