#pragma once
// The automatic download of a DLOG channel after its records came: what is written to its
// download file, and what becomes of its last-download time when the writing fails. Used by the
// command line's unattended collection, and by the DLOG window's automatic mode.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "dlog/DataRecordSet.h"
#include "foundation/DateTime.h"

namespace talven {

class CDASChannel;

/// A channel's last download, as a download moves it.
struct DownloadMark {
    DateTime lastDownload;
    bool downloadedBefore = false;
};
DownloadMark MarkOf(const CDASChannel& channel);

/// What an automatic download of one channel brought.
struct AutomaticWrite {
    enum Result { kWritten, kNothingNew, kWriteFailed };
    Result result = kNothingNew;
    std::size_t rows = 0;
    std::int32_t droppedLines = 0;
    /// A dropped line may have been a record that was asked for (not one older than those).
    bool recordsMissing = false;
    /// The channel continues where its last download ended ("since last download").
    bool continues = false;
    /// Records set aside after the first dropped line, fetched again by the next download.
    std::size_t refetched = 0;
};

/// After a download of the channel succeeded: a channel that continues where its last download
/// ended keeps only the records before the first dropped line (written now, the rest would be
/// written twice); the selected parameters are gathered, and when they hold rows, handed to
/// write (the caller's file step, which says whether the file took them). When it did not, the
/// channel's mark goes back to before, so that the next automatic download fetches the records
/// again.
AutomaticWrite WriteAutomaticDownload(CDASChannel& channel, const DownloadMark& before,
                                      const std::function<bool(const CDataRecordSet&)>& write);

}  // namespace talven
