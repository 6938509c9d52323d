#pragma once
// A bit set with an enabled flag and a digit order: contact closures (12 bits) and status blocks
// (8 bits). Its text is binary digits, or "DISABLED".

#include <cstdint>
#include <string>

namespace talven {

class ObjectArchive;
class TokenStream;

struct BinaryValue {
    std::uint32_t bits = 0;  // bit i = input, output or bit number i + 1
    bool enabled = true;     // false: "DISABLED", the bits are ignored
    bool msbFirst = false;   // digit order of the text: true = most significant bit first

    static constexpr int kContactClosureWidth = 12;
    static constexpr int kStatusBlockWidth = 8;

    /// "DISABLED", or the digits padded to width (longer when more bits are set); in script form
    /// the digits are enclosed in double quotes.
    std::string Text(int width, bool scriptForm) const;
    bool Bit(int index) const { return ((bits >> index) & 1u) != 0; }
    void SetBit(int index, bool on);

    /// Reads the value from the current token: "DISABLED", or a quoted run of at most width
    /// binary digits (empty allowed) read in this value's digit order. Leaves the following token
    /// current. Records an error and fails on anything else.
    bool Read(TokenStream& ts, int width);

    /// Archive form: bits u32, enabled byte, msbFirst byte.
    void Serialize(ObjectArchive& ar);

    bool operator==(const BinaryValue&) const = default;
};

}  // namespace talven
