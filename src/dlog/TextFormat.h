#pragma once
// printf-style appending to a string, for the fixed text forms of scripts, reports and records.

#include <string>

namespace talven {

/// Appends the formatted text to out; the result has no length limit.
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace talven
