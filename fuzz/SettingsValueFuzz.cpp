// Any bytes as the stored options value: the reader must fail cleanly or give options that write
// back and read again to the same options.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/Options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> value(data, data + size);
    talven::Options options;
    std::string problem;
    if (talven::ReadSettingsValue(value, options, &problem)) {
        talven::Options again;
        if (!talven::ReadSettingsValue(talven::WriteSettingsValue(options), again, &problem) ||
            !(again == options)) {
            std::abort();
        }
    }
    return 0;
}
