#pragma once
// The record download request: for each channel of a list, ask how many records it holds, request
// them in the form the instrument offers, decode the reply into the parameters' records, and tell
// the requesting window how far it got. Runs on the instrument's worker; the session layer gives
// it the link through DlogRecordLink.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/DateTime.h"
#include "foundation/Notifier.h"

namespace talven {

class CDASChannel;
class CNamedObjectList;
class CSelectionSet;
class IDlogInstrument;
class TokenStream;

/// What a record download needs of the instrument's session. Implemented by the session layer
/// over its link and response stream; only the worker calls it.
class DlogRecordLink {
  public:
    virtual ~DlogRecordLink() = default;
    virtual std::string GetCapabilities() const = 0;
    /// Sends one command line with its command word ('d' or 'v') and argument.
    virtual bool SendCommand(char word, const std::string& argument) = 0;
    /// The response stream (lines not joined), standing at a line start.
    virtual TokenStream& ResponseStream() = 0;
    /// Changes the response stream's receive time-out; returns the previous one.
    virtual int SetResponseTimeout(int milliseconds) = 0;
    /// The instrument's receive time-out in milliseconds.
    virtual int GetReceiveTimeout() const = 0;
    /// One line read from the link directly, with its line feed, at most maxBytes long, written to
    /// the event log as a response; empty when nothing came within the time-out.
    virtual std::string ReadRawLine(int timeoutMilliseconds, std::size_t maxBytes) = 0;
    /// The "curr_date" exchange: the instrument's date and time to the minute; an invalid date when
    /// it could not be read.
    virtual DateTime ReadInstrumentDate() = 0;
    virtual bool IsCancelRequested() const = 0;
    /// False once the link was lost, or closed and opened again, since the request began: a reply
    /// cut off that way is incomplete even though its reads simply ended.
    virtual bool IsLinkIntact() const = 0;
};

/// The longest binary reply line read: a record of 50 parameters storing samples in hexadecimal.
constexpr std::size_t kMaxRecordLine = 822;
/// The response time-out while the instrument selects records by date.
constexpr int kDateSelectionTimeoutMs = 60000;
/// The shortest silence that ends a reply once all the records the instrument announced came.
constexpr int kQuietGapMs = 300;

/// Downloads one channel's records; false when the reply was malformed, cut off by a lost link or
/// short of the records it should hold (the records received so far stay). Posts 1041 at the
/// start (expected records, position) and 1032 per record line to window.
bool DownloadChannelRecords(DlogRecordLink& link, CDASChannel& channel, NotifyTarget window,
                            std::intptr_t position = 0);

/// The request: each channel in order (null entries passed over), stopping at the first failure,
/// or after a channel when a cancel was requested and the instrument can cancel. A channel's 1041
/// carries its position in the list. Posts 1042 when all succeeded, else 1043.
bool DownloadRecords(DlogRecordLink& link, const std::vector<CDASChannel*>& channels, NotifyTarget window);

/// The channels of these names in list (null for a name not there), looked up under the data lock.
std::vector<CDASChannel*> FindChannels(const CNamedObjectList& list, const std::vector<std::string>& names);
/// The names of the channels, in order, as a record request carries them.
std::vector<std::string> ChannelNames(const std::vector<CDASChannel*>& channels);

/// Channels of a manual download: every channel that is selected or has a selected parameter,
/// each with its active selection pointed at the window's selection (which must outlive the
/// download).
std::vector<CDASChannel*> ManualDownloadList(IDlogInstrument& instrument,
                                             const CSelectionSet* windowSelection);
/// Channels of an automatic download: the selected channels whose automatic download is due, each
/// with its active selection back on its own download selection.
std::vector<CDASChannel*> AutomaticDownloadList(IDlogInstrument& instrument, DateTime now);

}  // namespace talven
