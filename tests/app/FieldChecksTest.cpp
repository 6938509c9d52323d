// Integers typed into dialog fields, and byte codes edited in the \xhh form.

#include "app/ui/FieldChecks.h"

#include <gtest/gtest.h>

namespace talven {
namespace {

TEST(ParseInteger, readsSignedDecimalsWithBlanksAndRefusesEverythingElse) {
    std::int64_t v = -1;
    EXPECT_EQ(ParseInteger(" 42\t", 0, 100, v), IntegerParse::kOk);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(ParseInteger("-7", -10, 0, v), IntegerParse::kOk);
    EXPECT_EQ(v, -7);
    EXPECT_EQ(ParseInteger("+4294967295", 0, 4294967295LL, v), IntegerParse::kOk);
    EXPECT_EQ(v, 4294967295LL);
    for (const char* text : {"", " ", "-", "12a", "1 2", "0x10", "1e3", "3.0"})
        EXPECT_EQ(ParseInteger(text, 0, 100, v), IntegerParse::kNotInteger) << text;
    EXPECT_EQ(ParseInteger("101", 0, 100, v), IntegerParse::kOutOfRange);
    EXPECT_EQ(ParseInteger("4294967296", 0, 4294967295LL, v), IntegerParse::kOutOfRange);
    EXPECT_EQ(ParseInteger("99999999999999999999999", 0, 100, v), IntegerParse::kOutOfRange);
    EXPECT_EQ(ParseInteger("99999999999999999999999x", 0, 100, v), IntegerParse::kNotInteger);
    EXPECT_EQ(v, 4294967295LL);  // a refused text leaves the value alone
}

TEST(EscapedBytes, everyByteSurvivesTheEditedForm) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string edited = BytesToEscapedText(all);
    EXPECT_EQ(edited.find_first_of(std::string("\0\x7F\x80\xFF", 4)), std::string::npos);
    EXPECT_EQ(EscapedTextToBytes(edited), all);
    EXPECT_EQ(BytesToEscapedText(std::string("\x03"
                                             "AB\\\r\n",
                                             6)),
              "\\x03AB\\\\\\x0D\\x0A");
    // A hexadecimal digit after an escape stays a character of its own.
    EXPECT_EQ(BytesToEscapedText("\x1b"
                                 "F"),
              "\\x1BF");
    EXPECT_EQ(EscapedTextToBytes("\\x1BF"),
              "\x1b"
              "F");
}

TEST(EscapedBytes, readsShortHexAndTheCEscapesAndPointsAtAnUnreadableOne) {
    EXPECT_EQ(EscapedTextToBytes("\\x3\\xfa\\r\\n\\t\\0\\\"\\'"), std::string("\x03\xfa\r\n\t\0\"'", 8));
    EXPECT_EQ(EscapedTextToBytes(""), "");
    std::size_t at = 99;
    EXPECT_FALSE(EscapedTextToBytes("AB\\q", &at));
    EXPECT_EQ(at, 2u);
    EXPECT_FALSE(EscapedTextToBytes("\\x03\\xZZ", &at));
    EXPECT_EQ(at, 4u);
    EXPECT_FALSE(EscapedTextToBytes("end\\", &at));
    EXPECT_EQ(at, 3u);
}

}  // namespace
}  // namespace talven
