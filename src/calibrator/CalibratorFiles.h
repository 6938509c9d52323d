#pragma once
// File helpers of the calibrator scripts: the result a load or save reports to its window and the
// opening of script files. Writes and file-name cleaning are the foundation's (FileWrite.h).

#include <fstream>
#include <string>
#include <string_view>

#include "foundation/FileWrite.h"

namespace talven {

/// The outcome of a file load or save. On failure message holds the text for the message box
/// (caption "Error", warning icon); it has also been written to the event log.
struct CalFileResult {
    bool ok = false;
    std::string message;
};

/// Opens a script file for reading; false for a path that cannot be opened or is a directory.
bool OpenScriptFile(const std::string& path, std::ifstream& file);

}  // namespace talven
