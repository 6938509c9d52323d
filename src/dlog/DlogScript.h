#pragma once
// The DLOG configuration as text: the configuration script (files and the instrument's
// "print script &"), the printed report of older instruments, the events and data points replies,
// and the script files. Readers take a token stream standing before the reply's first token and
// fill temporaries; the instrument's lists change only when a whole reply or file was read.
//
// Replies are read with the stream joining lines (SetMultiLine(true)); the readers set it
// themselves and put the previous setting back.

#include <functional>
#include <string>
#include <vector>

#include "foundation/NamedObject.h"

namespace talven {

class IDlogInstrument;
class TokenStream;

/// Bit 0 set: "dasbegin\r\n", every channel's script text, "dasend\r\n"; otherwise the channels'
/// texts of those flags joined. Taken under the data lock.
std::string GetConfigurationText(IDlogInstrument& instrument, unsigned flags);

/// Reads an events reply ("getevents" with beginEnd, or "event" without, which ends with the
/// reply) into events (CDASEvent). False on any deviation; events then holds what was read.
bool ReadEventsReply(TokenStream& stream, bool beginEnd, CNamedObjectList& events);
/// The same for "getparameters"/"parameter" replies (CDASPoint).
bool ReadPointsReply(TokenStream& stream, bool beginEnd, CNamedObjectList& points);
/// Reads events (or points) as the capabilities say and, on success, replaces the instrument's
/// list under the data lock and marks the network configuration modified.
bool ApplyEventsReply(TokenStream& stream, IDlogInstrument& instrument);
bool ApplyPointsReply(TokenStream& stream, IDlogInstrument& instrument);

/// Reads the reply to "print script &" (script form) or "print" (report form) into channels
/// owned by instrument. onChannel is called after each channel read (a progress step). The script
/// form must end with "DASEND"; with requireEndAfter, the end of input must follow it. The
/// report form must end with the reply.
bool ReadConfigurationReply(TokenStream& stream, IDlogInstrument& instrument, bool scriptForm,
                            bool requireEndAfter, CNamedObjectList& channels,
                            const std::function<void()>& onChannel = {});
/// After a successful configuration download or send: under the data lock, the new channels (if
/// given) replace the list, in-effect flags := configured flags, the modified mark is cleared and
/// the network configuration marked modified.
void ApplyTransferredConfiguration(IDlogInstrument& instrument, CNamedObjectList* channels);

/// The channel count for the progress range: the reply to "getnumchannels" ("NUMCHANNELS" "="
/// count; anything else gives 0), or the number of record-count lines in the reply to "records",
/// counted until the reply ends. The stream must not join lines.
int ReadNumChannelsReply(TokenStream& stream);
int CountRecordCountLines(TokenStream& stream);
/// The progress range of a configuration download: the channel count, 20 when below 1, plus 2
/// when events and data points are downloaded too.
int ConfigurationProgressRange(int channelCount, bool eventsAndPoints);
/// The instrument's answer to a sent configuration: one token, which must be the phrase
/// "New DAS configuration stored.".
bool ReadConfigurationStoredReply(TokenStream& stream);
/// The lines of a configuration text as they are sent, each with its line end.
std::vector<std::string> SplitScriptLines(const std::string& text);

/// Sets the instrument of every channel (after the channels were loaded from a network
/// configuration, whose loader creates them without one).
void AttachDlogChannels(IDlogInstrument& instrument);

struct DlogFileResult {
    bool ok = false;
    /// The message for the user (and the event log), empty on success.
    std::string message;
};

/// Loads a script file: "DASBEGIN", channels, "DASEND", end of input. On success the channel list
/// is replaced, the modified mark cleared and the network configuration marked modified. On
/// failure the configuration is left as it was and the syntax error message (61256, with the
/// marked token and line) is logged as an error and returned.
DlogFileResult LoadDlogScriptFile(const std::string& path, IDlogInstrument& instrument);
/// Writes the configuration script through a temporary file renamed over path; clears the
/// modified mark on success. A failure is logged and returned (61211).
DlogFileResult SaveDlogScriptFile(const std::string& path, IDlogInstrument& instrument);
/// The proposed script file name (61300 with instrument name, serial number, ".txt"), cleaned.
std::string ProposeScriptFileName(IDlogInstrument& instrument);

}  // namespace talven
