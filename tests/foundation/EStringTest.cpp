#include "foundation/EString.h"

#include <gtest/gtest.h>

namespace talven {
namespace {

TEST(Escape, namedControlCharactersQuotesAndBackslash) {
    const std::string in("\0\a\b\t\n\v\f\r\"'\\", 11);
    EXPECT_EQ(Escape(in), "\\0\\a\\b\\t\\n\\v\\f\\r\\\"\\'\\\\");
    EXPECT_EQ(Escape("plain text 123"), "plain text 123");
    EXPECT_EQ(Escape(""), "");
}

TEST(Escape, otherNonPrintablesAreHexAndAFollowingHexDigitIsEscapedToo) {
    EXPECT_EQ(Escape("\x01"
                     "A"),
              "\\x01\\x41");
    EXPECT_EQ(Escape("\x01"
                     "AB"),
              "\\x01\\x41\\x42");
    EXPECT_EQ(Escape("\x01"
                     "g"),
              "\\x01g");
    EXPECT_EQ(Escape("\x7F"
                     "1 1"),
              "\\x7F\\x31 1");
    EXPECT_EQ(Escape("\xE3"), "\\xE3");
    // A named escape does not protect what follows: "\n" then "A" stays readable.
    EXPECT_EQ(Escape("\nA"), "\\nA");
    EXPECT_EQ(Escape("OK\r\n"), "OK\\r\\n");
}

TEST(BinaryDigits, writtenFromBitZeroPaddedAndOptionallyReversed) {
    EXPECT_EQ(ToBinaryDigits(6, 0, false), "011");
    EXPECT_EQ(ToBinaryDigits(6, 0, true), "110");
    EXPECT_EQ(ToBinaryDigits(6, 8, false), "01100000");
    EXPECT_EQ(ToBinaryDigits(6, 8, true), "00000110");
    EXPECT_EQ(ToBinaryDigits(0, 0, true), "");
    EXPECT_EQ(ToBinaryDigits(0, 3, true), "000");
    EXPECT_EQ(ToBinaryDigits(0xFFFFFFFFu, 0, false).size(), 32u);
}

TEST(BinaryDigits, readBackInBothOrders) {
    EXPECT_EQ(FromBinaryDigits("011", false), 6u);
    EXPECT_EQ(FromBinaryDigits("110", true), 6u);
    EXPECT_EQ(FromBinaryDigits("  00000110x", true), 6u);
    EXPECT_EQ(FromBinaryDigits("", true), 0u);
    EXPECT_EQ(FromBinaryDigits("abc", false), 0u);
    for (std::uint32_t v : {0u, 1u, 5u, 0x80000001u, 0xDEADBEEFu}) {
        EXPECT_EQ(FromBinaryDigits(ToBinaryDigits(v, 16, true), true), v);
        EXPECT_EQ(FromBinaryDigits(ToBinaryDigits(v, 16, false), false), v);
    }
}

TEST(BinaryDigits, allBinaryTest) {
    EXPECT_TRUE(IsAllBinaryDigits(""));
    EXPECT_TRUE(IsAllBinaryDigits("0101"));
    EXPECT_FALSE(IsAllBinaryDigits("0102"));
    EXPECT_FALSE(IsAllBinaryDigits(" 01"));
}

TEST(CaseInsensitive, comparesAsciiWithoutRegardToCase) {
    EXPECT_TRUE(EqualsNoCase("Home", "hOME"));
    EXPECT_FALSE(EqualsNoCase("Home", "Homes"));
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(CompareNoCase("abcd", "ABC"), 0);
    EXPECT_EQ(ToUpper("wt%"), "WT%");
}

}  // namespace
}  // namespace talven
