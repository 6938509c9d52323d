#include "foundation/StreamConverter.h"

#include <array>

#include "foundation/AssertionException.h"

namespace talven {

namespace {

constexpr std::array<std::uint16_t, 256> MakeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 0x8000) ? (v << 1) ^ 0x1021 : v << 1;
        table[i] = static_cast<std::uint16_t>(v);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kCrcTable = MakeCrcTable();

int Base64Value(std::uint8_t c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

}  // namespace

StreamToBuffer::StreamToBuffer(std::uint8_t* buffer, std::int32_t capacity)
    : buffer_(buffer), capacity_(capacity) {
    if (buffer == nullptr || capacity <= 0)
        throw AssertionException("Standard/StreamToBuffer", 39);
}

void StreamToBuffer::Put(std::uint8_t b) {
    if (count_ < capacity_)
        buffer_[count_++] = b;
}

void Base64Decoder::Put(std::uint8_t c) {
    const int value = Base64Value(c);
    if (value < 0)
        return;
    const auto v = static_cast<std::uint8_t>(value);
    switch (state_) {
        case 0:
            state_ = 1;
            break;
        case 1:
            Emit(static_cast<std::uint8_t>(((previous_ & 63) << 2) | (v >> 4)));
            state_ = 2;
            break;
        case 2:
            Emit(static_cast<std::uint8_t>(((previous_ & 15) << 4) | ((v >> 2) & 15)));
            state_ = 3;
            break;
        default:
            Emit(static_cast<std::uint8_t>(((previous_ & 3) << 6) | v));
            state_ = 0;
            break;
    }
    previous_ = v;
}

void RLE_Decoder::Put(std::uint8_t b) {
    switch (state_) {
        case 0:
            if (b != escape_) {
                Emit(b);
            } else {
                state_ = 1;
            }
            break;
        case 1:
            count_ = b;
            state_ = 2;
            break;
        default:
            for (unsigned i = 0; i < count_; ++i)
                Emit(b);
            state_ = 0;
            break;
    }
}

void ResetChain(StreamConverter* first) {
    if (first == nullptr)
        return;
    ResetChain(first->next());
    first->Reset();
}

void PutBytes(StreamConverter* first, const void* bytes, std::int64_t n) {
    if (first == nullptr || bytes == nullptr)
        return;
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    for (std::int64_t i = 0; i < n; ++i)
        first->Put(p[i]);
}

void FlushChain(StreamConverter* first) {
    for (StreamConverter* c = first; c != nullptr; c = c->next())
        c->Flush();
}

Crc16::Crc16(const void* bytes, std::int64_t n, std::uint32_t flags) : flags_(flags), value_(0xFFFF) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    std::uint16_t v = 0xFFFF;
    if ((flags & kAugmented) == 0) {
        for (std::int64_t i = 0; i < n; ++i) {
            v = static_cast<std::uint16_t>(kCrcTable[((v >> 8) ^ p[i]) & 0xFF] ^ ((v & 0xFF) << 8));
        }
    } else {
        auto step = [&v](std::uint8_t b) {
            v = static_cast<std::uint16_t>(kCrcTable[v >> 8] ^ ((v & 0xFF) << 8) ^ b);
        };
        for (std::int64_t i = 0; i < n; ++i)
            step(p[i]);
        step(0);
        step(0);
    }
    value_ = v;
}

std::uint8_t ByteSum(const void* bytes, std::int64_t n) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    std::uint8_t sum = 0;
    for (std::int64_t i = 0; i < n; ++i)
        sum = static_cast<std::uint8_t>(sum + p[i]);
    return sum;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int HexDigitValue(char c) {
    const int digit = HexDigit(c);
    return digit < 0 ? 0 : digit;
}

char HexDigitChar(unsigned value, bool upperCase) {
    if (value <= 9)
        return static_cast<char>('0' + value);
    if (value <= 15)
        return static_cast<char>((upperCase ? 'A' : 'a') + (value - 10));
    return '?';
}

bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace talven
