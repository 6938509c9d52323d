#pragma once
// Chainable byte filters (Base64, run-length) ending in a buffer or a string, and the checksums and
// digit conversions that record decoding uses.

#include <cstdint>
#include <string>

namespace talven {

class StreamConverter {
  public:
    explicit StreamConverter(StreamConverter* next = nullptr) : next_(next) {}
    virtual ~StreamConverter() = default;
    StreamConverter(const StreamConverter&) = delete;
    StreamConverter& operator=(const StreamConverter&) = delete;

    virtual void Reset() {}
    virtual void Put(std::uint8_t) {}
    /// Passes an output byte to the next converter, or drops it at the end of the chain.
    virtual void Emit(std::uint8_t b) {
        if (next_)
            next_->Put(b);
    }
    virtual void Flush() {}

    StreamConverter* next() const { return next_; }
    void setNext(StreamConverter* next) { next_ = next; }

  private:
    StreamConverter* next_;  // not owned
};

/// Stores bytes into a caller's buffer; bytes beyond the capacity are dropped.
class StreamToBuffer : public StreamConverter {
  public:
    /// Raises AssertionException when buffer is null or capacity is not above 0.
    StreamToBuffer(std::uint8_t* buffer, std::int32_t capacity);
    void Reset() override { count_ = 0; }
    void Put(std::uint8_t b) override;
    std::int32_t count() const { return count_; }
    std::int32_t capacity() const { return capacity_; }
    const std::uint8_t* data() const { return buffer_; }

  private:
    std::uint8_t* buffer_;
    std::int32_t capacity_;
    std::int32_t count_ = 0;
};

class StreamToString : public StreamConverter {
  public:
    void Reset() override { text_.clear(); }
    void Put(std::uint8_t b) override { text_.push_back(static_cast<char>(b)); }
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

/// Base64 to bytes. Characters outside the alphabet (padding, blanks, line ends) are skipped;
/// leftover bits of an incomplete group are dropped.
class Base64Decoder : public StreamConverter {
  public:
    using StreamConverter::StreamConverter;
    void Reset() override { state_ = 0; }
    void Put(std::uint8_t c) override;

  private:
    int state_ = 0;
    std::uint8_t previous_ = 0;
};

/// Run-length expansion: escape, count, value gives count copies of value. Reset deliberately
/// keeps the state: a sequence cut by a reset goes on with the next input.
class RLE_Decoder : public StreamConverter {
  public:
    explicit RLE_Decoder(std::uint8_t escape, StreamConverter* next = nullptr)
        : StreamConverter(next), escape_(escape) {}
    void Put(std::uint8_t b) override;
    int state() const { return state_; }

  private:
    std::uint8_t escape_;
    int state_ = 0;
    std::uint8_t count_ = 0;
};

/// Resets every converter from the last of the chain back to the first.
void ResetChain(StreamConverter* first);
void PutBytes(StreamConverter* first, const void* bytes, std::int64_t n);
/// Flushes the first converter, then each following one in chain order.
void FlushChain(StreamConverter* first);

/// CRC-16 with polynomial 0x1021, initial value 0xFFFF. Plain form (flags bit 0 clear) is
/// CRC-16/CCITT-FALSE; the augmented form feeds each byte after the table step and two zero bytes
/// at the end.
class Crc16 {
  public:
    static constexpr std::uint32_t kAugmented = 1;
    Crc16(const void* bytes, std::int64_t n, std::uint32_t flags = 0);
    std::uint16_t value() const { return value_; }
    std::uint32_t flags() const { return flags_; }

  private:
    std::uint32_t flags_;
    std::uint16_t value_;
};

/// 8-bit sum of the bytes (0 when n <= 0).
std::uint8_t ByteSum(const void* bytes, std::int64_t n);
/// '0'-'9', 'A'-'F', 'a'-'f' give 0..15; any other character gives -1.
int HexDigit(char c);
/// As HexDigit, but any other character gives 0 (as the instruments' binary lines are decoded).
int HexDigitValue(char c);
/// 0..15 as a digit; above 15 gives '?'.
char HexDigitChar(unsigned value, bool upperCase);
bool IsOctalDigit(char c);
bool IsHexDigit(char c);

}  // namespace talven
