#pragma once
// The note written before records are appended to a data file and removed once the channel's new
// last-download time is saved. A program stopped between the two (a crash, a kill) finds the note
// when it starts again: if the time did not reach the network file, the append is undone, since
// the next download fetches those records again; otherwise the note is simply removed. Either way
// every record is in the file once.

#include <cstdint>
#include <string>

namespace talven {

struct PendingAppend {
    std::string dataFile;
    /// The data file existed before the append, with size bytes.
    bool existed = false;
    std::uint64_t size = 0;
    /// The channel whose last download is saved with the append, as the network file names it.
    bool multiplexed = false;
    std::uint32_t instrumentId = 0;
    std::string instrumentName;
    std::string channelName;
    std::uint32_t lastDownload = 0;
};

/// Fills existed and size from the data file as it is now.
void MeasureDataFile(PendingAppend& entry);

/// Written through a rename, so the note is whole or absent.
bool SavePendingAppend(const std::string& journal, const PendingAppend& entry);

enum class PendingRead { kNone, kFound, kUnreadable };
PendingRead LoadPendingAppend(const std::string& journal, PendingAppend& entry);

/// Cuts the data file back to its former length, or removes it when the append created it. A file
/// shorter than that now (changed by someone else meanwhile) is left alone: false.
bool UndoAppend(const PendingAppend& entry);

/// True when there is no note afterwards.
bool RemovePendingAppend(const std::string& journal);

}  // namespace talven
