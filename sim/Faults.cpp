#include "Faults.h"

#include <cstdlib>

#include "Encoding.h"

namespace talven::sim {

bool FaultSettings::any() const {
    return dropReply > 0 || delayMs > 0 || trickleMs > 0 || corruptRecord > 0 || cutAfterBytes > 0 ||
           !cutAtCommand.empty() || !dropAtCommand.empty() || garbage > 0;
}

bool FaultSettings::activeAt(double secondsSinceStart) const {
    return secondsSinceStart >= startS && (endS == 0 || secondsSinceStart < endS);
}

namespace {

bool ParseProbability(const std::string& text, double& out) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(v >= 0.0 && v <= 1.0))
        return false;
    out = v;
    return true;
}

bool ParseCount(const std::string& text, long long max, long long& out) {
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 0 || v > max)
        return false;
    out = v;
    return true;
}

}  // namespace

bool ApplyFault(std::string_view keyValue, FaultSettings& faults, std::string& error) {
    const std::size_t eq = keyValue.find('=');
    const std::string key = ToUpper(keyValue.substr(0, eq));
    const std::string value =
        eq == std::string_view::npos ? std::string() : std::string(keyValue.substr(eq + 1));
    long long n = 0;
    bool ok = true;
    if (key == "DROP") {
        ok = ParseProbability(value, faults.dropReply);
    } else if (key == "CRC") {
        ok = ParseProbability(value, faults.corruptRecord);
    } else if (key == "GARBAGE") {
        ok = ParseProbability(value, faults.garbage);
    } else if (key == "DELAY") {
        ok = ParseCount(value, 600000, n);
        faults.delayMs = static_cast<int>(n);
    } else if (key == "TRICKLE") {
        ok = ParseCount(value, 10000, n);
        faults.trickleMs = static_cast<int>(n);
    } else if (key == "CUT") {
        ok = ParseCount(value, 1LL << 40, n);
        faults.cutAfterBytes = static_cast<long>(n);
    } else if (key == "CUTAT") {
        ok = !value.empty();
        faults.cutAtCommand = value;
    } else if (key == "DROPAT") {
        ok = !value.empty();
        faults.dropAtCommand = value;
    } else if (key == "FAULTSTART" || key == "FAULTEND") {
        ok = ParseCount(value, 100000000, n);
        (key == "FAULTSTART" ? faults.startS : faults.endS) = static_cast<int>(n);
    } else if (key == "FAULTSEED") {
        ok = ParseCount(value, 1LL << 62, n);
        faults.seed = static_cast<std::uint64_t>(n);
    } else {
        error = "unknown fault '" + std::string(keyValue) + "'";
        return false;
    }
    if (!ok)
        error = "bad value in fault '" + std::string(keyValue) + "'";
    return ok;
}

const char* FaultHelp() {
    return "  drop=P        drop a whole reply with probability P (0..1)\n"
           "  delay=MS      hold every reply MS milliseconds before its first byte\n"
           "  trickle=MS    send replies one byte every MS milliseconds\n"
           "  crc=P         spoil the CRC or check sum of a binary record line with probability P\n"
           "  cut=N         close the link after N bytes were sent on it\n"
           "  cutat=TEXT    close the link halfway through the reply to a command containing TEXT\n"
           "  dropat=TEXT   never answer a command containing TEXT\n"
           "  garbage=P     send a line of junk bytes before a reply with probability P\n"
           "  faultseed=N   seed of the fault draws (default 1; each connection draws afresh)\n"
           "  faultstart=S  faults strike only from S seconds after the start ...\n"
           "  faultend=S    ... and no longer from S seconds after the start (default: for ever)\n";
}

}  // namespace talven::sim
