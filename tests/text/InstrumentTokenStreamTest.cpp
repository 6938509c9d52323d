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

}  // namespace
}  // namespace talven
