#include "dlog/DataRecord.h"

#include <algorithm>
#include <charconv>
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

namespace {

// Right-aligns text in a field of ten, as printf's "%10" does.
void AppendField(std::string& out, const char* text, std::size_t n) {
    if (n < 10)
        out.append(10 - n, ' ');
    out.append(text, n);
}

// "%10.*f" without printf's cost: to_chars prints the same digits in the fixed form.
void AppendValue(std::string& out, double value, int digits) {
    char field[128];
    const auto [end, error] =
        std::to_chars(field, field + sizeof field, value, std::chars_format::fixed, digits);
    if (error == std::errc()) {
        AppendField(out, field, static_cast<std::size_t>(end - field));
        return;
    }
    // Huge magnitudes print more than the field holds.
    const int n = std::snprintf(nullptr, 0, "%10.*f", digits, value);
    if (n <= 0)
        return;
    std::string wide(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(wide.data(), wide.size(), "%10.*f", digits, value);
    out.append(wide.data(), static_cast<std::size_t>(n));
}

}  // namespace

void CDataRecord::AppendText(std::string& out, unsigned flags, int precision,
                             const DateFormatSlots& formats) const {
    const std::size_t start = out.size();
    if (flags & (recordtext::kTimeTable | recordtext::kTimeGraph)) {
        const int slot = (flags & recordtext::kTimeGraph) ? DateFormatSlots::kGraph : DateFormatSlots::kTable;
        out += DateTime::FromSeconds(time).Format(formats.Slot(slot));
    }
    if (flags & recordtext::kValue) {
        if (out.size() > start)
            out += ", ";
        AppendValue(out, value, std::clamp(precision, 0, 30));
    }
    if (flags & recordtext::kSamples) {
        if (out.size() > start)
            out += ", ";
        char field[16];
        const auto [end, error] = std::to_chars(field, field + sizeof field, samples);
        AppendField(out, field, error == std::errc() ? static_cast<std::size_t>(end - field) : 0);
    }
}

}  // namespace talven
