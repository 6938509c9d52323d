#pragma once
// Comma-separated files of downloaded records: a heading, then per row the first column's time
// stamp and every column's value (and sample count), aligned by record index.

#include <cstddef>
#include <string>

#include "dlog/DataRecord.h"
#include "foundation/DateTime.h"

namespace talven {

class CDataRecordSet;
class CDASChannel;
class IDlogInstrument;

/// How a long operation shows itself in its window (status text and progress bar).
class TransferProgress {
  public:
    virtual ~TransferProgress() = default;
    virtual void Begin(const std::string& status, std::size_t steps) = 0;
    virtual void Step() = 0;
    /// Status text cleared, progress reset.
    virtual void End() = 0;
};

struct CsvOptions {
    /// Append to an existing file without heading; a missing file is created with its heading.
    bool append = false;
    /// The window's "Samples" box: sample count columns for parameters configured to store them.
    bool samplesBox = false;
    /// Message box on failure (the failure is logged as an error in any case).
    bool showErrors = false;
};

/// The heading line with its "\r\n".
std::string CsvHeading(const CDataRecordSet& set, bool samplesBox);

/// Writes the set; false when it has no column, no row or the path is empty (nothing written), or
/// on a file error (61221). A replaced file is written beside the target and renamed over it; an
/// append that fails is cut back to the file's former length, so the file never keeps half a
/// write. Rows are read under the data lock, one at a time.
/// With failure given, the reason of a failure is put there (and logged) instead of being shown,
/// whatever showErrors says: for code off the window thread.
bool WriteRecordSetCsv(const CDataRecordSet& set, const std::string& path, const CsvOptions& options,
                       const DateFormatSlots& formats, TransferProgress* progress = nullptr,
                       std::string* failure = nullptr);

/// After an automatic download: the channel's gathered parameters written to its download file
/// with its append flag and without message boxes. False when the channel has no download file
/// or no data (nothing written), or on a file error (logged).
bool WriteChannelDownloadFile(CDASChannel& channel, bool samplesBox, const DateFormatSlots& formats);

/// The name proposed for "Save Data": message 61324 with the first column's parameter and set
/// number and today in the file-name date format; cleaned. Empty for a set without columns.
std::string ProposeDataFileName(IDlogInstrument& instrument, const std::string& channelName,
                                const CDataRecordSet& set, const DateFormatSlots& formats, DateTime now);

}  // namespace talven
