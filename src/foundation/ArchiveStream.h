#pragma once
// Little-endian archive primitives shared by the settings value and the binary network file:
// 32-bit values, 4-byte booleans, and texts with their one-, three- or seven-byte length prefix.
// The reader checks every read against the bytes left: a short or garbled input sets the failure
// mark and yields zeros, never reads out of bounds and never allocates more than the input holds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talven {

class ArchiveWriter {
  public:
    void WriteU8(std::uint8_t v) { bytes_.push_back(v); }
    void WriteU16(std::uint16_t v);
    void WriteU32(std::uint32_t v);
    void WriteI32(std::int32_t v) { WriteU32(static_cast<std::uint32_t>(v)); }
    void WriteU64(std::uint64_t v);
    void WriteDouble(double v);
    /// 4 bytes, 0 or 1.
    void WriteBool(bool v) { WriteU32(v ? 1u : 0u); }
    /// Length prefix (below 255: one byte; below 0xFFFE: 0xFF and 16 bits; else 0xFF, 0xFFFF and
    /// 32 bits), then the characters without terminator.
    void WriteString(std::string_view text);
    void WriteBytes(const void* data, std::size_t n);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::vector<std::uint8_t> take() { return std::move(bytes_); }
    std::size_t size() const { return bytes_.size(); }

  private:
    std::vector<std::uint8_t> bytes_;
};

class ArchiveReader {
  public:
    ArchiveReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ArchiveReader(const std::vector<std::uint8_t>& bytes)
        : ArchiveReader(bytes.data(), bytes.size()) {}

    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    std::uint64_t ReadU64();
    double ReadDouble();
    /// Any non-zero value reads as true.
    bool ReadBool() { return ReadU32() != 0; }
    std::string ReadString();
    /// Copies n bytes out; fails without copying when fewer remain.
    bool ReadBytes(void* out, std::size_t n);
    /// Skips n bytes; fails when fewer remain.
    bool Skip(std::size_t n);

    /// True once any read ran past the end (or a caller marked the input bad).
    bool failed() const { return failed_; }
    void Fail() { failed_ = true; }
    std::size_t remaining() const { return failed_ ? 0 : size_ - pos_; }
    std::size_t position() const { return pos_; }
    bool atEnd() const { return pos_ >= size_; }

  private:
    bool Take(std::size_t n);
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace talven
