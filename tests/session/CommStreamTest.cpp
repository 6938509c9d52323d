// The instrument response stream on a scripted link.

#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "session/CommInstrumentTokenStream.h"

namespace talven {
namespace {

using test::RecordingLog;
using test::ScriptedLink;

class CommStreamTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(link.Open(nullptr)); }
    RecordingLog log;
    ScriptedLink link;
    CommInstrumentTokenStream stream{link, 20};
};

TEST_F(CommStreamTest, lowerCasePhraseMatchesAndCarriesTheTableText) {
    link.Feed("L 060:12:00 0000 log on successful\r\n");
    stream.NextToken();
    for (int i = 0; i < 6; ++i)
        stream.NextToken();
    EXPECT_EQ(stream.NextToken(), tok::kLogOnSuccessful);
    EXPECT_EQ(stream.GetTokenText(), "LOG ON SUCCESSFUL");
}

TEST_F(CommStreamTest, revisionPhrasesShareTheirCodeAndLeaveTheNumber) {
    link.Feed("Software Revision G.3\r\nRevision 2\r\n");
    EXPECT_EQ(stream.NextToken(), tok::kRevision);
    EXPECT_EQ(stream.GetTokenText(), "Software Revision");
    EXPECT_EQ(stream.PeekRestOfLine(), "G.3");
    stream.StartNewLine();
    EXPECT_EQ(stream.NextToken(), tok::kRevision);
    EXPECT_EQ(stream.NextToken(), kTokenInteger);
}

TEST_F(CommStreamTest, silentLinkGivesOneLoggedTimeoutAndEndOfFile) {
    EXPECT_EQ(stream.NextToken(), kTokenEnd);
    EXPECT_EQ(stream.GetTokenText(), "<end of file>");
    EXPECT_TRUE(stream.AtEndOfInput());
    EXPECT_EQ(log.Lines(kLogError),
              std::vector<std::string>{"Timed out waiting for response from instrument."});
}

TEST_F(CommStreamTest, responsesAreLoggedAsReceived) {
    link.Feed("K 1:SAMPLE\r\n");
    stream.NextToken();
    EXPECT_EQ(log.Lines(kLogResponse), std::vector<std::string>{"K 1:SAMPLE\r\n"});
}

TEST_F(CommStreamTest, blankLineEndsTheLineButNotTheInput) {
    link.Feed("\r\nNEXT\r\n");
    EXPECT_EQ(stream.NextToken(), kTokenEnd);
    EXPECT_FALSE(stream.AtEndOfInput());
    EXPECT_EQ(stream.NextToken(), kTokenString);
    EXPECT_EQ(stream.GetTokenText(), "NEXT");
}

TEST_F(CommStreamTest, startNewLineSkipsTheRestEvenWithLinesJoined) {
    link.Feed("ONE TWO\r\nTHREE\r\n");
    stream.SetMultiLine(true);
    EXPECT_EQ(stream.NextToken(), kTokenString);
    stream.StartNewLine();
    EXPECT_TRUE(stream.GetMultiLine());
    EXPECT_EQ(stream.NextToken(), kTokenString);
    EXPECT_EQ(stream.GetTokenText(), "THREE");
}

TEST_F(CommStreamTest, startNewLineAtALineEndReadsNothing) {
    link.Feed("ONE\r\nTWO\r\n");
    stream.NextToken();
    EXPECT_EQ(stream.NextToken(), kTokenEnd);
    stream.StartNewLine();
    EXPECT_EQ(stream.NextToken(), kTokenString);
    EXPECT_EQ(stream.GetTokenText(), "TWO");
}

TEST_F(CommStreamTest, receiveTimeoutChangesAndComesBack) {
    EXPECT_EQ(stream.SetReceiveTimeout(10000), 20);
    EXPECT_EQ(stream.SetReceiveTimeout(20), 10000);
    EXPECT_EQ(stream.GetReceiveTimeout(), 20);
}

}  // namespace
}  // namespace talven
