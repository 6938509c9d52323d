#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "text/ConfigFileTokenStream.h"
#include "text/TokenStream.h"

namespace talven {
namespace {

// A stream over fixed lines with the configuration file's tables: "=", ".", "+", "-".
class LineStream : public TokenStream {
  public:
    explicit LineStream(std::vector<std::string> lines, const TokenTableEntry* ops, int opCount)
        : TokenStream(ops, opCount, kKeywords, 2), lines_(std::move(lines)) {}
    explicit LineStream(std::vector<std::string> lines) : LineStream(std::move(lines), kOps, 4) {}

    static constexpr TokenTableEntry kOps[] = {{"+", 1}, {"-", 2}, {".", 0}, {"=", 100}};
    static constexpr TokenTableEntry kKeywords[] = {{"SITE_NAME", 125}, {"SITE_PARENT_SITE", 126}};

  protected:
    std::string ReadLine() override { return next_ < lines_.size() ? lines_[next_++] : std::string(); }

  private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
};

TEST(TokenStream, numbersFollowTheScanningRules) {
    LineStream s({"12 -5 0x1F 0Xab 3.25 5. .5 -.5 +7 2147483648\r\n"});
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.GetIntegerValue(), 12);
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.GetIntegerValue(), -5);
    EXPECT_EQ(s.GetTokenText(), "-5");
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.GetIntegerValue(), 31);
    EXPECT_TRUE(s.IsHex());
    EXPECT_EQ(s.GetTokenText(), "0x1F");
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.GetIntegerValue(), 0xab);
    EXPECT_EQ(s.GetTokenText(), "0Xab");
    EXPECT_EQ(s.NextToken(), kTokenReal);
    EXPECT_DOUBLE_EQ(s.GetRealValue(), 3.25);
    EXPECT_EQ(s.NextToken(), kTokenReal);
    EXPECT_DOUBLE_EQ(s.GetRealValue(), 5.0);
    EXPECT_EQ(s.NextToken(), kTokenReal);
    EXPECT_DOUBLE_EQ(s.GetRealValue(), 0.5);
    EXPECT_EQ(s.NextToken(), kTokenReal);
    EXPECT_DOUBLE_EQ(s.GetRealValue(), -0.5);
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.GetIntegerValue(), 7);
    EXPECT_FALSE(s.IsHex());
    // 32-bit arithmetic without overflow check wraps.
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.GetIntegerValue(), INT32_MIN);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
}

TEST(TokenStream, modesChangeSignsPointsAndIntegers) {
    LineStream sign({"-5\n"});
    EXPECT_EQ(sign.NextToken(kModeNoSign), 2);
    EXPECT_EQ(sign.GetTokenText(), "-");
    EXPECT_EQ(sign.NextToken(kModeNoSign), kTokenInteger);
    EXPECT_EQ(sign.GetIntegerValue(), 5);

    LineStream sign1({"+5\n"});
    EXPECT_EQ(sign1.NextToken(kModeNoSign1), 1);

    LineStream point({".5\n"});
    EXPECT_EQ(point.NextToken(kModeNoLeadingPoint), 0);
    EXPECT_EQ(point.NextToken(kModeNoLeadingPoint), kTokenInteger);

    LineStream asReal({"3\n"});
    EXPECT_EQ(asReal.NextToken(kModeIntegerAsReal), kTokenReal);
    EXPECT_DOUBLE_EQ(asReal.GetRealValue(), 3.0);
    EXPECT_EQ(asReal.GetIntegerValue(), 3);
}

TEST(TokenStream, malformedInputYieldsInvalidWithoutMoving) {
    LineStream s({"12abc\n"});
    EXPECT_EQ(s.NextToken(), kTokenInvalid);
    EXPECT_EQ(s.GetTokenText(), "");
    // The position did not move: the same answer again.
    EXPECT_EQ(s.NextToken(), kTokenInvalid);

    LineStream hex({"0xG\n"});
    EXPECT_EQ(hex.NextToken(), kTokenInvalid);

    LineStream lone({"?\n"});  // an operator character the table does not hold
    EXPECT_EQ(lone.NextToken(), kTokenInvalid);
    EXPECT_EQ(lone.GetTokenText(), "");

    LineStream open({"\"abc\r\n", "x\n"});
    open.SetMultiLine(true);
    EXPECT_EQ(open.NextToken(), kTokenInvalid);
    EXPECT_EQ(open.GetTokenText(), "abc");
    // An unterminated string does not pin the stream in place.
    EXPECT_EQ(open.NextToken(), kTokenString);
    EXPECT_EQ(open.GetTokenText(), "x");
}

