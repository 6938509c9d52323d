#pragma once
// Byte encodings the instrument writes: Base64 and hexadecimal record lines, checksums, and the
// text helpers shared by the reply writers.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talven::sim {

/// Standard alphabet with '=' padding, no line breaks.
std::string Base64Encode(const std::uint8_t* bytes, std::size_t n);
/// Upper-case digit pairs, high digit first.
std::string HexEncode(const std::uint8_t* bytes, std::size_t n);
/// 8-bit sum of the characters of a text.
std::uint8_t TextSum(std::string_view text);

/// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string ToUpper(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
std::string_view Trim(std::string_view text);
/// Splits at blanks; runs of blanks count as one.
std::vector<std::string> SplitBlanks(std::string_view text);

/// A name the instrument's lexer reads as one word: a letter, then letters, digits or '_', and
/// not one of the reserved words. Anything else is written between double quotes.
bool IsBareWord(std::string_view name);
std::string QuoteIfNeeded(std::string_view name);

/// Deterministic 64-bit mixing of a seed and values; the simulator's only source of "noise".
std::uint64_t Mix(std::uint64_t a, std::uint64_t b);
std::uint64_t HashText(std::string_view text);

}  // namespace talven::sim

namespace talven::sim {

/// The stamp that opens a reply line: letter, day of year, hour, minute and the instrument ID,
/// e.g. "D 045:13:07 0001 ".
std::string ReplyHeader(char letter, std::uint32_t localSeconds, int instrumentId);

}  // namespace talven::sim
