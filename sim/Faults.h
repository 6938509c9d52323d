#pragma once
// Link faults the simulator can inject, chosen per instrument.

#include <cstdint>
#include <string>
#include <string_view>

namespace talven::sim {

struct FaultSettings {
    double dropReply = 0.0;      // drop=P: a whole reply is not sent
    int delayMs = 0;             // delay=MS: every reply waits before its first byte
    int trickleMs = 0;           // trickle=MS: pause between the bytes of a reply
    double corruptRecord = 0.0;  // crc=P: a binary record line gets a wrong CRC or check sum
    long cutAfterBytes = 0;      // cut=N: the link is closed once N bytes were sent (0 = never)
    std::string cutAtCommand;    // cutat=TEXT: closed halfway through the reply to a command holding TEXT
    std::string dropAtCommand;   // dropat=TEXT: commands holding TEXT are never answered
    double garbage = 0.0;        // garbage=P: a line of junk bytes comes before a reply
    std::uint64_t seed = 1;      // faultseed=N: what the probabilities draw from
    int startS = 0;              // faultstart=S: no fault before S seconds after the start
    int endS = 0;                // faultend=S: no fault from S seconds after the start on (0 = never)

    bool any() const;
    /// Whether faults strike at this many seconds after the instrument started.
    bool activeAt(double secondsSinceStart) const;
};

/// Applies one KEY=VALUE; false with error set when the key is unknown or the value bad.
bool ApplyFault(std::string_view keyValue, FaultSettings& faults, std::string& error);
/// The keys ApplyFault knows, with a line of help each.
const char* FaultHelp();

}  // namespace talven::sim