TEST(TokenStream, wordsStringsAndOperators) {
    LineStream s({"site_name == \"Home base\" \"\" plain_word9 .=\n"});
    EXPECT_EQ(s.NextToken(), 125);
    EXPECT_EQ(s.GetTokenText(), "site_name");
    EXPECT_EQ(s.NextToken(), 100);
    EXPECT_EQ(s.NextToken(), 100);
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.GetTokenText(), "Home base");
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.GetTokenText(), "");
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.GetTokenText(), "plain_word9");
    EXPECT_EQ(s.NextToken(), 0);
    EXPECT_EQ(s.NextToken(), 100);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
}

TEST(TokenStream, longestOperatorRunWinsThenShortens) {
    static constexpr TokenTableEntry ops[] = {{"<", 10}, {"<=", 11}, {"=", 12}};
    LineStream s({"<== <<\n"}, ops, 3);
    EXPECT_EQ(s.NextToken(), 11);
    EXPECT_EQ(s.NextToken(), 12);
    EXPECT_EQ(s.NextToken(), 10);
    EXPECT_EQ(s.NextToken(), 10);
}

TEST(TokenStream, lineEndsAndEndOfInput) {
    LineStream s({"a\r\n", "   \r\n", "b\n"});
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.NextToken(), kTokenEnd);  // end of line 1
    EXPECT_EQ(s.NextToken(), kTokenEnd);  // blank line 2
    EXPECT_EQ(s.GetLineNumber(), 2);
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.GetLineNumber(), 3);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.GetTokenText(), "<end of file>");
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.GetTokenText(), "<end of file>");

    LineStream joined({"a\r\n", "   \r\n", "b\n"});
    joined.SetMultiLine(true);
    EXPECT_EQ(joined.NextToken(), kTokenString);
    EXPECT_EQ(joined.NextToken(), kTokenString);
    EXPECT_EQ(joined.GetTokenText(), "b");
    EXPECT_EQ(joined.GetLineNumber(), 3);
    EXPECT_EQ(joined.NextToken(), kTokenEnd);
    EXPECT_EQ(joined.GetTokenText(), "<end of file>");
}

TEST(TokenStream, errorsAndRestOfLine) {
    LineStream s({"x = rest of the line\r\n", "y\n"});
    s.NextToken();
    s.NextToken();
    s.ReadRestOfLine();
    EXPECT_EQ(s.GetTokenKind(), kTokenString);
    EXPECT_EQ(s.GetTokenText(), " rest of the line");  // from the position, blanks included
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    s.NextToken();
    s.RecordError();
    EXPECT_EQ(s.GetErrorCount(), 1);
    EXPECT_EQ(s.GetErrorLine(), 2);
    EXPECT_EQ(s.GetErrorText(), "y");
}

TEST(ConfigFileTokenStream, readsKeywordsInAnyCaseAcrossLines) {
    std::istringstream in("\r\nsite_name = \"Home\"\r\n  SITE_PARENT_SITE = \"\"\r\n  site_comm_port = 0");
    ConfigFileTokenStream s(in, 7);  // a small block exercises refills inside a line
    s.SetMultiLine(true);
    EXPECT_EQ(s.NextToken(), SITE_NAME);
    EXPECT_EQ(s.GetLineNumber(), 2);
    EXPECT_EQ(s.NextToken(), kConfigEquals);
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.GetTokenText(), "Home");
    EXPECT_EQ(s.NextToken(), SITE_PARENT_SITE);
    s.NextToken();
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.NextToken(), SITE_COMM_PORT);
    s.NextToken();
    EXPECT_EQ(s.NextToken(), kTokenInteger);  // last line without a line feed
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(ConfigKeywordText(INST_XMIT_DELAY), "INST_XMIT_DELAY");
    EXPECT_EQ(ConfigKeywordText(TCPIP), "TCPIP");
    EXPECT_EQ(ConfigKeywordText(100), "");
}

}  // namespace
}  // namespace talven
