#pragma once
// File helpers of the calibrator scripts: the result a load or save reports to its window and the
// opening of script files. Writes and file-name cleaning are the foundation's (FileWrite.h).

#include <fstream>
#include <functional>
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

class CNamedObjectList;
class TokenStream;

/// Opens a script file for reading; false for a path that cannot be opened or is a directory.
bool OpenScriptFile(const std::string& path, std::ifstream& file);

/// A failure whose message (messageId with the path) has been written to the event log.
CalFileResult FileFailure(int messageId, const std::string& path);

/// Reads a whole script file into out with read (lines joined). A file that cannot be opened or
/// read gives unableToLoad with the path; a syntax error gives syntaxError with the marked token,
/// its line and the path. Both are logged. On failure out holds whatever was read so far.
CalFileResult ReadScriptFile(const std::string& path, int unableToLoad, int syntaxError,
                             const std::function<bool(TokenStream&, CNamedObjectList&)>& read,
                             CNamedObjectList& out);

}  // namespace talven
