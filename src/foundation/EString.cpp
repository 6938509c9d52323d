#include "foundation/EString.h"

#include <cctype>

#include "foundation/StreamConverter.h"

namespace talven {

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool afterHexEscape = false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        char named = 0;
        switch (c) {
            case 0x00:
                named = '0';
                break;
            case 0x07:
                named = 'a';
                break;
            case 0x08:
                named = 'b';
                break;
            case 0x09:
                named = 't';
                break;
            case 0x0A:
                named = 'n';
                break;
            case 0x0B:
                named = 'v';
                break;
            case 0x0C:
                named = 'f';
                break;
            case 0x0D:
                named = 'r';
                break;
            case '"':
                named = '"';
                break;
            case '\'':
                named = '\'';
                break;
            case '\\':
                named = '\\';
                break;
            default:
                break;
        }
        if (named != 0) {
            out.push_back('\\');
            out.push_back(named);
            afterHexEscape = false;
        } else if (c < 0x20 || c > 0x7E || (afterHexEscape && IsHexDigit(ch))) {
            out += "\\x";
            out.push_back(HexDigitChar(c >> 4, true));
            out.push_back(HexDigitChar(c & 0x0F, true));
            afterHexEscape = true;
        } else {
            out.push_back(ch);
            afterHexEscape = false;
        }
    }
    return out;
}

std::string ToBinaryDigits(std::uint32_t value, int minWidth, bool msbFirst) {
    std::string digits;
    for (std::uint32_t v = value; v != 0; v >>= 1)
        digits.push_back((v & 1) ? '1' : '0');
    while (static_cast<int>(digits.size()) < minWidth)
        digits.push_back('0');
    if (msbFirst)
        digits.assign(digits.rbegin(), digits.rend());
    return digits;
}

std::uint32_t FromBinaryDigits(std::string_view text, bool msbFirst) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::uint32_t value = 0;
    int bit = 0;
    for (; i < text.size() && (text[i] == '0' || text[i] == '1'); ++i) {
        const std::uint32_t d = text[i] == '1' ? 1u : 0u;
        if (msbFirst) {
            value = (value << 1) | d;
        } else if (bit < 32) {
            value |= d << bit;
        }
        ++bit;
    }
    return value;
}

bool IsAllBinaryDigits(std::string_view text) {
    for (const char c : text) {
        if (c != '0' && c != '1')
            return false;
    }
    return true;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string ToLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace talven
