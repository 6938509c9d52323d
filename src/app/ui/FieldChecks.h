#pragma once
// What every dialog's fields share: integers typed as text and checked against their limits, the
// "\xhh" form in which byte strings (an instrument's select and deselect codes) are edited, and
// the message box that tells the user why a field was refused. Window thread only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talven {

enum class IntegerParse { kOk, kNotInteger, kOutOfRange };

/// Reads text (blanks around it allowed, an optional sign, decimal digits) as an integer within
/// min..max.
IntegerParse ParseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& value);

/// ParseInteger, and when it fails tells the user "Please enter an integer." or "Please enter an
/// integer between MIN and MAX." (caption "Error", exclamation). True when value was set.
bool CheckInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& value);
/// The same for a field known to be valid: the value, or fallback when the text does not read.
std::int64_t IntegerOr(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t fallback);

/// Shows a refusal of the user's input: the message with caption "Error" and the exclamation icon.
void ShowInputError(const std::string& text);

/// A byte string as the user edits it: printable ASCII as itself, a backslash doubled, every other
/// byte as \x and two upper-case hexadecimal digits.
std::string BytesToEscapedText(std::string_view bytes);

/// Reads the edited form back: \x with one or two hexadecimal digits, \\, and the C escapes \0 \a
/// \b \t \n \v \f \r \" \' (which older files hold). On an escape that does not read, returns
/// nothing and sets errorAt to the offset of its backslash.
std::optional<std::string> EscapedTextToBytes(std::string_view text, std::size_t* errorAt = nullptr);

}  // namespace talven
