// Any bytes as a binary network configuration file: the reader must fail cleanly, or give lists
// that store and load again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "network/NetworkFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    talven::SavedLists lists;
    if (!talven::ReadBinaryConfiguration(data, size, lists).ok)
        return 0;
    const std::vector<std::uint8_t> bytes = talven::WriteBinaryConfiguration(lists);
    if (bytes.empty())
        std::abort();
    talven::SavedLists again;
    if (!talven::ReadBinaryConfiguration(bytes.data(), bytes.size(), again).ok)
        std::abort();
    if (talven::WriteBinaryConfiguration(again) != bytes)
        std::abort();
    return 0;
}
