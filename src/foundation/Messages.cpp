#include "foundation/Messages.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace talven {

namespace {

const MessageEntry kTable[] = {
#include "foundation/messages/App.inc"
#include "foundation/messages/AppDialogs.inc"
#include "foundation/messages/Calibrator.inc"
#include "foundation/messages/CalibratorWindows.inc"
#include "foundation/messages/Cli.inc"
#include "foundation/messages/Dlog.inc"
#include "foundation/messages/FrontPanel.inc"
#include "foundation/messages/Gui.inc"
#include "foundation/messages/Network.inc"
#include "foundation/messages/Numbered.inc"
#include "foundation/messages/Session.inc"
#include "foundation/messages/Text.inc"
#include "foundation/messages/Transport.inc"
};

// The table sorted by id once, so each layer's block may be written in any order.
const std::vector<MessageEntry>& Sorted() {
    static const std::vector<MessageEntry> sorted = [] {
        std::vector<MessageEntry> v(std::begin(kTable), std::end(kTable));
        std::stable_sort(v.begin(), v.end(),
                         [](const MessageEntry& a, const MessageEntry& b) { return a.id < b.id; });
        return v;
    }();
    return sorted;
}

// Formats one conversion (conversion holds flags, width and precision, without length modifiers) of the
// given kind with snprintf, whose output length is measured first.
template <typename T>
void AppendFormatted(std::string& out, const std::string& conversion, T value) {
    const int n = std::snprintf(nullptr, 0, conversion.c_str(), value);
    if (n <= 0)
        return;
    std::string buffer(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(buffer.data(), buffer.size(), conversion.c_str(), value);
    buffer.resize(static_cast<std::size_t>(n));
    out += buffer;
}

}  // namespace

std::int64_t MessageArg::AsInt() const {
    if (auto* i = std::get_if<std::int64_t>(&value_))
        return *i;
    if (auto* u = std::get_if<std::uint64_t>(&value_))
        return static_cast<std::int64_t>(*u);
    if (auto* d = std::get_if<double>(&value_))
        return static_cast<std::int64_t>(*d);
    return std::strtoll(std::get<std::string>(value_).c_str(), nullptr, 10);
}

double MessageArg::AsReal() const {
    if (auto* i = std::get_if<std::int64_t>(&value_))
        return static_cast<double>(*i);
    if (auto* u = std::get_if<std::uint64_t>(&value_))
        return static_cast<double>(*u);
    if (auto* d = std::get_if<double>(&value_))
        return *d;
    return std::strtod(std::get<std::string>(value_).c_str(), nullptr);
}

std::string MessageArg::AsText() const {
    if (auto* s = std::get_if<std::string>(&value_))
        return *s;
    if (auto* i = std::get_if<std::int64_t>(&value_))
        return std::to_string(*i);
    if (auto* u = std::get_if<std::uint64_t>(&value_))
        return std::to_string(*u);
    std::string out;
    AppendFormatted(out, "%g", std::get<double>(value_));
    return out;
}

std::string FormatText(std::string_view format, const MessageArg* args, int count) {
    std::string out;
    out.reserve(format.size() + 32);
    int next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out.push_back(format[i]);
            continue;
        }
        std::size_t j = i + 1;
        if (j < format.size() && format[j] == '%') {
            out.push_back('%');
            i = j;
            continue;
        }
        std::string conversion = "%";
        while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos)
            conversion += format[j++];
        while (j < format.size() && ((format[j] >= '0' && format[j] <= '9') || format[j] == '.'))
            conversion += format[j++];
        while (j < format.size() && std::string_view("lhLjzt").find(format[j]) != std::string_view::npos)
            ++j;
        if (j >= format.size())
            break;
        const char conv = format[j];
        i = j;
        const MessageArg* arg = next < count ? &args[next] : nullptr;
        ++next;
        switch (conv) {
            case 'd':
            case 'i':
                AppendFormatted(out, conversion + "lld", static_cast<long long>(arg ? arg->AsInt() : 0));
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                AppendFormatted(out, conversion + "ll" + conv,
                                static_cast<unsigned long long>(arg ? arg->AsInt() : 0));
                break;
            case 'c':
                AppendFormatted(out, conversion + "c", static_cast<int>(arg ? arg->AsInt() : 0));
                break;
            case 'f':
            case 'F':
            case 'g':
            case 'G':
            case 'e':
            case 'E':
                AppendFormatted(out, conversion + conv, arg ? arg->AsReal() : 0.0);
                break;
            case 's': {
                const std::string text = arg ? arg->AsText() : std::string();
                AppendFormatted(out, conversion + "s", text.c_str());
                break;
            }
            default:
                --next;  // not a conversion: print it as written
                out += conversion;
                out.push_back(conv);
                break;
        }
    }
    return out;
}

std::string_view MessageText(int id) {
    const auto& table = Sorted();
    auto it = std::lower_bound(table.begin(), table.end(), id,
                               [](const MessageEntry& e, int key) { return e.id < key; });
    if (it == table.end() || it->id != id)
        return {};
    return it->text;
}

bool HasMessage(int id) {
    const auto& table = Sorted();
    auto it = std::lower_bound(table.begin(), table.end(), id,
                               [](const MessageEntry& e, int key) { return e.id < key; });
    return it != table.end() && it->id == id;
}

std::string FormatMessage(int id) {
    return FormatText(MessageText(id), nullptr, 0);
}

std::string FormatMessage(int id, const MessageArg& a) {
    return FormatText(MessageText(id), &a, 1);
}

std::string FormatMessage(int id, const MessageArg& a, const MessageArg& b) {
    const MessageArg args[] = {a, b};
    return FormatText(MessageText(id), args, 2);
}

std::string FormatMessage(int id, const MessageArg& a, const MessageArg& b, const MessageArg& c) {
    const MessageArg args[] = {a, b, c};
    return FormatText(MessageText(id), args, 3);
}

std::string WithCause(std::string_view message, std::string_view cause) {
    while (!cause.empty() && (cause.back() == '.' || cause.back() == ' '))
        cause.remove_suffix(1);
    if (cause.empty())
        return std::string(message);
    if (!message.empty() && message.back() == '.')
        message.remove_suffix(1);
    std::string out(message);
    out += ": ";
    out += cause;
    out += '.';
    return out;
}

const MessageEntry* MessageTableBegin() {
    return Sorted().data();
}
const MessageEntry* MessageTableEnd() {
    return Sorted().data() + Sorted().size();
}

}  // namespace talven
