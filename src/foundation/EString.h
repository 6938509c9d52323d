#pragma once
// String helpers shared by the event log, the binary texts and the message formatter.

#include <cstdint>
#include <string>
#include <string_view>

namespace talven {

/// Control characters, quotes and backslash as C escapes; other non-printable bytes as \xHH, and a
/// hexadecimal digit right after such an escape escaped too so the escape cannot absorb it.
std::string Escape(std::string_view text);

/// Binary digits from bit 0 upward until no set bit remains, '0' padded to minWidth; reversed
/// (most significant first) when msbFirst is set.
std::string ToBinaryDigits(std::uint32_t value, int minWidth, bool msbFirst);
/// Reads the run of '0'/'1' after leading blanks; msbFirst means the first digit is the most
/// significant. An empty run gives 0. Digits beyond 32 are ignored.
std::uint32_t FromBinaryDigits(std::string_view text, bool msbFirst);
/// True when every character is '0' or '1' (also for an empty text).
bool IsAllBinaryDigits(std::string_view text);

/// Case-insensitive comparison of ASCII text (names of nodes, channels, keywords).
bool EqualsNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::string_view a, std::string_view b);
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);

}  // namespace talven
