#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "foundation/EString.h"
#include "text/InstrumentTokenStream.h"

namespace talven {
namespace {

TEST(InstrumentVocabulary, tablesAreCompleteSortedAndDistinct) {
    const auto& punct = InstrumentPunctuationTable();
    const auto& keywords = InstrumentKeywordTable();
    const auto& phrases = InstrumentPhraseTable();
    EXPECT_EQ(punct.size(), 11u);
    EXPECT_EQ(keywords.size(), 101u);
    EXPECT_EQ(phrases.size(), 27u);
    for (const auto* table : {&punct, &keywords, &phrases}) {
        for (std::size_t i = 1; i < table->size(); ++i) {
            EXPECT_LT(CompareNoCase((*table)[i - 1].text, (*table)[i].text), 0) << (*table)[i].text;
        }
    }
    std::set<int> ids;
    for (const auto& e : keywords)
        ids.insert(e.id);
    EXPECT_EQ(ids.size(), 101u);
    EXPECT_EQ(ids.count(tok::DEC), 1u);
}

TEST(InstrumentVocabulary, tokenCodeToText) {
    EXPECT_EQ(TokenCodeToText(999), "Unknown");
    EXPECT_EQ(TokenCodeToText(103), "/");
    EXPECT_EQ(TokenCodeToText(tok::LEVELTABLEEND), "LEVELTABLEEND");
    EXPECT_EQ(TokenCodeToText(tok::kMustLogOn), "MUST LOG ON");
}

TEST(FileInstrumentTokenStream, phrasesMatchInAnyCaseAndKeepTheirTableText) {
    std::istringstream in(
        "log on successful\r\n"
        "Software Revision 1.2\r\n"
        "Revision 7\r\n"
        "Part Numbers\r\n"
        "D \"ZERO\", [1]\n");
    FileInstrumentTokenStream s(in);
    EXPECT_EQ(s.NextToken(), tok::kLogOnSuccessful);
    EXPECT_EQ(s.GetTokenText(), "LOG ON SUCCESSFUL");
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.NextToken(), tok::kRevision);
    EXPECT_EQ(s.GetTokenText(), "Software Revision");
    EXPECT_EQ(s.NextToken(), kTokenReal);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.NextToken(), tok::kRevision);
    EXPECT_EQ(s.GetTokenText(), "Revision");
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    // The phrase matches even with a letter right after it; the letter starts the next token.
    EXPECT_EQ(s.NextToken(), tok::kPartNumber);
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.GetTokenText(), "s");
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.NextToken(), tok::D);
    EXPECT_EQ(s.NextToken(), kTokenString);
    EXPECT_EQ(s.NextToken(), tok::kComma);
    EXPECT_EQ(s.NextToken(), tok::kOpenBracket);
    EXPECT_EQ(s.NextToken(), kTokenInteger);
    EXPECT_EQ(s.NextToken(), tok::kCloseBracket);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_EQ(s.GetTokenText(), "<end of file>");
}

TEST(FileInstrumentTokenStream, lastLineWithoutLineFeedIsDelivered) {
    std::istringstream in("GASNAME\r\nLEVEL");
    FileInstrumentTokenStream s(in, 3);
    s.SetMultiLine(true);
    EXPECT_EQ(s.NextToken(), tok::GASNAME);
    EXPECT_EQ(s.NextToken(), tok::LEVEL);
    EXPECT_EQ(s.GetLineNumber(), 2);
    EXPECT_EQ(s.NextToken(), kTokenEnd);
}

TEST(InstrumentReplyGrammar, headersWordsAndTheEndOfInputAreReadOneWayForEveryReply) {
    std::istringstream in(
        "D 400:25:61 7 \"1A\" ON CONC1: x\r\n"
        "\r\n"
        "V 032:08:15 12 : =\r\n");
    FileInstrumentTokenStream s(in);
    ReplyHeader h;
    ASSERT_EQ(s.NextToken(), tok::D);
    ASSERT_TRUE(ReadReplyHeaderFields(s, h));
    // Out of range: day 1, hour 0, minute 0; the ID is kept.
    EXPECT_EQ(h.Offset(), 0u);
    EXPECT_EQ(h.id, 7);
    // A quoted name is a word whatever it starts with; so is a keyword written as a name.
    EXPECT_TRUE(IsWordToken(s, s.NextToken()));
    EXPECT_TRUE(IsWordToken(s, s.NextToken()));
    EXPECT_TRUE(IsWordToken(s, s.NextToken()));
    EXPECT_FALSE(IsWordToken(s, s.NextToken()));  // ":"
    s.NextToken();
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_FALSE(s.AtEndOfInput());
    EXPECT_EQ(s.NextToken(), kTokenEnd);  // the blank line: an end of line, not of input
    EXPECT_FALSE(s.AtEndOfInput());
    ASSERT_EQ(s.NextToken(), tok::V);
    ASSERT_TRUE(ReadReplyHeaderFields(s, h));
    EXPECT_EQ(h.Offset(), 31u * 86400 + 8 * 3600 + 15 * 60);
    EXPECT_EQ(h.id, 12);
    EXPECT_FALSE(ReadReplyHeaderFields(s, h));  // ":" where the day should be
    while (s.NextToken() != kTokenEnd) {
    }
    EXPECT_EQ(s.NextToken(), kTokenEnd);
    EXPECT_TRUE(s.AtEndOfInput());
}

}  // namespace
}  // namespace talven
