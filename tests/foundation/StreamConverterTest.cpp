#include "foundation/StreamConverter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/AssertionException.h"

namespace talven {
namespace {

std::string DecodeBase64(const std::string& text) {
    StreamToString sink;
    Base64Decoder decoder(&sink);
    ResetChain(&decoder);
    PutBytes(&decoder, text.data(), static_cast<std::int64_t>(text.size()));
    FlushChain(&decoder);
    return sink.text();
}

TEST(Base64Decoder, groupsPaddingAndIgnoredCharacters) {
    EXPECT_EQ(DecodeBase64("TWFu"), "Man");
    EXPECT_EQ(DecodeBase64("TWE="), "Ma");
    EXPECT_EQ(DecodeBase64("TQ=="), "M");
    EXPECT_EQ(DecodeBase64("TW\r\nFu"), "Man");
    EXPECT_EQ(DecodeBase64("T W*F u"), "Man");
    EXPECT_EQ(DecodeBase64("+/+/"), std::string("\xFB\xFF\xBF", 3));
    EXPECT_EQ(DecodeBase64("AAECAwQFBgc="), std::string("\0\1\2\3\4\5\6\7", 8));
}

TEST(Base64Decoder, resetDropsAHalfGroup) {
    StreamToString sink;
    Base64Decoder decoder(&sink);
    PutBytes(&decoder, "TW", 2);
    ResetChain(&decoder);
    PutBytes(&decoder, "TWFu", 4);
    EXPECT_EQ(sink.text(), "Man");
}

TEST(StreamToBuffer, dropsBytesBeyondCapacityAndRefillsAfterReset) {
    std::uint8_t buffer[4] = {};
    StreamToBuffer sink(buffer, 4);
    PutBytes(&sink, "abcdef", 6);
    EXPECT_EQ(sink.count(), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "abcd");
    sink.Reset();
    PutBytes(&sink, "xy", 2);
    EXPECT_EQ(sink.count(), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "xycd");
    PutBytes(&sink, "zz", 0);
    PutBytes(&sink, "zz", -3);
    EXPECT_EQ(sink.count(), 2);
}

TEST(StreamToBuffer, nullBufferOrNoCapacityIsAnAssertion) {
    std::uint8_t b[1];
    try {
        StreamToBuffer bad(nullptr, 4);
        FAIL() << "no assertion";
    } catch (const AssertionException& e) {
        EXPECT_STREQ(e.what(), "Assertion failed: Standard/StreamToBuffer(39)\r\n");
    }
    EXPECT_THROW(StreamToBuffer(b, 0), AssertionException);
}

std::vector<std::uint8_t> DecodeRle(const std::vector<std::uint8_t>& in) {
    std::vector<std::uint8_t> out(64);
    StreamToBuffer sink(out.data(), 64);
    RLE_Decoder rle(0xE3, &sink);
    PutBytes(&rle, in.data(), static_cast<std::int64_t>(in.size()));
    out.resize(static_cast<std::size_t>(sink.count()));
    return out;
}

TEST(RleDecoder, expandsRunsAndLiteralEscapes) {
    EXPECT_EQ(DecodeRle({0xE3, 5, 'A'}), std::vector<std::uint8_t>(5, 'A'));
    EXPECT_TRUE(DecodeRle({0xE3, 0, 'A'}).empty());
    EXPECT_EQ(DecodeRle({0xE3, 1, 0xE3}), std::vector<std::uint8_t>{0xE3});
    EXPECT_EQ(DecodeRle({'x', 0xE3, 2, 'y', 'z'}), (std::vector<std::uint8_t>{'x', 'y', 'y', 'z'}));
}

TEST(RleDecoder, resetKeepsAnEscapeInProgress) {
    std::uint8_t out[8];
    StreamToBuffer sink(out, 8);
    RLE_Decoder rle(0xE3, &sink);
    rle.Put(0xE3);
    ResetChain(&rle);
    EXPECT_EQ(rle.state(), 1);
    EXPECT_EQ(sink.count(), 0);
    rle.Put(3);
    rle.Put('q');
    EXPECT_EQ(sink.count(), 3);
}

TEST(ConverterChain, base64ThenRunLengthIntoAString) {
    // E3 04 5A 41 in Base64 is 4wRaQQ==: four 'Z' then 'A'.
    StreamToString sink;
    RLE_Decoder rle(0xE3, &sink);
    Base64Decoder decoder(&rle);
    ResetChain(&decoder);
    PutBytes(&decoder, "4wRaQQ==", 8);
    FlushChain(&decoder);
    EXPECT_EQ(sink.text(), "ZZZZA");
    ResetChain(&decoder);
    EXPECT_EQ(sink.text(), "");
}

TEST(Crc16, plainFormMatchesCcittFalseAndAugmentedDiffers) {
    EXPECT_EQ(Crc16("123456789", 9).value(), 0x29B1);
    EXPECT_EQ(Crc16("", 0).value(), 0xFFFF);
    EXPECT_EQ(Crc16("A", 1).value(), 0xB915);
    // The augmented form of "123456789" is the CRC-16/AUG-CCITT-style value of the same table.
    EXPECT_EQ(Crc16("123456789", 9, Crc16::kAugmented).value(), 0xE5CC);
    EXPECT_EQ(Crc16("", 0, Crc16::kAugmented).value(), 0x1D0F);
}

TEST(Checksums, byteSumWrapsAndIgnoresNonPositiveCounts) {
    const std::uint8_t bytes[] = {0xFF, 0x02, 0x10};
    EXPECT_EQ(ByteSum(bytes, 3), 0x11);
    EXPECT_EQ(ByteSum(bytes, 0), 0);
    EXPECT_EQ(ByteSum(bytes, -1), 0);
}

TEST(Digits, hexadecimalAndOctal) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('a'), 10);
    EXPECT_EQ(HexDigitValue('F'), 15);
    EXPECT_EQ(HexDigitValue('g'), 0);
    EXPECT_EQ(HexDigitChar(11, true), 'B');
    EXPECT_EQ(HexDigitChar(11, false), 'b');
    EXPECT_EQ(HexDigitChar(7, false), '7');
    EXPECT_EQ(HexDigitChar(16, true), '?');
    EXPECT_TRUE(IsOctalDigit('7'));
    EXPECT_FALSE(IsOctalDigit('8'));
    EXPECT_FALSE(IsOctalDigit('/'));
}

}  // namespace
}  // namespace talven
