#include "dlog/TextFormat.h"

#include <cstdarg>
#include <cstdio>

namespace talven {

void AppendFormat(std::string& out, const char* format, ...) {
    char small[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n > 0 && static_cast<std::size_t>(n) < sizeof small) {
        out.append(small, static_cast<std::size_t>(n));
    } else if (n > 0) {
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data() + start, static_cast<std::size_t>(n) + 1, format, again);
        out.resize(start + static_cast<std::size_t>(n));
    }
    va_end(again);
}

}  // namespace talven
