#include "Encoding.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

namespace talven::sim {

std::string Base64Encode(const std::uint8_t* bytes, std::size_t n) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((n + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (n - i == 1) {
        const std::uint32_t v = bytes[i] << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (n - i == 2) {
        const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string HexEncode(const std::uint8_t* bytes, std::size_t n) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

std::uint8_t TextSum(std::string_view text) {
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::string Format(const char* format, ...) {
    char small[256];
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n < 0) {
        va_end(copy);
        return out;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        out.assign(small, static_cast<std::size_t>(n));
    } else {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, copy);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(copy);
    return out;
}

std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string> SplitBlanks(std::string_view text) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i > start)
            out.emplace_back(text.substr(start, i - start));
    }
    return out;
}

namespace {

// Words the instrument's own parser and the PC side's lexer both treat as keywords; a name equal to
// one of them must be quoted to travel as a name.
const char* const kReservedWords[] = {"AVG",
                                      "BENCH",
                                      "C",
                                      "CCINPUT",
                                      "CCOUTPUT",
                                      "CHANNELBEGIN",
                                      "CHANNELEND",
                                      "COMPACT",
                                      "CONFIG",
                                      "CONST",
                                      "D",
                                      "DASBEGIN",
                                      "DASEND",
                                      "DATAPOINT",
                                      "DELAY",
                                      "DISABLE",
                                      "DISABLED",
                                      "DURATION",
                                      "ENABLE",
                                      "ENABLED",
                                      "EVENT",
                                      "EVENTBEGIN",
                                      "EVENTEND",
                                      "EXECSEQ",
                                      "FILE",
                                      "GASNAME",
                                      "GASNAMEBEGIN",
                                      "GASNAMEEND",
                                      "GASUNIT",
                                      "GASUNITBEGIN",
                                      "GASUNITEND",
                                      "GENERATE",
                                      "GPT",
                                      "GPTPS",
                                      "GPTZ",
                                      "HIGH",
                                      "HOLDOFF",
                                      "INST",
                                      "K",
                                      "L",
                                      "LEVEL",
                                      "LEVELTABLE",
                                      "LEVELTABLEBEGIN",
                                      "LEVELTABLEEND",
                                      "LOW",
                                      "MANUAL",
                                      "MAX",
                                      "MED",
                                      "MIN",
                                      "MODE",
                                      "NAME",
                                      "NUMCHANNELS",
                                      "OFF",
                                      "ON",
                                      "PARAMETER",
                                      "PARAMETERBEGIN",
                                      "PARAMETEREND",
                                      "PARAMLISTBEGIN",
                                      "PARAMLISTEND",
                                      "PRECISION",
                                      "PURGE",
                                      "RECORDS",
                                      "REF",
                                      "REPEATCOUNT",
                                      "REPORT",
                                      "REPORTPERIOD",
                                      "SAMPLEPERIOD",
                                      "SDEV",
                                      "SELDILUENT",
                                      "SELOUTPUT",
                                      "SEQBEGIN",
                                      "SEQEND",
                                      "SEQLISTBEGIN",
                                      "SEQLISTEND",
                                      "SETCCOUTPUT",
                                      "SETSTATUSBLOCK",
                                      "STANDBY",
                                      "STARTDATE",
                                      "STATUS",
                                      "STEPBEGIN",
                                      "STEPEND",
                                      "STORESAMPLES",
                                      "STORE_SAMPLES",
                                      "TIMER",
                                      "TIMERDELTA",
                                      "TIMEREVENT",
                                      "TIMERSTART",
                                      "TO",
                                      "V",
                                      "JAN",
                                      "FEB",
                                      "MAR",
                                      "APR",
                                      "MAY",
                                      "JUN",
                                      "JUL",
                                      "AUG",
                                      "SEP",
                                      "OCT",
                                      "NOV",
                                      "DEC"};

}  // namespace

bool IsBareWord(std::string_view name) {
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0])))
        return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    }
    for (const char* word : kReservedWords) {
        if (EqualsNoCase(name, word))
            return false;
    }
    return true;
}

std::string QuoteIfNeeded(std::string_view name) {
    if (IsBareWord(name))
        return std::string(name);
    return "\"" + std::string(name) + "\"";
}

std::uint64_t Mix(std::uint64_t a, std::uint64_t b) {
    std::uint64_t x = a ^ (b + 0x9E3779B97F4A7C15ULL + (a << 6) + (a >> 2));
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    x ^= x >> 31;
    return x;
}

std::uint64_t HashText(std::string_view text) {
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : text) {
        h ^= static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
        h *= 1099511628211ULL;
    }
    return h;
}

}  // namespace talven::sim

#include "foundation/DateTime.h"

namespace talven::sim {

std::string ReplyHeader(char letter, std::uint32_t localSeconds, int instrumentId) {
    const DateTime t = DateTime::FromSeconds(localSeconds);
    return Format("%c %03d:%02d:%02d %04d ", letter, t.dayOfYear(), t.hour(), t.minute(), instrumentId);
}

}  // namespace talven::sim
