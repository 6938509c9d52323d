#include "app/ui/FieldChecks.h"

#include <cctype>

#include "app/ui/DialogMessages.h"
#include "foundation/Messages.h"
#include "foundation/StreamConverter.h"
#include "foundation/UserPrompt.h"

namespace talven {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The C escapes that Escape() writes and older text files hold, by their letter.
int SimpleEscape(char c) {
    switch (c) {
        case '0':
            return '\0';
        case 'a':
            return '\a';
        case 'b':
            return '\b';
        case 't':
            return '\t';
        case 'n':
            return '\n';
        case 'v':
            return '\v';
        case 'f':
            return '\f';
        case 'r':
            return '\r';
        case '"':
            return '"';
        case '\'':
            return '\'';
        case '\\':
            return '\\';
        default:
            return -1;
    }
}

}  // namespace

IntegerParse ParseInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& value) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return IntegerParse::kNotInteger;
    std::int64_t magnitude = 0;
    bool huge = false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return IntegerParse::kNotInteger;
        if (magnitude > 100000000000000000LL)
            huge = true;  // keeps reading: a letter further on still makes it no integer
        else
            magnitude = magnitude * 10 + (c - '0');
    }
    if (huge)
        return IntegerParse::kOutOfRange;
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v < min || v > max)
        return IntegerParse::kOutOfRange;
    value = v;
    return IntegerParse::kOk;
}

bool CheckInteger(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& value) {
    switch (ParseInteger(text, min, max, value)) {
        case IntegerParse::kOk:
            return true;
        case IntegerParse::kNotInteger:
            ShowInputError(FormatMessage(msg::kEnterInteger));
            return false;
        case IntegerParse::kOutOfRange:
            ShowInputError(
                FormatMessage(msg::kEnterIntegerBetween, std::to_string(min), std::to_string(max)));
            return false;
    }
    return false;
}

std::int64_t IntegerOr(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t fallback) {
    std::int64_t value = fallback;
    return ParseInteger(text, min, max, value) == IntegerParse::kOk ? value : fallback;
}

void ShowInputError(const std::string& text) {
    GetUserPrompt().MessageBox(text, FormatMessage(msg::kCaptionError), mb::kOk | mb::kIconWarning);
}

std::string BytesToEscapedText(std::string_view bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (b >= 0x20 && b < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += kDigits[b >> 4];
            out += kDigits[b & 0xF];
        }
    }
    return out;
}

std::optional<std::string> EscapedTextToBytes(std::string_view text, std::size_t* errorAt) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const std::size_t start = i;
        auto fail = [&]() -> std::optional<std::string> {
            if (errorAt)
                *errorAt = start;
            return std::nullopt;
        };
        if (i + 1 >= text.size())
            return fail();
        const char kind = text[++i];
        if (kind == 'x' || kind == 'X') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && i + 1 < text.size() && HexDigit(text[i + 1]) >= 0) {
                value = value * 16 + HexDigit(text[++i]);
                ++digits;
            }
            if (digits == 0)
                return fail();
            out += static_cast<char>(value);
        } else if (const int simple = SimpleEscape(kind); simple >= 0) {
            out += static_cast<char>(simple);
        } else {
            return fail();
        }
    }
    return out;
}

}  // namespace talven
