#pragma once
// The record selection options shared by `dlog get-data` and `dlog auto`: --all, --since-last,
// --records N, --hours N, --days N, --weeks N, --months N, --between FROM TO and
// --no-instrument-dates.

#include <string>
#include <vector>

#include "cli/CommandLineArgs.h"
#include "dlog/DASChannel.h"

namespace talven::cli {

/// Adds the selection options (all but --between, which TakeBetween handles) to options.
void AddSelectionOptions(std::vector<OptionSpec>& options);

/// Takes "--between FROM TO" out of args (the parser knows options of one value only). False with
/// error set when it is incomplete or given twice.
bool TakeBetween(std::vector<std::string>& args, std::vector<std::string>& between, std::string& error);

struct RecordSelectionArgs {
    /// One of the selections was given; selection holds it.
    bool given = false;
    CSelectionSet selection;
    bool noInstrumentDates = false;
};

/// Reads the selection options of a parsed command line; false with error set on a usage error.
bool ParseRecordSelection(const ParsedArgs& parsed, const std::vector<std::string>& between,
                          RecordSelectionArgs& result, std::string& error);

/// "MM/DD/YYYY HH:MM:SS" to seconds; false when it is no such date.
bool ParseDateTime(const std::string& text, std::uint32_t& seconds);

}  // namespace talven::cli
