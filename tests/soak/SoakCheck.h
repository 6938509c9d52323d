#pragma once
// The soak's verdict: the simulator's record listing against the data files collect wrote, and
// collect's messages against the instruments they name.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace talven::soak {

/// One channel of the listing: what the instrument's logger held when the listing was written.
struct ListedChannel {
    std::string name;
    std::int64_t period = 0;
    std::vector<std::uint32_t> times;
    std::vector<std::vector<std::string>> values;  // per record, per parameter, as reported
};

struct ListedInstrument {
    std::string profile;
    int id = 0;
    std::string where;  // "tcp 127.0.0.1:7001"
    long faults = 0;
    std::vector<ListedChannel> channels;

    const ListedChannel* channel(const std::string& name) const;
};

struct Listing {
    std::uint32_t at = 0;
    std::vector<ListedInstrument> instruments;
};

/// Reads a talven-sim record listing; false with error naming the line on anything else.
bool ParseListing(std::istream& in, Listing& out, std::string& error);

/// A data file as collect writes it: heading lines and rows of a time stamp and value cells.
struct DataFile {
    int headings = 0;
    std::vector<std::uint32_t> times;
    std::vector<std::vector<std::string>> values;  // cells without their padding
    std::size_t badRows = 0;                       // neither heading nor record row
};

DataFile ReadDataFile(std::istream& in);

struct ChannelVerdict {
    std::size_t rows = 0;
    /// Records the instrument made from the first one in the file (or the oldest it holds) up to
    /// its newest that the file lacks.
    std::size_t lost = 0;
    /// Of those, the ones older than the oldest the instrument still holds: they left its ring
    /// before they were written (a download that failed until then, or a loss of ours).
    std::size_t lostFromRing = 0;
    /// Rows whose record came earlier in the file already.
    std::size_t duplicated = 0;
    /// Rows that are no record of the instrument: off its period, newer than its newest, or out
    /// of order.
    std::size_t unexpected = 0;
    /// Rows whose values differ from what the instrument reports for that record.
    std::size_t differing = 0;
    std::string firstProblem;

    bool sound(int headings) const {
        return headings == 1 && lost == 0 && duplicated == 0 && unexpected == 0 && differing == 0;
    }
};

ChannelVerdict CheckChannel(const ListedChannel& listed, const DataFile& file);

/// Whether a line of collect's output names the instrument (by name or by its link's address)
/// and tells of a failure: anything but the start of a download, records written, nothing new,
/// the pass summary and a stop asked for.
bool IsFailureOf(const std::string& line, const std::string& name, const std::string& address);

}  // namespace talven::soak
