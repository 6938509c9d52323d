#pragma once
// Writing files so that a failure never leaves half a file, and cleaning proposed file names.

#include <string>
#include <string_view>

namespace talven {

/// Writes bytes to a new file beside path and renames it over path once everything is on disk.
/// A replaced file keeps its permissions; a new one gets the usual ones (the umask applies). A
/// file that nobody may write (no write permission bit) is left alone, even for the superuser:
/// its owner made it read-only. False on any error (errno tells which), with nothing changed at
/// path and no temporary file left.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

/// Whether ReplaceFileContents could replace path now: the file, when it exists, may be written,
/// and a file may be created and renamed in its directory. False with the system's reason.
bool CanReplaceFile(const std::string& path, std::string& reason);

/// A proposed file name without non-printable characters and without ` ' " < > / \ | & * ?
std::string CleanFileName(std::string_view name);

}  // namespace talven
