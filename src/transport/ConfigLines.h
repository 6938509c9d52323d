#pragma once
// Helpers for the connection lines of the configuration text ("  KEYWORD = value\r\n"). Internal
// to the transport layer.

#include <cstdint>
#include <string>
#include <string_view>

namespace talven {

class TokenStream;

namespace configlines {

/// "  KEYWORD = \"value\"\r\n"
void AppendText(std::string& out, int keyword, std::string_view value);
/// "  KEYWORD = value\r\n"
void AppendNumber(std::string& out, int keyword, long long value);
/// After a keyword: reads "=" and the value token. Returns the value's kind, or records a syntax
/// error and returns -1 when "=" is missing or the value is neither of the accepted kinds.
int ReadValue(TokenStream& stream, bool acceptText, bool acceptInteger);
/// True when text holds a double quote, carriage return or line feed.
bool Unwritable(std::string_view text);

}  // namespace configlines
}  // namespace talven
