#pragma once
// Parsing of talvenctl's arguments: command words first, then options and operands in any order.

#include <map>
#include <string>
#include <vector>

namespace talven::cli {

struct OptionSpec {
    std::string name;  // "--tcp"; a short alias may be given as "-o"
    bool takesValue = false;
    bool repeatable = false;
};

struct ParsedArgs {
    std::vector<std::string> operands;
    std::map<std::string, std::vector<std::string>> values;  // option -> its values (flags: one "")
    bool Has(const std::string& option) const { return values.count(option) != 0; }
    /// The last value given for the option, or fallback.
    std::string Value(const std::string& option, const std::string& fallback = "") const;
};

/// Parses args (after the command words) against the options allowed. False with error set on an
/// unknown option, a missing value or an option given twice that may appear only once.
bool ParseArgs(const std::vector<std::string>& args, const std::vector<OptionSpec>& allowed,
               ParsedArgs& parsed, std::string& error);

}  // namespace talven::cli
