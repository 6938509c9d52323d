#pragma once
// File helpers of the calibrator scripts: the result a load or save reports to its window, the
// replace-by-rename write, and the cleaning of proposed file names.

#include <fstream>
#include <string>
#include <string_view>

namespace talven {

/// The outcome of a file load or save. On failure message holds the text for the message box
/// (caption "Error", warning icon); it has also been written to the event log.
struct CalFileResult {
    bool ok = false;
    std::string message;
};

/// Writes text to a temporary file beside path and renames it over path, so the old file stays
/// whole when anything fails. False on any failure (the temporary file is removed).
bool WriteFileReplacing(const std::string& path, std::string_view text);

/// Opens a script file for reading; false for a path that cannot be opened or is a directory.
bool OpenScriptFile(const std::string& path, std::ifstream& file);

/// Drops every non-printable character and ` ' " < > / \ | & * ? from a proposed file name.
std::string CleanFileName(std::string_view name);

}  // namespace talven
