#include "foundation/ArchiveStream.h"

#include <cstring>

namespace talven {

void ArchiveWriter::WriteU16(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ArchiveWriter::WriteU32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ArchiveWriter::WriteU64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ArchiveWriter::WriteDouble(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    WriteU64(bits);
}

void ArchiveWriter::WriteString(std::string_view text) {
    const std::size_t n = text.size();
    if (n < 0xFF) {
        WriteU8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<std::uint16_t>(n));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(static_cast<std::uint32_t>(n));
    }
    WriteBytes(text.data(), n);
}

void ArchiveWriter::WriteBytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
}

bool ArchiveReader::Take(std::size_t n) {
    if (failed_ || n > size_ - pos_) {
        failed_ = true;
        return false;
    }
    return true;
}

std::uint8_t ArchiveReader::ReadU8() {
    if (!Take(1))
        return 0;
    return data_[pos_++];
}

std::uint16_t ArchiveReader::ReadU16() {
    if (!Take(2))
        return 0;
    const std::uint16_t v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

std::uint32_t ArchiveReader::ReadU32() {
    if (!Take(4))
        return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 4;
    return v;
}

std::uint64_t ArchiveReader::ReadU64() {
    if (!Take(8))
        return 0;
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 8;
    return v;
}

double ArchiveReader::ReadDouble() {
    const std::uint64_t bits = ReadU64();
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::string ArchiveReader::ReadString() {
    std::size_t n = ReadU8();
    if (n == 0xFF) {
        n = ReadU16();
        if (n == 0xFFFF)
            n = ReadU32();
    }
    if (!Take(n))
        return {};
    std::string text(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return text;
}

bool ArchiveReader::ReadBytes(void* out, std::size_t n) {
    if (!Take(n))
        return false;
    if (n > 0)
        std::memcpy(out, data_ + pos_, n);
    pos_ += n;
    return true;
}

bool ArchiveReader::Skip(std::size_t n) {
    if (!Take(n))
        return false;
    pos_ += n;
    return true;
}

}  // namespace talven
