#include "dlog/DataRecord.h"

#include <algorithm>
#include <cstdio>

#include "foundation/DateTime.h"
#include "foundation/Messages.h"

namespace talven {

DateFormatSlots::DateFormatSlots() {
    for (int i = 0; i < 6; ++i)
        formats_[static_cast<std::size_t>(i)] = MessageText(msg::kDefaultDateFormat0 + i);
}

const std::string& DateFormatSlots::Slot(int slot) const {
    return formats_[static_cast<std::size_t>(slot > 5 || slot < 0 ? 0 : slot)];
}

void DateFormatSlots::SetSlot(int slot, std::string format) {
    formats_[static_cast<std::size_t>(slot > 5 || slot < 0 ? 0 : slot)] = std::move(format);
}

std::string CDataRecord::GetText(unsigned flags, int precision, const DateFormatSlots& formats) const {
    std::string out;
    AppendText(out, flags, precision, formats);
    return out;
}

void CDataRecord::AppendText(std::string& out, unsigned flags, int precision,
                             const DateFormatSlots& formats) const {
    const std::size_t start = out.size();
    if (flags & (recordtext::kTimeTable | recordtext::kTimeGraph)) {
        const int slot = (flags & recordtext::kTimeGraph) ? DateFormatSlots::kGraph : DateFormatSlots::kTable;
        out += DateTime::FromSeconds(time).Format(formats.Slot(slot));
    }
    char field[96];
    if (flags & recordtext::kValue) {
        const int digits = std::clamp(precision, 0, 30);
        const int n =
            std::snprintf(field, sizeof field, out.size() > start ? ", %10.*f" : "%10.*f", digits, value);
        if (n > 0 && static_cast<std::size_t>(n) < sizeof field) {
            out.append(field, static_cast<std::size_t>(n));
        } else if (n > 0) {
            // Huge magnitudes print more than a field holds.
            std::string wide(static_cast<std::size_t>(n) + 1, '\0');
            std::snprintf(wide.data(), wide.size(), out.size() > start ? ", %10.*f" : "%10.*f", digits,
                          value);
            wide.resize(static_cast<std::size_t>(n));
            out += wide;
        }
    }
    if (flags & recordtext::kSamples) {
        const int n = std::snprintf(field, sizeof field, out.size() > start ? ", %10ld" : "%10ld",
                                    static_cast<long>(samples));
        if (n > 0)
            out.append(field, static_cast<std::size_t>(n));
    }
}

}  // namespace talven
