// Any bytes as a text network configuration file: the reader must fail cleanly, or give lists
// whose text, when it can be written, reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "network/NetworkFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    talven::SavedLists lists;
    if (!talven::ReadTextConfiguration(in, lists).ok)
        return 0;
    std::string text;
    if (!talven::WriteTextConfiguration(lists, text))
        return 0;
    std::istringstream again(text);
    talven::SavedLists reread;
    if (!talven::ReadTextConfiguration(again, reread).ok)
        std::abort();
    std::string second;
    if (!talven::WriteTextConfiguration(reread, second) || second != text)
        std::abort();
    return 0;
}
