#include "foundation/Messages.h"

#include <gtest/gtest.h>

#include <set>

namespace talven {
namespace {

TEST(MessageTable, numbersAreUniqueAndEveryEntryHasText) {
    std::set<int> seen;
    for (const MessageEntry* e = MessageTableBegin(); e != MessageTableEnd(); ++e) {
        EXPECT_TRUE(seen.insert(e->id).second) << "duplicate message number " << e->id;
        EXPECT_NE(std::string(e->text), "") << e->id;
    }
    EXPECT_GT(seen.size(), 60u);
}

TEST(MessageTable, numberedTextsAreExact) {
    EXPECT_EQ(MessageText(msg::kLocalSite), "Local Site");
    EXPECT_EQ(MessageText(msg::kDeleteQuestion), "Delete \"%s\"?");
    EXPECT_EQ(MessageText(msg::kDefaultDateFormat0 + 2), "%j:%H:%M");
    EXPECT_EQ(MessageText(msg::kDefaultDateFormat0 + 5), "%d-%b-%y %H:%M:%S");
    EXPECT_EQ(MessageText(12345), "");
    EXPECT_FALSE(HasMessage(12345));
    EXPECT_TRUE(HasMessage(msg::kOlderFormatOverwrite));
}

TEST(MessageFormat, fillsUpToTwoArgumentsOfEitherKind) {
    EXPECT_EQ(FormatMessage(msg::kNetworkConfigSyntaxError, "=", 12, "/tmp/a.cfx"),
              "Syntax error encountered at '=', on line 12 of network configuration file /tmp/a.cfx. File "
              "not opened.");
    EXPECT_EQ(FormatMessage(msg::kChannelLabel, "CH1", "HOURLY", 720L), "CH1, HOURLY, 720 Records Maximum");
    EXPECT_EQ(FormatMessage(msg::kWaitingToConnect, 9), "Waiting to connect...9");
    EXPECT_EQ(FormatMessage(msg::kDeleteQuestion, "Site A"), "Delete \"Site A\"?");
}

TEST(MessageFormat, mismatchedOrMissingArgumentsNeverReadOutOfBounds) {
    EXPECT_EQ(FormatMessage(msg::kWaitingToConnect, "7"), "Waiting to connect...7");
    EXPECT_EQ(FormatMessage(msg::kDialing, 42), "Dialing 42...");
    EXPECT_EQ(FormatMessage(msg::kDialing), "Dialing ...");
    const MessageArg args[] = {MessageArg(3.5), MessageArg("x")};
    EXPECT_EQ(FormatText("%5.1f|%-3s|%04d|%%|%x|%q", args, 2), "  3.5|x  |0000|%|0|%q");
    EXPECT_EQ(FormatText("trailing %", nullptr, 0), "trailing ");
}

}  // namespace
}  // namespace talven
