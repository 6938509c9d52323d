#include "cli/RecordSelectionArgs.h"

#include <cstdio>

#include "cli/CliMessages.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"

namespace talven::cli {

namespace {

struct RecordSelectionOption {
    const char* name;
    CSelectionSet::Mode mode;
    std::int32_t CSelectionSet::*count;
};

const RecordSelectionOption kSelectionOptions[] = {
    {"--all", CSelectionSet::kAll, nullptr},
    {"--since-last", CSelectionSet::kSinceLast, nullptr},
    {"--records", CSelectionSet::kRecentRecords, &CSelectionSet::records},
    {"--hours", CSelectionSet::kRecentHours, &CSelectionSet::hours},
    {"--days", CSelectionSet::kRecentDays, &CSelectionSet::days},
    {"--weeks", CSelectionSet::kRecentWeeks, &CSelectionSet::weeks},
    {"--months", CSelectionSet::kRecentMonths, &CSelectionSet::months},
};

bool ParseCount(const std::string& text, std::int32_t& count) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    count = std::stoi(text);
    return count > 0;
}

}  // namespace

bool ParseDateTime(const std::string& text, std::uint32_t& seconds) {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
    if (std::sscanf(text.c_str(), "%2d/%2d/%4d %2d:%2d:%2d%n", &month, &day, &year, &hour, &minute, &second,
                    &used) != 6 ||
        static_cast<std::size_t>(used) != text.size() || year < 1970)
        return false;
    const DateTime when = DateTime::FromElements(year, month, day, hour, minute, second);
    if (!when.valid())
        return false;
    seconds = when.seconds();
    return true;
}

void AddSelectionOptions(std::vector<OptionSpec>& options) {
    for (const auto& option : kSelectionOptions)
        options.push_back({option.name, option.count != nullptr, false});
    options.push_back({"--no-instrument-dates", false, false});
}

/// Takes "--between FROM TO" out of args (the parser knows options of one value only). False with
/// error set when it is incomplete or given twice.
bool TakeBetween(std::vector<std::string>& args, std::vector<std::string>& between, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--between")
            continue;
        if (!between.empty()) {
            error = FormatMessage(msg::kCliOneSelection);
            return false;
        }
        if (i + 2 >= args.size()) {
            error = FormatMessage(msg::kCliBetweenTwoDates);
            return false;
        }
        between = {args[i + 1], args[i + 2]};
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
                   args.begin() + static_cast<std::ptrdiff_t>(i) + 3);
        --i;
    }
    return true;
}

bool ParseRecordSelection(const ParsedArgs& parsed, const std::vector<std::string>& between,
                          RecordSelectionArgs& result, std::string& error) {
    int selections = between.empty() ? 0 : 1;
    for (const auto& option : kSelectionOptions) {
        if (!parsed.Has(option.name))
            continue;
        ++selections;
        result.selection.mode = option.mode;
        if (option.count != nullptr &&
            !ParseCount(parsed.Value(option.name), result.selection.*option.count)) {
            error = FormatMessage(msg::kCliBadCount, option.name, parsed.Value(option.name));
            return false;
        }
    }
    if (selections > 1) {
        error = FormatMessage(msg::kCliOneSelection);
        return false;
    }
    if (!between.empty()) {
        result.selection.mode = CSelectionSet::kBetween;
        for (std::size_t i = 0; i < 2; ++i) {
            if (!ParseDateTime(between[i], i == 0 ? result.selection.from : result.selection.to)) {
                error = FormatMessage(msg::kCliBadDate, between[i]);
                return false;
            }
        }
        // The window asks whether to go on, with No as the answer a script would give.
        if (result.selection.from > result.selection.to) {
            error = FormatMessage(msg::kCliBetweenReversed, between[0], between[1]);
            return false;
        }
    }
    result.given = selections == 1;
    result.noInstrumentDates = parsed.Has("--no-instrument-dates");
    return true;
}

}  // namespace talven::cli
