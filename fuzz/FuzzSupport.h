#pragma once
// Helpers shared by the fuzz targets: a file holding the input for the loaders that take a path,
// a stream of instrument tokens over a text, and the check that stops the run.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "text/InstrumentTokenStream.h"

namespace talven::fuzz {

/// Stops the run with the broken property; libFuzzer keeps the input that led here.
#define TALVEN_FUZZ_CHECK(condition)                                                           \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

/// An anonymous in-memory file with the bytes, reached by its /proc path; closed with the object.
class MemoryFile {
  public:
    explicit MemoryFile(std::string_view bytes) : fd_(::memfd_create("talven-fuzz", 0)) {
        std::size_t done = 0;
        while (fd_ >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        TALVEN_FUZZ_CHECK(fd_ >= 0 && done == bytes.size());
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

  private:
    int fd_;
};

/// Instrument tokens over a text, read as a file is; the text lives as long as the stream.
class TextTokens {
  public:
    explicit TextTokens(std::string text, bool joinLines = false) : in_(std::move(text)), stream_(in_) {
        stream_.SetMultiLine(joinLines);
    }
    TokenStream& ts() { return stream_; }

  private:
    std::istringstream in_;
    FileInstrumentTokenStream stream_;
};

/// The input after its first byte (which the targets use to choose what to read).
inline std::string Rest(const std::uint8_t* data, std::size_t size) {
    return size > 1 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();
}

}  // namespace talven::fuzz
