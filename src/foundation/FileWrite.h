#pragma once
// Writing files so that a failure never leaves half a file, and cleaning proposed file names.

#include <string>
#include <string_view>

namespace talven {

/// Writes bytes to a new file beside path and renames it over path once everything is on disk.
/// A replaced file keeps its permissions; a new one gets the usual ones (the umask applies). A
/// file that nobody may write (no write permission bit) is left alone, even for the superuser:
/// its owner made it read-only. A symbolic link stays: the file it names is replaced (see
/// ResolveSaveTarget), and a target that is not a regular file (a device, a pipe) is written in
/// place. False on any error (errno tells which), with nothing changed at path and no temporary
/// file left.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

/// The file a save to path replaces: a symbolic link, or a chain of them, is followed to the path
/// it names (which need not exist yet), so that saving through a link writes the link's target
/// instead of putting a regular file in the link's place. Any other path is returned as it is.
std::string ResolveSaveTarget(const std::string& path);

/// Whether path exists and is neither a regular file nor a directory (a device node, a pipe, a
/// socket): a save cannot rename a file over it, so it writes into it in place.
bool IsWrittenInPlace(const std::string& path);

/// Opens such a target for writing in place, without creating or truncating it and without
/// waiting for a reader of a pipe. -1 with errno set on failure.
int OpenInPlace(const std::string& path);

/// Whether ReplaceFileContents could replace path now: the file, when it exists, may be written,
/// and a file may be created and renamed in its directory. False with the system's reason.
bool CanReplaceFile(const std::string& path, std::string& reason);

/// A proposed file name without non-printable characters and without ` ' " < > / \ | & * ?
std::string CleanFileName(std::string_view name);

}  // namespace talven
